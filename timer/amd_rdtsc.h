//===- timer/amd_rdtsc.h - Time-stamp-counter cycle timer -------*- C++ -*-===//
//
// The unit AMD_RDTSC: times a stretch of code in time-stamp-counter ticks
// and removes from each measurement the average cost of measuring.
//
// What a measurement is, and is not:
//  - Each end of it is one plain RDTSC. Nothing serialises the instruction
//    stream around the reads (no fence, no RDTSCP, no CPUID), so the processor
//    may start the read before earlier instructions retire or let later ones
//    start before it. Over a stretch of hundreds of millions of instructions
//    that error is noise; over a short one it is not.
//  - The unit is a time-stamp-counter tick, not a core clock cycle. Current
//    processors run the counter at a fixed rate whatever the core's clock
//    does, so a core running above that rate retires more per tick than its
//    real width per cycle, and one running below it less.
//  - The thread is not pinned: the two reads of one measurement may come from
//    the counters of two different processors.
//
// The result is the difference of the two reads less `Correction`, in
// wrapping 64-bit arithmetic, never clamped: a stretch shorter than the
// correction, or a counter that went backwards, gives a negative count.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_TIMER_AMD_RDTSC_H
#define VEXMOR_TIMER_AMD_RDTSC_H

#include <cstdint>

namespace vexmor {

/// A signed count of time-stamp-counter ticks.
using CycleCount = std::int64_t;

/// Number of back-to-back start/stop pairs the calibration averages.
inline constexpr CycleCount CalibrationPasses = 1000;

/// Counter value read by the latest `TimerStart`.
extern CycleCount StartStamp;
/// Counter value read by the latest `TimerStop`.
extern CycleCount StopStamp;
/// Average ticks between the two reads of a back-to-back start/stop pair.
/// Set once by `CalibrateTimer`, never changed afterwards.
extern CycleCount Correction;
/// Running sum of the calibration pairs; of no use after start-up.
extern CycleCount CalibrationSum;

/// Reads the counter into `StartStamp`.
[[gnu::noinline]] void TimerStart();

/// Reads the counter into `StopStamp` and returns
/// `StopStamp - StartStamp - Correction`, wrapping, signed.
[[gnu::noinline]] CycleCount TimerStop();

/// Start-up step of the unit: times `CalibrationPasses` back-to-back pairs of
/// the very routines a measurement calls and keeps their average, truncated
/// toward zero, as `Correction`.
void CalibrateTimer();

/// Two's-complement sum of two counts: wraps instead of overflowing.
constexpr std::int64_t WrappingAdd(std::int64_t A, std::int64_t B) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(A) +
                                   static_cast<std::uint64_t>(B));
}

/// Elapsed ticks less a correction, in wrapping two's-complement arithmetic.
constexpr CycleCount CorrectedTicks(CycleCount Start, CycleCount Stop,
                                    CycleCount Corr) {
  return static_cast<CycleCount>(static_cast<std::uint64_t>(Stop) -
                                 static_cast<std::uint64_t>(Start) -
                                 static_cast<std::uint64_t>(Corr));
}

} // namespace vexmor

#endif // VEXMOR_TIMER_AMD_RDTSC_H
