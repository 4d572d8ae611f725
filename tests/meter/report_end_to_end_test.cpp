//===- tests/meter/report_end_to_end_test.cpp - vexmor's output as written ===//
//
// Runs the real program on a pipe, into a file and on a terminal, and the
// test seam where a real pass would make a test slow or timing-dependent.
//
//===----------------------------------------------------------------------===//

#include "support/child_process.h"
#include "support/report_checks.h"
#include "support/report_patterns.h"

#include <gtest/gtest.h>

#include <csignal>
#include <regex>
#include <string>

namespace vexmor::test {
namespace {

TEST(ReportEndToEndTest, RedirectedOutputArrivesInWholeBlocksUntilInterrupted) {
  for (OutputTarget Target : {OutputTarget::Pipe, OutputTarget::File}) {
    SCOPED_TRACE(Target == OutputTarget::Pipe ? "pipe" : "file");
    ChildOptions Options;
    Options.Args = {VEXMOR_BINARY};
    Options.Stdout = Target;
    Options.Watch = SignalAfterOutput(256, SIGINT);
    Options.Awaiting = "256 bytes of output, then the end after SIGINT";
    const ChildResult Run = RunChild(Options);
    EXPECT_EQ(Run.Signal, SIGINT);
    EXPECT_EQ(Run.Stderr, "");
    ASSERT_GE(Run.Stdout.size(), 256u);
    EXPECT_EQ(Run.Stdout.size() % 128, 0u);
    ExpectWellFormed(Run.Stdout, /*LastMayBePartial=*/true);
  }
}

TEST(ReportEndToEndTest, ATerminalGetsEachStatementAsItIsMade) {
  // The seam waits inside the first and second passes until the test has
  // seen what came before.
  ChildOptions Options;
  Options.Args = {VEXMOR_SEAM_BINARY, "--correction=-3", "wait:200000000",
                  "wait:300000000", "0"};
  Options.Stdout = OutputTarget::Terminal;
  Options.HoldStdin = true;
  Options.Awaiting = "the start-up lines, then the first status line, each "
                     "before the pass after it may start";
  std::vector<std::string> Seen;
  Options.Watch = [&](ChildControl &Child) {
    const std::string &Out = Child.Output();
    const bool StartUpDone = StartUpLinesEnd(Out) != std::string::npos;
    if (Seen.empty() && StartUpDone) {
      Seen.push_back(Out);
      Child.Feed("x");
    } else if (Seen.size() == 1 && Out.back() == '\r') {
      Seen.push_back(Out);
      Child.Feed("x");
    }
  };
  const ChildResult Run = RunChild(Options);
  ASSERT_EQ(Seen.size(), 2u) << Run.Stdout;
  EXPECT_EQ(Seen[0], BannerBytes + "Correction: -3\r\n");
  EXPECT_EQ(Seen[1], Seen[0] + "Current: 3 Inst_takt: 3cycl 6   \r");
  EXPECT_EQ(Run.Stdout, Seen[1] + "Current: 2 Inst_takt: 2.4cycl 6   \r");
}

TEST(ReportEndToEndTest, SeamPassesGiveExactStatusLines) {
  ChildOptions Options;
  Options.Args = {VEXMOR_SEAM_BINARY, "200000001", "-600000000", "1"};
  Options.Stdout = OutputTarget::Terminal;
  const ChildResult Run = RunChild(Options);
  EXPECT_EQ(Run.Stdout, BannerBytes + "Correction: 0\r\n" +
                            "Current: 2.999999985 Inst_takt: 2.999999985"
                            "cycl 6   \r"
                            "Current: -1 Inst_takt: -3.0000000075cycl 6   \r"
                            "Current: 600000000 Inst_takt: -4.5000000225"
                            "cycl 6   \r");
}

} // namespace
} // namespace vexmor::test
