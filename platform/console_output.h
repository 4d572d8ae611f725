//===- platform/console_output.h - Standard handles and writing -*- C++ -*-===//
//
// What the output stream and the failure report need of the operating
// system: the standard handles, what kind of file a handle is, and one
// synchronous write of a block of bytes.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_PLATFORM_CONSOLE_OUTPUT_H
#define VEXMOR_PLATFORM_CONSOLE_OUTPUT_H

#include <cstdint>

namespace vexmor {

/// A file descriptor on POSIX, a HANDLE on Windows.
using OutputHandle = std::intptr_t;
inline constexpr OutputHandle InvalidOutputHandle = -1;

enum class HandleKind {
  Unknown, ///< The kind could not be found: the handle is unusable.
  Char,    ///< A character device: a console or terminal, /dev/null.
  Disk,    ///< A file on disk (or a block device).
  Pipe,    ///< A pipe or socket.
};

/// The process's standard output, or InvalidOutputHandle when it has none.
OutputHandle StandardOutputHandle();

/// The process's standard error, or InvalidOutputHandle when it has none.
OutputHandle StandardErrorHandle();

HandleKind QueryHandleKind(OutputHandle Handle);

/// Hands Count bytes to the system in one synchronous write. Returns 0 on
/// success, else the system's error code, unchanged.
std::int32_t WriteToHandle(OutputHandle Handle, const char *Bytes,
                           std::uint32_t Count);

void CloseOutputHandle(OutputHandle Handle);

/// Converts Length bytes of Text in place from the program's character set
/// to the console's; the same bytes where the two do not differ. Text ends
/// with a zero byte at Text[Length].
void ConvertToConsoleCodePage(char *Text, std::uint32_t Length);

} // namespace vexmor

#endif // VEXMOR_PLATFORM_CONSOLE_OUTPUT_H
