//===- tests/platform/processor_fault_test.cpp - Faults become records ---===//
//
// The tests' fault handler throws the record it is given; each test raises
// a fault with a trigger (fault_triggers.h) and catches it. After every
// caught fault the x87 unit must be reset and hold the program's control
// word again, whatever control word the faulting code had loaded.
//
//===----------------------------------------------------------------------===//

#include "fault_triggers.h"
#include "platform/processor_fault.h"
#include "x87/fpu_control.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <ucontext.h>
#include <unistd.h>
#include <vector>

namespace vexmor {

// Readable kinds in failure messages.
[[maybe_unused]] static void PrintTo(FaultKind Kind, std::ostream *Out) {
  static constexpr const char *Names[] = {"AccessViolation",
                                          "ArrayBoundsExceeded",
                                          "IntDivideByZero",
                                          "IntOverflow",
                                          "PrivilegedInstruction",
                                          "StackOverflow",
                                          "ControlC",
                                          "FloatDivideByZero",
                                          "FloatInvalidOperation",
                                          "FloatOverflow",
                                          "FloatUnderflow",
                                          "FloatDenormalOperand",
                                          "FloatInexactResult",
                                          "Other"};
  *Out << Names[static_cast<std::size_t>(Kind)];
}

[[maybe_unused]] static void PrintTo(AccessKind Access, std::ostream *Out) {
  *Out << (Access == AccessKind::Read ? "Read" : "Write");
}

namespace test {
namespace {

struct RaisedFault {
  ProcessorFault Fault;
};

[[noreturn]] void ThrowFault(const ProcessorFault &Fault) {
  throw RaisedFault{Fault};
}

std::optional<ProcessorFault> CatchFault(Trigger Fire,
                                         std::uintptr_t Argument) {
  try {
    Fire(Argument);
  } catch (const RaisedFault &Raised) {
    return Raised.Fault;
  }
  return std::nullopt;
}

constexpr std::uint32_t CodeOf(int Signal, int SignalCode) {
  return static_cast<std::uint32_t>(Signal) << 16 |
         static_cast<std::uint32_t>(SignalCode);
}

std::uintptr_t AddressOf(const void *Pointer) {
  return reinterpret_cast<std::uintptr_t>(Pointer);
}

struct X87State {
  std::uint16_t Control;
  std::uint16_t Status;
  std::uint16_t Tag;
};

X87State ReadX87State() {
  // The 28-byte environment: control, status and tag words at bytes 0, 4, 8.
  // Storing it masks every exception, so the control word is loaded back.
  std::uint16_t Environment[14];
  __asm__ volatile("fnstenv %0\n\tfldcw %0" : "+m"(Environment));
  return {Environment[0], Environment[2], Environment[4]};
}

// Bit 6 of the control word is reserved and reads back as 1.
constexpr std::uint16_t ControlWordReadBack = 0x0040;

void ExpectResetX87UnitWithProgramControlWord() {
  const X87State State = ReadX87State();
  EXPECT_EQ(State.Control, FpuControlWord | ControlWordReadBack);
  EXPECT_EQ(State.Status, 0) << "pending exceptions or a non-empty stack";
  EXPECT_EQ(State.Tag, 0xFFFF) << "registers still in use";
}

struct FaultCase {
  const char *Name;
  Trigger Fire;
  std::uintptr_t Argument;
  const char *Site;
  FaultKind Kind;
  std::uint32_t Code;
  /// Checked with Access when given.
  std::optional<std::uintptr_t> DataAddress = std::nullopt;
  AccessKind Access = AccessKind::Read;
};

void ExpectRecord(const FaultCase &Case) {
  SCOPED_TRACE(Case.Name);
  const std::optional<ProcessorFault> Fault =
      CatchFault(Case.Fire, Case.Argument);
  ASSERT_TRUE(Fault.has_value()) << "no fault";
  EXPECT_EQ(Fault->Kind, Case.Kind);
  EXPECT_EQ(Fault->InstructionAddress, SiteAddress(Case.Site));
  EXPECT_EQ(Fault->Code, Case.Code);
  if (Case.DataAddress) {
    EXPECT_EQ(Fault->DataAddress, *Case.DataAddress);
    EXPECT_EQ(Fault->Access, Case.Access);
  }
  ExpectResetX87UnitWithProgramControlWord();
}

class ProcessorFaultTest : public ::testing::Test {
protected:
  void SetUp() override {
    __asm__ volatile("fnstcw %0" : "=m"(SavedControlWord));
    ResetFpuAndLoadControlWord();
    InstallFaultHandler(ThrowFault);
  }
  void TearDown() override {
    RemoveFaultHandler();
    __asm__ volatile("fninit\n\tfldcw %0" : : "m"(SavedControlWord));
  }

private:
  std::uint16_t SavedControlWord = 0;
};

/// Pages that fault when touched: read-only, inaccessible, unmapped, and a
/// shared mapping of an empty file (no page of the file exists).
class FaultingPages {
public:
  FaultingPages() {
    const auto PageSize = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const int File = memfd_create("empty", MFD_CLOEXEC);
    FileBase =
        mmap(nullptr, PageSize, PROT_READ | PROT_WRITE, MAP_SHARED, File, 0);
    close(File);
    // Last, so that no other mapping takes the hole.
    Base = static_cast<char *>(mmap(nullptr, 3 * PageSize, PROT_NONE,
                                    MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    mprotect(Base, PageSize, PROT_READ);
    munmap(Base + 2 * PageSize, PageSize);
    ReadOnly = AddressOf(Base);
    NoAccess = ReadOnly + PageSize;
    Unmapped = NoAccess + PageSize;
    PastFileEnd = AddressOf(FileBase);
    Size = PageSize;
  }
  ~FaultingPages() {
    munmap(Base, 2 * Size);
    munmap(FileBase, Size);
  }
  FaultingPages(const FaultingPages &) = delete;
  FaultingPages &operator=(const FaultingPages &) = delete;

  std::uintptr_t ReadOnly = 0, NoAccess = 0, Unmapped = 0, PastFileEnd = 0;

private:
  char *Base = nullptr;
  void *FileBase = nullptr;
  std::size_t Size = 0;
};

TEST_F(ProcessorFaultTest, BadMemoryAccessesAreAccessViolations) {
  const FaultingPages Pages;
  constexpr std::uintptr_t NonCanonical = 0x8000'0000'0000'0000;
  const FaultCase Cases[] = {
      {"read of address 0", TriggerLoad, 0, TriggerLoadSite,
       FaultKind::AccessViolation, CodeOf(SIGSEGV, SEGV_MAPERR), 0,
       AccessKind::Read},
      {"write near address 0", TriggerStore, 8, TriggerStoreSite,
       FaultKind::AccessViolation, CodeOf(SIGSEGV, SEGV_MAPERR), 8,
       AccessKind::Write},
      {"read of an unmapped page", TriggerLoad, Pages.Unmapped + 0x18,
       TriggerLoadSite, FaultKind::AccessViolation,
       CodeOf(SIGSEGV, SEGV_MAPERR), Pages.Unmapped + 0x18, AccessKind::Read},
      {"write to an unmapped page", TriggerStore, Pages.Unmapped + 0x20,
       TriggerStoreSite, FaultKind::AccessViolation,
       CodeOf(SIGSEGV, SEGV_MAPERR), Pages.Unmapped + 0x20, AccessKind::Write},
      {"read of an inaccessible page", TriggerLoad, Pages.NoAccess,
       TriggerLoadSite, FaultKind::AccessViolation,
       CodeOf(SIGSEGV, SEGV_ACCERR), Pages.NoAccess, AccessKind::Read},
      {"write to a read-only page", TriggerStore, Pages.ReadOnly + 4,
       TriggerStoreSite, FaultKind::AccessViolation,
       CodeOf(SIGSEGV, SEGV_ACCERR), Pages.ReadOnly + 4, AccessKind::Write},
      // A general-protection fault: the processor names no address.
      {"read of a non-canonical address", TriggerLoad, NonCanonical,
       TriggerLoadSite, FaultKind::AccessViolation, CodeOf(SIGSEGV, SI_KERNEL),
       UINTPTR_MAX, AccessKind::Read},
      {"read past the end of a mapped file", TriggerLoad, Pages.PastFileEnd,
       TriggerLoadSite, FaultKind::Other, CodeOf(SIGBUS, BUS_ADRERR)},
  };
  for (const FaultCase &Case : Cases)
    ExpectRecord(Case);
}

TEST_F(ProcessorFaultTest, ArithmeticFaultsFollowTheTrappedCondition) {
  // The program's control word traps invalid operations, zero divisors and
  // overflows; the other conditions trap only under other control words.
  static const std::uint16_t UnmaskedUnderflow = 0x1322;
  static const std::uint16_t UnmaskedDenormal = 0x1330;
  static const std::uint16_t UnmaskedInexact = 0x1312;
  const std::uintptr_t Program = AddressOf(&FpuControlWord);
  const FaultCase Cases[] = {
      {"integer division by zero", TriggerDivide, 0, TriggerDivideSite,
       FaultKind::IntDivideByZero, CodeOf(SIGFPE, FPE_INTDIV)},
      {"x87 division by zero", TriggerX87DivideByZero, Program,
       TriggerX87DivideByZeroSite, FaultKind::FloatDivideByZero,
       CodeOf(SIGFPE, FPE_FLTDIV)},
      {"x87 invalid operation", TriggerX87Invalid, Program,
       TriggerX87InvalidSite, FaultKind::FloatInvalidOperation,
       CodeOf(SIGFPE, FPE_FLTINV)},
      {"x87 register-stack overflow", TriggerX87StackOverflow, Program,
       TriggerX87StackOverflowSite, FaultKind::FloatInvalidOperation,
       CodeOf(SIGFPE, FPE_FLTINV)},
      {"x87 register-stack underflow", TriggerX87StackUnderflow, Program,
       TriggerX87StackUnderflowSite, FaultKind::FloatInvalidOperation,
       CodeOf(SIGFPE, FPE_FLTINV)},
      {"x87 overflow of the stored double", TriggerX87Overflow, Program,
       TriggerX87OverflowSite, FaultKind::FloatOverflow,
       CodeOf(SIGFPE, FPE_FLTOVF)},
      {"x87 underflow of the stored double", TriggerX87Underflow,
       AddressOf(&UnmaskedUnderflow), TriggerX87UnderflowSite,
       FaultKind::FloatUnderflow, CodeOf(SIGFPE, FPE_FLTUND)},
      {"x87 denormal operand", TriggerX87Denormal, AddressOf(&UnmaskedDenormal),
       TriggerX87DenormalSite, FaultKind::FloatDenormalOperand,
       CodeOf(SIGFPE, FPE_FLTUND)},
      {"x87 inexact result", TriggerX87Inexact, AddressOf(&UnmaskedInexact),
       TriggerX87InexactSite, FaultKind::FloatInexactResult,
       CodeOf(SIGFPE, FPE_FLTRES)},
  };
  for (const FaultCase &Case : Cases)
    ExpectRecord(Case);
}

TEST_F(ProcessorFaultTest, InstructionsUserModeMayNotRunArePrivileged) {
  const FaultCase Cases[] = {
      {"hlt", TriggerHlt, 0, TriggerHltSite, FaultKind::PrivilegedInstruction,
       CodeOf(SIGSEGV, SI_KERNEL)},
      {"cli", TriggerCli, 0, TriggerCliSite, FaultKind::PrivilegedInstruction,
       CodeOf(SIGSEGV, SI_KERNEL)},
      {"ud2, an undefined instruction", TriggerUd2, 0, TriggerUd2Site,
       FaultKind::Other, CodeOf(SIGILL, ILL_ILLOPN)},
  };
  for (const FaultCase &Case : Cases)
    ExpectRecord(Case);
}

TEST_F(ProcessorFaultTest, ACounterReadTheSystemBarsIsAPrivilegedInstruction) {
  if (prctl(PR_SET_TSC, PR_TSC_SIGSEGV) != 0) {
    // Only x86 kernels offer the setting; a sandbox may refuse it.
    const int Error = errno;
    GTEST_SKIP() << "the time-stamp counter cannot be barred here: "
                 << "prctl(PR_SET_TSC, PR_TSC_SIGSEGV) failed with "
                 << std::strerror(Error);
  }
  const FaultCase Case = {"rdtsc",
                          TriggerRdtsc,
                          0,
                          TriggerRdtscSite,
                          FaultKind::PrivilegedInstruction,
                          CodeOf(SIGSEGV, SI_KERNEL)};
  ExpectRecord(Case);
  prctl(PR_SET_TSC, PR_TSC_ENABLE);
}

// Each leaves a line in the log when its frame is unwound.
struct UnwindMark {
  std::vector<std::string> &Log;
  const char *Name;
  ~UnwindMark() { Log.push_back(Name); }
};

[[gnu::noinline]] void CallTrigger(std::vector<std::string> &Log, Trigger Fire,
                                   std::uintptr_t Argument) {
  UnwindMark Mark{Log, "caller of the faulting code"};
  Fire(Argument);
  Log.push_back("went on after the fault");
}

[[gnu::noinline]] void CallCaller(std::vector<std::string> &Log, Trigger Fire,
                                  std::uintptr_t Argument) {
  UnwindMark Mark{Log, "its caller"};
  CallTrigger(Log, Fire, Argument);
  Log.push_back("went on after the fault");
}

TEST_F(ProcessorFaultTest, UnwindingRunsTheCleanupOfTheFaultingCodesCallers) {
  const struct {
    const char *Name;
    Trigger Fire;
    std::uintptr_t Argument;
  } Cases[] = {
      {"segmentation fault", TriggerLoad, 0},
      {"x87 fault", TriggerX87DivideByZero, AddressOf(&FpuControlWord)},
      {"illegal instruction", TriggerUd2, 0},
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE(Case.Name);
    std::vector<std::string> Log;
    try {
      CallCaller(Log, Case.Fire, Case.Argument);
    } catch (const RaisedFault &) {
      Log.push_back("caught");
    }
    EXPECT_EQ(Log, (std::vector<std::string>{"caller of the faulting code",
                                             "its caller", "caught"}));
  }
}

bool IsBlocked(int Signal) {
  sigset_t Mask;
  pthread_sigmask(SIG_SETMASK, nullptr, &Mask);
  return sigismember(&Mask, Signal) == 1;
}

TEST_F(ProcessorFaultTest, AfterAThrowTheNextFaultIsDeliveredAgain) {
  const FaultingPages Pages;
  const struct {
    int Signal;
    Trigger Fire;
    std::uintptr_t Argument;
    FaultKind Kind;
  } Cases[] = {
      {SIGSEGV, TriggerLoad, 0, FaultKind::AccessViolation},
      {SIGFPE, TriggerX87DivideByZero, AddressOf(&FpuControlWord),
       FaultKind::FloatDivideByZero},
      {SIGILL, TriggerUd2, 0, FaultKind::Other},
      {SIGBUS, TriggerLoad, Pages.PastFileEnd, FaultKind::Other},
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE(strsignal(Case.Signal));
    for (int Round = 1; Round <= 2; ++Round) {
      const std::optional<ProcessorFault> Fault =
          CatchFault(Case.Fire, Case.Argument);
      ASSERT_TRUE(Fault.has_value()) << "round " << Round;
      EXPECT_EQ(Fault->Kind, Case.Kind) << "round " << Round;
      EXPECT_FALSE(IsBlocked(Case.Signal)) << "round " << Round;
    }
  }
  stack_t Stack;
  ASSERT_EQ(sigaltstack(nullptr, &Stack), 0);
  EXPECT_FALSE(Stack.ss_flags & SS_ONSTACK);
}

//===-- Stack overflow ----------------------------------------------------===//

// Calls itself through a pointer the compiler cannot see through, so that
// every call may throw and the recursion is neither removed nor flattened.
std::uintptr_t Descend(std::uintptr_t Depth) {
  volatile char Frame[256];
  Frame[0] = static_cast<char>(Depth);
  std::uintptr_t (*Next)(std::uintptr_t) = Descend;
  __asm__ volatile("" : "+r"(Next));
  return Next(Depth + 1) + static_cast<std::uintptr_t>(Frame[0]);
}

std::optional<ProcessorFault> CatchOverflow() {
  try {
    Descend(0);
  } catch (const RaisedFault &Raised) {
    return Raised.Fault;
  }
  return std::nullopt;
}

/// The top of the main stack, from /proc/self/maps.
std::uintptr_t MainStackTop() {
  std::ifstream Maps("/proc/self/maps");
  std::string Line;
  while (std::getline(Maps, Line)) {
    if (Line.size() > 7 && Line.compare(Line.size() - 7, 7, "[stack]") == 0) {
      std::istringstream Fields(Line.substr(Line.find('-') + 1));
      std::uintptr_t Top = 0;
      Fields >> std::hex >> Top;
      return Top;
    }
  }
  return 0;
}

constexpr rlim_t ChildStackLimit = 1 << 20;

// For the children of death tests: a limit on the main stack that keeps
// the recursion short, and no core files.
void LimitChild() {
  rlimit Limit{};
  getrlimit(RLIMIT_STACK, &Limit);
  Limit.rlim_cur = ChildStackLimit;
  setrlimit(RLIMIT_STACK, &Limit);
  const rlimit NoCore{0, 0};
  setrlimit(RLIMIT_CORE, &NoCore);
}

[[noreturn]] void ExitWith(bool Ok, const char *What,
                           const std::optional<ProcessorFault> &Fault) {
  if (!Ok) {
    std::fprintf(stderr, "%s: %s, kind %d, data address %#jx\n", What,
                 Fault ? "fault" : "no fault",
                 Fault ? static_cast<int>(Fault->Kind) : -1,
                 Fault ? static_cast<std::uintmax_t>(Fault->DataAddress) : 0);
  }
  std::fflush(stderr);
  _exit(Ok ? 0 : 1);
}

bool IsOverflow(const std::optional<ProcessorFault> &Fault) {
  return Fault && Fault->Kind == FaultKind::StackOverflow;
}

[[noreturn]] void OverflowTheMainStackTwice() {
  LimitChild();
  InstallFaultHandler(ThrowFault);
  const std::optional<ProcessorFault> First = CatchOverflow();
  if (!IsOverflow(First))
    ExitWith(false, "first overflow", First);
  const std::optional<ProcessorFault> Second = CatchOverflow();
  ExitWith(IsOverflow(Second), "second overflow", Second);
}

TEST_F(ProcessorFaultTest, AnOverflowOfTheMainStackIsAStackOverflow) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(OverflowTheMainStackTwice(), ::testing::ExitedWithCode(0), "");
}

// Far from the stack pointer, only the main stack's limit tells an
// overflow from a stray access.
[[noreturn]] void ReadBelowTheMainStackLimit(std::uintptr_t Distance,
                                             FaultKind Expected) {
  LimitChild();
  InstallFaultHandler(ThrowFault);
  const std::uintptr_t Address = MainStackTop() - ChildStackLimit - Distance;
  const std::optional<ProcessorFault> Fault = CatchFault(TriggerLoad, Address);
  ExitWith(Fault && Fault->Kind == Expected && Fault->DataAddress == Address,
           "read below the limit", Fault);
}

TEST_F(ProcessorFaultTest, AFaultJustBelowTheMainStackLimitIsAStackOverflow) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(ReadBelowTheMainStackLimit(16 << 10, FaultKind::StackOverflow),
              ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(ReadBelowTheMainStackLimit(16 << 20, FaultKind::AccessViolation),
              ::testing::ExitedWithCode(0), "");
}

// A stack of its own with an inaccessible guard page at its low end.
std::optional<ProcessorFault> SideStackFault;
ucontext_t MainContext;

void OverflowSideStack() { SideStackFault = CatchOverflow(); }

TEST_F(ProcessorFaultTest, AnOverflowOfAnotherStackIsFoundByTheStackPointer) {
  const auto PageSize = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  const std::size_t Size = 64 * PageSize;
  auto *Stack = static_cast<char *>(mmap(nullptr, Size, PROT_READ | PROT_WRITE,
                                         MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(Stack, MAP_FAILED);
  ASSERT_EQ(mprotect(Stack, PageSize, PROT_NONE), 0);
  ucontext_t Side;
  ASSERT_EQ(getcontext(&Side), 0);
  Side.uc_stack.ss_sp = Stack;
  Side.uc_stack.ss_size = Size;
  Side.uc_link = &MainContext;
  makecontext(&Side, OverflowSideStack, 0);
  SideStackFault.reset();
  ASSERT_EQ(swapcontext(&MainContext, &Side), 0);
  munmap(Stack, Size);
  ASSERT_TRUE(SideStackFault.has_value());
  EXPECT_EQ(SideStackFault->Kind, FaultKind::StackOverflow);
  EXPECT_LT(SideStackFault->DataAddress - AddressOf(Stack), PageSize);
}

//===-- Faults the handler does not turn into exceptions ------------------===//

void ReturningHandler(const ProcessorFault &) {}
void FaultingHandler(const ProcessorFault &) {
  // Once only: the fault inside it must not call it again.
  const char Entered[] = "entered\n";
  [[maybe_unused]] const ssize_t Written =
      write(STDERR_FILENO, Entered, sizeof Entered - 1);
  TriggerLoad(0);
}
[[noreturn]] void ExitingHandler(const ProcessorFault &) { _exit(3); }

[[noreturn]] void FaultUnder(FaultHandler Handler, bool SentByProcess) {
  LimitChild();
  InstallFaultHandler(Handler);
  if (SentByProcess)
    raise(SIGSEGV);
  else
    TriggerLoad(0);
  _exit(4);
}

TEST_F(ProcessorFaultTest,
       FaultsThatRaiseNoExceptionGetTheSystemsDefaultAction) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(FaultUnder(ReturningHandler, false),
              ::testing::KilledBySignal(SIGSEGV), "")
      << "a handler that returns";
  EXPECT_EXIT(FaultUnder(FaultingHandler, false),
              ::testing::KilledBySignal(SIGSEGV), "^entered\n$")
      << "a handler that faults itself";
  EXPECT_EXIT(FaultUnder(ExitingHandler, true),
              ::testing::KilledBySignal(SIGSEGV), "")
      << "a signal sent by a process";
}

TEST(ProcessorFaultRemovalTest, RemovingGivesTheSignalsBackToTheSystem) {
  InstallFaultHandler(ThrowFault);
  RemoveFaultHandler();
  for (const int Signal : {SIGSEGV, SIGFPE, SIGILL, SIGBUS}) {
    struct sigaction Current {};
    ASSERT_EQ(sigaction(Signal, nullptr, &Current), 0);
    EXPECT_EQ(Current.sa_handler, SIG_DFL) << strsignal(Signal);
  }
  stack_t Stack;
  ASSERT_EQ(sigaltstack(nullptr, &Stack), 0);
  EXPECT_TRUE(Stack.ss_flags & SS_DISABLE);
}

} // namespace
} // namespace test
} // namespace vexmor
