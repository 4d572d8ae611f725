//===- platform/win32/keyboard_type.h - Where the keyboard type comes from ===//
//
// Whether the registry may replace the x87 exception masks depends on the
// keyboard type (GetKeyboardType), which a test program cannot choose on its
// machine. So the query is a replaceable function: the system's by default,
// a test program's stand-in when it installs one before start-up, as the
// test seam does for the time-stamp counter.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_PLATFORM_WIN32_KEYBOARD_TYPE_H
#define VEXMOR_PLATFORM_WIN32_KEYBOARD_TYPE_H

namespace vexmor {

/// Answers as GetKeyboardType does: Which 0 the type, 1 the OEM subtype.
using KeyboardTypeQuery = int (*)(int Which);

/// Makes the start-up ask Query instead of the system.
void UseKeyboardTypeQuery(KeyboardTypeQuery Query);

} // namespace vexmor

#endif // VEXMOR_PLATFORM_WIN32_KEYBOARD_TYPE_H
