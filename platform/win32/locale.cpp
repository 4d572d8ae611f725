//===- platform/win32/locale.cpp - The thread locale's decimal separator -===//

#include "platform/locale.h"

#include <windows.h>

namespace vexmor {

// Room for one character and its terminator: a longer separator does not
// fit, and the call fails.
std::optional<std::string> UserDecimalSeparator() {
  char Buffer[2];
  if (GetLocaleInfoA(GetThreadLocale(), LOCALE_SDECIMAL, Buffer,
                     sizeof Buffer) > 0)
    return std::string(1, Buffer[0]);
  return std::nullopt;
}

} // namespace vexmor
