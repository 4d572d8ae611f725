//===- tests/meter/console_report_test.cpp - The statements' bytes -------===//

#include "meter/console_report.h"

#include "meter/number_text.h"
#include "meter/output_stream.h"
#include "recording_console.h"
#include "shared/exceptions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace vexmor {
namespace {

using test::Console;

class ConsoleReportTest : public testing::Test {
protected:
  void SetUp() override {
    OutputStream = OutputStreamState{};
    PendingIoError = 0;
    Console = test::RecordingConsole{};
  }
};

TEST_F(ConsoleReportTest, BannerIsTitleAndNoticeWithLfCrThenCrLf) {
  WriteBanner();
  ASSERT_EQ(Console.Writes.size(), 1u);
  const std::string &Bytes = Console.Writes[0];
  EXPECT_EQ(Bytes.substr(0, 13), "Vexmor v1.0\n\r");
  ASSERT_EQ(Bytes.size(), 17u + 12u);
  const std::string Notice = Bytes.substr(13, 12);
  for (char C : Notice)
    EXPECT_TRUE(C >= 0x20 && C < 0x7F) << "notice " << Notice;
  EXPECT_EQ(Bytes.substr(25), "\n\r\r\n");
}

TEST_F(ConsoleReportTest, CorrectionLineIsLabelSignedDigitsAndCrLf) {
  const struct {
    CycleCount Value;
    const char *Bytes;
  } Cases[] = {
      {0, "Correction: 0\r\n"},
      {28, "Correction: 28\r\n"},
      {-45, "Correction: -45\r\n"},
      {std::numeric_limits<CycleCount>::min(),
       "Correction: -9223372036854775808\r\n"},
  };
  for (const auto &Case : Cases) {
    SetUp();
    WriteCorrectionLine(Case.Value);
    ASSERT_EQ(Console.Writes.size(), 1u);
    EXPECT_EQ(Console.Writes[0], Case.Bytes);
  }
}

TEST_F(ConsoleReportTest, StatusLineEndsInThreeBlanksAndCrWithNoLineFeed) {
  std::string Line;
  ComposeStatusLine(Line, FloatToGeneralText(3.0, '.'),
                    FloatToGeneralText(2.9999981550011348, '.'));
  WriteStatusLine(Line);
  ASSERT_EQ(Console.Writes.size(), 1u);
  EXPECT_EQ(Console.Writes[0],
            "Current: 3 Inst_takt: 2.99999815500113cycl 6   \r");
}

TEST_F(ConsoleReportTest, ADecimalMarkAboveAsciiIsWrittenUnchanged) {
  const char Mark = '\xE9';
  std::string Line;
  ComposeStatusLine(Line, FloatToGeneralText(0.75, Mark),
                    FloatToGeneralText(-2.5, Mark));
  WriteStatusLine(Line);
  ASSERT_EQ(Console.Writes.size(), 1u);
  EXPECT_EQ(Console.Writes[0], "Current: 0\xE9"
                               "75 Inst_takt: -2\xE9"
                               "5cycl 6   \r");
}

TEST_F(ConsoleReportTest, ComposingReusesTheLinesStorage) {
  std::string Line;
  ComposeStatusLine(Line, "1.00000000000001", "1.00000000000001");
  const char *Storage = Line.data();
  ComposeStatusLine(Line, "3", "3");
  EXPECT_EQ(Line, "Current: 3 Inst_takt: 3cycl 6");
  EXPECT_EQ(Line.data(), Storage);
}

/// The address a statement's failure is raised with.
template <typename Statement> std::uintptr_t FailureAddressOf(Statement Run) {
  Console = test::RecordingConsole{};
  Console.WriteResults = {5};
  OutputStream = OutputStreamState{};
  try {
    Run();
  } catch (const EInOutError &Error) {
    EXPECT_EQ(Error.IoErrorCode, 5);
    EXPECT_EQ(Error.Message(), "File access denied");
    return Error.Address();
  }
  ADD_FAILURE() << "the statement raised nothing";
  return 0;
}

TEST_F(ConsoleReportTest, EachStatementFailsAtAnAddressOfItsOwn) {
  const auto Banner = FailureAddressOf([] { WriteBanner(); });
  const auto Correction = FailureAddressOf([] { WriteCorrectionLine(1); });
  const auto Status = FailureAddressOf([] { WriteStatusLine("x"); });
  const auto Inside = [](std::uintptr_t Address, void (*Function)()) {
    const auto Start = reinterpret_cast<std::uintptr_t>(Function);
    return Address > Start && Address - Start < 512;
  };
  EXPECT_TRUE(Inside(Banner, &WriteBanner));
  EXPECT_TRUE(
      Inside(Correction, reinterpret_cast<void (*)()>(&WriteCorrectionLine)));
  EXPECT_TRUE(Inside(Status, reinterpret_cast<void (*)()>(&WriteStatusLine)));
  EXPECT_NE(Banner, Correction);
  EXPECT_NE(Correction, Status);
}

TEST_F(ConsoleReportTest, AFailedBannerWriteIsRaisedByTheBannersCheck) {
  Console.WriteResults = {32};
  EXPECT_THROW(WriteBanner(), EInOutError);
  EXPECT_EQ(+PendingIoError, 0);
}

} // namespace
} // namespace vexmor
