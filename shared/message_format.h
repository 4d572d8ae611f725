//===- shared/message_format.h - Filling a message's placeholders -*- C++ -*-=//
//
// Message texts may come from outside the program (a language resource file
// on Windows), so they are never handed to printf: this formatter knows four
// placeholders, takes its arguments in order, and writes anything else as it
// stands.
//
//   %s  a text
//   %d  an integer in decimal, "-" first when negative
//   %x  an unsigned integer in upper-case hexadecimal, as many digits as needed
//   %p  an address in upper-case hexadecimal, at least 8 digits
//   %%  a percent sign
//
// A placeholder whose argument is missing or of another kind writes nothing.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_SHARED_MESSAGE_FORMAT_H
#define VEXMOR_SHARED_MESSAGE_FORMAT_H

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace vexmor {

class FormatArg {
public:
  enum class Kind { Text, Signed, Unsigned };

  FormatArg(std::string_view Value) : K(Kind::Text), Text(Value) {}
  FormatArg(const char *Value) : K(Kind::Text), Text(Value) {}
  FormatArg(std::int64_t Value) : K(Kind::Signed), Signed(Value) {}
  FormatArg(std::int32_t Value) : K(Kind::Signed), Signed(Value) {}
  FormatArg(std::uint64_t Value) : K(Kind::Unsigned), Unsigned(Value) {}
  FormatArg(std::uint32_t Value) : K(Kind::Unsigned), Unsigned(Value) {}

  Kind K;
  std::string_view Text;
  std::int64_t Signed = 0;
  std::uint64_t Unsigned = 0;
};

/// Fills Template's placeholders into Out (Size bytes, at least 1), cutting
/// the text to Size - 1 bytes and ending it with a zero byte. Returns the
/// length written. Allocates nothing.
std::size_t FormatMessageInto(char *Out, std::size_t Size,
                              std::string_view Template,
                              std::initializer_list<FormatArg> Args);

/// The same into a string of at most 1023 bytes.
std::string FormatMessage(std::string_view Template,
                          std::initializer_list<FormatArg> Args);

} // namespace vexmor

#endif // VEXMOR_SHARED_MESSAGE_FORMAT_H
