//===- frame/message_texts.cpp - Every text a failure prints ----*- C++ -*-===//

#include "frame/message_texts.h"

#include "frame/message_format.h"

namespace vexmor {
namespace {

struct BuiltInText {
  MessageId Id;
  const char *Text;
};

constexpr BuiltInText BuiltInTexts[MessageCount] = {
    {MessageId::ReportTemplate, "Exception %s in module %s at %p.\r\n%s%s\r\n"},
    {MessageId::FileNotFound, "File not found"},
    {MessageId::InvalidFilename, "Invalid filename"},
    {MessageId::TooManyOpenFiles, "Too many open files"},
    {MessageId::FileAccessDenied, "File access denied"},
    {MessageId::ReadBeyondEndOfFile, "Read beyond end of file"},
    {MessageId::DiskFull, "Disk full"},
    {MessageId::InvalidNumericInput, "Invalid numeric input"},
    {MessageId::InOutError, "I/O error %d"},
    {MessageId::ZeroDivide, "Floating point division by zero"},
    {MessageId::InvalidOp, "Invalid floating point operation"},
    {MessageId::Overflow, "Floating point overflow"},
    {MessageId::Underflow, "Floating point underflow"},
    {MessageId::OutOfMemory, "Out of memory"},
    {MessageId::AccessViolationInModule,
     "Access violation at address %p in module '%s'. %s of address %p"},
    {MessageId::AccessViolation,
     "Access violation at address %p. %s of address %p"},
    {MessageId::ReadAccess, "Read"},
    {MessageId::WriteAccess, "Write"},
    {MessageId::RangeError, "Range check error"},
    {MessageId::DivByZero, "Division by zero"},
    {MessageId::IntOverflow, "Integer overflow"},
    {MessageId::Privilege, "Privileged instruction"},
    {MessageId::StackOverflow, "Stack overflow"},
    {MessageId::ControlC, "Control-C hit"},
    {MessageId::ExternalException, "External exception %x"},
};

constexpr bool TableIsInIdOrder() {
  for (std::uint16_t I = 0; I < MessageCount; ++I)
    if (static_cast<std::uint16_t>(BuiltInTexts[I].Id) != I + 1)
      return false;
  return true;
}
static_assert(TableIsInIdOrder(), "message texts must be listed by id");

std::size_t IndexOf(MessageId Id) {
  return static_cast<std::size_t>(Id) - 1;
}

} // namespace

const char *BuiltInMessageText(MessageId Id) {
  return BuiltInTexts[IndexOf(Id)].Text;
}

const char *MessageText(MessageId Id) { return BuiltInMessageText(Id); }

void LoadMessageTexts() {}

std::string IoErrorMessage(std::int32_t Code) {
  switch (Code) {
  case 2:
    return MessageText(MessageId::FileNotFound);
  case 3:
    return MessageText(MessageId::InvalidFilename);
  case 4:
    return MessageText(MessageId::TooManyOpenFiles);
  case 5:
    return MessageText(MessageId::FileAccessDenied);
  case 100:
    return MessageText(MessageId::ReadBeyondEndOfFile);
  case 101:
    return MessageText(MessageId::DiskFull);
  case 106:
    return MessageText(MessageId::InvalidNumericInput);
  default:
    return FormatMessage(MessageText(MessageId::InOutError), {Code});
  }
}

} // namespace vexmor
