//===- tests/shared/message_format_test.cpp - Filling placeholders --------===//

#include "shared/message_format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace vexmor {
namespace {

TEST(MessageFormatTest, PlaceholdersTakeTheirArgumentsInOrder) {
  const struct {
    const char *Template;
    std::string Expected;
    std::initializer_list<FormatArg> Args;
  } Cases[] = {
      {"I/O error %d", "I/O error 105", {std::int32_t{105}}},
      {"I/O error %d", "I/O error -2147483648", {std::int32_t{INT32_MIN}}},
      {"%d", "-9223372036854775808", {std::int64_t{INT64_MIN}}},
      {"External exception %x",
       "External exception C0000005",
       {std::uint32_t{0xC0000005}}},
      {"%x", "0", {std::uint32_t{0}}},
      {"at %p.", "at 000011D0.", {std::uint32_t{0x11D0}}},
      {"at %p.", "at 00000000.", {std::uint32_t{0}}},
      {"at %p", "at 7FFF12345678", {std::uint64_t{0x7FFF12345678}}},
      {"'%s' %s", "'a' b", {"a", "b"}},
      {"100%% %s", "100% x", {"x"}},
      {"%q %s", "%q x", {"x"}},       // unknown: written as it stands
      {"%s and %s", "x and ", {"x"}}, // missing argument: nothing
      {"%d", "", {"text"}},           // another kind: nothing
      {"%s", "", {std::int32_t{1}}},
      {"trailing %", "trailing %", {}},
  };
  for (const auto &Case : Cases) {
    EXPECT_EQ(FormatMessage(Case.Template, Case.Args), Case.Expected)
        << Case.Template;
  }
}

TEST(MessageFormatTest, TextIsCutToTheBufferAndAlwaysEnded) {
  char Out[8];
  EXPECT_EQ(FormatMessageInto(Out, sizeof Out, "%s!", {"abcdefghij"}), 7u);
  EXPECT_STREQ(Out, "abcdefg");
  EXPECT_EQ(FormatMessageInto(Out, 1, "abc", {}), 0u);
  EXPECT_STREQ(Out, "");

  const std::string Long(2000, 'x');
  EXPECT_EQ(FormatMessage("%s", {std::string_view(Long)}).size(), 1023u);
}

} // namespace
} // namespace vexmor
