//===- tests/windows/wine_end_to_end_test.cpp - vexmor.exe under Wine ----===//
//
// The 32-bit Windows build, run under Wine (tools/wine-run) with the same
// black-box expectations as the Linux build: the exact bytes on standard
// output and standard error, and the exit code. Bytes are checked on pipes
// and files only: on a terminal, Wine's console rewrites them.
//
// Wine takes the program's locale from LC_ALL. Each run names one: C.UTF-8
// (English, a full stop as the decimal mark), or de_DE.UTF-8, which the
// test that needs it compiles with localedef into a folder of its own, so
// that the shell running tools/wine-run knows it too.
//
//===----------------------------------------------------------------------===//

#include "support/child_process.h"
#include "support/fault_cases.h"
#include "support/report_checks.h"
#include "support/report_patterns.h"
#include "support/symbols.h"
#include "support/temporary_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

namespace vexmor::test {
namespace {

const std::string WineRun = VEXMOR_WINE_RUN;
const std::string Vexmor = VEXMOR_WINDOWS_BINARY;
const std::string Seam = VEXMOR_WINDOWS_SEAM_BINARY;

std::string FileName(const std::string &Path) {
  return Path.substr(Path.rfind('/') + 1);
}

/// The path a Windows program under Wine knows a file by: Wine's drive Z is
/// the Unix root.
std::string WindowsPath(const std::string &UnixPath) {
  std::string Path = "Z:" + UnixPath;
  for (char &C : Path)
    if (C == '/')
      C = '\\';
  return Path;
}

constexpr const char *English = "C.UTF-8";
constexpr const char *German = "de_DE.UTF-8";

const std::string StartUpLines = BannerBytes + "Correction: 0\r\n";

/// Where Wine loads the executables: at their preferred base. An absolute
/// address in a message is the report's offset from there.
constexpr std::uint64_t ImageBase = 0x00400000;

/// A run of Program (a Windows program and its arguments) under Wine, in
/// the locale Locale, looked for in LocaleFolder as well when one is given.
ChildOptions WineOptions(std::vector<std::string> Program,
                         OutputTarget Target = OutputTarget::Pipe,
                         const char *Locale = English,
                         const std::string &LocaleFolder = "") {
  ChildOptions Options;
  Options.Args = {WineRun};
  Options.Args.insert(Options.Args.end(), Program.begin(), Program.end());
  Options.Stdout = Target;
  Options.Environment = {{"LC_ALL", Locale}};
  // Wine itself may take some seconds to start.
  Options.Deadline = std::chrono::seconds(30);
  if (!LocaleFolder.empty())
    Options.Environment.emplace_back("LOCPATH", LocaleFolder);
  return Options;
}

ChildResult RunSeam(std::vector<std::string> Passes,
                    OutputTarget Target = OutputTarget::Pipe) {
  Passes.insert(Passes.begin(), Seam);
  return RunChild(WineOptions(std::move(Passes), Target));
}

/// Expects one report of ClassName with Message whose address lies in the
/// function Function of Binary.
void ExpectReport(const ChildResult &Run, const std::string &Binary,
                  const std::string &ClassName, const std::string &Message,
                  const std::string &Function) {
  EXPECT_EQ(Run.ExitCode, 1);
  EXPECT_EQ(Run.Signal, 0);
  const auto Parsed = ParseReport(Run.Stderr);
  ASSERT_TRUE(Parsed) << "not one report: " << Run.Stderr;
  EXPECT_EQ(Parsed->ClassName, ClassName);
  EXPECT_EQ(Parsed->Module, FileName(Binary));
  EXPECT_EQ(Parsed->Message, Message);
  const auto Range = FindImageFunction(VEXMOR_MINGW_NM, Binary, Function);
  ASSERT_TRUE(Range) << Function << " not found in " << Binary;
  EXPECT_TRUE(Range->Contains(Parsed->Offset))
      << std::hex << Parsed->Offset << " is not in " << Function;
}

TEST(WineEndToEndTest, RedirectedOutputArrivesInWholeBlocks) {
  for (OutputTarget Target : {OutputTarget::Pipe, OutputTarget::File}) {
    SCOPED_TRACE(Target == OutputTarget::Pipe ? "pipe" : "file");
    ChildOptions Options = WineOptions({Vexmor}, Target);
    Options.Watch = SignalAfterOutput(256, SIGTERM);
    Options.Awaiting = "256 bytes of output, then the end after SIGTERM";
    const ChildResult Run = RunChild(Options);
    EXPECT_EQ(Run.Signal, SIGTERM);
    EXPECT_EQ(Run.Stderr, "");
    ASSERT_GE(Run.Stdout.size(), 256u);
    EXPECT_EQ(Run.Stdout.size() % 128, 0u);
    ExpectWellFormed(Run.Stdout, /*LastMayBePartial=*/true);
  }
}

TEST(WineEndToEndTest, OnlyWholeBlocksGoOutWhileTheProgramRuns) {
  // 44 bytes of start-up lines and three status lines of 34 make 146: the
  // fourth pass waits until the test has seen the first block alone.
  const std::string Line = "Current: 3 Inst_takt: 3cycl 6   \r";
  const std::string Held = StartUpLines + Line + Line + Line;
  ChildOptions Options = WineOptions(
      {Seam, "200000000", "200000000", "200000000", "wait:200000000", "0"});
  Options.HoldStdin = true;
  Options.Awaiting = "the first 128-byte block while the fourth pass waits";
  std::string Seen;
  Options.Watch = [&](ChildControl &Child) {
    if (Seen.empty()) {
      Seen = Child.Output();
      Child.Feed("x");
    }
  };
  const ChildResult Run = RunChild(Options);
  EXPECT_EQ(Seen, Held.substr(0, 128));
  EXPECT_EQ(Run.Stdout, Held + Line);
  ExpectReport(Run, Seam, "EZeroDivide", "Floating point division by zero.",
               "vexmor::CurrentFigure(");
}

TEST(WineEndToEndTest, AZeroDivisorEndsWithTheReportAfterTheHeldBytes) {
  // The average is worked out first: a first pass of 0 traps there, a later
  // one in the current figure.
  const struct {
    std::vector<std::string> Passes;
    std::string Stdout;
    const char *Function;
  } Cases[] = {
      {{"0"}, StartUpLines, "vexmor::AverageFigure("},
      {{"--correction=-3", "200000001", "-600000000", "1", "0"},
       BannerBytes + "Correction: -3\r\n" +
           "Current: 2.999999985 Inst_takt: 2.999999985cycl 6   \r"
           "Current: -1 Inst_takt: -3.0000000075cycl 6   \r"
           "Current: 600000000 Inst_takt: -4.5000000225cycl 6   \r",
       "vexmor::CurrentFigure("},
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE(Case.Passes.size());
    for (OutputTarget Target : {OutputTarget::Pipe, OutputTarget::File}) {
      SCOPED_TRACE(Target == OutputTarget::Pipe ? "pipe" : "file");
      const ChildResult Run = RunSeam(Case.Passes, Target);
      EXPECT_EQ(Run.Stdout, Case.Stdout);
      ExpectReport(Run, Seam, "EZeroDivide", "Floating point division by zero.",
                   Case.Function);
    }
  }
}

TEST(WineEndToEndTest, UnusableStandardOutputEndsWithAnOutputError) {
  const std::string Launcher = VEXMOR_WINDOWS_LAUNCHER;
  const struct {
    const char *Name;
    std::vector<std::string> Program;
    OutputTarget Target;
    const char *Message;
    const char *Function;
  } Cases[] = {
      // Started with no standard output handle: the stream cannot open.
      {"no handle",
       {Launcher, WindowsPath(Vexmor)},
       OutputTarget::Pipe,
       "I/O error 105.",
       "vexmor::WriteBanner()"},
      // The system's own codes: ERROR_DISK_FULL, and Wine's code for a pipe
      // with no reader (ERROR_PIPE_NOT_CONNECTED; Windows gives
      // ERROR_NO_DATA, 232). The status line's trailer is still held after
      // its block failed, so the report's own hand-over fails too and
      // replaces the first report.
      {"full device",
       {Vexmor},
       OutputTarget::DevFull,
       "I/O error 112.",
       "vexmor::WriteBanner()"},
      {"reader gone",
       {Vexmor},
       OutputTarget::ReaderGone,
       "I/O error 233.",
       "vexmor::FailureReport("},
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE(Case.Name);
    const ChildResult Run = RunChild(WineOptions(Case.Program, Case.Target));
    EXPECT_EQ(Run.Stdout, "");
    ExpectReport(Run, Vexmor, "EInOutError", Case.Message, Case.Function);
  }
}

TEST(WineEndToEndTest, ProcessorFaultsBecomeTheirClassesReports) {
  // The recursion's frames are a page each: the stack probe in their
  // prologue meets the end of the stack.
  const std::vector<FaultCase> Cases =
      FaultCases(FileName(Seam), "[0-9A-F]{8}", "__chkstk_ms");
  for (const FaultCase &Case : Cases) {
    SCOPED_TRACE(Case.Pass);
    const ChildResult Run = RunSeam({PassBeforeTheFault, Case.Pass});
    EXPECT_EQ(Run.Stdout, StartUpLines + StatusLineBeforeTheFault);
    const auto Parsed = ParseReport(Run.Stderr);
    ASSERT_TRUE(Parsed) << Run.Stderr;
    EXPECT_TRUE(
        std::regex_match(Parsed->Message, std::regex(Case.MessagePattern)))
        << Parsed->Message;
    ExpectReport(Run, Seam, Case.ClassName, Parsed->Message, Case.Function);
    std::smatch Address;
    if (std::regex_search(Parsed->Message, Address,
                          std::regex("at address ([0-9A-F]{8})"))) {
      EXPECT_EQ(std::stoull(Address[1], nullptr, 16),
                ImageBase + Parsed->Offset);
    }
  }
}

TEST(WineEndToEndTest, AStartUpFailureEndsWithTheRuntimeErrorLine) {
  // An access violation while the timer calibrates: no failure report yet,
  // so runtime error 216 at the faulting instruction's absolute address,
  // written past the stream, and 216 as the exit code.
  const ChildResult Run = RunSeam({"--calibration-fault=segv-read"});
  EXPECT_EQ(Run.Stderr, "");
  EXPECT_EQ(Run.ExitCode, 216);
  std::smatch Match;
  const std::regex Line(std::string("Runtime error 216 at ([0-9A-F]{8})") +
                        '\0' + "\r\n");
  ASSERT_TRUE(std::regex_match(Run.Stdout, Match, Line)) << Run.Stdout;
  const auto Range = FindImageFunction(
      VEXMOR_MINGW_NM, Seam, "vexmor::seam::(anonymous namespace)::RunFault(");
  ASSERT_TRUE(Range);
  EXPECT_TRUE(Range->Contains(std::stoull(Match[1], nullptr, 16) - ImageBase))
      << Match[1];
}

/// The seam copied into a folder of its own, with a language resource file
/// beside it under a given extension.
class SeamWithLanguageFile {
public:
  explicit SeamWithLanguageFile(const std::string &Extension) {
    namespace fs = std::filesystem;
    Program = Folder.Path + "/" + FileName(Seam);
    fs::copy_file(Seam, Program);
    fs::copy_file(VEXMOR_WINDOWS_MARKED_MESSAGES,
                  Folder.Path + "/vexmor-seam." + Extension);
  }
  TemporaryFolder Folder{"vexmor-wine"};
  std::string Program;
};

/// The marked texts' mark, "[Übersetzt] ", with the Ü in the console's code
/// page of a German locale (850).
const std::string Mark = "[\x9A"
                         "bersetzt] ";

TEST(WineEndToEndTest, ALanguageResourceFileReplacesTheMessages) {
  // Named by the thread locale's abbreviated language name or by its first
  // two letters; a file under any other name is not looked at.
  const struct {
    const char *Extension;
    bool Replaces;
  } Cases[] = {{"DEU", true}, {"DE", true}, {"FRA", false}};
  const TemporaryFolder Locales("vexmor-wine");
  const ChildResult Compiled =
      RunChild({"/usr/bin/localedef", "-i", "de_DE", "-f", "UTF-8",
                Locales.Path + "/" + German});
  ASSERT_EQ(Compiled.ExitCode, 0) << "localedef:\n" << Compiled.Stderr;
  for (const auto &Case : Cases) {
    SCOPED_TRACE(Case.Extension);
    const SeamWithLanguageFile Copy(Case.Extension);
    const ChildResult Run =
        RunChild(WineOptions({Copy.Program, "200000001", "0"},
                             OutputTarget::Pipe, German, Locales.Path));
    // The German decimal mark, whatever the texts.
    EXPECT_EQ(Run.Stdout,
              StartUpLines +
                  "Current: 2,999999985 Inst_takt: 2,999999985cycl 6   \r");
    const std::string Prefix = Case.Replaces ? "\\[\x9A"
                                               "bersetzt\\] "
                                             : "";
    const std::regex Report(Prefix +
                            "Exception EZeroDivide in module vexmor-seam\\.exe "
                            "at [0-9A-F]{8}\\.\r\n" +
                            Prefix +
                            "Floating point division by zero\\.\r\n\r\n");
    EXPECT_TRUE(std::regex_match(Run.Stderr, Report)) << Run.Stderr;
    EXPECT_EQ(Run.ExitCode, 1);
  }
}

TEST(WineEndToEndTest, AProgramPathLongerThanMaxPathStillNamesTheFile) {
  // Two folders of 120 characters put the programs' Windows paths past
  // MAX_PATH (260), where a path asked for in a MAX_PATH buffer is cut.
  namespace fs = std::filesystem;
  const TemporaryFolder Top("vexmor-wine");
  const std::string Folder =
      Top.Path + "/" + std::string(120, 'd') + "/" + std::string(120, 'e');
  fs::create_directories(Folder);
  const std::string LongSeam = Folder + "/" + FileName(Seam);
  const std::string LongVexmor = Folder + "/" + FileName(Vexmor);
  fs::copy_file(Seam, LongSeam);
  fs::copy_file(Vexmor, LongVexmor);
  ASSERT_GT(WindowsPath(LongSeam).size(), 260u);

  // The real program: the report names vexmor.exe.
  const ChildResult Full =
      RunChild(WineOptions({LongVexmor}, OutputTarget::DevFull));
  EXPECT_EQ(Full.Stdout, "");
  ExpectReport(Full, Vexmor, "EInOutError", "I/O error 112.",
               "vexmor::WriteBanner()");

  // The seam with a language file found by the same long path: English is
  // ENU.
  fs::copy_file(VEXMOR_WINDOWS_MARKED_MESSAGES, Folder + "/vexmor-seam.ENU");
  const ChildResult Run = RunChild(WineOptions({LongSeam, "0"}));
  const std::string MarkPattern = "\\[\x9A"
                                  "bersetzt\\] ";
  EXPECT_EQ(Run.Stdout, StartUpLines);
  EXPECT_EQ(Run.ExitCode, 1);
  std::smatch Match;
  const std::regex Report(MarkPattern +
                          "Exception EZeroDivide in module "
                          "vexmor-seam\\.exe at ([0-9A-F]{8})\\.\r\n" +
                          MarkPattern +
                          "Floating point division by zero\\.\r\n\r\n");
  ASSERT_TRUE(std::regex_match(Run.Stderr, Match, Report)) << Run.Stderr;
  const auto Range =
      FindImageFunction(VEXMOR_MINGW_NM, Seam, "vexmor::AverageFigure(");
  ASSERT_TRUE(Range);
  EXPECT_TRUE(Range->Contains(std::stoull(Match[1], nullptr, 16))) << Match[1];
}

TEST(WineEndToEndTest, FpuMaskValueReplacesTheMasksOnQualifyingMachines) {
  // The seam stands in for the keyboard type (Wine's own is 4). Where the
  // value is read, 0x3F masks a zero divide: the pass of 0 prints infinity
  // and the next pass's fault ends the run. Elsewhere the pass of 0 traps.
  const std::string Key = "HKLM\\Software\\Vexmor";
  const struct {
    const char *Keyboard;
    const char *Type;
    const char *Data;
    bool Read;
  } Cases[] = {
      {nullptr, "REG_DWORD", "0x3F", false},
      {"7:0D01", "REG_DWORD", "0x3F", true},
      {"7:04FF", "REG_DWORD", "0x3F", true},
      {"7:0101", "REG_DWORD", "0x3F", false},
      {"7:0E01", "REG_DWORD", "0x3F", false},
      {"4:0D01", "REG_DWORD", "0x3F", false},
      // Only the low six bits count: zero divide unmasked.
      {"7:0D01", "REG_DWORD", "0xFFFFFF3B", false},
      {"7:0D01", "REG_BINARY", "3f000000", true},
      {"7:0D01", "REG_BINARY", "3f00000000000000", false},
      {"7:0D01", "REG_BINARY", "3f00", false},
      // Four bytes, 0x3F each, but not a number.
      {"7:0D01", "REG_SZ", "???", false},
      {"7:0D01", nullptr, nullptr, false},
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE(std::string(Case.Keyboard ? Case.Keyboard : "Wine's") + " " +
                 (Case.Type ? Case.Type : "no value") + " " +
                 (Case.Data ? Case.Data : ""));
    if (Case.Type) {
      const ChildResult Added =
          RunChild(WineOptions({"reg", "add", Key, "/v", "FPUMaskValue", "/t",
                                Case.Type, "/d", Case.Data, "/f"}));
      ASSERT_EQ(Added.ExitCode, 0) << Added.Stdout << Added.Stderr;
    }
    std::vector<std::string> Program = {Seam};
    if (Case.Keyboard)
      Program.push_back(std::string("--keyboard=") + Case.Keyboard);
    Program.insert(Program.end(), {"0", "segv-read"});
    const ChildResult Run = RunChild(WineOptions(Program));
    RunChild(WineOptions({"reg", "delete", Key, "/v", "FPUMaskValue", "/f"}));
    if (Case.Read) {
      EXPECT_EQ(Run.Stdout,
                StartUpLines + "Current: INF Inst_takt: INFcycl 6   \r");
      const auto Parsed = ParseReport(Run.Stderr);
      ASSERT_TRUE(Parsed) << Run.Stderr;
      ExpectReport(Run, Seam, "EAccessViolation", Parsed->Message,
                   "vexmor::seam::(anonymous namespace)::RunFault(");
    } else {
      EXPECT_EQ(Run.Stdout, StartUpLines);
      ExpectReport(Run, Seam, "EZeroDivide", "Floating point division by zero.",
                   "vexmor::AverageFigure(");
    }
  }
}

TEST(WineEndToEndTest, AMalformedLanguageFileNeverStopsTheReport) {
  // Each file lies beside both programs as their English language file
  // (ENU). Where it holds no usable text, the built-in text is reported.
  const std::string Marked = ReadWholeFile(VEXMOR_WINDOWS_MARKED_MESSAGES);
  ASSERT_GT(Marked.size(), 1024u);
  const std::string MarkPattern = "\\[\x9A"
                                  "bersetzt\\] ";
  const struct {
    const char *Name;
    std::string Bytes;
    bool MarkedTemplate;
    std::string IoErrorMessage;
  } Cases[] = {
      {"empty", "", false, "I/O error 112\\."},
      {"not a DLL", "This is not a DLL.\r\n", false, "I/O error 112\\."},
      {"cut inside the headers", Marked.substr(0, 300), false,
       "I/O error 112\\."},
      // The template lies in the first half, the other texts past the cut.
      {"cut in half", Marked.substr(0, Marked.size() / 2), true,
       "I/O error 112\\."},
      {"no string table", ReadWholeFile(VEXMOR_WINDOWS_NO_STRING_TABLE), false,
       "I/O error 112\\."},
      // The template and the I/O error text are the file's; the zero divide
      // text is missing from it. The I/O error text's second and third
      // placeholders have no argument, %q is no placeholder, and the
      // trailing % stands as it is.
      {"some texts missing", ReadWholeFile(VEXMOR_WINDOWS_PARTIAL_MESSAGES),
       true, MarkPattern + "I/O error 112   %q %\\."},
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE(Case.Name);
    const TemporaryFolder Folder("vexmor-wine");
    const std::string Program = Folder.Path + "/" + FileName(Seam);
    const std::string Real = Folder.Path + "/" + FileName(Vexmor);
    std::filesystem::copy_file(Seam, Program);
    std::filesystem::copy_file(Vexmor, Real);
    for (const char *Name : {"/vexmor-seam.ENU", "/vexmor.ENU"})
      std::ofstream(Folder.Path + Name, std::ios::binary) << Case.Bytes;
    const std::string Template = Case.MarkedTemplate ? MarkPattern : "";

    const ChildResult Zero = RunChild(WineOptions({Program, "0"}));
    EXPECT_EQ(Zero.Stdout, StartUpLines);
    EXPECT_EQ(Zero.ExitCode, 1);
    const std::regex ZeroReport(
        Template +
        "Exception EZeroDivide in module vexmor-seam\\.exe at [0-9A-F]{8}"
        "\\.\r\nFloating point division by zero\\.\r\n\r\n");
    EXPECT_TRUE(std::regex_match(Zero.Stderr, ZeroReport)) << Zero.Stderr;

    const ChildResult Full =
        RunChild(WineOptions({Real}, OutputTarget::DevFull));
    EXPECT_EQ(Full.Stdout, "");
    EXPECT_EQ(Full.ExitCode, 1);
    const std::regex FullReport(
        Template +
        "Exception EInOutError in module vexmor\\.exe at [0-9A-F]{8}\\.\r\n" +
        Case.IoErrorMessage + "\r\n\r\n");
    EXPECT_TRUE(std::regex_match(Full.Stderr, FullReport)) << Full.Stderr;
  }
}

TEST(WineEndToEndTest, AnOverrideInTheRegistryNamesTheLanguageFile) {
  // The value named by the executable's path, under the first locale
  // override key.
  const SeamWithLanguageFile Copy("XYZ");
  const std::string Key = "HKCU\\Software\\Vexmor\\Locales";
  const std::string Value = WindowsPath(Copy.Program);
  const ChildResult Added = RunChild(WineOptions(
      {"reg", "add", Key, "/v", Value, "/t", "REG_SZ", "/d", "XYZ", "/f"}));
  ASSERT_EQ(Added.ExitCode, 0) << Added.Stdout << Added.Stderr;
  const ChildResult Run = RunChild(WineOptions({Copy.Program, "0"}));
  RunChild(WineOptions({"reg", "delete", Key, "/v", Value, "/f"}));
  EXPECT_EQ(Run.Stdout, StartUpLines);
  // In an English locale the console's code page is 437, where Ü is 0x9A
  // as well.
  EXPECT_EQ(Run.Stderr.substr(0, Mark.size()), Mark) << Run.Stderr;
  EXPECT_EQ(Run.ExitCode, 1);
}

} // namespace
} // namespace vexmor::test
