//===- tests/package/installed_package_test.cpp - The Debian package ----===//
//
// The package the build makes (a test fixture runs cpack first) is unpacked
// into a temporary root, and the program installed there is run far enough
// to show its banner.
//
//===----------------------------------------------------------------------===//

#include "support/child_process.h"
#include "support/report_patterns.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace vexmor::test {
namespace {

namespace fs = std::filesystem;

fs::path OnlyPackage() {
  fs::path Found;
  for (const auto &Entry : fs::directory_iterator(VEXMOR_PACKAGE_DIR))
    if (Entry.path().extension() == ".deb") {
      EXPECT_TRUE(Found.empty()) << "more than one package";
      Found = Entry.path();
    }
  return Found;
}

TEST(InstalledPackageTest, TheUnpackedProgramRunsAndItsManualIsThere) {
  const fs::path Package = OnlyPackage();
  ASSERT_FALSE(Package.empty()) << "no package in " << VEXMOR_PACKAGE_DIR;
  const fs::path Root =
      fs::temp_directory_path() / ("vexmor-root-" + std::to_string(getpid()));
  fs::remove_all(Root);
  const std::string Unpack =
      "dpkg-deb -x '" + Package.string() + "' '" + Root.string() + "'";
  ASSERT_EQ(std::system(Unpack.c_str()), 0) << Unpack;

  EXPECT_TRUE(fs::is_regular_file(Root / "usr/share/man/man1/vexmor.1.gz"));
  const fs::path Program = Root / "usr/bin/vexmor";
  ASSERT_TRUE(fs::is_regular_file(Program));

  ChildOptions Options;
  Options.Args = {Program.string()};
  Options.Watch = SignalAfterOutput(128, SIGINT);
  Options.Awaiting = "128 bytes of output, then the end after SIGINT";
  const ChildResult Run = RunChild(Options);
  EXPECT_EQ(Run.Signal, SIGINT);
  EXPECT_EQ(Run.Stdout.compare(0, BannerBytes.size(), BannerBytes), 0)
      << Run.Stdout;
  EXPECT_NE(StartUpLinesEnd(Run.Stdout), std::string::npos);
  fs::remove_all(Root);
}

TEST(InstalledPackageTest, ThePackageDescribesItself) {
  const fs::path Package = OnlyPackage();
  ASSERT_FALSE(Package.empty());
  const std::string Query = "dpkg-deb -f '" + Package.string() +
                            "' Package Version Depends > '" +
                            VEXMOR_PACKAGE_DIR + "/fields.txt'";
  ASSERT_EQ(std::system(Query.c_str()), 0);
  std::FILE *Fields = std::fopen(VEXMOR_PACKAGE_DIR "/fields.txt", "r");
  ASSERT_NE(Fields, nullptr);
  char Buffer[4096] = {};
  const std::size_t Got = std::fread(Buffer, 1, sizeof Buffer - 1, Fields);
  std::fclose(Fields);
  const std::string Text(Buffer, Got);
  EXPECT_NE(Text.find("Package: vexmor\n"), std::string::npos) << Text;
  EXPECT_NE(Text.find("Version: " VEXMOR_VERSION "\n"), std::string::npos)
      << Text;
  EXPECT_NE(Text.find("libc6"), std::string::npos) << Text;
}

} // namespace
} // namespace vexmor::test
