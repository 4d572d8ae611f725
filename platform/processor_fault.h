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
  Other, ///< Anything else; Code says what. Stays last.
};

enum class AccessKind { Read, Write };

/// The platform's record of one fault.
struct ProcessorFault {
  FaultKind Kind = FaultKind::Other;
  /// Address of the faulting instruction.
  std::uintptr_t InstructionAddress = 0;
  /// For an access violation or a stack overflow: the address accessed, and
  /// how. All ones when the processor does not tell the address (a
  /// general-protection fault, such as a non-canonical address).
  std::uintptr_t DataAddress = 0;
  AccessKind Access = AccessKind::Read;
  /// The platform's own code for the fault, kept for the record and used as
  /// the code of FaultKind::Other. On Windows the exception code; on POSIX
  /// the signal number times 0x10000 plus the low 16 bits of si_code, so
  /// that SIGBUS (7) with BUS_ADRERR (2) is 0x70002 and SIGILL (4) with
  /// ILL_ILLOPN (2) is 0x40002.
  std::uint32_t Code = 0;
};

/// Called on the faulting thread, on a stack of its own, while the fault is
/// being delivered. It must not return: it raises an exception, which
/// unwinds the stack of the faulting code as if the faulting instruction had
/// thrown it.
using FaultHandler = void (*)(const ProcessorFault &Fault);

/// Starts delivering processor faults to Handler. Call it on the thread
/// whose faults are to be handled: on POSIX the stack the handler runs on is
/// set for the calling thread, and the main stack's limits are taken as they
/// are now. Whatever mask and handling of the fault signals the process
/// inherited, faults are delivered from then on. A fault while the handler
/// runs, a handler that returns, and a fault signal sent by another process
/// get the system's default action.
void InstallFaultHandler(FaultHandler Handler);

/// Gives the faults back to the platform's default handling.
void RemoveFaultHandler();

} // namespace vexmor

#endif // VEXMOR_PLATFORM_PROCESSOR_FAULT_H
