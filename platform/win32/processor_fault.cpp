//===- platform/win32/processor_fault.cpp - Faults as structured exceptions =//
//
// Windows delivers a processor fault as a structured exception: on the
// faulting thread, on its own stack, to the vectored exception handlers
// first. A C++ exception cannot be thrown from there (the unwinder does not
// pass the system's dispatch frames), so the vectored handler only describes
// the fault and lets the thread go on elsewhere: at a stub that makes it
// look as if the faulting instruction had called a function. The stub
// switches to a stack of its own (the program's may have overflowed) and
// calls the installed FaultHandler there, which throws. The unwinder passes
// the stub by its hand-written unwind rules, back onto the program's stack
// and into the faulting code's frames, whose cleanups then run there. The
// program is built with -fnon-call-exceptions and asynchronous unwind
// tables, so every instruction that can trap is covered.
//
// Only faults the unwinder can start from are taken: those at an
// instruction it has unwind tables for, which is the program's own code and
// not the system's (whose DLLs handle their own faults). So is a fault while
// the fault stack is in use, one inside the FaultHandler itself. Those, and
// every other structured exception, go on to the system's handling.
//
// The x87 unit: an x87 fault is still pending in the live unit while the
// handler runs, and the thread resumes with the state the context holds (the
// FXSAVE image, and the older x87 image), so for a fault it takes the
// handler resets the live unit and makes the context's that of a reset unit
// holding FpuControlWord.
//
//===----------------------------------------------------------------------===//

#include "platform/processor_fault.h"

#include "platform/win32/unwind_lookup.h"
#include "x87/fpu_control.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

// Shared between the handler and the stub, under assembler names of their
// own.
extern "C" {
/// The faulting instruction's address plus one, pushed by the stub as the
/// return address of a call made by that instruction: the unwinder looks up
/// the byte before a return address.
std::uintptr_t
    VexmorFaultReturnAddress __asm__("vexmor_fault_return_address") = 0;
/// Where the stub starts the fault stack.
char *VexmorFaultStackTop __asm__("vexmor_fault_stack_top") = nullptr;
void VexmorFaultStub() __asm__("vexmor_fault_stub");
[[noreturn]] void
VexmorRaisePendingFault() __asm__("vexmor_raise_pending_fault");
}

// The stub, entered in place of the faulting instruction with the faulting
// code's registers. It pushes the fake return address on the program's
// stack, moves to the fault stack, keeps the program's stack pointer there
// as the one word of its frame, and calls on. Its unwind rule: the frame's
// CFA is that word plus 4 (DW_CFA_def_cfa_expression: DW_OP_breg4 0,
// DW_OP_deref, DW_OP_plus_uconst 4), so the return address is the fake one
// at CFA - 4 and the caller's stack pointer the CFA, as for any call. The
// other registers are still the faulting code's.
__asm__(".text\n"
        ".globl vexmor_fault_stub\n"
        "vexmor_fault_stub:\n"
        ".cfi_startproc\n"
        "  pushl vexmor_fault_return_address\n"
        "  movl %esp, %eax\n"
        "  movl vexmor_fault_stack_top, %esp\n"
        "  pushl %eax\n"
        ".cfi_escape 0x0f, 0x05, 0x74, 0x00, 0x06, 0x23, 0x04\n"
        "  call vexmor_raise_pending_fault\n"
        "  ud2\n"
        ".cfi_endproc\n");

// The stack probe. A function whose frame is a page or more calls it from its
// prologue with the frame's size in EAX, and it touches every page of the
// new frame from the top down, so that the stack grows a page at a time past
// its guard page: an overflow of the stack shows there. The compiler's
// runtime has this routine without unwind rules, which leaves such a fault
// in no frame the unwinder knows, so the program brings its own, with them;
// the linker then takes this one. Unwinding from it reaches the function
// whose prologue called it, where that function's own rules apply.
//
// It stands on the tool chain's habits, each checked by a test that fails
// loudly: that GCC's i686 prologues call ___chkstk_ms by that name (were
// they to call another probe, or probe inline, this one would go unused
// and a stack overflow would again be lost: the Wine test of a stack
// overflow expects its report in __chkstk_ms), and that the linker takes
// the program's definition over the runtime library's, which it does for
// any symbol already defined when the library is searched
// (ToolchainTest.TheStackProbeHasUnwindRules reads the unwind table of the
// built program).
__asm__(".text\n"
        ".globl ___chkstk_ms\n"
        "___chkstk_ms:\n"
        ".cfi_startproc\n"
        "  pushl %ecx\n"
        ".cfi_adjust_cfa_offset 4\n"
        "  pushl %eax\n"
        ".cfi_adjust_cfa_offset 4\n"
        "  leal 12(%esp), %ecx\n" // the caller's stack pointer
        "1:\n"
        "  cmpl $0x1000, %eax\n"
        "  jb 2f\n"
        "  subl $0x1000, %ecx\n"
        "  orl $0, (%ecx)\n"
        "  subl $0x1000, %eax\n"
        "  jmp 1b\n"
        "2:\n"
        "  subl %eax, %ecx\n"
        "  orl $0, (%ecx)\n"
        "  popl %eax\n"
        ".cfi_adjust_cfa_offset -4\n"
        "  popl %ecx\n"
        ".cfi_adjust_cfa_offset -4\n"
        "  ret\n"
        ".cfi_endproc\n");

namespace vexmor {
namespace {

FaultHandler InstalledHandler = nullptr;
PVOID Registration = nullptr;

// Room for the unwinder, the system calls the fault mapping makes and the
// FaultHandler. Static, so installing allocates nothing.
constexpr std::size_t FaultStackSize = 256 * 1024;
alignas(16) char FaultStack[FaultStackSize];

/// The fault the stub raises, described by the handler.
ProcessorFault PendingFault;

bool IsOnFaultStack(std::uintptr_t StackPointer) {
  const auto Low = reinterpret_cast<std::uintptr_t>(FaultStack);
  return StackPointer >= Low && StackPointer - Low < FaultStackSize;
}

bool CanUnwindFrom(std::uintptr_t Instruction) {
  dwarf_eh_bases Bases;
  return _Unwind_Find_FDE(reinterpret_cast<void *>(Instruction), &Bases) !=
         nullptr;
}

FaultKind KindOf(DWORD Code) {
  switch (Code) {
  case EXCEPTION_ACCESS_VIOLATION:
    return FaultKind::AccessViolation;
  case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    return FaultKind::ArrayBoundsExceeded;
  case EXCEPTION_INT_DIVIDE_BY_ZERO:
    return FaultKind::IntDivideByZero;
  case EXCEPTION_INT_OVERFLOW:
    return FaultKind::IntOverflow;
  case EXCEPTION_PRIV_INSTRUCTION:
    return FaultKind::PrivilegedInstruction;
  case EXCEPTION_STACK_OVERFLOW:
    return FaultKind::StackOverflow;
  case STATUS_CONTROL_C_EXIT:
    return FaultKind::ControlC;
  case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    return FaultKind::FloatDivideByZero;
  case EXCEPTION_FLT_INVALID_OPERATION:
  case EXCEPTION_FLT_STACK_CHECK: // a register-stack overflow or underflow
    return FaultKind::FloatInvalidOperation;
  case EXCEPTION_FLT_OVERFLOW:
    return FaultKind::FloatOverflow;
  case EXCEPTION_FLT_UNDERFLOW:
    return FaultKind::FloatUnderflow;
  case EXCEPTION_FLT_DENORMAL_OPERAND:
    return FaultKind::FloatDenormalOperand;
  case EXCEPTION_FLT_INEXACT_RESULT:
    return FaultKind::FloatInexactResult;
  default:
    return FaultKind::Other;
  }
}

ProcessorFault DescribeFault(const EXCEPTION_RECORD &Record) {
  ProcessorFault Fault;
  Fault.Code = Record.ExceptionCode;
  Fault.Kind = KindOf(Record.ExceptionCode);
  // For an x87 fault: the operation that raised it, not the waiting
  // instruction after it where the processor reported it.
  Fault.InstructionAddress =
      reinterpret_cast<std::uintptr_t>(Record.ExceptionAddress);
  // A bad access (a stack overflow is one) tells how and where: a write
  // when the first parameter is 1, else a read (or an instruction fetch).
  if ((Fault.Kind == FaultKind::AccessViolation ||
       Fault.Kind == FaultKind::StackOverflow) &&
      Record.NumberParameters >= 2) {
    Fault.Access = Record.ExceptionInformation[0] == 1 ? AccessKind::Write
                                                       : AccessKind::Read;
    Fault.DataAddress = Record.ExceptionInformation[1];
  }
  return Fault;
}

void StoreWord(BYTE *At, std::uint16_t Word) {
  std::memcpy(At, &Word, sizeof Word);
}

/// Makes the x87 state the thread resumes with that of a reset unit that
/// holds FpuControlWord: no pending exception, every register empty.
void ResetSavedFpu(CONTEXT &Context) {
  if ((Context.ContextFlags & CONTEXT_FLOATING_POINT) ==
      CONTEXT_FLOATING_POINT) {
    Context.FloatSave.ControlWord = FpuControlWord;
    Context.FloatSave.StatusWord = 0;
    Context.FloatSave.TagWord = 0xFFFF;
  }
  if ((Context.ContextFlags & CONTEXT_EXTENDED_REGISTERS) ==
      CONTEXT_EXTENDED_REGISTERS) {
    // FXSAVE layout: control word, status word, abridged tag byte (a bit
    // per register, set when in use).
    StoreWord(Context.ExtendedRegisters + 0, FpuControlWord);
    StoreWord(Context.ExtendedRegisters + 2, 0);
    Context.ExtendedRegisters[4] = 0;
  }
}

// Uses no x87 instruction before it has reset the unit, where an x87 fault
// would still be pending; an exception it leaves to others finds the unit
// as the system handed it over.
LONG CALLBACK OnException(EXCEPTION_POINTERS *Exception) {
  const EXCEPTION_RECORD &Record = *Exception->ExceptionRecord;
  CONTEXT &Context = *Exception->ContextRecord;
  if (!InstalledHandler || IsOnFaultStack(Context.Esp) ||
      !CanUnwindFrom(Context.Eip))
    return EXCEPTION_CONTINUE_SEARCH;
  ResetFpuAndLoadControlWord();
  PendingFault = DescribeFault(Record);
  VexmorFaultReturnAddress = Context.Eip + 1;
  Context.Eip = reinterpret_cast<DWORD>(&VexmorFaultStub);
  ResetSavedFpu(Context);
  return EXCEPTION_CONTINUE_EXECUTION;
}

} // namespace
} // namespace vexmor

extern "C" void VexmorRaisePendingFault() {
  using namespace vexmor;
  ResetFpuAndLoadControlWord();
  const ProcessorFault Fault = PendingFault;
  InstalledHandler(Fault);
  // The handler was to raise an exception and did not: the fault goes to
  // the system as unhandled. Raised from the fault stack, the vectored
  // handler leaves it alone.
  ULONG_PTR Parameters[2] = {Fault.Access == AccessKind::Write,
                             Fault.DataAddress};
  RaiseException(Fault.Code, EXCEPTION_NONCONTINUABLE, 2, Parameters);
  ExitProcess(Fault.Code); // not reached: it cannot be continued
}

namespace vexmor {

void InstallFaultHandler(FaultHandler Handler) {
  InstalledHandler = Handler;
  // Below the top so that the stack is 16-byte aligned at the stub's call,
  // after it has pushed one word.
  VexmorFaultStackTop = FaultStack + FaultStackSize - 12;
  if (!Registration)
    Registration = AddVectoredExceptionHandler(1, OnException);
}

void RemoveFaultHandler() {
  if (Registration)
    RemoveVectoredExceptionHandler(Registration);
  Registration = nullptr;
  InstalledHandler = nullptr;
}

} // namespace vexmor
