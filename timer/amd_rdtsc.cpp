//===- timer/amd_rdtsc.cpp - Time-stamp-counter cycle timer -----*- C++ -*-===//

#include "timer/amd_rdtsc.h"

#include "time_stamp_counter.h"

namespace vexmor {

CycleCount StartStamp = 0;
CycleCount StopStamp = 0;
CycleCount Correction = 0;
CycleCount CalibrationSum = 0;

void TimerStart() { StartStamp = ReadTimeStampCounter(); }

CycleCount TimerStop() {
  StopStamp = ReadTimeStampCounter();
  return CorrectedTicks(StartStamp, StopStamp, Correction);
}

void CalibrateTimer() {
  Correction = 0;
  CalibrationSum = 0;
  for (CycleCount Pass = 0; Pass < CalibrationPasses; ++Pass) {
    TimerStart();
    CalibrationSum = WrappingAdd(CalibrationSum, TimerStop());
  }
  // C++ division truncates toward zero: 33999 gives 33, -1500 gives -1.
  Correction = CalibrationSum / CalibrationPasses;
}

} // namespace vexmor
