//===- tests/meter/number_text_test.cpp - Texts of the printed numbers ===//
//
// Chosen cases of both conversions. The float texts are made under the
// program's control word, with its invalid-operation, zero-divide and
// overflow traps unmasked: a conversion that raised one of them would kill
// the test. The comparisons run afterwards, under the test's own word.
//
//===----------------------------------------------------------------------===//

#include "meter/number_text.h"
#include "support/program_fpu_word.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace vexmor {
namespace {

struct FloatCase {
  double Value;
  const char *Text;
};

/// Both signs of the special values, by their bits, so that no floating-point
/// operation makes them.
double FromBits(std::uint64_t Bits) { return std::bit_cast<double>(Bits); }
double Below(double Value) { // the next double toward zero
  return FromBits(std::bit_cast<std::uint64_t>(Value) - 1);
}

/// Converts every case under the program's control word.
std::vector<std::string> TextsOf(const std::vector<FloatCase> &Cases,
                                 char Mark) {
  std::vector<std::string> Texts;
  Texts.reserve(Cases.size());
  test::ProgramFpuWord Word;
  for (const FloatCase &Case : Cases)
    Texts.push_back(FloatToGeneralText(Case.Value, Mark));
  return Texts;
}

void ExpectTexts(const std::vector<FloatCase> &Cases, char Mark) {
  const std::vector<std::string> Texts = TextsOf(Cases, Mark);
  for (std::size_t I = 0; I < Cases.size(); ++I)
    EXPECT_EQ(Texts[I], Cases[I].Text)
        << "value " << std::hexfloat << Cases[I].Value;
}

const double MaxDouble = std::numeric_limits<double>::max();
const double MinSubnormal = std::numeric_limits<double>::denorm_min();
const double Infinity = std::numeric_limits<double>::infinity();

TEST(FloatToGeneralTextTest, GivesTheReferenceTexts) {
  ExpectTexts(
      {
          {3.0, "3"},
          {0.75, "0.75"},
          {600000000.0 / 200000001.0, "2.999999985"},
          {600000000.0 / 199999999.0, "3.000000015"},
          {2.9999981550011348, "2.99999815500113"},
          {0.9999999716666674, "0.999999971666667"},
          {Below(3.0), "3"},
          {10.0, "10"},
          {1.0 / 3.0, "0.333333333333333"},
          {2.0 / 3.0, "0.666666666666667"},
          {0.0001, "0.0001"},
          {0.00012345, "0.00012345"},
          {Below(0.0001), "0.0001"},
          {0.00001, "1E-5"},
          {0.00000999999, "9.99999E-6"},
          {0.00000015, "1.5E-7"},
          {99999.99999999999, "100000"},
          {999999999999999.0, "999999999999999"},
          {999999999999999.5, "1E15"},
          {1e15, "1E15"},
          {1e16, "1E16"},
          {123456789012345678.0, "1.23456789012346E17"},
          {100000000000000.5, "100000000000001"},
          {5.986320267924925, "5.98632026792493"},
          {0.0, "0"},
          {-0.0, "0"},
          {-2.5, "-2.5"},
          {600000000.0 / 9223372036854775807.0, "6.50521303491303E-11"},
          {MaxDouble, "1.79769313486232E308"},
          {MinSubnormal, "4.94065645841247E-324"},
          {Infinity, "INF"},
          {-Infinity, "-INF"},
          {FromBits(0x7FF8000000000000), "NAN"},
          {FromBits(0xFFF8000000000000), "NAN"},
      },
      '.');
}

TEST(FloatToGeneralTextTest, RoundsExactHalvesOfTheEighteenDigitsToEven) {
  // Figures that meet a tie in one of the two roundings to an integer of
  // 18 or 19 digits, where the digits after the 15th are 499 or 500 around
  // it: rounding the tie any other way than to even moves the 15th digit.
  ExpectTexts(
      {
          // The unit's rounding of the scaled value, 0.5 above an integer:
          // 1248179737882254994.5 and 861079219288174499.5 go to the even
          // neighbour.
          {600000000.0 / 4807, "124817.973788225"},
          {600000000.0 / 6968, "86107.9219288175"},
          // A 19-digit result divided by ten, remainder 5: 1060108131029364995
          // and 1011378002528444995 go to the even quotient, ...500.
          {600000000.0 / 56598, "10601.0813102937"},
          {600000000.0 / 59325, "10113.7800252845"},
      },
      '.');
}

TEST(FloatToGeneralTextTest, LaysOutEachNotationAtItsEdges) {
  ExpectTexts(
      {
          // The longest text of a double.
          {-1.23456789012345E-300, "-1.23456789012345E-300"},
          {-123456789012345.0, "-123456789012345"},
          {123456789012345.6, "123456789012346"},
          {12345.678, "12345.678"},
          {-0.00012345, "-0.00012345"},
          {0.001, "0.001"},
          {0.5, "0.5"},
          {1.0, "1"},
          {-1e-5, "-1E-5"},
          {9.5e-5, "9.5E-5"},
          {1e100, "1E100"},
          {1.5e-100, "1.5E-100"},
          {1e-200, "1E-200"},
          {4.5e307, "4.5E307"},
          // All nine digits carry into a new leading 1.
          {Below(10.0), "10"},
          {Below(1.0), "1"},
          {-99999999999999.99, "-100000000000000"},
      },
      '.');
}

TEST(FloatToGeneralTextTest, WritesTheMarkOnlyBeforeAFraction) {
  ExpectTexts(
      {
          {0.75, "0,75"},
          {0.00000015, "1,5E-7"},
          {999999999999999.5, "1E15"},
          {-2.5, "-2,5"},
          {0.00012345, "0,00012345"},
          {3.0, "3"},
          {MaxDouble, "1,79769313486232E308"},
      },
      ',');
}

TEST(FloatToGeneralTextTest, GivesWellFormedTextsWhereTheExponentGuessIsHigh) {
  // From 2^-877 up to 10^-264 and from 2^-681 up to 10^-205 the guessed
  // decimal exponent is one too high. The texts still begin with a nonzero
  // digit and keep 15 significant digits (2^-877 is 9.924161033296096E-265).
  ExpectTexts(
      {
          {0x1p-877, "9.9241610332961E-265"},
          {-0x1p-681, "-9.96719495109757E-206"},
          {9.95123456789012E-265, "9.95123456789012E-265"},
          {9.98765432109876E-206, "9.98765432109876E-206"},
          {1e-205, "1E-205"},
          {1e-264, "1E-264"},
      },
      '.');
}

TEST(FloatToGeneralTextTest, NoSpecialValueTrapsUnderTheProgramWord) {
  ExpectTexts(
      {
          {FromBits(0x7FF0000000000001), "NAN"}, // signalling
          {FromBits(0xFFF0000000000001), "NAN"},
          {FromBits(0x7FFFFFFFFFFFFFFF), "NAN"},
          {FromBits(0xFFF8000000000000), "NAN"},
          {Infinity, "INF"},
          {-Infinity, "-INF"},
          {MaxDouble, "1.79769313486232E308"},
          {-MaxDouble, "-1.79769313486232E308"},
          {std::numeric_limits<double>::min(), "2.2250738585072E-308"},
          {Below(std::numeric_limits<double>::min()), "2.2250738585072E-308"},
          {MinSubnormal, "4.94065645841247E-324"},
          {-MinSubnormal, "-4.94065645841247E-324"},
          {FromBits(2), "9.88131291682493E-324"},
          {0.0, "0"},
          {-0.0, "0"},
      },
      '.');
}

struct IntCase {
  std::int64_t Value;
  const char *Text;
};

TEST(Int64ToTextTest, GivesTheReferenceTexts) {
  const IntCase Cases[] = {
      {0, "0"},
      {-45, "-45"},
      {std::numeric_limits<std::int64_t>::max(), "9223372036854775807"},
      {std::numeric_limits<std::int64_t>::min(), "-9223372036854775808"},
      {7, "7"},
      {-1, "-1"},
      {10, "10"},
      {-100, "-100"},
      {1000000000000000000, "1000000000000000000"},
      {-999999999999999999, "-999999999999999999"},
  };
  for (const IntCase &Case : Cases)
    EXPECT_EQ(Int64ToText(Case.Value), Case.Text);
}

TEST(Int64ToTextTest, AgreesWithTheLibraryOnEveryLength) {
  std::mt19937_64 Random(20240611);
  for (int I = 0; I < 200000; ++I) {
    const int Bits = I % 64;
    const auto Value = static_cast<std::int64_t>(Random() >> Bits);
    for (const std::int64_t Signed : {Value, -Value}) {
      char Buffer[24];
      const auto Result = std::to_chars(Buffer, Buffer + sizeof Buffer, Signed);
      ASSERT_EQ(Int64ToText(Signed), std::string(Buffer, Result.ptr));
    }
  }
}

TEST(DecimalMarkTest, OnlyASeparatorOfOneByteIsTheMark) {
  struct Case {
    std::optional<std::string> Separator;
    char Mark;
  };
  const Case Cases[] = {
      {",", ','}, {".", '.'},  {"'", '\''},       {std::nullopt, '.'},
      {"", '.'},  {",,", '.'}, {"\xD9\xAB", '.'}, // the Arabic decimal
                                                  // separator in UTF-8
  };
  for (const Case &C : Cases)
    EXPECT_EQ(DecimalMarkFromSeparator(C.Separator), C.Mark)
        << (C.Separator ? "\"" + *C.Separator + "\"" : "none");
}

TEST(DecimalMarkTest, IsAFullStopUntilStartUpSetsIt) {
  EXPECT_EQ(DecimalMark, '.');
}

} // namespace
} // namespace vexmor
