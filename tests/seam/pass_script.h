//===- tests/seam/pass_script.h - Counter reads from a script ---*- C++ -*-===//
//
// The test seam runs the real program with a scripted counter. Its command
// line is the script:
//
//   vexmor-seam [--correction=C] [--calibration-fault=FAULT]
//               [--keyboard=TYPE:SUBTYPE] PASS...
//
// The calibration's 1000 pairs each read C ticks apart (C defaults to 0), so
// Correction becomes C. With --calibration-fault, the calibration's first
// read raises FAULT instead (segv-read, segv-write, int-div, privileged or
// stack, as below): a failure during start-up. On Windows, --keyboard makes
// the start-up see that keyboard type and OEM subtype (both hexadecimal, as
// 7:0D01) instead of the system's. Each PASS is one pass of the main block:
//
//   N            TimerStop returns the corrected count N
//   segv-read    TimerStop reads the unmapped address 0x10
//   segv-write   TimerStop writes to the unmapped address 0x10
//   int-div      TimerStop divides an integer by zero
//   privileged   TimerStop executes a privileged instruction (hlt)
//   stack        TimerStop recurses until the stack overflows
//   illegal      TimerStop executes an undefined instruction (ud2)
//   bus          TimerStop reads a mapped file past its end (POSIX only)
//   oom:N        every allocation fails from now on; TimerStop returns N
//   wait:N       TimerStop waits for a byte (or the end) on standard input,
//                then returns N: the test sees what was written before
//
// When the script has no pass left the process ends at once with
// SeamScriptEndStatus, writing nothing more.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_TESTS_SEAM_PASS_SCRIPT_H
#define VEXMOR_TESTS_SEAM_PASS_SCRIPT_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexmor::seam {

inline constexpr int SeamScriptEndStatus = 3;

enum class PassAction {
  Count,
  SegvRead,
  SegvWrite,
  IntDivide,
  Privileged,
  StackOverflow,
  Illegal,
  BusError,
  OutOfMemory,
  Wait,
};

struct Pass {
  PassAction Action = PassAction::Count;
  std::int64_t Count = 0;
};

struct KeyboardType {
  int Type = 0;
  int Subtype = 0;
};

struct PassScript {
  std::int64_t Correction = 0;
  std::optional<KeyboardType> Keyboard;
  std::optional<PassAction> CalibrationFault;
  std::vector<Pass> Passes;
};

/// Reads the script from the command line; nullopt and a message in Error
/// when an argument is not understood.
std::optional<PassScript> ParsePassScript(int Argc, const char *const *Argv,
                                          std::string &Error);

/// Installs the script the counter reads follow.
void InstallPassScript(PassScript Script);

/// Set by an oom pass: the seam's allocator fails every request from then on.
extern bool AllocationsFail;

} // namespace vexmor::seam

#endif // VEXMOR_TESTS_SEAM_PASS_SCRIPT_H
