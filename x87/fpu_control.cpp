//===- x87/fpu_control.cpp - The x87 unit's control word --------*- C++ -*-===//

#include "x87/fpu_control.h"

namespace vexmor {

std::uint16_t FpuControlWord = DefaultFpuControlWord;

} // namespace vexmor
