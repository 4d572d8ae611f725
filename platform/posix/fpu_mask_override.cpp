//===- platform/posix/fpu_mask_override.cpp - No setting for the x87 masks ===//

#include "platform/fpu_mask_override.h"

namespace vexmor {

std::optional<std::uint32_t> FpuMaskOverride() { return std::nullopt; }

} // namespace vexmor
