//===- shared/message_texts.cpp - Every text a failure prints ---*- C++ -*-===//

#include "shared/message_texts.h"

#include "platform/message_resources.h"
#include "shared/message_format.h"

namespace vexmor {
namespace {

struct BuiltInText {
  MessageId Id;
  const char *Text;
};

constexpr BuiltInText BuiltInTexts[MessageCount] = {
#define VEXMOR_MESSAGE(Name, Id, Text) {MessageId::Name, Text},
#include "shared/message_texts.def"
#undef VEXMOR_MESSAGE
};

constexpr bool TableIsInIdOrder() {
  for (std::uint16_t I = 0; I < MessageCount; ++I)
    if (static_cast<std::uint16_t>(BuiltInTexts[I].Id) != I + 1)
      return false;
  return true;
}
static_assert(TableIsInIdOrder(), "message texts must be listed by id");

std::size_t IndexOf(MessageId Id) { return static_cast<std::size_t>(Id) - 1; }

/// Each text as last read from the platform, in fixed storage: a failure
/// may need its text when memory is exhausted.
char ReadTexts[MessageCount][MaxMessageLength + 1];

} // namespace

const char *BuiltInMessageText(MessageId Id) {
  return BuiltInTexts[IndexOf(Id)].Text;
}

const char *MessageText(MessageId Id) {
  char *Text = ReadTexts[IndexOf(Id)];
  if (ReadMessageResource(static_cast<std::uint16_t>(Id), Text,
                          sizeof ReadTexts[0]) > 0)
    return Text;
  return BuiltInMessageText(Id);
}

void LoadMessageTexts() { OpenMessageResources(); }

void ReleaseMessageTexts() { CloseMessageResources(); }

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
