//===- tests/seam/pass_script.h - Counter reads from a script ---*- C++ -*-===//
//
// The test seam runs the real program with a scripted counter. Its command
// line is the script:
//
//   vexmor-seam [--correction=C] PASS...
//
// The calibration's 1000 pairs each read C ticks apart (C defaults to 0), so
// Correction becomes C. Each PASS is the corrected count TimerStop returns
// for that pass of the main block. When the script has no pass left the
// process ends at once with SeamScriptEndStatus, writing nothing more.
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

struct PassScript {
  std::int64_t Correction = 0;
  std::vector<std::int64_t> Passes;
};

/// Reads the script from the command line; nullopt and a message in Error
/// when an argument is not understood.
std::optional<PassScript> ParsePassScript(int Argc, const char *const *Argv,
                                          std::string &Error);

/// Installs the script the counter reads follow.
void InstallPassScript(PassScript Script);

} // namespace vexmor::seam

#endif // VEXMOR_TESTS_SEAM_PASS_SCRIPT_H
