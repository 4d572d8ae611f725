//===- tests/meter/zero_divisor_test.cpp - A zero count traps -----------===//
//
// Runs the whole program through the test seam on chosen corrected counts:
// a pass whose divisor is zero must end the program before its figure is
// stored, so no status line is written for it.
//
//===----------------------------------------------------------------------===//

#include "seam/pass_script.h"
#include "support/child_process.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

namespace vexmor::test {
namespace {

std::vector<std::string> Seam(std::vector<std::string> Passes) {
  Passes.insert(Passes.begin(), VEXMOR_SEAM_BINARY);
  return Passes;
}

int CountOf(const std::string &Text, const std::string &Piece) {
  int Count = 0;
  for (auto At = Text.find(Piece); At != std::string::npos;
       At = Text.find(Piece, At + 1))
    ++Count;
  return Count;
}

struct TrapCase {
  const char *Name;
  std::vector<std::string> Passes;
  int StatusLines;
};

TEST(ZeroDivisorTest, APassWithAZeroDivisorEndsTheProgramWithoutItsLine) {
  const TrapCase Cases[] = {
      {"first pass of zero", {"0"}, 0},
      {"later pass of zero", {"200000000", "300000000", "0"}, 2},
      {"passes adding up to zero", {"100", "-100"}, 1},
      {"negative passes adding up to zero", {"-5", "2", "3"}, 2},
  };
  for (const TrapCase &Case : Cases) {
    SCOPED_TRACE(Case.Name);
    const ChildResult Run = RunChild(Seam(Case.Passes));
    EXPECT_EQ(Run.Signal, SIGFPE);
    EXPECT_EQ(Run.Stdout.rfind("Vexmor v1.0", 0), 0u) << Run.Stdout;
    EXPECT_EQ(CountOf(Run.Stdout, "Correction: "), 1) << Run.Stdout;
    EXPECT_EQ(CountOf(Run.Stdout, "Current: "), Case.StatusLines)
        << Run.Stdout;
  }
}

TEST(ZeroDivisorTest, NonZeroPassesRunUntilTheScriptEnds) {
  const ChildResult Run = RunChild(
      Seam({"--correction=-7", "200000000", "-600000000", "1"}));
  EXPECT_EQ(Run.ExitCode, seam::SeamScriptEndStatus);
  EXPECT_EQ(Run.Signal, 0);
  EXPECT_EQ(CountOf(Run.Stdout, "Correction: -7\n"), 1) << Run.Stdout;
  EXPECT_EQ(CountOf(Run.Stdout, "Current: "), 3) << Run.Stdout;
}

} // namespace
} // namespace vexmor::test
