//===- platform/posix/processor_fault.cpp - Faults arrive as signals -----===//
//
// The processor's faults reach the program as SIGSEGV, SIGFPE, SIGILL and
// SIGBUS. The handler runs on a stack of its own, so that an overflow of the
// program's stack can be handled too; it describes the fault from the
// signal's information and the interrupted context and calls the installed
// FaultHandler, which throws. The program is built with -fnon-call-exceptions
// and asynchronous unwind tables, so the unwinder passes through the signal
// frame into the faulting code's frames.
//
// The handler never returns to the kernel, so nothing undoes what delivering
// the signal changed:
// - the signal mask: delivery adds the signal itself (SA_NODEFER prevents
//   that) and sa_mask (left empty), so the faulting code's mask stays in
//   force and the next fault is delivered again; a blocked fault signal
//   would kill the process instead, so installing unblocks them (a parent
//   may have started the program with them blocked: the mask is inherited);
// - the alternate stack: the kernel treats it as in use only while the
//   stack pointer lies in it, so once the exception has left it, the next
//   fault finds it free;
// - the floating-point unit: the kernel starts a handler with the unit in
//   its initial state (every exception masked), so the handler resets it and
//   loads FpuControlWord before raising.
//
//===----------------------------------------------------------------------===//

#include "platform/processor_fault.h"

#include "x87/fpu_control.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <ucontext.h>
#include <unistd.h>

namespace vexmor {
namespace {

constexpr int FaultSignals[] = {SIGSEGV, SIGFPE, SIGILL, SIGBUS};

// Room for the kernel's signal frame (with the largest register state), the
// unwinder and the frame's handler. Static, so installing allocates nothing.
constexpr std::size_t AltStackSize = std::size_t{256} * 1024;
alignas(64) char AltStack[AltStackSize];

FaultHandler InstalledHandler = nullptr;
stack_t PreviousAltStack;
bool AltStackInstalled = false;

// x86 exception vectors, as the kernel reports them in the context.
constexpr long BoundRangeVector = 5;
constexpr long GeneralProtectionVector = 13;
constexpr long PageFaultVector = 14;
constexpr long X87FloatingPointVector = 16;
constexpr long SimdFloatingPointVector = 19;

// Page-fault error code bits.
constexpr long PageFaultWrite = 1 << 1;
constexpr long PageFaultInstructionFetch = 1 << 4;

// x87 status and control words and MXCSR share this layout of the six
// exception bits (flags in the status word and MXCSR, masks in the control
// word and in MXCSR bits 7-12).
constexpr unsigned DenormalBit = 1u << 1;
constexpr unsigned UnderflowBit = 1u << 4;
constexpr unsigned ExceptionBits = 0x3F;

//===-- The main thread's stack -------------------------------------------===//

struct AddressRange {
  std::uintptr_t Low = 0;
  std::uintptr_t High = 0;
  bool Contains(std::uintptr_t Address) const {
    return Address >= Low && Address < High;
  }
};

// Addresses just below the lowest the main stack may grow to. A page fault
// there is the stack overflowing: the kernel grows the stack on any access
// above that limit.
AddressRange MainStackOverflowZone;

/// The main stack's mapping as /proc/self/maps shows it: its top, and the end
/// of the mapping below it (the stack never grows into that one).
struct MainStackLayout {
  std::uintptr_t Top = 0;
  std::uintptr_t BelowEnd = 0;
};

int HexDigitValue(char C) {
  if (C >= '0' && C <= '9')
    return C - '0';
  if (C >= 'a' && C <= 'f')
    return C - 'a' + 10;
  return -1;
}

/// Reads /proc/self/maps through a fixed buffer. Each line starts with
/// "low-high", and the main stack's line ends in "[stack]".
bool ReadMainStackLayout(MainStackLayout &Layout) {
  const int Fd = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
  if (Fd < 0)
    return false;
  static constexpr char StackName[] = "[stack]";
  constexpr std::size_t NameLength = sizeof StackName - 1;
  char Tail[NameLength] = {}; // the line's last characters
  enum { InLow, InHigh, InRest } Field = InLow;
  std::uintptr_t High = 0;
  std::uintptr_t PreviousHigh = 0;
  bool Found = false;
  char Chunk[4096];
  ssize_t Got;
  while (!Found && (Got = read(Fd, Chunk, sizeof Chunk)) > 0) {
    for (ssize_t I = 0; I < Got && !Found; ++I) {
      const char C = Chunk[I];
      if (C == '\n') {
        if (std::equal(Tail, Tail + NameLength, StackName)) {
          Layout.Top = High;
          Layout.BelowEnd = PreviousHigh;
          Found = true;
        }
        PreviousHigh = High;
        High = 0;
        Field = InLow;
        std::fill(Tail, Tail + NameLength, '\0');
        continue;
      }
      std::copy(Tail + 1, Tail + NameLength, Tail);
      Tail[NameLength - 1] = C;
      if (Field == InLow && C == '-') {
        Field = InHigh;
      } else if (Field == InHigh) {
        const int Digit = HexDigitValue(C);
        if (Digit < 0)
          Field = InRest;
        else
          High = High * 16 + static_cast<std::uintptr_t>(Digit);
      }
    }
  }
  close(Fd);
  return Found;
}

/// Where a fault means the main stack has overflowed, as the kernel lays the
/// stack out: it grows down from its top as far as RLIMIT_STACK allows, and
/// never closer than a guard gap (256 pages by default) to the mapping below.
AddressRange FindMainStackOverflowZone() {
  MainStackLayout Layout;
  if (!ReadMainStackLayout(Layout) || Layout.Top <= Layout.BelowEnd)
    return {};
  const std::uintptr_t GuardGap =
      256 * static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  rlimit Limit{};
  std::uintptr_t Reach = Layout.Top;
  if (getrlimit(RLIMIT_STACK, &Limit) == 0 && Limit.rlim_cur != RLIM_INFINITY)
    Reach = std::min<std::uintptr_t>(Reach, Limit.rlim_cur);
  const std::uintptr_t GapEnd = Layout.Top - Layout.BelowEnd > GuardGap
                                    ? Layout.BelowEnd + GuardGap
                                    : Layout.Top;
  const std::uintptr_t Lowest = std::max(Layout.Top - Reach, GapEnd);
  const std::uintptr_t ZoneLow =
      Lowest - Layout.BelowEnd > GuardGap ? Lowest - GuardGap : Layout.BelowEnd;
  return {ZoneLow, Lowest};
}

// A fault this close to the stack pointer is the stack running into its
// limit on any stack: the deepest frames touch memory just below the stack
// pointer, and one that sets up a large frame just above it.
constexpr std::uintptr_t StackProbeBelow = std::uintptr_t{64} * 1024;
constexpr std::uintptr_t StackProbeAbove = std::uintptr_t{4} * 1024;

bool IsNearStackPointer(std::uintptr_t Address, std::uintptr_t StackPointer) {
  return Address >= StackPointer ? Address - StackPointer < StackProbeAbove
                                 : StackPointer - Address <= StackProbeBelow;
}

//===-- The interrupted context -------------------------------------------===//

struct InterruptedContext {
  std::uintptr_t InstructionPointer = 0;
  std::uintptr_t StackPointer = 0;
  long Vector = -1;
  long ErrorCode = 0;
  // Pending unmasked x87 and SSE exceptions, in the layout of ExceptionBits.
  unsigned X87Pending = 0;
  unsigned SimdPending = 0;
};

InterruptedContext ReadContext(const ucontext_t &Context) {
  const mcontext_t &Machine = Context.uc_mcontext;
  InterruptedContext Result;
#if defined(__x86_64__)
  Result.InstructionPointer =
      static_cast<std::uintptr_t>(Machine.gregs[REG_RIP]);
  Result.StackPointer = static_cast<std::uintptr_t>(Machine.gregs[REG_RSP]);
  Result.Vector = static_cast<long>(Machine.gregs[REG_TRAPNO]);
  Result.ErrorCode = static_cast<long>(Machine.gregs[REG_ERR]);
  if (Machine.fpregs) {
    Result.X87Pending =
        static_cast<unsigned>(Machine.fpregs->swd & ~Machine.fpregs->cwd) &
        ExceptionBits;
    const unsigned Mxcsr = Machine.fpregs->mxcsr;
    Result.SimdPending = Mxcsr & ~(Mxcsr >> 7) & ExceptionBits;
  }
#elif defined(__i386__)
  Result.InstructionPointer =
      static_cast<std::uintptr_t>(Machine.gregs[REG_EIP]);
  Result.StackPointer = static_cast<std::uintptr_t>(Machine.gregs[REG_ESP]);
  Result.Vector = static_cast<long>(Machine.gregs[REG_TRAPNO]);
  Result.ErrorCode = static_cast<long>(Machine.gregs[REG_ERR]);
  if (Machine.fpregs)
    Result.X87Pending =
        static_cast<unsigned>(Machine.fpregs->sw & ~Machine.fpregs->cw) &
        ExceptionBits;
#else
#error "processor faults are described for x86 processors only"
#endif
  return Result;
}

constexpr unsigned char LegacyPrefixes[] = {0x26, 0x2E, 0x36, 0x3E, 0x64, 0x65,
                                            0x66, 0x67, 0xF0, 0xF2, 0xF3};
// hlt; cli, sti; ins, outs; in, out.
constexpr unsigned char SystemOpcodes[] = {0xF4, 0xFA, 0xFB, 0x6C, 0x6D,
                                           0x6E, 0x6F, 0xE4, 0xE5, 0xE6,
                                           0xE7, 0xEC, 0xED, 0xEE, 0xEF};
// After 0x0F: descriptor tables, lmsw, swapgs and the like; clts, sysret;
// invd, wbinvd; moves to and from control and debug registers; wrmsr,
// rdtsc, rdmsr, rdpmc; sysexit; cpuid (when the system makes it fault).
constexpr unsigned char SystemTwoByteOpcodes[] = {
    0x00, 0x01, 0x06, 0x07, 0x08, 0x09, 0x20, 0x21,
    0x22, 0x23, 0x30, 0x31, 0x32, 0x33, 0x35, 0xA2};

template <std::size_t Size>
bool IsOneOf(unsigned char Byte, const unsigned char (&Set)[Size]) {
  return std::find(Set, Set + Size, Byte) != Set + Size;
}

/// Whether the instruction at Address is one that user mode may not run,
/// or may be barred from (rdtsc, cpuid): a general-protection fault on it is
/// a privileged instruction, on any other a bad memory access (a
/// non-canonical address, a misaligned SSE operand). Reads only the
/// instruction's own bytes, which the processor has just fetched.
bool IsSystemInstruction(std::uintptr_t Address) {
  const auto *Byte = reinterpret_cast<const unsigned char *>(Address);
  for (int Prefixes = 0; Prefixes < 14 && IsOneOf(*Byte, LegacyPrefixes);
       ++Prefixes)
    ++Byte;
#if defined(__x86_64__)
  if ((*Byte & 0xF0) == 0x40) // REX
    ++Byte;
#endif
  if (Byte[0] == 0x0F)
    return IsOneOf(Byte[1], SystemTwoByteOpcodes);
  return IsOneOf(Byte[0], SystemOpcodes);
}

//===-- From signal to record ---------------------------------------------===//

std::uint32_t FaultCode(int Signal, int SignalCode) {
  return static_cast<std::uint32_t>(Signal) << 16 |
         (static_cast<std::uint32_t>(SignalCode) & 0xFFFF);
}

FaultKind FloatingPointKind(int SignalCode, const InterruptedContext &Context) {
  switch (SignalCode) {
  case FPE_INTDIV:
    return FaultKind::IntDivideByZero;
  case FPE_INTOVF:
    return FaultKind::IntOverflow;
  case FPE_FLTDIV:
    return FaultKind::FloatDivideByZero;
  case FPE_FLTINV: // an x87 register-stack fault included
    return FaultKind::FloatInvalidOperation;
  case FPE_FLTOVF:
    return FaultKind::FloatOverflow;
  case FPE_FLTRES:
    return FaultKind::FloatInexactResult;
  case FPE_FLTSUB:
    return FaultKind::ArrayBoundsExceeded;
  case FPE_FLTUND: {
    // The kernel reports a denormal operand as an underflow; the pending
    // flags tell them apart.
    unsigned Pending = 0;
    if (Context.Vector == X87FloatingPointVector)
      Pending = Context.X87Pending;
    else if (Context.Vector == SimdFloatingPointVector)
      Pending = Context.SimdPending;
    if (!(Pending & UnderflowBit) && (Pending & DenormalBit))
      return FaultKind::FloatDenormalOperand;
    return FaultKind::FloatUnderflow;
  }
  }
  return FaultKind::Other;
}

bool IsStackOverflow(std::uintptr_t Address,
                     const InterruptedContext &Context) {
  if (Context.Vector == PageFaultVector &&
      (Context.ErrorCode & PageFaultInstructionFetch))
    return false;
  return MainStackOverflowZone.Contains(Address) ||
         IsNearStackPointer(Address, Context.StackPointer);
}

void DescribeSegmentationFault(const siginfo_t &Info,
                               const InterruptedContext &Context,
                               ProcessorFault &Fault) {
  if (Info.si_code == SI_KERNEL) {
    // Not a page fault: the kernel gives no address.
    if (Context.Vector == BoundRangeVector) {
      Fault.Kind = FaultKind::ArrayBoundsExceeded;
    } else if (Context.Vector == GeneralProtectionVector &&
               IsSystemInstruction(Context.InstructionPointer)) {
      Fault.Kind = FaultKind::PrivilegedInstruction;
    } else {
      Fault.Kind = FaultKind::AccessViolation;
      Fault.DataAddress = UINTPTR_MAX;
    }
    return;
  }
  if (Info.si_code == SEGV_BNDERR) {
    Fault.Kind = FaultKind::ArrayBoundsExceeded;
    return;
  }
  Fault.DataAddress = reinterpret_cast<std::uintptr_t>(Info.si_addr);
  if (Context.Vector == PageFaultVector && (Context.ErrorCode & PageFaultWrite))
    Fault.Access = AccessKind::Write;
  Fault.Kind = IsStackOverflow(Fault.DataAddress, Context)
                   ? FaultKind::StackOverflow
                   : FaultKind::AccessViolation;
}

ProcessorFault DescribeFault(int Signal, const siginfo_t &Info,
                             const InterruptedContext &Context) {
  ProcessorFault Fault;
  Fault.InstructionAddress = Context.InstructionPointer;
  Fault.Code = FaultCode(Signal, Info.si_code);
  switch (Signal) {
  case SIGSEGV:
    DescribeSegmentationFault(Info, Context, Fault);
    break;
  case SIGFPE:
    Fault.Kind = FloatingPointKind(Info.si_code, Context);
    break;
  case SIGILL:
    if (Info.si_code == ILL_PRVOPC || Info.si_code == ILL_PRVREG)
      Fault.Kind = FaultKind::PrivilegedInstruction;
    break;
  default: // SIGBUS: a mapped file cut short, a misaligned access
    break;
  }
  return Fault;
}

bool IsOnAltStack(std::uintptr_t StackPointer) {
  const auto Low = reinterpret_cast<std::uintptr_t>(AltStack);
  return StackPointer >= Low && StackPointer - Low < AltStackSize;
}

void GiveToDefaultAction(int Signal) {
  struct sigaction Default {};
  Default.sa_handler = SIG_DFL;
  sigaction(Signal, &Default, nullptr);
}

void OnFaultSignal(int Signal, siginfo_t *Info, void *RawContext) {
  const InterruptedContext Context =
      ReadContext(*static_cast<const ucontext_t *>(RawContext));
  // A signal sent by a process (si_code <= 0) is no fault of the
  // program's: the system's default action ends the process, as for any
  // stop from outside. So does a fault while a fault is being handled.
  if (Info->si_code <= 0 || IsOnAltStack(Context.StackPointer) ||
      !InstalledHandler) {
    GiveToDefaultAction(Signal);
    if (Info->si_code <= 0)
      raise(Signal);
    return; // the faulting instruction runs again, under the default action
  }
  const ProcessorFault Fault = DescribeFault(Signal, *Info, Context);
  ResetFpuAndLoadControlWord();
  InstalledHandler(Fault);
  // The handler was to raise an exception and did not.
  GiveToDefaultAction(Signal);
}

} // namespace

void InstallFaultHandler(FaultHandler Handler) {
  InstalledHandler = Handler;
  MainStackOverflowZone = FindMainStackOverflowZone();

  stack_t Stack{};
  Stack.ss_sp = AltStack;
  Stack.ss_size = AltStackSize;
  if (sigaltstack(&Stack, AltStackInstalled ? nullptr : &PreviousAltStack) == 0)
    AltStackInstalled = true;

  struct sigaction Action {};
  Action.sa_sigaction = OnFaultSignal;
  Action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
  sigemptyset(&Action.sa_mask);
  sigset_t Unblock;
  sigemptyset(&Unblock);
  for (const int Signal : FaultSignals) {
    // Replaces whatever disposition was inherited, SIG_IGN included.
    sigaction(Signal, &Action, nullptr);
    sigaddset(&Unblock, Signal);
  }
  sigprocmask(SIG_UNBLOCK, &Unblock, nullptr);
}

void RemoveFaultHandler() {
  for (const int Signal : FaultSignals)
    GiveToDefaultAction(Signal);
  if (AltStackInstalled && sigaltstack(&PreviousAltStack, nullptr) == 0)
    AltStackInstalled = false;
  InstalledHandler = nullptr;
}

} // namespace vexmor
