//===- platform/posix/locale.cpp - The user's locale settings ---*- C++ -*-===//
//
// The user's numeric locale is named by LC_ALL, then LC_NUMERIC, then LANG,
// the first one set and not empty winning. newlocale with the empty name
// follows that same rule but builds a separate locale object, so the
// process's global locale (and every thread's current one) stays "C".
//
//===----------------------------------------------------------------------===//

#include "platform/locale.h"

#include <langinfo.h>
#include <locale.h>

namespace vexmor {

std::optional<std::string> UserDecimalSeparator() {
  const locale_t Numeric = newlocale(LC_NUMERIC_MASK, "", locale_t{});
  if (Numeric == locale_t{})
    return std::nullopt;
  std::optional<std::string> Separator;
  if (const char *Radix = nl_langinfo_l(RADIXCHAR, Numeric))
    Separator.emplace(Radix);
  freelocale(Numeric);
  return Separator;
}

} // namespace vexmor
