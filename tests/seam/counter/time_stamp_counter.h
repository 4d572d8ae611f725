//===- tests/seam/counter/time_stamp_counter.h - Scripted read --*- C++ -*-===//
//
// The counter read the timer unit is built with for the tests: each read
// takes the next value from a script that the test binary supplies by
// defining ScriptedCounterRead.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_TESTS_SEAM_COUNTER_TIME_STAMP_COUNTER_H
#define VEXMOR_TESTS_SEAM_COUNTER_TIME_STAMP_COUNTER_H

#include <cstdint>

namespace vexmor {

std::int64_t ScriptedCounterRead();

inline std::int64_t ReadTimeStampCounter() { return ScriptedCounterRead(); }

} // namespace vexmor

#endif // VEXMOR_TESTS_SEAM_COUNTER_TIME_STAMP_COUNTER_H
