//===- platform/processor_fault.h - Processor faults as records -*- C++ -*-===//
//
// A fault the processor raises in the program's own code (a bad memory
// access, a trapped x87 operation, an integer division by zero, a
// privileged instruction, an overflow of the stack) is delivered by the
// operating system. The platform layer catches it and describes it in a
// ProcessorFault record; the frame turns the record into an exception.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_PLATFORM_PROCESSOR_FAULT_H
#define VEXMOR_PLATFORM_PROCESSOR_FAULT_H

#include <cstdint>

namespace vexmor {

enum class FaultKind {
  AccessViolation,
  ArrayBoundsExceeded,
  IntDivideByZero,
  IntOverflow,
  PrivilegedInstruction,
  StackOverflow,
  ControlC,
  FloatDivideByZero,
  FloatInvalidOperation, ///< Includes an x87 register-stack fault.
  FloatOverflow,
  FloatUnderflow,
  FloatDenormalOperand,
  FloatInexactResult,
  Other, ///< Anything else; Code says what.
};

enum class AccessKind { Read, Write };

/// The platform's record of one fault.
struct ProcessorFault {
  FaultKind Kind = FaultKind::Other;
  /// Address of the faulting instruction.
  std::uintptr_t InstructionAddress = 0;
  /// For an access violation: the address accessed, and how.
  std::uintptr_t DataAddress = 0;
  AccessKind Access = AccessKind::Read;
  /// The platform's own code for the fault (a signal and its si_code on
  /// POSIX, an exception code on Windows), kept for the record and used as
  /// the code of FaultKind::Other.
  std::uint32_t Code = 0;
};

/// Called on the faulting thread, on a stack of its own, while the fault is
/// being delivered. It must not return: it raises an exception, which
/// unwinds the stack of the faulting code as if the faulting instruction had
/// thrown it.
using FaultHandler = void (*)(const ProcessorFault &Fault);

/// Starts delivering processor faults to Handler.
void InstallFaultHandler(FaultHandler Handler);

/// Gives the faults back to the platform's default handling.
void RemoveFaultHandler();

} // namespace vexmor

#endif // VEXMOR_PLATFORM_PROCESSOR_FAULT_H
