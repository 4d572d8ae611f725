//===- meter/ipc_figures.h - Instructions-per-tick arithmetic ---*- C++ -*-===//
//
// Both figures are worked out on the x87 unit in its extended format: each
// 64-bit count is loaded exactly, every quotient is rounded to a 64-bit
// significand (to nearest, ties to even, as the control word says), and only
// the store into the double figure rounds once more, to 53 bits. A plain
// double division would round the counts themselves first and can give a
// different last bit.
//
// With the program's control word a zero divisor traps on the x87 unit (at
// the division or at the store after it), so a zero count never yields a
// figure. The functions are kept out of line, in a unit of their own, so
// that the trap is raised inside a call: every compiler's unwind tables then
// cover it and the main block's cleanup runs.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_METER_IPC_FIGURES_H
#define VEXMOR_METER_IPC_FIGURES_H

#include "meter/nop_kernel.h"
#include "timer/amd_rdtsc.h"

#include <cstdint>

namespace vexmor {

/// KernelInstructions over the mean count Total / Runs: the figure
/// of all passes together, not the mean of the per-pass figures.
double AverageFigure(CycleCount Total, std::int64_t Runs);

/// KernelInstructions over the count of one pass.
double CurrentFigure(CycleCount Cycles);

} // namespace vexmor

#endif // VEXMOR_METER_IPC_FIGURES_H
