//===- tests/frame/failure_end_to_end_test.cpp - How the program ends ----===//
//
// Every way the program can end, seen from outside: the exact bytes on
// standard output and standard error and the exit status. Processor faults,
// zero divisors and running out of memory are brought about through the
// test seam.
//
//===----------------------------------------------------------------------===//

#include "support/child_process.h"
#include "support/fault_cases.h"
#include "support/report_patterns.h"
#include "support/symbols.h"
#include "support/temporary_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <regex>
#include <string>

namespace vexmor::test {
namespace {

std::string FileName(const std::string &Path) {
  return Path.substr(Path.rfind('/') + 1);
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
  const auto Range = FindFunction(Binary, Function);
  ASSERT_TRUE(Range) << Function << " not found in " << Binary;
  EXPECT_TRUE(Range->Contains(Parsed->Offset))
      << std::hex << Parsed->Offset << " is not in " << Function;
}

ChildResult RunSeam(std::vector<std::string> Passes,
                    OutputTarget Target = OutputTarget::Pipe) {
  ChildOptions Options;
  Options.Args = {VEXMOR_SEAM_BINARY};
  Options.Args.insert(Options.Args.end(), Passes.begin(), Passes.end());
  Options.Stdout = Target;
  return RunChild(Options);
}

const std::string StartUpLines = BannerBytes + "Correction: 0\r\n";

TEST(FailureEndToEndTest, UnusableStandardOutputEndsWithAnOutputError) {
  const struct {
    OutputTarget Target;
    const char *Message;
    const char *Function;
    std::vector<int> Blocked = {};
  } Cases[] = {
      {OutputTarget::Closed, "I/O error 105.", "vexmor::WriteBanner()"},
      {OutputTarget::DevFull, "I/O error 28.", "vexmor::WriteBanner()"},
      // The status line's trailer is still held after its block failed, so
      // the report's own hand-over fails too and replaces the first report.
      {OutputTarget::ReaderGone, "I/O error 32.", "vexmor::FailureReport("},
      // Started with SIGPIPE blocked, the same: the write's own signal is
      // taken whatever the mask.
      {OutputTarget::ReaderGone,
       "I/O error 32.",
       "vexmor::FailureReport(",
       {SIGPIPE}},
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE(Case.Message);
    ChildOptions Options;
    Options.Args = {VEXMOR_BINARY};
    Options.Stdout = Case.Target;
    Options.BlockedSignals = Case.Blocked;
    const ChildResult Run = RunChild(Options);
    EXPECT_EQ(Run.Stdout, "");
    ExpectReport(Run, VEXMOR_BINARY, "EInOutError", Case.Message,
                 Case.Function);
  }
}

TEST(FailureEndToEndTest, AZeroDivisorEndsWithoutAStatusLineForItsPass) {
  // The average is worked out first: a first pass of 0, or passes adding up
  // to 0, trap there; a later pass of 0 in the current figure.
  const struct {
    std::vector<std::string> Passes;
    std::string StatusLines;
    const char *Function;
  } Cases[] = {
      {{"0"}, "", "vexmor::AverageFigure("},
      {{"200000000", "0"},
       "Current: 3 Inst_takt: 3cycl 6   \r",
       "vexmor::CurrentFigure("},
      {{"100", "-100"},
       "Current: 6000000 Inst_takt: 6000000cycl 6   \r",
       "vexmor::AverageFigure("},
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE(Case.Passes.size());
    for (OutputTarget Target : {OutputTarget::Pipe, OutputTarget::File}) {
      const ChildResult Run = RunSeam(Case.Passes, Target);
      // The bytes held when the failure came reach standard output.
      EXPECT_EQ(Run.Stdout, StartUpLines + Case.StatusLines);
      ExpectReport(Run, VEXMOR_SEAM_BINARY, "EZeroDivide",
                   "Floating point division by zero.", Case.Function);
    }
  }
}

TEST(FailureEndToEndTest, HeldOutputReachesTheSystemBeforeTheReport) {
  ChildOptions Options;
  Options.Args = {VEXMOR_SEAM_BINARY, "200000000", "0"};
  Options.StderrToStdout = true;
  const ChildResult Run = RunChild(Options);
  EXPECT_EQ(Run.ExitCode, 1);
  const std::string Held = StartUpLines + "Current: 3 Inst_takt: 3cycl 6   \r";
  ASSERT_EQ(Run.Stdout.compare(0, Held.size(), Held), 0) << Run.Stdout;
  EXPECT_TRUE(ParseReport(Run.Stdout.substr(Held.size()))) << Run.Stdout;
}

TEST(FailureEndToEndTest, ProcessorFaultsBecomeTheirClassesReports) {
  for (const FaultCase &Case :
       FaultCases(FileName(VEXMOR_SEAM_BINARY), "[0-9A-F]{8,16}",
                  "vexmor::seam::(anonymous namespace)::Recurse(")) {
    SCOPED_TRACE(Case.Pass);
    const ChildResult Run = RunSeam({PassBeforeTheFault, Case.Pass});
    EXPECT_EQ(Run.Stdout, StartUpLines + StatusLineBeforeTheFault);
    const auto Parsed = ParseReport(Run.Stderr);
    ASSERT_TRUE(Parsed) << Run.Stderr;
    EXPECT_TRUE(
        std::regex_match(Parsed->Message, std::regex(Case.MessagePattern)))
        << Parsed->Message;
    ExpectReport(Run, VEXMOR_SEAM_BINARY, Case.ClassName, Parsed->Message,
                 Case.Function);
  }
}

// A parent may start the program with the fault signals blocked or ignored
// (both are inherited across exec); a blocked or ignored fault would kill
// the process silently.
struct InheritedSignals {
  const char *What;
  std::vector<int> Blocked;
  std::vector<int> Ignored;
};

const std::vector<int> FaultSignals = {SIGSEGV, SIGFPE, SIGILL, SIGBUS};

const InheritedSignals InheritedSettings[] = {
    {"as the system sets them", {}, {}},
    {"blocked", FaultSignals, {}},
    {"ignored", {}, FaultSignals},
    {"blocked and ignored", FaultSignals, FaultSignals},
};

TEST(FailureEndToEndTest, FaultsAreReportedWhateverSignalSettingsAreInherited) {
  const std::string Fault = "vexmor::seam::(anonymous namespace)::RunFault(";
  const FaultCase Cases[] = {
      {"0", "EZeroDivide", "Floating point division by zero\\.",
       "vexmor::AverageFigure("},
      {"segv-read", "EAccessViolation",
       "Access violation at address [0-9A-F]{8,16} in module "
       "'vexmor-seam'\\. Read of address 00000010\\.",
       Fault},
      {"illegal", "EExternalException", "External exception 40002\\.", Fault},
      {"bus", "EExternalException", "External exception 70002\\.",
       "vexmor::seam::(anonymous namespace)::ReadPastEndOfFile("},
  };
  for (const InheritedSignals &Setting : InheritedSettings) {
    for (const auto &Case : Cases) {
      SCOPED_TRACE(std::string(Case.Pass) + ", fault signals " + Setting.What);
      ChildOptions Options;
      Options.Args = {VEXMOR_SEAM_BINARY, Case.Pass};
      Options.BlockedSignals = Setting.Blocked;
      Options.IgnoredSignals = Setting.Ignored;
      const ChildResult Run = RunChild(Options);
      EXPECT_EQ(Run.Stdout, StartUpLines);
      const auto Parsed = ParseReport(Run.Stderr);
      ASSERT_TRUE(Parsed) << "signal " << Run.Signal << ", stderr "
                          << Run.Stderr;
      EXPECT_TRUE(
          std::regex_match(Parsed->Message, std::regex(Case.MessagePattern)))
          << Parsed->Message;
      ExpectReport(Run, VEXMOR_SEAM_BINARY, Case.ClassName, Parsed->Message,
                   Case.Function);
    }
  }
}

TEST(FailureEndToEndTest, AReportNamesTheExecutableAfterItsFileIsRemoved) {
  TemporaryFolder Folder("vexmor-deleted");
  ASSERT_FALSE(Folder.Path.empty());
  const std::string Gone = Folder.Path + "/gone";
  std::filesystem::copy_file(VEXMOR_SEAM_BINARY, Gone);
  // The seam waits in its first pass until the file is gone; the second
  // pass divides by zero.
  ChildOptions Options;
  Options.Args = {Gone, "wait:200000000", "0"};
  Options.Stdout = OutputTarget::Terminal;
  Options.HoldStdin = true;
  Options.Deadline = std::chrono::seconds(10);
  bool Removed = false;
  Options.Watch = [&](ChildControl &Child) {
    if (!Removed && StartUpLinesEnd(Child.Output()) != std::string::npos) {
      Removed = std::filesystem::remove(Gone);
      Child.Feed("x");
    }
  };
  const ChildResult Run = RunChild(Options);
  ASSERT_TRUE(Removed) << "the start-up lines never came: " << Run.Stdout;
  EXPECT_EQ(Run.Stdout, StartUpLines + "Current: 3 Inst_takt: 3cycl 6   \r");
  EXPECT_EQ(Run.ExitCode, 1);
  const auto Parsed = ParseReport(Run.Stderr);
  ASSERT_TRUE(Parsed) << Run.Stderr;
  EXPECT_EQ(Parsed->Module, "gone");
  EXPECT_EQ(Parsed->ClassName, "EZeroDivide");
}

TEST(FailureEndToEndTest, AFileNamedLikeARemovedOneKeepsItsWholeName) {
  TemporaryFolder Folder("vexmor-deleted");
  ASSERT_FALSE(Folder.Path.empty());
  const std::string Kept = Folder.Path + "/kept (deleted)";
  std::filesystem::copy_file(VEXMOR_SEAM_BINARY, Kept);
  const ChildResult Run = RunChild({Kept, "0"});
  EXPECT_EQ(Run.ExitCode, 1);
  EXPECT_EQ(Run.Stdout, StartUpLines);
  static const std::regex Report("Exception EZeroDivide in module kept "
                                 "\\(deleted\\) at [0-9A-F]{8}\\.\r\n"
                                 "Floating point division by zero\\.\r\n\r\n");
  EXPECT_TRUE(std::regex_match(Run.Stderr, Report)) << Run.Stderr;
}

TEST(FailureEndToEndTest, RunningOutOfMemoryRaisesTheObjectMadeInAdvance) {
  const ChildResult Run = RunSeam({"oom:200000001"});
  EXPECT_EQ(Run.Stdout, StartUpLines);
  ExpectReport(Run, VEXMOR_SEAM_BINARY, "EOutOfMemory", "Out of memory.",
               "operator new(");
}

TEST(FailureEndToEndTest, ARealAllocationFailureNamesTheProgram) {
  // The real program and its own operator new over a C library allocator
  // that fails once the banner is out: the first pass's figures cannot be
  // made. The C++ runtime is part of the program, so the report names it.
  ChildOptions Options;
  Options.Args = {VEXMOR_BINARY};
  Options.Stdout = OutputTarget::Terminal;
  Options.AllocationsAfterOutput = 0;
  const ChildResult Run = RunChild(Options);
  EXPECT_EQ(StartUpLinesEnd(Run.Stdout), Run.Stdout.size()) << Run.Stdout;
  ExpectReport(Run, VEXMOR_BINARY, "EOutOfMemory", "Out of memory.",
               "operator new(unsigned long)");
}

TEST(FailureEndToEndTest, AFailedHandOverInTheReportReplacesTheReport) {
  // Zero divisor first; the report's hand-over of the held start-up lines
  // then fails, and only that failure is reported.
  const ChildResult Run = RunSeam({"0"}, OutputTarget::ReaderGone);
  ExpectReport(Run, VEXMOR_SEAM_BINARY, "EInOutError", "I/O error 32.",
               "vexmor::FailureReport(");
}

TEST(FailureEndToEndTest, AStartUpFailureEndsWithTheRuntimeErrorLine) {
  for (const InheritedSignals &Setting : InheritedSettings) {
    SCOPED_TRACE(std::string("fault signals ") + Setting.What);
    ChildOptions Options;
    Options.Args = {VEXMOR_BINARY};
    Options.DisableTimeStampCounter = true;
    Options.BlockedSignals = Setting.Blocked;
    Options.IgnoredSignals = Setting.Ignored;
    const ChildResult Run = RunChild(Options);
    EXPECT_EQ(Run.Stderr, "");
    EXPECT_EQ(Run.Signal, 0);
    // A privileged instruction while calibrating: runtime error 218.
    EXPECT_EQ(Run.ExitCode, 218);
    static const std::regex Line(
        std::string("Runtime error 218 at [0-9A-F]{8,16}") + '\0' + "\r\n");
    EXPECT_TRUE(std::regex_match(Run.Stdout, Line)) << Run.Stdout;
  }
}

TEST(FailureEndToEndTest, SignalsFromOutsideEndTheProcessSilently) {
  // SIGPIPE too: only the one the program's own write raises is an
  // output error.
  for (int Signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
    SCOPED_TRACE(Signal);
    ChildOptions Options;
    Options.Args = {VEXMOR_BINARY};
    Options.Stdout = OutputTarget::Terminal;
    Options.Watch = SignalAfterOutput(1, Signal);
    Options.Awaiting = "output on the terminal, then the end by the signal";
    const ChildResult Run = RunChild(Options);
    EXPECT_EQ(Run.Signal, Signal);
    EXPECT_EQ(Run.Stderr, "");
  }
}

} // namespace
} // namespace vexmor::test
