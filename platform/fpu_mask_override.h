//===- platform/fpu_mask_override.h - x87 masks from the settings -*- C++ -*-=//
//
// On certain machines the system's settings may replace the x87 exception
// masks of the control word that start-up loads (on Windows: a registry
// value, read only where the keyboard says the machine is one of them).
// Other platforms have no such setting.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_PLATFORM_FPU_MASK_OVERRIDE_H
#define VEXMOR_PLATFORM_FPU_MASK_OVERRIDE_H

#include <cstdint>
#include <optional>

namespace vexmor {

/// The setting's value, whose low six bits replace the control word's six
/// exception masks; nothing on a machine that does not qualify or when the
/// setting is not there.
std::optional<std::uint32_t> FpuMaskOverride();

} // namespace vexmor

#endif // VEXMOR_PLATFORM_FPU_MASK_OVERRIDE_H
