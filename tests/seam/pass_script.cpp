//===- tests/seam/pass_script.cpp - Counter reads from a script -*- C++ -*-===//

#include "pass_script.h"

#include "timer/amd_rdtsc.h"

#include <charconv>
#include <string_view>
#include <unistd.h>

namespace vexmor {
namespace seam {
namespace {

PassScript Script;
std::uint64_t ReadsDone = 0;
std::size_t NextPass = 0;

bool ParseInt64(std::string_view Text, std::int64_t &Value) {
  const char *End = Text.data() + Text.size();
  auto [Ptr, Ec] = std::from_chars(Text.data(), End, Value);
  return Ec == std::errc() && Ptr == End && !Text.empty();
}

} // namespace

std::optional<PassScript> ParsePassScript(int Argc, const char *const *Argv,
                                          std::string &Error) {
  PassScript Parsed;
  constexpr std::string_view CorrectionFlag = "--correction=";
  for (int I = 1; I < Argc; ++I) {
    std::string_view Arg = Argv[I];
    if (Arg.starts_with(CorrectionFlag)) {
      if (!ParseInt64(Arg.substr(CorrectionFlag.size()), Parsed.Correction)) {
        Error = "bad correction: " + std::string(Arg);
        return std::nullopt;
      }
      continue;
    }
    std::int64_t Count = 0;
    if (!ParseInt64(Arg, Count)) {
      Error = "bad pass: " + std::string(Arg);
      return std::nullopt;
    }
    Parsed.Passes.push_back(Count);
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
  if (Read < CalibrationReads)
    return IsStop ? WrappingAdd(Base, Script.Correction) : Base;
  if (!IsStop)
    return Base;
  if (NextPass == Script.Passes.size())
    _exit(SeamScriptEndStatus);
  const std::int64_t Count = Script.Passes[NextPass++];
  return WrappingAdd(WrappingAdd(Base, Count), Script.Correction);
}

} // namespace vexmor
