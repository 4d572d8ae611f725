//===- shared/message_texts.h - Every text a failure prints -----*- C++ -*-===//
//
// One table holds every message text the frame prints, each under an
// identifier. Where the platform keeps texts outside the program (the
// Windows build's string-table resource, and a language resource file that
// replaces it), each text is read from there when it is used; a text the
// platform does not have is the program's own.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_SHARED_MESSAGE_TEXTS_H
#define VEXMOR_SHARED_MESSAGE_TEXTS_H

#include <cstdint>
#include <string>

namespace vexmor {

/// The identifiers double as the string-table resource numbers of the
/// Windows build, so their values never change (message_texts.def).
// The entries' names and numbers are spliced in as they stand.
// NOLINTBEGIN(bugprone-macro-parentheses)
enum class MessageId : std::uint16_t {
#define VEXMOR_MESSAGE(Name, Id, Text) Name = Id,
#include "shared/message_texts.def"
#undef VEXMOR_MESSAGE
};

inline constexpr std::uint16_t MessageCount = 0
#define VEXMOR_MESSAGE(Name, Id, Text) +1
#include "shared/message_texts.def"
#undef VEXMOR_MESSAGE
    ;
// NOLINTEND(bugprone-macro-parentheses)

/// Longest text a message may have, in characters.
inline constexpr std::size_t MaxMessageLength = 1023;

/// The program's own text for Id.
const char *BuiltInMessageText(MessageId Id);

/// The text in use for Id. It stays valid until the next MessageText of the
/// same Id.
const char *MessageText(MessageId Id);

/// Loads the message texts (the start-up step of the formatting set-up):
/// the first load chooses where they come from for the rest of the run.
void LoadMessageTexts();

/// Lets go of what LoadMessageTexts took (the language resource file), at
/// the very end of the process; the texts come from the program itself
/// after it.
void ReleaseMessageTexts();

/// The message an output error code selects.
std::string IoErrorMessage(std::int32_t Code);

} // namespace vexmor

#endif // VEXMOR_SHARED_MESSAGE_TEXTS_H
