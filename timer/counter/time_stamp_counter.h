//===- timer/counter/time_stamp_counter.h - One read of the TSC -*- C++ -*-===//
//
// The counter read the timer unit is built with in the program: one plain,
// unserialised RDTSC, its two 32-bit halves joined into one 64-bit value.
// The tests build the same timer unit against a scripted read instead.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_TIMER_COUNTER_TIME_STAMP_COUNTER_H
#define VEXMOR_TIMER_COUNTER_TIME_STAMP_COUNTER_H

// Machine code for x86 only: any other processor stops the build here.
#if !defined(__i386__) && !defined(__x86_64__)
#error "The counter read is the x86 RDTSC instruction: build for x86 or x86-64"
#endif

#include <cstdint>
#include <x86intrin.h>

namespace vexmor {

inline std::int64_t ReadTimeStampCounter() {
  return static_cast<std::int64_t>(__rdtsc());
}

} // namespace vexmor

#endif // VEXMOR_TIMER_COUNTER_TIME_STAMP_COUNTER_H
