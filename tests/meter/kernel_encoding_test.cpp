//===- tests/meter/kernel_encoding_test.cpp - The kernel as built -------===//
//
// Reads the machine code of the main block in the built program and checks
// that between the call of TimerStart and the call of TimerStop there is the
// kernel and nothing else: the load of the iteration count, four one-byte
// NOPs, a decrement and a short conditional jump back to the first NOP.
//
//===----------------------------------------------------------------------===//

#include "support/child_process.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

using vexmor::test::CommandOutput;

struct Instruction {
  std::uint64_t Address = 0;
  std::vector<std::uint8_t> Bytes;
  std::string Text;
};

/// The instructions objdump lists under the symbol header `Header`.
std::vector<Instruction> Disassemble(const std::string &Binary,
                                     const std::string &Header) {
  const std::string Listing = CommandOutput(
      std::string(VEXMOR_OBJDUMP) + " -d -C '" + Binary + "' 2>/dev/null");
  std::vector<Instruction> Result;
  std::istringstream Lines(Listing);
  std::string Line;
  bool Inside = false;
  while (std::getline(Lines, Line)) {
    if (!Inside) {
      Inside = Line.find(Header) != std::string::npos;
      continue;
    }
    if (Line.empty())
      break;
    // "  401136:\tb9 00 e1 f5 05       \tmov    $0x5f5e100,%ecx"
    const std::size_t Colon = Line.find(":\t");
    if (Colon == std::string::npos)
      continue;
    const std::size_t BytesEnd = Line.find('\t', Colon + 2);
    std::istringstream ByteText(Line.substr(Colon + 2, BytesEnd - Colon - 2));
    Instruction Insn;
    Insn.Address = std::stoull(Line.substr(0, Colon), nullptr, 16);
    unsigned Byte;
    while (ByteText >> std::hex >> Byte)
      Insn.Bytes.push_back(static_cast<std::uint8_t>(Byte));
    if (BytesEnd == std::string::npos && !Result.empty()) {
      // A continuation line of a long instruction's bytes.
      Result.back().Bytes.insert(Result.back().Bytes.end(), Insn.Bytes.begin(),
                                 Insn.Bytes.end());
      continue;
    }
    Insn.Text = BytesEnd == std::string::npos ? "" : Line.substr(BytesEnd + 1);
    Result.push_back(Insn);
  }
  return Result;
}

bool IsCallOf(const Instruction &Insn, const std::string &Callee) {
  return Insn.Text.rfind("call", 0) == 0 &&
         Insn.Text.find("<" + Callee + ">") != std::string::npos;
}

using Bytes = std::vector<std::uint8_t>;

TEST(KernelEncodingTest, OnlyTheKernelLiesBetweenTheTimerCalls) {
  const std::vector<Instruction> Code =
      Disassemble(VEXMOR_BINARY, "<vexmor::MainBlock()>:");
  ASSERT_FALSE(Code.empty()) << "no main block found in " << VEXMOR_BINARY;

  std::size_t Start = Code.size();
  for (std::size_t I = 0; I < Code.size(); ++I)
    if (IsCallOf(Code[I], "vexmor::TimerStart()")) {
      ASSERT_EQ(Start, Code.size()) << "TimerStart is called twice";
      Start = I;
    }
  ASSERT_LT(Start, Code.size()) << "TimerStart is not called";
  ASSERT_GE(Code.size() - Start, 9u);
  const Instruction *K = &Code[Start + 1];

  // mov $100000000, %ecx
  EXPECT_EQ(K[0].Bytes, (Bytes{0xB9, 0x00, 0xE1, 0xF5, 0x05})) << K[0].Text;
  for (int I = 1; I <= 4; ++I)
    EXPECT_EQ(K[I].Bytes, Bytes{0x90}) << K[I].Text;
  // dec %ecx: FF C9, or the one-byte 49 where that is not a REX prefix.
  EXPECT_TRUE(K[5].Bytes == (Bytes{0xFF, 0xC9}) || K[5].Bytes == Bytes{0x49})
      << K[5].Text;
  // jnz rel8 back to the first NOP.
  ASSERT_EQ(K[6].Bytes.size(), 2u) << K[6].Text;
  EXPECT_EQ(K[6].Bytes[0], 0x75) << K[6].Text;
  const std::uint64_t Target =
      K[6].Address + 2 +
      static_cast<std::uint64_t>(static_cast<std::int8_t>(K[6].Bytes[1]));
  EXPECT_EQ(Target, K[1].Address);
  EXPECT_TRUE(IsCallOf(K[7], "vexmor::TimerStop()")) << K[7].Text;
}

} // namespace
