//===- meter/main_block.cpp - The measurement loop --------------*- C++ -*-===//

#include "meter/main_block.h"

#include "meter/ipc_figures.h"
#include "meter/nop_kernel.h"

#include <cinttypes>
#include <cstdio>

namespace vexmor {

CycleCount LastCycles = 0;
CycleCount TotalCycles = 0;
std::int64_t RunCount = 0;
double CurrentIpc = 0.0;
double AverageIpc = 0.0;

// The main block is emitted exactly once so that its machine code, the
// kernel between the two timer calls included, can be checked in the built
// program.
[[gnu::noinline]] void MainBlock() {
  std::printf("Vexmor v1.0\n");
  RunCount = 0;
  TotalCycles = 0;
  std::printf("Correction: %" PRId64 "\n", Correction);
  std::fflush(stdout);
  for (;;) {
    TimerStart();
    NopKernel();
    LastCycles = TimerStop();
    TotalCycles = WrappingAdd(TotalCycles, LastCycles);
    RunCount = WrappingAdd(RunCount, 1);
    AverageIpc = AverageFigure(TotalCycles, RunCount);
    CurrentIpc = CurrentFigure(LastCycles);
    std::printf("Current: %.17g Average: %.17g\n", CurrentIpc, AverageIpc);
    std::fflush(stdout);
  }
}

} // namespace vexmor
