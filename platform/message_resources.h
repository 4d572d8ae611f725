//===- platform/message_resources.h - Message texts the platform keeps ---===//
//
// On Windows the program's message texts are also a string-table resource
// of the executable, and a language resource file beside the executable may
// replace them. Other platforms keep no texts for the program: every text is
// the program's own.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_PLATFORM_MESSAGE_RESOURCES_H
#define VEXMOR_PLATFORM_MESSAGE_RESOURCES_H

#include <cstddef>
#include <cstdint>

namespace vexmor {

/// Chooses, on the first call only, where the texts come from for the rest
/// of the run: the first language resource file that loads, else the
/// executable's own string table.
void OpenMessageResources();

/// Copies the text numbered Id into Buffer (Size bytes, at least 1), cut to
/// Size - 1 bytes and zero-terminated, and returns its length; 0 when the
/// platform holds no such text. Allocates nothing.
std::size_t ReadMessageResource(std::uint16_t Id, char *Buffer,
                                std::size_t Size);

/// Releases the language resource file, if one was loaded; the texts come
/// from the executable again after it.
void CloseMessageResources();

} // namespace vexmor

#endif // VEXMOR_PLATFORM_MESSAGE_RESOURCES_H
