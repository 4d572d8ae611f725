//===- tests/timer/amd_rdtsc_test.cpp - The timer unit's arithmetic ===//
//
// The timer unit is built here over a scripted counter: each read takes the
// next value queued by the test, so calibration sums and differences are
// chosen exactly.
//
//===----------------------------------------------------------------------===//

#include "timer/amd_rdtsc.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <deque>
#include <limits>

namespace vexmor {
namespace {

std::deque<std::int64_t> QueuedReads;
int ReadsTaken = 0;

} // namespace

std::int64_t ScriptedCounterRead() {
  ++ReadsTaken;
  if (QueuedReads.empty())
    return 0;
  const std::int64_t Value = QueuedReads.front();
  QueuedReads.pop_front();
  return Value;
}

namespace {

constexpr std::int64_t Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t Min = std::numeric_limits<std::int64_t>::min();

class TimerTest : public testing::Test {
protected:
  void SetUp() override {
    QueuedReads.clear();
    ReadsTaken = 0;
    Correction = 0;
  }

  /// Queues the reads of `CalibrationPasses` pairs whose distances add up to
  /// Sum: every pair but the last is Each ticks apart.
  static void QueueCalibration(std::int64_t Each, std::int64_t Sum) {
    std::int64_t Last = Sum;
    for (std::int64_t Pair = 0; Pair + 1 < CalibrationPasses; ++Pair) {
      QueuedReads.push_back(Pair * 100);
      QueuedReads.push_back(Pair * 100 + Each);
      Last -= Each;
    }
    QueuedReads.push_back(500);
    QueuedReads.push_back(500 + Last);
  }
};

struct CalibrationCase {
  std::int64_t Each;
  std::int64_t Sum;
  std::int64_t ExpectedCorrection;
};

TEST_F(TimerTest, CalibrationAveragesTruncatingTowardZero) {
  const CalibrationCase Cases[] = {
      {34, 33999, 33}, // 33.999 is truncated, not rounded up
      {-1, -1500, -1}, // -1.5 goes toward zero
      {0, -999, 0},    // -0.999 gives 0
      {1, 1000, 1},    // an exact multiple
      {25, 25000, 25}, // a realistic machine
      {0, 0, 0},
  };
  for (const CalibrationCase &Case : Cases) {
    SCOPED_TRACE(Case.Sum);
    SetUp();
    Correction = 77; // calibration starts from 0, whatever was there
    QueueCalibration(Case.Each, Case.Sum);
    CalibrateTimer();
    EXPECT_EQ(ReadsTaken, 2 * CalibrationPasses);
    EXPECT_EQ(CalibrationSum, Case.Sum);
    EXPECT_EQ(Correction, Case.ExpectedCorrection);
  }
}

TEST_F(TimerTest, CalibrationSumWrapsInsteadOfOverflowing) {
  // Two pairs of Max ticks (the rest 0) wrap to -2; -2 / 1000 is 0.
  for (std::int64_t Pair = 0; Pair < CalibrationPasses; ++Pair) {
    QueuedReads.push_back(0);
    QueuedReads.push_back(Pair < 2 ? Max : 0);
  }
  CalibrateTimer();
  EXPECT_EQ(CalibrationSum, -2);
  EXPECT_EQ(Correction, 0);
}

struct StopCase {
  std::int64_t Start;
  std::int64_t Stop;
  std::int64_t Corr;
  std::int64_t Expected;
};

TEST_F(TimerTest, StopReturnsWrappingDifferenceLessCorrectionUnclamped) {
  const StopCase Cases[] = {
      {1000, 1500, 20, 480},
      {1000, 1010, 20, -10},  // shorter than the correction
      {5000, 4000, 0, -1000}, // counter went backwards
      {Min, Max, 0, -1},      // Max - Min wraps to -1
      {Max, Min, 0, 1},       // Min - Max wraps to 1
      {-1, Max, -1, Min + 1}, // wraps twice
      {0, Min, 1, Max},       // Min - 1 wraps to Max
  };
  for (const StopCase &Case : Cases) {
    SCOPED_TRACE(testing::Message() << Case.Start << " .. " << Case.Stop);
    Correction = Case.Corr;
    QueuedReads = {Case.Start, Case.Stop};
    TimerStart();
    EXPECT_EQ(StartStamp, Case.Start);
    EXPECT_EQ(TimerStop(), Case.Expected);
    EXPECT_EQ(StopStamp, Case.Stop);
  }
}

TEST_F(TimerTest, StopWithoutStartMeasuresFromThePreviousStart) {
  Correction = 3;
  QueuedReads = {100, 150, 400};
  TimerStart();
  EXPECT_EQ(TimerStop(), 47);
  EXPECT_EQ(TimerStop(), 297);
}

// A fresh process: the death-test child is started anew, so its stamps are
// those the program is loaded with.
TEST(TimerFreshProcessTest, StopBeforeAnyStartMeasuresFromZero) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        const bool Loaded = StartStamp == 0 && StopStamp == 0 &&
                            Correction == 0 && CalibrationSum == 0;
        QueuedReads = {123456};
        const bool Measured = TimerStop() == 123456 && StopStamp == 123456;
        std::exit(Loaded && Measured ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace vexmor
