//===- tests/meter/recording_console.h - Standard output, recorded -===//
//
// Stands in for the platform's standard handles in the stream's tests: the
// test chooses whether standard output exists and what kind it is, which
// writes fail with which code, and sees every write made.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_TESTS_METER_RECORDING_CONSOLE_H
#define VEXMOR_TESTS_METER_RECORDING_CONSOLE_H

#include "platform/console_output.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace vexmor::test {

struct RecordingConsole {
  bool HasStandardOutput = true;
  HandleKind Kind = HandleKind::Char;
  /// Result of each coming write, in order; 0 (success) once used up.
  std::deque<std::int32_t> WriteResults;
  /// Bytes of every write made, failed ones included.
  std::vector<std::string> Writes;
  int Opens = 0;
  int Closes = 0;

  std::string AllBytes() const;
};

/// The console the stand-in functions act on.
extern RecordingConsole Console;

} // namespace vexmor::test

#endif // VEXMOR_TESTS_METER_RECORDING_CONSOLE_H
