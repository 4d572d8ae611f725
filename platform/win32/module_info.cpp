//===- platform/win32/module_info.cpp - The module holding an address ----===//
//
// An address lies in a loaded module when the memory region holding it is
// part of an image; the region's allocation base is then the module's handle
// and load address. Nothing here allocates: a failure report may need a
// module's name when memory is exhausted.
//
//===----------------------------------------------------------------------===//

#include "platform/module_info.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace vexmor {
namespace {

// A path may be longer than MAX_PATH, and GetModuleFileNameA cuts one that
// does not fit from the end, file name first. So a path that fills a
// MAX_PATH buffer is asked for again with room for the longest path the
// system has (32767 characters), in static storage: the report may run on a
// small stack.
constexpr DWORD LongestPath = 32768;
char LongPath[LongestPath];

/// The module's file name and load address; nothing when the system does not
/// know its file (the address was not a module's after all).
std::optional<ModuleInfo> Describe(HMODULE Handle, std::uintptr_t Base) {
  char ShortPath[MAX_PATH];
  char *Path = ShortPath;
  DWORD Length = GetModuleFileNameA(Handle, ShortPath, sizeof ShortPath);
  if (Length >= sizeof ShortPath) {
    Path = LongPath;
    Length = GetModuleFileNameA(Handle, LongPath, sizeof LongPath);
    if (Length >= sizeof LongPath)
      return std::nullopt; // no longer path exists
  }
  if (Length == 0)
    return std::nullopt;
  Path[Length] = '\0';
  const char *Name = Path;
  for (const char *C = Path; *C; ++C)
    if (*C == '\\' || *C == '/' || *C == ':')
      Name = C + 1;
  ModuleInfo Module;
  const std::size_t NameLength =
      std::min(std::strlen(Name), sizeof Module.FileName - 1);
  std::memcpy(Module.FileName, Name, NameLength);
  Module.FileName[NameLength] = '\0';
  Module.LoadAddress = Base;
  return Module;
}

} // namespace

std::optional<ModuleInfo> FindModule(std::uintptr_t Address) {
  MEMORY_BASIC_INFORMATION Region;
  if (VirtualQuery(reinterpret_cast<LPCVOID>(Address), &Region,
                   sizeof Region) == 0 ||
      Region.Type != MEM_IMAGE)
    return std::nullopt;
  return Describe(static_cast<HMODULE>(Region.AllocationBase),
                  reinterpret_cast<std::uintptr_t>(Region.AllocationBase));
}

ModuleInfo ExecutableModule() {
  const HMODULE Executable = GetModuleHandleA(nullptr);
  if (std::optional<ModuleInfo> Module =
          Describe(Executable, reinterpret_cast<std::uintptr_t>(Executable)))
    return *Module;
  ModuleInfo Module;
  Module.LoadAddress = reinterpret_cast<std::uintptr_t>(Executable);
  return Module;
}

} // namespace vexmor
