//===- tests/windows/string_table_test.cpp - vexmor.exe's string table ---===//
//
// The Windows build reads its message texts from a string-table resource of
// the executable, and falls back to the built-in table for a text it does
// not find there, so a missing or partial resource would go unseen at run
// time. The resource compiler reads the table back out of vexmor.exe.
//
//===----------------------------------------------------------------------===//

#include "shared/message_texts.h"
#include "support/child_process.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <string>

namespace vexmor::test {
namespace {

/// A string as the resource compiler writes it, without its quotes; nothing
/// for an escape these texts do not need.
std::optional<std::string> Unescape(const std::string &Quoted) {
  std::string Text;
  for (std::size_t I = 0; I < Quoted.size(); ++I) {
    if (Quoted[I] != '\\') {
      Text += Quoted[I];
      continue;
    }
    if (++I == Quoted.size())
      return std::nullopt;
    switch (Quoted[I]) {
    case 'r':
      Text += '\r';
      break;
    case 'n':
      Text += '\n';
      break;
    case '\\':
    case '"':
      Text += Quoted[I];
      break;
    default:
      return std::nullopt;
    }
  }
  return Text;
}

/// The string table of Binary: "  10, "Floating point division by zero"".
std::map<unsigned, std::string> StringTable(const std::string &Binary) {
  const std::string Command =
      std::string(VEXMOR_MINGW_WINDRES) + " -i '" + Binary + "' -O rc";
  std::map<unsigned, std::string> Table;
  static const std::regex Entry(R"re(\s*([0-9]+), "(.*)"\s*)re");
  std::istringstream Lines(CommandOutput(Command));
  std::string Text;
  while (std::getline(Lines, Text)) {
    std::smatch Match;
    if (!std::regex_match(Text, Match, Entry))
      continue;
    const auto Unescaped = Unescape(Match[2]);
    Table[static_cast<unsigned>(std::stoul(Match[1]))] =
        Unescaped ? *Unescaped : "(unreadable) " + std::string(Match[2]);
  }
  return Table;
}

TEST(StringTableTest, TheExecutableHoldsEveryBuiltInTextUnderItsNumber) {
  const auto Table = StringTable(VEXMOR_WINDOWS_BINARY);
  EXPECT_EQ(Table.size(), MessageCount);
  for (unsigned Id = 1; Id <= MessageCount; ++Id) {
    SCOPED_TRACE(Id);
    const auto Found = Table.find(Id);
    ASSERT_NE(Found, Table.end());
    EXPECT_EQ(Found->second, BuiltInMessageText(static_cast<MessageId>(Id)));
  }
}

} // namespace
} // namespace vexmor::test
