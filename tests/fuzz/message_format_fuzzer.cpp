//===- tests/fuzz/message_format_fuzzer.cpp - Templates from anyone ------===//
//
// A language resource file is a file anyone can put beside the executable,
// and its texts are the formatter's templates. The fuzzer gives the
// formatter arbitrary templates with the argument lists the program passes
// (and others), and checks what must hold for any template: the text ends
// inside the buffer with a zero byte, a smaller buffer cuts the same text
// shorter, and a template without a placeholder comes out as it stands.
// AddressSanitizer and UndefinedBehaviorSanitizer catch the rest.
//
// Input: one byte choosing the arguments, one choosing a small buffer's
// size, then the template.
//
//===----------------------------------------------------------------------===//

#include "shared/message_format.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

using vexmor::FormatArg;
using vexmor::FormatMessage;
using vexmor::FormatMessageInto;

void Require(bool Holds) {
  if (!Holds)
    std::abort();
}

/// Formats Template into a buffer of Size bytes placed at the end of a heap
/// block, so that AddressSanitizer sees a write one byte past it.
std::string FormatInto(std::size_t Size, std::string_view Template,
                       std::initializer_list<FormatArg> Args) {
  char *Buffer = new char[Size];
  const std::size_t Length = FormatMessageInto(Buffer, Size, Template, Args);
  Require(Length < Size);
  Require(Buffer[Length] == '\0');
  std::string Text(Buffer, Length);
  delete[] Buffer;
  return Text;
}

void Check(std::string_view Template, std::size_t SmallSize,
           std::initializer_list<FormatArg> Args) {
  const std::string Full = FormatInto(1024, Template, Args);
  Require(FormatMessage(Template, Args) == Full);
  const std::string Cut = FormatInto(SmallSize, Template, Args);
  Require(Full.compare(0, Cut.size(), Cut) == 0);
  Require(Cut.size() == std::min(Full.size(), SmallSize - 1));
  if (Template.find('%') == std::string_view::npos)
    Require(Full == Template.substr(0, 1023));
}

// Long enough that one argument alone passes the 1023-character limit.
const std::string LongText(1500, 'L');

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data,
                                      std::size_t Size) {
  if (Size < 2)
    return 0;
  const unsigned Choice = Data[0];
  const std::size_t SmallSize = 1 + Data[1] % 64;
  const std::string_view Template(reinterpret_cast<const char *>(Data + 2),
                                  Size - 2);
  const std::string_view Text =
      (Choice & 0x80) ? std::string_view(LongText) : std::string_view("text");
  const auto Signed = static_cast<std::int32_t>(Choice * 0x01010101u);
  const std::uint64_t Wide = ~std::uint64_t{0} / (Choice | 1);
  switch (Choice % 8) {
  case 0: // no arguments
    Check(Template, SmallSize, {});
    break;
  case 1: // the failure report's
    Check(Template, SmallSize,
          {"EZeroDivide", "vexmor.exe", std::uint32_t{0x11D0}, Text, "."});
    break;
  case 2: // an I/O error's
    Check(Template, SmallSize, {Signed});
    break;
  case 3: // an access violation's
    Check(Template, SmallSize,
          {Wide, "vexmor.exe", "Read", std::uint64_t{0x10}});
    break;
  case 4: // an external exception's
    Check(Template, SmallSize, {std::uint32_t{0x70002}});
    break;
  case 5: // one of each kind, texts empty and long
    Check(Template, SmallSize, {"", Signed, Wide, std::string_view(LongText)});
    break;
  case 6: // the extremes of the numbers
    Check(Template, SmallSize,
          {std::int64_t{INT64_MIN}, std::uint64_t{UINT64_MAX},
           std::int32_t{INT32_MIN}, std::uint32_t{0}});
    break;
  default: // texts only
    Check(Template, SmallSize, {Text, Text, Text, Text, Text, Text});
    break;
  }
  return 0;
}
