//===- platform/posix/module_info.cpp - Loaded objects from the loader ---===//
//
// The dynamic loader lists every loaded object (the executable first) with
// its load bias and program headers; an address belongs to the object one of
// whose loadable segments covers it. Nothing here allocates: a failure report
// may need a module's name when memory is exhausted.
//
//===----------------------------------------------------------------------===//

#include "platform/module_info.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <link.h>
#include <sys/auxv.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexmor {
namespace {

void SetFileName(const char *Path, ModuleInfo &Module) {
  const char *Slash = std::strrchr(Path, '/');
  const char *Name = Slash ? Slash + 1 : Path;
  const std::size_t Length =
      std::min(std::strlen(Name), sizeof Module.FileName - 1);
  std::memcpy(Module.FileName, Name, Length);
  Module.FileName[Length] = '\0';
}

/// The kernel names an executable whose file has been removed by its last
/// path with " (deleted)" after it; that is no part of the file's name,
/// unless a file of that very name is the executable.
void DropDeletedMark(char *Path, std::size_t Length) {
  static constexpr char Mark[] = " (deleted)";
  constexpr std::size_t MarkLength = sizeof Mark - 1;
  if (Length < MarkLength || std::strcmp(Path + Length - MarkLength, Mark) != 0)
    return;
  struct stat Named {};
  struct stat Running {};
  if (stat(Path, &Named) == 0 && stat("/proc/self/exe", &Running) == 0 &&
      Named.st_dev == Running.st_dev && Named.st_ino == Running.st_ino)
    return;
  Path[Length - MarkLength] = '\0';
}

/// The loader gives the executable no name; the kernel knows its file.
void SetExecutableFileName(ModuleInfo &Module) {
  char Path[PATH_MAX];
  const ssize_t Length = readlink("/proc/self/exe", Path, sizeof Path - 1);
  if (Length > 0) {
    Path[Length] = '\0';
    DropDeletedMark(Path, static_cast<std::size_t>(Length));
    SetFileName(Path, Module);
    return;
  }
  // Without /proc: the path the program was started by.
  const auto *Started = reinterpret_cast<const char *>(getauxval(AT_EXECFN));
  SetFileName(Started ? Started : "", Module);
}

struct Search {
  std::uintptr_t Address = 0;
  bool ExecutableOnly = false;
  std::size_t Visited = 0;
  bool Found = false;
  bool IsExecutable = false;
  const char *Name = nullptr;
  std::uintptr_t LoadAddress = 0;
};

bool Covers(const dl_phdr_info &Object, std::uintptr_t Address) {
  for (ElfW(Half) I = 0; I < Object.dlpi_phnum; ++I) {
    const ElfW(Phdr) &Segment = Object.dlpi_phdr[I];
    if (Segment.p_type != PT_LOAD)
      continue;
    const std::uintptr_t Start = Object.dlpi_addr + Segment.p_vaddr;
    if (Address >= Start && Address - Start < Segment.p_memsz)
      return true;
  }
  return false;
}

int VisitObject(dl_phdr_info *Object, std::size_t, void *Data) {
  Search &State = *static_cast<Search *>(Data);
  const bool IsExecutable = State.Visited++ == 0; // the loader lists it first
  if (State.ExecutableOnly ? !IsExecutable : !Covers(*Object, State.Address))
    return 0;
  State.Found = true;
  State.IsExecutable = IsExecutable;
  State.Name = Object->dlpi_name;
  State.LoadAddress = Object->dlpi_addr;
  return 1;
}

std::optional<ModuleInfo> Find(Search State) {
  dl_iterate_phdr(VisitObject, &State);
  if (!State.Found)
    return std::nullopt;
  ModuleInfo Module;
  Module.LoadAddress = State.LoadAddress;
  if (State.IsExecutable)
    SetExecutableFileName(Module);
  else
    SetFileName(State.Name ? State.Name : "", Module);
  return Module;
}

} // namespace

std::optional<ModuleInfo> FindModule(std::uintptr_t Address) {
  Search State;
  State.Address = Address;
  return Find(State);
}

ModuleInfo ExecutableModule() {
  Search State;
  State.ExecutableOnly = true;
  if (std::optional<ModuleInfo> Module = Find(State))
    return *Module;
  ModuleInfo Module;
  SetExecutableFileName(Module);
  return Module;
}

} // namespace vexmor
