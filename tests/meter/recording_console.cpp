//===- tests/meter/recording_console.cpp - Standard output, recorded -===//

#include "recording_console.h"

namespace vexmor {

namespace test {

RecordingConsole Console;

std::string RecordingConsole::AllBytes() const {
  std::string All;
  for (const std::string &Write : Writes)
    All += Write;
  return All;
}

} // namespace test

constexpr OutputHandle RecordedHandle = 1;

OutputHandle StandardOutputHandle() {
  ++test::Console.Opens;
  return test::Console.HasStandardOutput ? RecordedHandle : InvalidOutputHandle;
}

OutputHandle StandardErrorHandle() { return InvalidOutputHandle; }

HandleKind QueryHandleKind(OutputHandle) { return test::Console.Kind; }

std::int32_t WriteToHandle(OutputHandle Handle, const char *Bytes,
                           std::uint32_t Count) {
  if (Handle != RecordedHandle)
    return 6; // not a handle the stream was given
  test::Console.Writes.emplace_back(Bytes, Count);
  if (test::Console.WriteResults.empty())
    return 0;
  const std::int32_t Result = test::Console.WriteResults.front();
  test::Console.WriteResults.pop_front();
  return Result;
}

void CloseOutputHandle(OutputHandle) { ++test::Console.Closes; }

void ConvertToConsoleCodePage(char *, std::uint32_t) {}

} // namespace vexmor
