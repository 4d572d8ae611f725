//===- meter/output_stream.h - The buffered standard output -----*- C++ -*-===//
//
// Everything the program writes in normal operation goes through one stream
// on standard output with a fixed 128-byte buffer. On a console (a character
// device) every statement's bytes are handed over at its end, in one write;
// on any other kind of handle only full 128-byte blocks go out while the
// program runs, and the rest only on the way out.
//
// Output operations never raise: a failure records its error code in
// PendingIoError and the statement goes on. IoCheck, run once after each
// statement, raises the recorded error as EInOutError.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_METER_OUTPUT_STREAM_H
#define VEXMOR_METER_OUTPUT_STREAM_H

#include "platform/console_output.h"

#include <cstdint>
#include <string_view>

namespace vexmor {

inline constexpr std::uint32_t OutputBufferSize = 128;

/// The code recorded when standard output cannot be opened.
inline constexpr std::int32_t OutputOpenFailedCode = 105;

struct OutputStreamState {
  /// Standard output as taken at the open.
  OutputHandle Handle = InvalidOutputHandle;
  /// False until the first write opens the stream.
  bool IsOpen = false;
  /// True on a character device: every statement's end hands its bytes over.
  bool FlushOnStatementEnd = false;
  /// Bytes held in Buffer; 0 to 127 between operations.
  std::uint32_t Fill = 0;
  char Buffer[OutputBufferSize] = {};
};

/// The one stream on standard output; it lives from start-up to exit.
extern OutputStreamState OutputStream;

/// The error code of the latest failed operation on this thread, 0 for none.
/// Only IoCheck reads and clears it.
extern thread_local std::int32_t PendingIoError;

/// Takes standard output and finds its kind; run by OutputWrite while the
/// stream is closed.
void OutputOpen();

/// Appends bytes, handing over each block of 128 as it fills.
void OutputWrite(std::string_view Bytes);

/// Appends CR LF and ends the statement.
void OutputWriteLn();

/// Ends a statement without a line end.
void OutputFlush();

/// Hands the held bytes to the system whatever the kind of handle (none
/// while the stream is closed: it holds none then). Returns
/// 0 or the system's error code; the held bytes are gone either way.
std::int32_t OutputWriteOut();

/// The stream's part of the end of the process: hands over what it holds.
/// Standard output itself stays open.
void OutputClose();

/// Raises EInOutError for a recorded error, clearing it. Its failure
/// address is the point just after the call, so every statement's check
/// has its own.
[[gnu::noinline]] void IoCheck();

} // namespace vexmor

#endif // VEXMOR_METER_OUTPUT_STREAM_H
