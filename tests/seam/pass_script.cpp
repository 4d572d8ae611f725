//===- tests/seam/pass_script.cpp - Counter reads from a script -*- C++ -*-===//

#include "pass_script.h"

#include "timer/amd_rdtsc.h"

#include <cerrno>
#include <charconv>
#include <string_view>
#include <unistd.h>
#if !defined(_WIN32)
#include <sys/mman.h>
#endif

namespace vexmor {
namespace seam {

bool AllocationsFail = false;

namespace {

PassScript Script;
std::uint64_t ReadsDone = 0;
std::size_t NextPass = 0;

bool ParseInt64(std::string_view Text, std::int64_t &Value) {
  const char *End = Text.data() + Text.size();
  auto [Ptr, Ec] = std::from_chars(Text.data(), End, Value);
  return Ec == std::errc() && Ptr == End && !Text.empty();
}

/// TYPE:SUBTYPE, both hexadecimal.
std::optional<KeyboardType> ParseKeyboard(std::string_view Text) {
  const auto Colon = Text.find(':');
  if (Colon == std::string_view::npos)
    return std::nullopt;
  KeyboardType Parsed;
  const auto ParseHex = [](std::string_view Digits, int &Value) {
    const char *End = Digits.data() + Digits.size();
    auto [Ptr, Ec] = std::from_chars(Digits.data(), End, Value, 16);
    return Ec == std::errc() && Ptr == End && !Digits.empty();
  };
  if (!ParseHex(Text.substr(0, Colon), Parsed.Type) ||
      !ParseHex(Text.substr(Colon + 1), Parsed.Subtype))
    return std::nullopt;
  return Parsed;
}

std::optional<PassAction> ParseFault(std::string_view Arg) {
  constexpr struct {
    std::string_view Name;
    PassAction Action;
  } Faults[] = {
      {"segv-read", PassAction::SegvRead},
      {"segv-write", PassAction::SegvWrite},
      {"int-div", PassAction::IntDivide},
      {"privileged", PassAction::Privileged},
      {"stack", PassAction::StackOverflow},
      {"illegal", PassAction::Illegal},
  };
  for (const auto &Fault : Faults)
    if (Arg == Fault.Name)
      return Fault.Action;
#if !defined(_WIN32)
  if (Arg == "bus")
    return PassAction::BusError;
#endif
  return std::nullopt;
}

std::optional<Pass> ParsePass(std::string_view Arg) {
  if (const std::optional<PassAction> Fault = ParseFault(Arg))
    return Pass{*Fault, 0};
  Pass Parsed;
  if (Arg.starts_with("oom:")) {
    Parsed.Action = PassAction::OutOfMemory;
    Arg.remove_prefix(4);
  } else if (Arg.starts_with("wait:")) {
    Parsed.Action = PassAction::Wait;
    Arg.remove_prefix(5);
  }
  if (!ParseInt64(Arg, Parsed.Count))
    return std::nullopt;
  return Parsed;
}

// Never reached: hides from the compiler that the recursion has no end.
volatile std::int64_t RecursionLimit = -1;
// Not a pointer constant, so that the compiler does not judge the access.
volatile std::uintptr_t UnmappedAddress = 0x10;

// Each frame holds a page the optimiser cannot drop, so the recursion
// reaches the end of the stack quickly.
[[gnu::noinline]] std::int64_t Recurse(std::int64_t Depth) {
  volatile char Page[4096];
  Page[0] = static_cast<char>(Depth);
  if (Depth == RecursionLimit)
    return 0;
  return Recurse(Depth + 1) + Page[0];
}

/// A page mapped from an empty file: reading it is a bus error.
[[gnu::noinline]] std::int64_t ReadPastEndOfFile() {
#if defined(_WIN32)
  return 0;
#else
  const int Fd = memfd_create("vexmor-seam-empty", 0);
  void *Page = mmap(nullptr, 4096, PROT_READ, MAP_SHARED, Fd, 0);
  if (Page == MAP_FAILED)
    return 0;
  return *static_cast<volatile const char *>(Page);
#endif
}

[[gnu::noinline]] std::int64_t RunFault(PassAction Action) {
  volatile int *const Unmapped =
      reinterpret_cast<volatile int *>(UnmappedAddress);
  volatile int Zero = 0;
  switch (Action) {
  case PassAction::SegvRead:
    return *Unmapped;
  case PassAction::SegvWrite:
    *Unmapped = 1;
    return 0;
  case PassAction::IntDivide: {
    // Machine code: a C++ division by zero is undefined and may be dropped.
    int Quotient = 1;
    __asm__ volatile("cltd\n\tidivl %1" : "+a"(Quotient) : "r"(Zero) : "edx");
    return Quotient;
  }
  case PassAction::Privileged:
    __asm__ volatile("hlt");
    return 0;
  case PassAction::StackOverflow:
    return Recurse(0);
  case PassAction::Illegal:
    __asm__ volatile("ud2");
    return 0;
  case PassAction::BusError:
    return ReadPastEndOfFile();
  case PassAction::Count:
  case PassAction::OutOfMemory:
  case PassAction::Wait:
    break;
  }
  return 0;
}

} // namespace

std::optional<PassScript> ParsePassScript(int Argc, const char *const *Argv,
                                          std::string &Error) {
  PassScript Parsed;
  constexpr std::string_view CorrectionFlag = "--correction=";
  constexpr std::string_view CalibrationFaultFlag = "--calibration-fault=";
  constexpr std::string_view KeyboardFlag = "--keyboard=";
  for (int I = 1; I < Argc; ++I) {
    std::string_view Arg = Argv[I];
    if (Arg.starts_with(CorrectionFlag)) {
      if (!ParseInt64(Arg.substr(CorrectionFlag.size()), Parsed.Correction)) {
        Error = "bad correction: " + std::string(Arg);
        return std::nullopt;
      }
      continue;
    }
    if (Arg.starts_with(CalibrationFaultFlag)) {
      Parsed.CalibrationFault =
          ParseFault(Arg.substr(CalibrationFaultFlag.size()));
      if (!Parsed.CalibrationFault) {
        Error = "bad calibration fault: " + std::string(Arg);
        return std::nullopt;
      }
      continue;
    }
    if (Arg.starts_with(KeyboardFlag)) {
      Parsed.Keyboard = ParseKeyboard(Arg.substr(KeyboardFlag.size()));
      if (!Parsed.Keyboard) {
        Error = "bad keyboard: " + std::string(Arg);
        return std::nullopt;
      }
      continue;
    }
    const std::optional<Pass> Next = ParsePass(Arg);
    if (!Next) {
      Error = "bad pass: " + std::string(Arg);
      return std::nullopt;
    }
    Parsed.Passes.push_back(*Next);
  }
  return Parsed;
}

void InstallPassScript(PassScript NewScript) {
  Script = std::move(NewScript);
  ReadsDone = 0;
  NextPass = 0;
}

} // namespace seam

// Calibration reads come in pairs Correction ticks apart; after them each
// pass is a start read followed by a stop read that is the scripted count
// (plus the correction TimerStop takes off again) later.
std::int64_t ScriptedCounterRead() {
  using namespace seam;
  constexpr std::uint64_t CalibrationReads = 2 * CalibrationPasses;
  constexpr std::int64_t Spacing = 1000000;
  const std::uint64_t Read = ReadsDone++;
  const auto Base = static_cast<std::int64_t>(Read / 2) * Spacing;
  const bool IsStop = Read % 2 == 1;
  if (Read == 0 && Script.CalibrationFault)
    return RunFault(*Script.CalibrationFault);
  if (Read < CalibrationReads)
    return IsStop ? WrappingAdd(Base, Script.Correction) : Base;
  if (!IsStop)
    return Base;
  if (NextPass == Script.Passes.size())
    _exit(SeamScriptEndStatus);
  const Pass &This = Script.Passes[NextPass++];
  switch (This.Action) {
  case PassAction::Count:
    break;
  case PassAction::OutOfMemory:
    AllocationsFail = true;
    break;
  case PassAction::Wait: {
    char Byte;
    while (read(STDIN_FILENO, &Byte, 1) < 0 && errno == EINTR) {
    }
    break;
  }
  default:
    return RunFault(This.Action);
  }
  return WrappingAdd(WrappingAdd(Base, This.Count), Script.Correction);
}

} // namespace vexmor
