//===- tests/meter/ipc_figures_test.cpp - Instructions-per-tick figures ===//
//
// Expected figures were worked out in exact rational arithmetic: the quotient
// (and the mean, for the average) rounded to a 64-bit significand, ties to
// even, then to 53 bits.
//
//===----------------------------------------------------------------------===//

#include "meter/ipc_figures.h"
#include "x87/fpu_control.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <limits>

namespace vexmor {
namespace {

/// Runs each test under the program's control word and puts the test
/// process's own word back afterwards.
class IpcFiguresTest : public testing::Test {
protected:
  void SetUp() override {
    Saved = CurrentFpuControlWord();
    ResetFpuAndLoadControlWord();
    // Bit 6 is reserved and reads back as 1.
    ASSERT_EQ(CurrentFpuControlWord() & ~0x40u, DefaultFpuControlWord);
  }
  void TearDown() override {
    __asm__ volatile("fninit\n\tfldcw %0" : : "m"(Saved));
  }
  std::uint16_t Saved = 0;
};

constexpr std::int64_t Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t Min = std::numeric_limits<std::int64_t>::min();

TEST_F(IpcFiguresTest, CurrentFigureIsRoundedTwiceFromExtendedPrecision) {
  struct Case {
    std::int64_t Cycles;
    double Expected;
  };
  const Case Cases[] = {
      {200000000, 3.0},
      {600000000, 1.0},
      {-600000000, -1.0},
      {1, 600000000.0},
      {Max, 0x1.1e1a3p-34}, // the count itself is not a double
      {Min, -0x1.1e1a3p-34},
      // The extended quotient lies exactly on a 53-bit midpoint and goes to
      // even; the exact quotient lies below it.
      {200002584, 0x1.7ffebadc9bf4ep+1},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(C.Cycles);
    EXPECT_EQ(CurrentFigure(C.Cycles), C.Expected);
  }
}

TEST_F(IpcFiguresTest, ExtendedPrecisionDiffersFromPlainDoubleDivision) {
  volatile double Cycles = 200002584.0;
  const double Plain = 600000000.0 / Cycles;
  EXPECT_EQ(Plain, 0x1.7ffebadc9bf4dp+1);
  EXPECT_NE(CurrentFigure(200002584), Plain);
}

TEST_F(IpcFiguresTest, AverageIsInstructionsOverTheRoundedMeanCount) {
  struct Case {
    std::int64_t Total;
    std::int64_t Runs;
    double Expected;
  };
  const Case Cases[] = {
      {600000016, 3, 0x1.7fffff5433894p+1}, // plain doubles give ...893
      {600000017, 3, 0x1.7fffff4976c1dp+1}, // plain doubles give ...c1e
      {Max, 3, 0x1.ad2748p-33},
      // 200000000 then -600000000: the average turns negative with the pass.
      {-400000000, 2, -3.0},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(testing::Message() << C.Total << " / " << C.Runs);
    EXPECT_EQ(AverageFigure(C.Total, C.Runs), C.Expected);
  }
}

TEST_F(IpcFiguresTest, AfterTheFirstPassBothFiguresAreEqual) {
  struct Case {
    std::int64_t Cycles;
    double Expected;
  };
  const Case Cases[] = {
      {200002584, 0x1.7ffebadc9bf4ep+1},
      {-7, -0x1.46f95b6db6db7p+26},
      {3, 200000000.0},
      {Max, 0x1.1e1a3p-34},
      {Min, -0x1.1e1a3p-34},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(C.Cycles);
    EXPECT_EQ(AverageFigure(C.Cycles, 1), C.Expected);
    EXPECT_EQ(CurrentFigure(C.Cycles), C.Expected);
  }
}

TEST_F(IpcFiguresTest, ANegativePassGivesANegativeFigureAndLowersTheAverage) {
  const double First = AverageFigure(200000000, 1);
  const double Current = CurrentFigure(-600000000);
  const double Average = AverageFigure(200000000 - 600000000, 2);
  EXPECT_EQ(Current, -1.0);
  EXPECT_EQ(Average, -3.0);
  EXPECT_LT(Average, First);
}

TEST_F(IpcFiguresTest, AZeroDivisorTrapsInsteadOfGivingAFigure) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        ResetFpuAndLoadControlWord();
        volatile CycleCount Zero = 0;
        volatile double Figure = CurrentFigure(Zero);
        (void)Figure;
      },
      testing::KilledBySignal(SIGFPE), "");
  EXPECT_EXIT(
      {
        ResetFpuAndLoadControlWord();
        volatile CycleCount Zero = 0;
        volatile double Figure = AverageFigure(Zero, 5);
        (void)Figure;
      },
      testing::KilledBySignal(SIGFPE), "");
}

} // namespace
} // namespace vexmor
