//===- platform/win32/unwind_lookup.h - The unwinder's own table lookup ---===//
//
// The fault handler takes a fault only where the unwinder can start from:
// at an instruction its tables cover. No public interface of the compiler's
// runtime answers that, so this declares the lookup the unwinder itself
// uses, _Unwind_Find_FDE of libgcc's DWARF unwinder (the i686 mingw-w64
// tool chain's exceptions), which is linked statically into the program.
//
// Fragile by nature, so each way it can break is made loud:
//  - A tool chain whose exceptions are not DWARF-based (SJLJ, or SEH on
//    x86-64) has no such function: the link fails.
//  - A runtime that renames or drops it: the link fails.
//  - A runtime whose dwarf_eh_bases grows: the lookup would write past the
//    caller's copy, so this one has room to spare; and the Wine test
//    ToolchainTest.TheUnwindersLookupFindsTheProgramsOwnCode checks that the
//    lookup finds the program's functions with their start where the
//    runtime puts it, and none of the system's.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_PLATFORM_WIN32_UNWIND_LOOKUP_H
#define VEXMOR_PLATFORM_WIN32_UNWIND_LOOKUP_H

// The runtime's names, declared as it defines them.
// NOLINTBEGIN(readability-identifier-naming)
extern "C" {
struct dwarf_eh_bases {
  void *tbase;
  void *dbase;
  /// The start of the function whose unwind rules were found.
  void *func;
  /// Room should the runtime's structure grow.
  void *spare[5];
};

/// The unwind rules (a frame description entry) for the instruction at Pc,
/// or null when the unwinder has none.
const void *_Unwind_Find_FDE(void *Pc, dwarf_eh_bases *Bases);
}
// NOLINTEND(readability-identifier-naming)

#endif // VEXMOR_PLATFORM_WIN32_UNWIND_LOOKUP_H
