//===- frame/message_texts.h - Every text a failure prints ------*- C++ -*-===//
//
// One table holds every message text the frame prints, each under an
// identifier. Start-up loads it; until then, and when nothing replaces
// them, the program's own texts are in use.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_FRAME_MESSAGE_TEXTS_H
#define VEXMOR_FRAME_MESSAGE_TEXTS_H

#include <cstdint>
#include <string>

namespace vexmor {

/// The identifiers double as the string-table resource numbers of the
/// Windows build, so their values never change.
enum class MessageId : std::uint16_t {
  ReportTemplate = 1,
  FileNotFound,
  InvalidFilename,
  TooManyOpenFiles,
  FileAccessDenied,
  ReadBeyondEndOfFile,
  DiskFull,
  InvalidNumericInput,
  InOutError,
  ZeroDivide,
  InvalidOp,
  Overflow,
  Underflow,
  OutOfMemory,
  AccessViolationInModule,
  AccessViolation,
  ReadAccess,
  WriteAccess,
  RangeError,
  DivByZero,
  IntOverflow,
  Privilege,
  StackOverflow,
  ControlC,
  ExternalException,
};

inline constexpr std::uint16_t MessageCount = 25;

/// Longest text a message may have, in characters.
inline constexpr std::size_t MaxMessageLength = 1023;

/// The program's own text for Id.
const char *BuiltInMessageText(MessageId Id);

/// The text in use for Id.
const char *MessageText(MessageId Id);

/// Loads the message texts (the start-up step of the formatting set-up).
void LoadMessageTexts();

/// The message an output error code selects.
std::string IoErrorMessage(std::int32_t Code);

} // namespace vexmor

#endif // VEXMOR_FRAME_MESSAGE_TEXTS_H
