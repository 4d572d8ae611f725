//===- platform/win32/fpu_mask_override.cpp - x87 masks from the registry ===//
//
// The machines that qualify have keyboard type 7 and an OEM keyboard subtype
// whose high byte is 0x0D or 0x04. On them the 32-bit value "FPUMaskValue"
// under the program's machine-wide settings key, HKEY_LOCAL_MACHINE\Software
// \Vexmor, replaces the exception masks: a REG_DWORD, or a REG_BINARY of
// four bytes; a value of any other type or size is not read.
//
//===----------------------------------------------------------------------===//

#include "platform/fpu_mask_override.h"

#include "platform/win32/keyboard_type.h"

#include <windows.h>

namespace vexmor {
namespace {

constexpr const char *SettingsKey = "Software\\Vexmor";
constexpr const char *MaskValueName = "FPUMaskValue";

int SystemKeyboardType(int Which) { return GetKeyboardType(Which); }

KeyboardTypeQuery KeyboardType = SystemKeyboardType;

bool MachineQualifies() {
  if (KeyboardType(0) != 7)
    return false;
  const int SubtypeHigh = (KeyboardType(1) >> 8) & 0xFF;
  return SubtypeHigh == 0x0D || SubtypeHigh == 0x04;
}

} // namespace

void UseKeyboardTypeQuery(KeyboardTypeQuery Query) { KeyboardType = Query; }

std::optional<std::uint32_t> FpuMaskOverride() {
  if (!MachineQualifies())
    return std::nullopt;
  HKEY Key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SettingsKey, 0, KEY_QUERY_VALUE,
                    &Key) != ERROR_SUCCESS)
    return std::nullopt;
  DWORD Value = 0;
  DWORD Type = REG_NONE;
  DWORD Size = sizeof Value;
  const LONG Result = RegQueryValueExA(Key, MaskValueName, nullptr, &Type,
                                       reinterpret_cast<BYTE *>(&Value), &Size);
  RegCloseKey(Key);
  if (Result != ERROR_SUCCESS || Size != sizeof Value ||
      (Type != REG_DWORD && Type != REG_BINARY))
    return std::nullopt;
  return Value;
}

} // namespace vexmor
