//===- tests/windows/programs/unwind_lookup.cpp - The unwinder's lookup ---===//
//
//   vexmor-unwind-lookup
//
// Asks the unwinder's own lookup, as the fault handler declares it, about
// an instruction of this program and one of the system's, and says what it
// found. Ends with 0 when the program's function is found, with its start
// where it is, and the system's is not; else 1.
//
//===----------------------------------------------------------------------===//

#include "platform/win32/unwind_lookup.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>

namespace {

[[gnu::noinline]] int OwnCode(int Value) {
  __asm__ volatile("" : "+r"(Value));
  return Value + 1;
}

} // namespace

int main() {
  const auto Own = reinterpret_cast<std::uintptr_t>(&OwnCode);
  dwarf_eh_bases Bases = {};
  const void *OwnRules =
      _Unwind_Find_FDE(reinterpret_cast<void *>(Own + 1), &Bases);
  const auto Start = reinterpret_cast<std::uintptr_t>(Bases.func);
  std::printf("own code: %s, starting at %s\n",
              OwnRules ? "found" : "not found",
              Start == Own ? "the function" : "another place");

  const FARPROC System =
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetTickCount");
  dwarf_eh_bases SystemBases = {};
  const void *SystemRules = _Unwind_Find_FDE(
      reinterpret_cast<void *>(reinterpret_cast<std::uintptr_t>(System) + 1),
      &SystemBases);
  std::printf("system code: %s\n", SystemRules ? "found" : "not found");
  return OwnRules && Start == Own && System && !SystemRules ? 0 : 1;
}
