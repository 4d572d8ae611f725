//===- meter/main_block.h - The measurement loop ----------------*- C++ -*-===//
//
// The program's main block: writes the start-up lines, then times the kernel
// for ever and reports the figures of the latest pass and of all passes.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_METER_MAIN_BLOCK_H
#define VEXMOR_METER_MAIN_BLOCK_H

#include "timer/amd_rdtsc.h"

#include <cstdint>

namespace vexmor {

/// Corrected ticks of the latest pass.
extern CycleCount LastCycles;
/// Sum of LastCycles over all passes (wrapping).
extern CycleCount TotalCycles;
/// Passes completed (wrapping).
extern std::int64_t RunCount;
/// Instructions per tick of the latest pass.
extern double CurrentIpc;
/// Instructions per tick over all passes.
extern double AverageIpc;

/// Never returns: the loop has no exit; only a failure leaves it.
[[noreturn]] void MainBlock();

} // namespace vexmor

#endif // VEXMOR_METER_MAIN_BLOCK_H
