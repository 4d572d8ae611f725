//===- tests/package/windows_archive_test.cpp - The Windows archive -------===//
//
// The ZIP archive the Windows build makes (a test fixture runs its cpack
// first) is unpacked into a temporary folder; what it holds must be usable
// there on its own: the program runs under Wine, and the texts beside it
// have Windows line ends.
//
//===----------------------------------------------------------------------===//

#include "support/child_process.h"
#include "support/report_patterns.h"
#include "support/temporary_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vexmor::test {
namespace {

namespace fs = std::filesystem;

/// Text with every line ended by CR LF instead of LF.
std::string WithCrLf(const std::string &Text) {
  std::string Out;
  for (char C : Text) {
    if (C == '\n')
      Out += '\r';
    Out += C;
  }
  return Out;
}

class WindowsArchiveTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_FALSE(Folder.Path.empty());
    const std::string Unpack = "cd '" + Folder.Path +
                               "' && '" VEXMOR_CMAKE
                               "' -E tar xf '" VEXMOR_WINDOWS_ARCHIVE "'";
    ASSERT_EQ(std::system(Unpack.c_str()), 0) << Unpack;
    Unpacked = fs::path(Folder.Path) / VEXMOR_WINDOWS_ARCHIVE_FOLDER;
  }

  TemporaryFolder Folder{"vexmor-archive"};
  fs::path Unpacked;
};

TEST_F(WindowsArchiveTest, HoldsTheProgramAndItsTextsOnly) {
  std::vector<std::string> Names;
  for (const auto &Entry : fs::directory_iterator(Unpacked))
    Names.push_back(Entry.path().filename().string());
  std::sort(Names.begin(), Names.end());
  EXPECT_EQ(Names, (std::vector<std::string>{"LICENSE.txt", "README.txt",
                                             "vexmor.exe"}));
}

TEST_F(WindowsArchiveTest, TheTextsHaveWindowsLineEnds) {
  const std::string Licence = ReadWholeFile(VEXMOR_SOURCE_LICENSE);
  ASSERT_FALSE(Licence.empty());
  EXPECT_EQ(ReadWholeFile(Unpacked / "LICENSE.txt"), WithCrLf(Licence));

  const std::string Readme = ReadWholeFile(Unpacked / "README.txt");
  ASSERT_FALSE(Readme.empty());
  EXPECT_EQ(Readme.substr(Readme.size() - 2), "\r\n");
  for (std::string::size_type At = Readme.find('\n'); At != std::string::npos;
       At = Readme.find('\n', At + 1))
    ASSERT_TRUE(At > 0 && Readme[At - 1] == '\r')
        << "a bare line feed at byte " << At;
}

TEST_F(WindowsArchiveTest, TheUnpackedProgramRunsUnderWine) {
  ChildOptions Options;
  Options.Args = {VEXMOR_WINE_RUN, (Unpacked / "vexmor.exe").string()};
  Options.Environment = {{"LC_ALL", "C.UTF-8"}};
  // On a pipe the first 128 bytes leave together; they hold the banner and
  // the correction line.
  Options.Watch = SignalAfterOutput(128, SIGTERM);
  const ChildResult Run = RunChild(Options);
  EXPECT_EQ(Run.Signal, SIGTERM)
      << "no 128 bytes of output; got: " << Run.Stdout << Run.Stderr;
  EXPECT_NE(StartUpLinesEnd(Run.Stdout), std::string::npos)
      << "no banner and correction line in: " << Run.Stdout;
  EXPECT_EQ(Run.Stderr, "");
}

} // namespace
} // namespace vexmor::test
