//===- platform/win32/last_chance_filter.cpp - UnhandledExceptionFilter --===//
//
// The failure is described to UnhandledExceptionFilter as the structured
// exception it would have been: a processor fault by its own code, address
// and access, a failure the program raised by a code of the program's own.
//
// The system's filter lets a debugger have the failure first (it answers
// that the search is to go on), and otherwise asks the process's top-level
// filter, and when that one lets the search go on as well, reports the
// failure its own way (an error-reporting dialog; Wine writes a line to
// standard error) before it answers. The program reports its failures on
// standard error itself, so for the call it installs a top-level filter of
// its own, which answers that the program handles the failure it offers,
// and leaves any other exception to the filter it replaced.
//
//===----------------------------------------------------------------------===//

#include "platform/last_chance_filter.h"

#include <windows.h>

namespace vexmor {
namespace {

/// The code of a failure the program raised: customer bit and error
/// severity set, then "VEX".
constexpr DWORD ProgramFailureCode = 0xE0564558;

EXCEPTION_POINTERS *Offered = nullptr;
LPTOP_LEVEL_EXCEPTION_FILTER Replaced = nullptr;

LONG WINAPI AnswerForTheProgram(EXCEPTION_POINTERS *Failure) {
  if (Failure == Offered)
    return EXCEPTION_EXECUTE_HANDLER;
  return Replaced ? Replaced(Failure) : EXCEPTION_CONTINUE_SEARCH;
}

EXCEPTION_RECORD DescribeFailure(const ProcessorFault *Fault,
                                 std::uintptr_t Address) {
  EXCEPTION_RECORD Record{};
  Record.ExceptionFlags = EXCEPTION_NONCONTINUABLE;
  if (!Fault) {
    Record.ExceptionCode = ProgramFailureCode;
    Record.ExceptionAddress = reinterpret_cast<PVOID>(Address);
    return Record;
  }
  Record.ExceptionCode = Fault->Code;
  Record.ExceptionAddress = reinterpret_cast<PVOID>(Fault->InstructionAddress);
  if (Fault->Kind == FaultKind::AccessViolation ||
      Fault->Kind == FaultKind::StackOverflow) {
    Record.NumberParameters = 2;
    Record.ExceptionInformation[0] = Fault->Access == AccessKind::Write;
    Record.ExceptionInformation[1] = Fault->DataAddress;
  }
  return Record;
}

/// The registers as far as they mean anything here: the failure's address,
/// and the stack as it is now. (RtlCaptureContext cannot be used: on x86 it
/// reads its caller's caller from a frame-pointer chain, and the program is
/// built without one.)
CONTEXT DescribeContext(const EXCEPTION_RECORD &Record) {
  CONTEXT Context{};
  Context.ContextFlags = CONTEXT_CONTROL;
  Context.Eip = reinterpret_cast<DWORD>(Record.ExceptionAddress);
  __asm__("movl %%esp, %0\n\tmovl %%ebp, %1"
          : "=r"(Context.Esp), "=r"(Context.Ebp));
  return Context;
}

} // namespace

void OfferToLastChanceFilter(const ProcessorFault *Fault,
                             std::uintptr_t Address) {
  EXCEPTION_RECORD Record = DescribeFailure(Fault, Address);
  CONTEXT Context = DescribeContext(Record);
  EXCEPTION_POINTERS Failure = {&Record, &Context};

  Offered = &Failure;
  Replaced = SetUnhandledExceptionFilter(AnswerForTheProgram);
  const LONG Answer = UnhandledExceptionFilter(&Failure);
  SetUnhandledExceptionFilter(Replaced);
  Offered = nullptr;
  if (Answer != EXCEPTION_CONTINUE_SEARCH)
    return;

  // Raised as unhandled: a debugger gets it, or the system ends the process.
  RaiseException(Record.ExceptionCode, EXCEPTION_NONCONTINUABLE,
                 Record.NumberParameters, Record.ExceptionInformation);
  ExitProcess(Record.ExceptionCode); // not reached: it cannot be continued
}

} // namespace vexmor
