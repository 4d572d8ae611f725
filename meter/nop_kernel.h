//===- meter/nop_kernel.h - The measured six-instruction loop ---*- C++ -*-===//
//
// The kernel is machine code so that no optimiser can remove, unroll,
// reorder or enlarge it. Loading the counter is not counted; every iteration
// is exactly six instructions (four one-byte NOPs, a decrement and a jump
// back to the first NOP while the counter is not zero), so one run retires
// KernelIterations * 6 counted instructions.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_METER_NOP_KERNEL_H
#define VEXMOR_METER_NOP_KERNEL_H

// Machine code for x86 only: any other processor stops the build here.
#if !defined(__i386__) && !defined(__x86_64__)
#error "The kernel is x86 machine code: build for x86 or x86-64"
#endif

#include <cstdint>

namespace vexmor {

inline constexpr std::int32_t KernelIterations = 100000000;
/// Single precision holds 600,000,000 exactly.
inline constexpr float KernelInstructions = 600000000.0f;
static_assert(static_cast<std::int64_t>(KernelInstructions) ==
              6 * static_cast<std::int64_t>(KernelIterations));

/// Runs the kernel where it is written: it must be expanded in place, right
/// between the two timer calls, so it is always inlined.
[[gnu::always_inline]] inline void NopKernel() {
  __asm__ volatile("movl %0, %%ecx\n"
                   "1:\n\t"
                   "nop\n\tnop\n\tnop\n\tnop\n\t"
                   "decl %%ecx\n\t"
                   "jnz 1b"
                   :
                   : "i"(KernelIterations)
                   : "ecx", "cc", "memory");
}

} // namespace vexmor

#endif // VEXMOR_METER_NOP_KERNEL_H
