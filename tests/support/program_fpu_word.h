//===- tests/support/program_fpu_word.h - Run under the program's word ===//
//
// The number text and the figures run on the x87 unit under the program's
// control word, which leaves the invalid-operation, zero-divide and overflow
// traps unmasked. Tests load that word around the code under test only, and
// put the test process's own word back before calling the C library or any
// other code that may use the unit and was not written for that word.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_TESTS_SUPPORT_PROGRAM_FPU_WORD_H
#define VEXMOR_TESTS_SUPPORT_PROGRAM_FPU_WORD_H

#include "x87/fpu_control.h"

#include <cstdint>

namespace vexmor::test {

/// Loads the program's control word (after resetting the unit) for as long
/// as it lives, then resets the unit and loads the word it found.
class ProgramFpuWord {
public:
  ProgramFpuWord() : Saved(CurrentFpuControlWord()) {
    ResetFpuAndLoadControlWord();
  }
  ~ProgramFpuWord() { __asm__ volatile("fninit\n\tfldcw %0" : : "m"(Saved)); }
  ProgramFpuWord(const ProgramFpuWord &) = delete;
  ProgramFpuWord &operator=(const ProgramFpuWord &) = delete;

private:
  std::uint16_t Saved;
};

} // namespace vexmor::test

#endif // VEXMOR_TESTS_SUPPORT_PROGRAM_FPU_WORD_H
