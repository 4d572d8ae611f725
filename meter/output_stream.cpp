//===- meter/output_stream.cpp - The buffered standard output ---*- C++ -*-===//

#include "meter/output_stream.h"

#include "shared/exceptions.h"
#include "shared/message_texts.h"

#include <cstring>

namespace vexmor {

OutputStreamState OutputStream;
thread_local std::int32_t PendingIoError = 0;

void OutputOpen() {
  OutputStream.Fill = 0;
  OutputStream.Handle = StandardOutputHandle();
  if (OutputStream.Handle == InvalidOutputHandle)
    return;
  switch (QueryHandleKind(OutputStream.Handle)) {
  case HandleKind::Unknown:
    CloseOutputHandle(OutputStream.Handle);
    return;
  case HandleKind::Char:
    OutputStream.FlushOnStatementEnd = true;
    break;
  case HandleKind::Disk:
  case HandleKind::Pipe:
    OutputStream.FlushOnStatementEnd = false;
    break;
  }
  OutputStream.IsOpen = true;
}

void OutputWrite(std::string_view Bytes) {
  if (!OutputStream.IsOpen) {
    OutputOpen();
    if (!OutputStream.IsOpen) {
      PendingIoError = OutputOpenFailedCode;
      return;
    }
  }
  for (;;) {
    const std::uint32_t Room = OutputBufferSize - OutputStream.Fill;
    if (Room > Bytes.size()) {
      std::memcpy(OutputStream.Buffer + OutputStream.Fill, Bytes.data(),
                  Bytes.size());
      OutputStream.Fill += static_cast<std::uint32_t>(Bytes.size());
      return;
    }
    std::memcpy(OutputStream.Buffer + OutputStream.Fill, Bytes.data(), Room);
    OutputStream.Fill = OutputBufferSize;
    Bytes.remove_prefix(Room);
    if (const std::int32_t Code = OutputWriteOut()) {
      PendingIoError = Code; // the rest of this call is dropped
      return;
    }
  }
}

void OutputWriteLn() {
  OutputWrite("\r\n");
  OutputFlush();
}

void OutputFlush() {
  if (!OutputStream.IsOpen || !OutputStream.FlushOnStatementEnd)
    return;
  if (const std::int32_t Code = OutputWriteOut())
    PendingIoError = Code;
}

std::int32_t OutputWriteOut() {
  if (!OutputStream.IsOpen || OutputStream.Fill == 0)
    return 0;
  const std::int32_t Code = WriteToHandle(
      OutputStream.Handle, OutputStream.Buffer, OutputStream.Fill);
  OutputStream.Fill = 0;
  return Code;
}

void OutputClose() {
  if (OutputStream.IsOpen)
    OutputWriteOut();
}

void IoCheck() {
  if (PendingIoError == 0)
    return;
  const std::int32_t Code = PendingIoError;
  PendingIoError = 0;
  throw EInOutError(
      Code, IoErrorMessage(Code),
      reinterpret_cast<std::uintptr_t>(__builtin_return_address(0)));
}

} // namespace vexmor
