//===- platform/posix/message_resources.cpp - No texts outside the program ===//

#include "platform/message_resources.h"

namespace vexmor {

// The program's own texts are all there is: no resources, no language file.
void OpenMessageResources() {}

std::size_t ReadMessageResource(std::uint16_t, char *, std::size_t) {
  return 0;
}

void CloseMessageResources() {}

} // namespace vexmor
