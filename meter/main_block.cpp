//===- meter/main_block.cpp - The measurement loop --------------*- C++ -*-===//

#include "meter/main_block.h"

#include "meter/console_report.h"
#include "meter/ipc_figures.h"
#include "meter/nop_kernel.h"
#include "meter/number_text.h"

#include <string>

namespace vexmor {

CycleCount LastCycles = 0;
CycleCount TotalCycles = 0;
std::int64_t RunCount = 0;
double CurrentIpc = 0.0;
double AverageIpc = 0.0;

// Emitted exactly once, so that its machine code (the kernel between the two
// timer calls) can be checked in the built program.
[[gnu::noinline]] void MainBlock() {
  // The status line's texts: made afresh every pass, each replacing its
  // predecessor, and released by unwinding when a failure leaves the loop.
  std::string CurrentText;
  std::string AverageText;
  std::string StatusLine;

  WriteBanner();
  RunCount = 0;
  TotalCycles = 0;
  WriteCorrectionLine(Correction);
  for (;;) {
    TimerStart();
    NopKernel();
    LastCycles = TimerStop();
    TotalCycles = WrappingAdd(TotalCycles, LastCycles);
    RunCount = WrappingAdd(RunCount, 1);
    // A zero divisor traps here, so the pass has no figure and no line.
    AverageIpc = AverageFigure(TotalCycles, RunCount);
    CurrentIpc = CurrentFigure(LastCycles);
    CurrentText = FloatToGeneralText(CurrentIpc, DecimalMark);
    AverageText = FloatToGeneralText(AverageIpc, DecimalMark);
    ComposeStatusLine(StatusLine, CurrentText, AverageText);
    WriteStatusLine(StatusLine);
  }
}

} // namespace vexmor
