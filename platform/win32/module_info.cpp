//===- platform/win32/module_info.cpp - The module holding an address ----===//
//
// An address lies in a loaded module when the memory region holding it is
// part of an image; the region's allocation base is then the module's handle
// and load address. Nothing here allocates: a failure report may need a
// module's name when memory is exhausted.
//
//===----------------------------------------------------------------------===//

#include "platform/module_info.h"

#include "platform/win32/module_path.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace vexmor {
namespace {

/// The module's file name and load address; nothing when the system does not
/// know its file (the address was not a module's after all).
std::optional<ModuleInfo> Describe(HMODULE Handle, std::uintptr_t Base) {
  const std::optional<std::string_view> Path = ModuleFilePath(Handle);
  if (!Path)
    return std::nullopt;
  // The file name follows the last separator, if there is one.
  const std::size_t Separator = Path->find_last_of("\\/:");
  const std::string_view Name =
      Separator == std::string_view::npos ? *Path : Path->substr(Separator + 1);
  ModuleInfo Module;
  const std::size_t NameLength =
      std::min(Name.size(), sizeof Module.FileName - 1);
  std::memcpy(Module.FileName, Name.data(), NameLength);
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
