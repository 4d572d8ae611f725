//===- shared/digits.h - Writing the digits of a number ---------*- C++ -*-===//
//
// The one place digits are made: the number texts, the message formatter's
// placeholders and the failure reports all write theirs here. Decimal or
// upper-case hexadecimal, with a minimum width filled with zeros; no sign,
// no grouping, no blank.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_SHARED_DIGITS_H
#define VEXMOR_SHARED_DIGITS_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace vexmor {

/// Room for the digits of any 64-bit value in any base written here.
inline constexpr std::size_t MaxDigits = 20;

namespace digits_detail {

/// "00" to "99": decimal digits are written two at a time.
constexpr std::array<char, 200> MakeDigitPairs() {
  std::array<char, 200> Pairs{};
  for (std::size_t I = 0; I < 100; ++I) {
    Pairs[2 * I] = static_cast<char>('0' + I / 10);
    Pairs[2 * I + 1] = static_cast<char>('0' + I % 10);
  }
  return Pairs;
}
inline constexpr std::array<char, 200> DigitPairs = MakeDigitPairs();

} // namespace digits_detail

enum class Radix : unsigned char { Decimal = 10, Hexadecimal = 16 };

/// Writes the digits of Value so that they end just before End, at least
/// MinDigits of them (zeros in front; at most MaxDigits), and returns where
/// they begin. Zero gives one digit.
inline char *WriteDigitsBefore(char *End, std::uint64_t Value,
                               Radix Base = Radix::Decimal,
                               std::size_t MinDigits = 1) {
  char *const Last = End;
  if (Base == Radix::Hexadecimal) {
    do {
      *--End = "0123456789ABCDEF"[Value % 16];
      Value /= 16;
    } while (Value != 0);
  } else {
    using digits_detail::DigitPairs;
    while (Value >= 100) {
      const auto Pair = static_cast<std::size_t>(Value % 100);
      Value /= 100;
      End -= 2;
      std::memcpy(End, &DigitPairs[2 * Pair], 2);
    }
    if (Value >= 10) {
      End -= 2;
      std::memcpy(End, &DigitPairs[2 * static_cast<std::size_t>(Value)], 2);
    } else {
      *--End = static_cast<char>('0' + Value);
    }
  }
  while (static_cast<std::size_t>(Last - End) < MinDigits)
    *--End = '0';
  return End;
}

/// Holds the text of one number written by the functions below.
using DigitBuffer = std::array<char, MaxDigits>;

/// The digits of Value as WriteDigitsBefore writes them, held in Buffer.
inline std::string_view DigitText(DigitBuffer &Buffer, std::uint64_t Value,
                                  Radix Base = Radix::Decimal,
                                  std::size_t MinDigits = 1) {
  char *const End = Buffer.data() + Buffer.size();
  const char *Begin = WriteDigitsBefore(End, Value, Base, MinDigits);
  return {Begin, static_cast<std::size_t>(End - Begin)};
}

/// An address as the failure reports print it: upper-case hexadecimal, at
/// least 8 digits; a wider address is written in full.
inline std::string_view AddressText(DigitBuffer &Buffer,
                                    std::uint64_t Address) {
  return DigitText(Buffer, Address, Radix::Hexadecimal, 8);
}

} // namespace vexmor

#endif // VEXMOR_SHARED_DIGITS_H
