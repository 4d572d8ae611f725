//===- frame/process_frame.cpp - Start-up and end of the process -*- C++ -*-=//

#include "frame/process_frame.h"

#include "meter/fpu_control.h"
#include "meter/main_block.h"
#include "timer/amd_rdtsc.h"

namespace vexmor {

void RunProcess() {
  ResetFpuAndLoadControlWord();
  // Last start-up step: nothing is written before the calibration ends.
  CalibrateTimer();
  MainBlock();
}

} // namespace vexmor
