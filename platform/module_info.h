//===- platform/module_info.h - Which loaded module holds an address -===//

#ifndef VEXMOR_PLATFORM_MODULE_INFO_H
#define VEXMOR_PLATFORM_MODULE_INFO_H

#include <cstdint>
#include <optional>

namespace vexmor {

/// Fixed storage, so that a failure report can name a module when memory is
/// exhausted or the stack has overflowed.
struct ModuleInfo {
  /// The module's file name without its directory, zero-terminated (cut to
  /// fit when longer).
  char FileName[260] = {};
  /// Where the module is loaded: subtracting it from an address inside the
  /// module gives that address's offset in the module's file image.
  std::uintptr_t LoadAddress = 0;
};

/// The loaded module (executable or shared object) whose code or data
/// contains Address, or nothing when no module does.
std::optional<ModuleInfo> FindModule(std::uintptr_t Address);

/// The program's own executable.
ModuleInfo ExecutableModule();

} // namespace vexmor

#endif // VEXMOR_PLATFORM_MODULE_INFO_H
