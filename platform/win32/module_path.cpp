//===- platform/win32/module_path.cpp - A module's full path -------------===//

#include "platform/win32/module_path.h"

namespace vexmor {
namespace {

// The longest path the system has: 32767 characters and the zero.
constexpr DWORD LongestPath = 32768;
char PathBuffer[LongestPath];

} // namespace

std::optional<std::string_view> ModuleFilePath(HMODULE Module) {
  const DWORD Length = GetModuleFileNameA(Module, PathBuffer, LongestPath);
  if (Length == 0 || Length >= LongestPath) // unknown, or cut after all
    return std::nullopt;
  return std::string_view(PathBuffer, Length);
}

} // namespace vexmor
