//===- bench/meter/kernel_fidelity_bench.cpp - The kernel, timed plainly ===//
//
// Runs the program's six-instruction kernel bracketed exactly as the main
// block brackets it (TimerStart, kernel, TimerStop, with the calibrated
// correction) and reports the same figure, instructions per time-stamp tick,
// next to the wall-clock time of a pass. Compare its inst_per_tick with the
// figures vexmor prints on the same machine; inst_per_second relates the
// counter to real time.
//
//===----------------------------------------------------------------------===//

#include "meter/ipc_figures.h"
#include "meter/nop_kernel.h"
#include "timer/amd_rdtsc.h"
#include "x87/fpu_control.h"

#include <benchmark/benchmark.h>

namespace {

using namespace vexmor;

void BM_NopKernelBracketed(benchmark::State &State) {
  CalibrateTimer();
  CycleCount Total = 0;
  std::int64_t Runs = 0;
  for (auto _ : State) {
    TimerStart();
    NopKernel();
    Total = WrappingAdd(Total, TimerStop());
    ++Runs;
  }
  // The figure as the program computes it, under the program's control word.
  ResetFpuAndLoadControlWord();
  const double Figure = Total == 0 ? 0.0 : AverageFigure(Total, Runs);
  __asm__ volatile("fninit");
  State.counters["inst_per_tick"] = Figure;
  State.counters["correction"] = static_cast<double>(Correction);
  State.counters["inst_per_second"] = benchmark::Counter(
      static_cast<double>(KernelInstructions) * static_cast<double>(Runs),
      benchmark::Counter::kIsRate);
}
BENCHMARK(BM_NopKernelBracketed)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace
