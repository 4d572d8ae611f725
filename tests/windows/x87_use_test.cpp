//===- tests/windows/x87_use_test.cpp - Who uses the x87 unit in vexmor.exe =//
//
// On 32-bit Windows the x87 unit does all double arithmetic, and from
// start-up on it runs under the program's control word, which leaves the
// invalid-operation, zero-divide and overflow traps unmasked. Only the
// figures (whose zero divisor is to trap) and the number text (which is
// written not to trap) may use it; the main block only moves the figures.
// So in the program's own code no other function may hold an x87
// instruction that can raise an exception; those that only load, store or
// reset the control state cannot. The compiler's and the C library's code
// is not looked at.
//
//===----------------------------------------------------------------------===//

#include "support/child_process.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>

namespace vexmor::test {
namespace {

// Never raise an x87 exception: control-state instructions, register
// bookkeeping, and saving or restoring the whole state.
const std::set<std::string> QuietX87Instructions = {
    "fninit", "fnclex",  "fldcw", "fnstcw", "fnstsw",  "fnstenv", "fnsave",
    "fxsave", "fxrstor", "fnop",  "ffree",  "fincstp", "fdecstp"};

const char *const AllowedFunctions[] = {
    "vexmor::AverageFigure(",
    "vexmor::CurrentFigure(",
    "vexmor::MainBlock(",
    "vexmor::FloatToGeneralText",
    "vexmor::(anonymous namespace)::ToDecimalForm(",
    "vexmor::(anonymous namespace)::RoundToInteger(",
    "vexmor::(anonymous namespace)::StoreAsInteger(",
};

bool IsAllowed(const std::string &Function) {
  for (const char *Prefix : AllowedFunctions)
    if (Function.rfind(Prefix, 0) == 0)
      return true;
  return false;
}

/// For each function of the program's own code: its x87 instructions that
/// can raise an exception, from the disassembly.
std::map<std::string, std::set<std::string>>
TrappingX87Use(const std::string &Binary) {
  const std::string Command = std::string(VEXMOR_MINGW_OBJDUMP) +
                              " -d -C --no-show-raw-insn '" + Binary + "'";
  std::map<std::string, std::set<std::string>> Use;
  std::string Function;
  std::istringstream Lines(CommandOutput(Command));
  std::string Text;
  while (std::getline(Lines, Text)) {
    // "00403380 <vexmor::AverageFigure(long long, long long)>:"
    const auto Open = Text.find(" <");
    if (Open != std::string::npos && Text.find(">:") != std::string::npos) {
      Function = Text.substr(Open + 2, Text.rfind(">:") - Open - 2);
      continue;
    }
    // "  403385:\tfildll 0x10(%esp)"
    const auto Tab = Text.find('\t');
    if (Tab == std::string::npos || Function.rfind("vexmor", 0) != 0)
      continue;
    std::istringstream Fields(Text.substr(Tab + 1));
    std::string Mnemonic;
    Fields >> Mnemonic;
    if (!Mnemonic.empty() && Mnemonic[0] == 'f' &&
        !QuietX87Instructions.count(Mnemonic))
      Use[Function].insert(Mnemonic);
  }
  return Use;
}

TEST(X87UseTest, OnlyTheFiguresAndTheNumberTextMayTrap) {
  const auto Use = TrappingX87Use(VEXMOR_WINDOWS_BINARY);
  // The figures' divisions are found, so the disassembly was read.
  bool FoundFigures = false;
  for (const auto &[Function, Mnemonics] : Use) {
    FoundFigures =
        FoundFigures || Function.rfind("vexmor::AverageFigure(", 0) == 0;
    if (IsAllowed(Function))
      continue;
    std::string List;
    for (const std::string &Mnemonic : Mnemonics)
      List += " " + Mnemonic;
    ADD_FAILURE() << Function << " uses the x87 unit:" << List;
  }
  EXPECT_TRUE(FoundFigures);
}

} // namespace
} // namespace vexmor::test
