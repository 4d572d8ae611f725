//===- x87/fpu_control.h - The x87 unit's control word ----------*- C++ -*-===//
//
// The figures and the number text are computed on the x87 unit in its
// extended format. The control word loaded at start-up fixes how:
//
//   bit 0     invalid-operation mask   0  an invalid operation traps
//   bit 1     denormal-operand mask    1
//   bit 2     zero-divide mask         0  dividing non-zero by zero traps
//   bit 3     overflow mask            0  an overflowing result traps
//   bits 4-5  underflow, precision     1  inexact results round silently
//   bits 8-9  precision control        3  64-bit significand
//   bits 10-11 rounding control        0  to nearest, ties to even
//   bit 12    infinity control         1  no effect on current processors
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_X87_FPU_CONTROL_H
#define VEXMOR_X87_FPU_CONTROL_H

// Machine code for x86 only: any other processor stops the build here.
#if !defined(__i386__) && !defined(__x86_64__)
#error "The x87 control word is machine code: build for x86 or x86-64"
#endif

#include <cstdint>

namespace vexmor {

inline constexpr std::uint16_t DefaultFpuControlWord = 0x1332;

/// The control word start-up loads; nothing changes it while the program runs.
extern std::uint16_t FpuControlWord;

/// Word with its six exception masks (bits 0-5) replaced by the low six bits
/// of Masks; precision and rounding control stay.
constexpr std::uint16_t WithExceptionMasks(std::uint16_t Word,
                                           std::uint32_t Masks) {
  constexpr std::uint32_t MaskBits = 0x3F;
  return static_cast<std::uint16_t>((Word & ~MaskBits) | (Masks & MaskBits));
}

/// Resets the x87 unit (clearing any pending exception) and loads
/// `FpuControlWord`.
inline void ResetFpuAndLoadControlWord() {
  __asm__ volatile("fninit\n\tfldcw %0" : : "m"(FpuControlWord));
}

/// The control word the x87 unit holds now.
inline std::uint16_t CurrentFpuControlWord() {
  std::uint16_t Word;
  __asm__ volatile("fnstcw %0" : "=m"(Word));
  return Word;
}

} // namespace vexmor

#endif // VEXMOR_X87_FPU_CONTROL_H
