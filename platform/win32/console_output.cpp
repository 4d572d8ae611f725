//===- platform/win32/console_output.cpp - Standard handles on Windows ---===//

#include "platform/console_output.h"

#include <windows.h>

namespace vexmor {
namespace {

HANDLE AsHandle(OutputHandle Handle) {
  return reinterpret_cast<HANDLE>(Handle);
}

// INVALID_HANDLE_VALUE is all ones, so it becomes InvalidOutputHandle; a
// null handle (a process started without one) stays a handle, whose kind
// then comes out unknown.
OutputHandle FromHandle(HANDLE Handle) {
  return reinterpret_cast<OutputHandle>(Handle);
}

} // namespace

OutputHandle StandardOutputHandle() {
  return FromHandle(GetStdHandle(STD_OUTPUT_HANDLE));
}

OutputHandle StandardErrorHandle() {
  return FromHandle(GetStdHandle(STD_ERROR_HANDLE));
}

HandleKind QueryHandleKind(OutputHandle Handle) {
  switch (GetFileType(AsHandle(Handle))) {
  case FILE_TYPE_UNKNOWN: // also what a missing or invalid handle gives
    return HandleKind::Unknown;
  case FILE_TYPE_CHAR:
    return HandleKind::Char;
  case FILE_TYPE_PIPE:
    return HandleKind::Pipe;
  default: // a disk file, or a remote one
    return HandleKind::Disk;
  }
}

std::int32_t WriteToHandle(OutputHandle Handle, const char *Bytes,
                           std::uint32_t Count) {
  DWORD Written = 0; // not looked at: a short write counts as success
  if (WriteFile(AsHandle(Handle), Bytes, Count, &Written, nullptr))
    return 0;
  return static_cast<std::int32_t>(GetLastError());
}

void CloseOutputHandle(OutputHandle Handle) { CloseHandle(AsHandle(Handle)); }

void ConvertToConsoleCodePage(char *Text, std::uint32_t) {
  CharToOemA(Text, Text);
}

} // namespace vexmor
