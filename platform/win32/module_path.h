//===- platform/win32/module_path.h - A module's full path ------*- C++ -*-===//
//
// GetModuleFileNameA cuts a path that does not fit its buffer from the end,
// file name first, and a path may be longer than MAX_PATH. So the path is
// asked for once with room for the longest path the system has.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_PLATFORM_WIN32_MODULE_PATH_H
#define VEXMOR_PLATFORM_WIN32_MODULE_PATH_H

#include <windows.h>

#include <optional>
#include <string_view>

namespace vexmor {

/// The full path of Module's file (the executable's for null), however long,
/// or nothing when the system does not know it. The text lies in static
/// storage that the next call overwrites: nothing is allocated, and the
/// stack stays small, since a failure report may need it with memory or
/// stack exhausted.
std::optional<std::string_view> ModuleFilePath(HMODULE Module);

} // namespace vexmor

#endif // VEXMOR_PLATFORM_WIN32_MODULE_PATH_H
