//===- meter/number_text.cpp - Texts of the printed numbers -----*- C++ -*-===//
//
// The float text is made in two stages. Stage 1 turns the double into a
// decimal form: a digit string D of at most 15 digits and an exponent K with
// |value| ~ 0.D * 10^K. Stage 2 lays D and K out as fixed or scientific text.
//
// Stage 1 uses the x87 unit for the scaling by a power of ten and for
// rounding the scaled value to an integer. Classifying the double and finding
// its binary exponent are done on its bits: with the program's control word
// an x87 load of a signalling NaN, or a comparison with any NaN, raises the
// unmasked invalid-operation exception. The scaled value is finite, between
// 9.9 * 10^16 and 2.1 * 10^18 for every double; the unit's integer store is
// signed, so the rounding still keeps it off values from 2^63 up.
//
//===----------------------------------------------------------------------===//

#include "meter/number_text.h"

#include "meter/powers_of_ten.h"
#include "platform/locale.h"
#include "shared/digits.h"

#include <array>
#include <bit>
#include <cstring>

namespace vexmor {

char DecimalMark = '.';

namespace {

/// Significant digits of the float text.
constexpr int Precision = 15;
constexpr std::uint64_t TenTo14 = 100000000000000;
constexpr std::uint64_t TenTo15 = 1000000000000000;
constexpr std::uint64_t TenTo17 = 100000000000000000;
constexpr std::uint64_t TenTo18 = 1000000000000000000;

/// The double's sign, exponent and fraction fields.
constexpr std::uint64_t SignBit = std::uint64_t{1} << 63;
constexpr std::uint64_t FractionBits = (std::uint64_t{1} << 52) - 1;
constexpr int ExponentOfNonFinite = 0x7FF;

/// The float text's decimal form.
struct DecimalForm {
  enum class FormKind : unsigned char { Finite, Infinity, NotANumber };
  FormKind Kind = FormKind::Finite;
  bool Negative = false;
  /// K: a finite nonzero value rounded to 15 digits is 0.D * 10^K.
  std::int16_t Exponent = 0;
  /// Length of D, 0 for zero. D never ends in 0 and never begins with 0.
  int Length = 0;
  /// D from index 1 on: the 15 digits are written as two groups of eight.
  char Digits[Precision + 1] = {};
};

/// Value rounded by the x87 unit's integer store, under the program's
/// control word to nearest, ties to even. Value must lie in the signed
/// 64-bit range: outside it the store raises invalid-operation.
std::int64_t StoreAsInteger(long double Value) {
  std::int64_t Result;
  __asm__("fistpll %0" : "=m"(Result) : "t"(Value) : "st");
  return Result;
}

/// The integer nearest to Value, ties to even. Value must be finite, not
/// negative and below 2^64. From 2^63 up every extended value is already an
/// integer, and Value - 2^63 is exact and fits the signed store.
std::uint64_t RoundToInteger(long double Value) {
  constexpr long double TwoTo63 = 0x1p63L;
  if (Value < TwoTo63)
    return static_cast<std::uint64_t>(StoreAsInteger(Value));
  return static_cast<std::uint64_t>(StoreAsInteger(Value - TwoTo63)) + SignBit;
}

/// N / 10 rounded to the nearest integer, an exact half to the even one.
std::uint64_t DivideByTenToEven(std::uint64_t N) {
  const std::uint64_t Quotient = N / 10;
  const std::uint64_t Remainder = N % 10;
  return Quotient +
         (Remainder > 5 || (Remainder == 5 && (Quotient & 1) != 0) ? 1 : 0);
}

/// Stage 1: the decimal form of Value.
DecimalForm ToDecimalForm(double Value) {
  DecimalForm Form;
  const auto Bits = std::bit_cast<std::uint64_t>(Value);
  const auto BiasedExponent = static_cast<int>((Bits >> 52) & 0x7FF);
  const std::uint64_t Fraction = Bits & FractionBits;
  Form.Negative = (Bits & SignBit) != 0;

  if (BiasedExponent == ExponentOfNonFinite) {
    if (Fraction != 0) {
      Form.Kind = DecimalForm::FormKind::NotANumber;
      Form.Negative = false;
    } else {
      Form.Kind = DecimalForm::FormKind::Infinity;
    }
    return Form;
  }
  if (BiasedExponent == 0 && Fraction == 0) {
    Form.Negative = false;
    return Form;
  }

  // E with 2^E <= |Value| < 2^(E+1); a subnormal double is normal in the
  // extended format, so its E lies below -1022.
  const int BinaryExponent = BiasedExponent != 0
                                 ? BiasedExponent - 1023
                                 : 63 - std::countl_zero(Fraction) - 1074;
  // K estimated as floor(E * log10(2)) + 1, with 19728 / 65536 for log10(2);
  // the shift of a negative product rounds toward minus infinity. The
  // estimate is exact or, below 10^-200 only, one too high.
  int Exponent = ((19728 * BinaryExponent) >> 16) + 1;

  // The magnitude scaled to 18 digits before the point: by 10^(18 - K), in
  // two factors, each step rounded to 64 bits. The second factor is 1 (an
  // exact step) when |18 - K| < 32.
  const long double Magnitude =
      std::bit_cast<double>(Bits & ~SignBit); // widening is exact
  const int Scale = 18 - Exponent;
  long double Scaled;
  if (Scale >= 0) {
    Scaled =
        Magnitude * SmallPowersOfTen[Scale % 32] * LargePowersOfTen[Scale / 32];
  } else {
    Scaled = Magnitude / SmallPowersOfTen[-Scale % 32] /
             LargePowersOfTen[-Scale / 32];
  }

  std::uint64_t N = RoundToInteger(Scaled);
  if (N >= TenTo18) {
    N = DivideByTenToEven(N);
    ++Exponent;
  }
  // Below 10^-200 the estimate of K can be one too high, leaving N with 17
  // digits; shifting it one place keeps D's first digit nonzero and gives
  // 15 significant digits there as everywhere else.
  while (N < TenTo17) {
    N *= 10;
    --Exponent;
  }

  // The first 15 of N's 18 digits, rounded half up by the 16th alone.
  std::uint64_t Head = (N / 100 + 5) / 10;
  if (Head == TenTo15) { // all nines carried over
    Head = TenTo14;
    ++Exponent;
  }
  // Two groups of eight, each with its leading zeros.
  WriteDigitsBefore(Form.Digits + 8, Head / 100000000, Radix::Decimal, 8);
  WriteDigitsBefore(Form.Digits + 16, Head % 100000000, Radix::Decimal, 8);
  int Length = Precision;
  while (Form.Digits[Length] == '0')
    --Length;
  Form.Length = Length;
  Form.Exponent = static_cast<std::int16_t>(Exponent);
  return Form;
}

char *Append(char *Out, const char *From, int Count) {
  std::memcpy(Out, From, static_cast<std::size_t>(Count));
  return Out + Count;
}

char *AppendZeros(char *Out, int Count) {
  std::memset(Out, '0', static_cast<std::size_t>(Count));
  return Out + Count;
}

/// Stage 2: lays the decimal form out as text into Out, returns its end.
char *LayOut(const DecimalForm &Form, char Mark, char *Out) {
  if (Form.Negative)
    *Out++ = '-';
  switch (Form.Kind) {
  case DecimalForm::FormKind::Infinity:
    return Append(Out, "INF", 3);
  case DecimalForm::FormKind::NotANumber:
    return Append(Out, "NAN", 3);
  case DecimalForm::FormKind::Finite:
    break;
  }

  const char *D = Form.Digits + 1;
  const int Length = Form.Length;
  const int K = Form.Exponent;
  if (K > Precision || K < -3) {
    *Out++ = D[0];
    if (Length > 1) {
      *Out++ = Mark;
      Out = Append(Out, D + 1, Length - 1);
    }
    *Out++ = 'E';
    int Power = K - 1;
    if (Power < 0) {
      *Out++ = '-';
      Power = -Power;
    }
    char Buffer[4];
    char *const End = Buffer + sizeof Buffer;
    const char *Begin =
        WriteDigitsBefore(End, static_cast<std::uint64_t>(Power));
    return Append(Out, Begin, static_cast<int>(End - Begin));
  }
  if (K > 0) {
    if (Length <= K)
      return AppendZeros(Append(Out, D, Length), K - Length);
    Out = Append(Out, D, K);
    *Out++ = Mark;
    return Append(Out, D + K, Length - K);
  }
  *Out++ = '0';
  if (Length == 0)
    return Out;
  *Out++ = Mark;
  return Append(AppendZeros(Out, -K), D, Length);
}

} // namespace

std::string Int64ToText(std::int64_t Value) {
  char Buffer[20];
  char *const End = Buffer + sizeof Buffer;
  // The magnitude in unsigned arithmetic, so that -2^63 has one too.
  const std::uint64_t Magnitude = Value < 0
                                      ? 0 - static_cast<std::uint64_t>(Value)
                                      : static_cast<std::uint64_t>(Value);
  char *Begin = WriteDigitsBefore(End, Magnitude);
  if (Value < 0)
    *--Begin = '-';
  return std::string(Begin, End);
}

std::string FloatToGeneralText(double Value, char Mark) {
  char Buffer[24];
  const char *End = LayOut(ToDecimalForm(Value), Mark, Buffer);
  return std::string(static_cast<const char *>(Buffer), End);
}

char DecimalMarkFromSeparator(const std::optional<std::string> &Separator) {
  return Separator && Separator->size() == 1 ? Separator->front() : '.';
}

char ReadDecimalMark() {
  return DecimalMarkFromSeparator(UserDecimalSeparator());
}

} // namespace vexmor
