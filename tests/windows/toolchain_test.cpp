//===- tests/windows/toolchain_test.cpp - What the fault path relies on ---===//
//
// The Windows fault path stands on two things of the tool chain that no
// interface promises: the unwinder's own table lookup, declared by hand,
// and the stack probe the compiler calls, replaced by the program's own
// with unwind rules. These tests fail loudly when a new tool chain changes
// either.
//
//===----------------------------------------------------------------------===//

#include "support/child_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <sstream>
#include <string>

namespace vexmor::test {
namespace {

TEST(ToolchainTest, TheUnwindersLookupFindsTheProgramsOwnCode) {
  ChildOptions Options;
  Options.Args = {VEXMOR_WINE_RUN, VEXMOR_WINDOWS_UNWIND_LOOKUP};
  Options.Environment = {{"LC_ALL", "C.UTF-8"}};
  Options.Deadline = std::chrono::seconds(30);
  const ChildResult Run = RunChild(Options);
  EXPECT_EQ(Run.Stdout, "own code: found, starting at the function\r\n"
                        "system code: not found\r\n");
  EXPECT_EQ(Run.ExitCode, 0) << Run.Stderr;
}

/// The address nm gives the symbol Name in Binary, as it prints it; empty
/// when it has none.
std::string SymbolAddress(const std::string &Binary, const std::string &Name) {
  std::istringstream Lines(
      CommandOutput(std::string(VEXMOR_MINGW_NM) + " '" + Binary + "'"));
  std::string Line;
  while (std::getline(Lines, Line)) {
    std::istringstream Fields(Line);
    std::string Address, Kind, Symbol;
    if (Fields >> Address >> Kind >> Symbol && Symbol == Name &&
        (Kind == "T" || Kind == "t"))
      return Address;
  }
  return "";
}

TEST(ToolchainTest, TheStackProbeHasUnwindRules) {
  for (const std::string Binary :
       {VEXMOR_WINDOWS_BINARY, VEXMOR_WINDOWS_SEAM_BINARY}) {
    SCOPED_TRACE(Binary);
    const std::string Probe = SymbolAddress(Binary, "___chkstk_ms");
    ASSERT_FALSE(Probe.empty()) << "no ___chkstk_ms";
    // The program's probe, not the runtime library's: an unwind rule
    // begins at its first instruction.
    const std::string Frames = CommandOutput(
        std::string(VEXMOR_MINGW_OBJDUMP) + " --dwarf=frames '" + Binary + "'");
    EXPECT_TRUE(
        std::regex_search(Frames, std::regex(" pc=" + Probe + "\\.\\.")))
        << "no unwind rules for ___chkstk_ms at " << Probe;
  }
  // The compiler still probes a large frame by calling it: the seam's
  // recursion has page-sized frames.
  const std::string Code =
      CommandOutput(std::string(VEXMOR_MINGW_OBJDUMP) + " -d '" +
                    VEXMOR_WINDOWS_SEAM_BINARY + "'");
  EXPECT_TRUE(
      std::regex_search(Code, std::regex("call +[0-9a-f]+ <___chkstk_ms>")))
      << "nothing calls ___chkstk_ms";
}

} // namespace
} // namespace vexmor::test
