//===- platform/locale.h - The user's locale settings -----------*- C++ -*-===//

#ifndef VEXMOR_PLATFORM_LOCALE_H
#define VEXMOR_PLATFORM_LOCALE_H

#include <optional>
#include <string>

namespace vexmor {

/// The decimal separator of the user's numeric locale, as the raw bytes the
/// system gives, or nothing when the locale cannot be found or queried. The
/// process's own locale settings are left as they are.
std::optional<std::string> UserDecimalSeparator();

} // namespace vexmor

#endif // VEXMOR_PLATFORM_LOCALE_H
