//===- tests/frame/failure_report_test.cpp - Composing the reports --------===//

#include "frame/failure_report.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace vexmor {
namespace {

std::string Composed(const char *ClassName, const FailureLocation &Where,
                     const std::string &Message) {
  char Out[FailureReportSize];
  const std::size_t Length =
      ComposeFailureReport(Out, ClassName, Where, Message);
  return std::string(Out, Length);
}

TEST(FailureReportTest, ReportNamesClassModuleOffsetAndMessage) {
  EXPECT_EQ(Composed("EZeroDivide", {"vexmor", 0x11D0},
                     "Floating point division by zero"),
            "Exception EZeroDivide in module vexmor at 000011D0.\r\n"
            "Floating point division by zero.\r\n");
  // No stop is added to a message that has one, or to an empty one.
  EXPECT_EQ(Composed("Exception", {"m", 0xFFFFFFFF}, "Done."),
            "Exception Exception in module m at FFFFFFFF.\r\nDone.\r\n");
  EXPECT_EQ(Composed("Exception", {"m", 0}, ""),
            "Exception Exception in module m at 00000000.\r\n\r\n");
}

TEST(FailureReportTest, ALongReportIsCutAt1023Characters) {
  const std::string Report =
      Composed("EInOutError", {"vexmor", 1}, std::string(5000, 'm'));
  EXPECT_EQ(Report.size(), FailureReportSize - 1);
  EXPECT_EQ(Report.back(), 'm');
}

TEST(FailureReportTest, TheOffsetIsTakenFromTheModuleOrFromTheProgramLess4096) {
  EXPECT_EQ(
      LocateFailure(0x5555'0000'11D0, "vexmor", 0x5555'0000'0000, true).Offset,
      0x11D0u);
  EXPECT_EQ(LocateFailure(0x401234, "vexmor", 0, true).Offset, 0x401234u);
  // In no module: the address less 4096, but 0 stays 0.
  EXPECT_EQ(LocateFailure(0x5000, "vexmor", 0x5555'0000'0000, false).Offset,
            0x4000u);
  EXPECT_EQ(LocateFailure(0, "vexmor", 0x5555'0000'0000, false).Offset, 0u);
}

TEST(FailureReportTest, RuntimeErrorLineEndsTheNumberInThe17thCharacter) {
  const struct {
    std::uint32_t Number;
    std::uintptr_t Address;
    std::string Expected; // without the zero byte
  } Cases[] = {
      {217, 0x00401234, "Runtime error 217 at 00401234"},
      {5, 0, "Runtime error   5 at 00000000"},
      {42, 0xABCDEF, "Runtime error  42 at 00ABCDEF"},
      {255, 0x7FFF12345678, "Runtime error 255 at 7FFF12345678"},
      // The field holds three digits: a wider number keeps its last three.
      {1005, 0x10, "Runtime error 005 at 00000010"},
      {123456, 0xFFFFFFFFFFFFFFFF, "Runtime error 456 at FFFFFFFFFFFFFFFF"},
  };
  for (const auto &Case : Cases) {
    char Line[48];
    const std::size_t Length =
        ComposeRuntimeErrorLine(Line, Case.Number, Case.Address);
    EXPECT_EQ(std::string(Line, Length), Case.Expected + '\0');
  }
}

} // namespace
} // namespace vexmor
