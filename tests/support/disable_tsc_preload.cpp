//===- tests/support/disable_tsc_preload.cpp - Bar RDTSC for one process -===//
//
// Preloaded into a program under test: once the dynamic loader (which reads
// the time-stamp counter itself) has done its work, makes every later RDTSC
// of the process fault, as a start-up failure of the calibration.
//
//===----------------------------------------------------------------------===//

#include <sys/prctl.h>

namespace {

[[gnu::constructor]] void DisableTimeStampCounter() {
  prctl(PR_SET_TSC, PR_TSC_SIGSEGV, 0, 0, 0);
}

} // namespace
