//===- tests/platform/module_info_test.cpp - Which module holds an address ===//
//
// The offsets are checked against the symbol values nm reads from the test
// program's file, and libc's name and load address against the dynamic
// loader's own answer (dladdr).
//
//===----------------------------------------------------------------------===//

#include "platform/module_info.h"
#include "support/child_process.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

extern "C" {
[[gnu::noinline]] void VexmorModuleAnchor() { __asm__ volatile(""); }
int VexmorModuleData = 1;
}

namespace vexmor::test {
namespace {

std::uintptr_t AddressOf(const void *Pointer) {
  return reinterpret_cast<std::uintptr_t>(Pointer);
}

/// The value nm gives Symbol in File.
std::optional<std::uintptr_t> SymbolValue(const std::string &File,
                                          const std::string &Symbol) {
  std::istringstream Lines(
      CommandOutput(std::string(VEXMOR_NM) + " --defined-only '" + File + "'"));
  std::string Line;
  while (std::getline(Lines, Line)) {
    std::istringstream Fields(Line);
    std::uintptr_t Value = 0;
    std::string Type, Name;
    if (Fields >> std::hex >> Value >> Type >> Name && Name == Symbol)
      return Value;
  }
  return std::nullopt;
}

std::string FileNameOf(const char *Path) {
  return std::filesystem::path(Path).filename().string();
}

TEST(ModuleInfoTest, AnAddressInTheProgramGivesItsFileNameAndFileOffset) {
  const std::string Program =
      std::filesystem::read_symlink("/proc/self/exe").string();
  const struct {
    const char *Name;
    const void *Symbol;
    std::uintptr_t Offset;
  } Cases[] = {
      {"VexmorModuleAnchor",
       reinterpret_cast<const void *>(&VexmorModuleAnchor), 0},
      {"VexmorModuleAnchor",
       reinterpret_cast<const void *>(&VexmorModuleAnchor), 1},
      {"VexmorModuleData", &VexmorModuleData, 0},
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE(std::string(Case.Name) + " + " + std::to_string(Case.Offset));
    const std::optional<std::uintptr_t> Value = SymbolValue(Program, Case.Name);
    ASSERT_TRUE(Value.has_value()) << "nm does not list it";
    const std::uintptr_t Address = AddressOf(Case.Symbol) + Case.Offset;
    const std::optional<ModuleInfo> Module = FindModule(Address);
    ASSERT_TRUE(Module.has_value());
    EXPECT_STREQ(Module->FileName, program_invocation_short_name);
    EXPECT_EQ(Address - Module->LoadAddress, *Value + Case.Offset);
  }
}

TEST(ModuleInfoTest, TheExecutableModuleIsTheModuleOfTheProgramsCode) {
  const ModuleInfo Executable = ExecutableModule();
  EXPECT_STREQ(Executable.FileName, program_invocation_short_name);
  const std::optional<ModuleInfo> Module =
      FindModule(reinterpret_cast<std::uintptr_t>(&VexmorModuleAnchor));
  ASSERT_TRUE(Module.has_value());
  EXPECT_EQ(Executable.LoadAddress, Module->LoadAddress);
}

TEST(ModuleInfoTest, AnAddressInTheCLibraryGivesTheLibrarysFile) {
  const struct {
    const char *Name;
    const void *Address;
  } Cases[] = {
      {"code", dlsym(RTLD_DEFAULT, "gnu_get_libc_version")}, // not intercepted
      {"data", stdout},
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE(Case.Name);
    ASSERT_NE(Case.Address, nullptr);
    Dl_info Loader{};
    ASSERT_NE(dladdr(Case.Address, &Loader), 0);
    const std::optional<ModuleInfo> Module =
        FindModule(AddressOf(Case.Address));
    ASSERT_TRUE(Module.has_value());
    EXPECT_EQ(Module->FileName, FileNameOf(Loader.dli_fname));
    EXPECT_EQ(std::string(Module->FileName).rfind("libc.so", 0), 0u)
        << Module->FileName;
    EXPECT_EQ(Module->LoadAddress, AddressOf(Loader.dli_fbase));
  }
}

TEST(ModuleInfoTest, AnAddressOutsideEveryModuleGivesNothing) {
  const auto PageSize = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  void *Page = mmap(nullptr, PageSize, PROT_READ | PROT_WRITE,
                    MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(Page, MAP_FAILED);
  const std::unique_ptr<char[]> HeapBlock(new char[64]);
  const int OnTheStack = 0;
  const struct {
    const char *Name;
    std::uintptr_t Address;
  } Cases[] = {
      {"address 0", 0},
      {"an anonymous mapping", AddressOf(Page)},
      {"the heap", AddressOf(HeapBlock.get())},
      {"the stack", AddressOf(&OnTheStack)},
  };
  for (const auto &Case : Cases) {
    SCOPED_TRACE(Case.Name);
    EXPECT_FALSE(FindModule(Case.Address).has_value());
  }
  munmap(Page, PageSize);
}

} // namespace
} // namespace vexmor::test
