//===- tests/meter/number_text_oracle_test.cpp - Float text vs MPFR -----===//
//
// Checks the float text against an independent model of it: MPFR at a 64-bit
// precision with rounding to nearest, ties to even, which is what the x87
// unit does under the program's control word. The model follows the
// conversion step by step from the exact powers of ten, rounds the digits
// as decimal text and lays the text out with plain string operations, so it
// shares nothing with the code under test but the method.
//
// The conversions under test run in batches under the program's control
// word; MPFR, the C library and the test framework run between batches
// under the test's own word.
//
//===----------------------------------------------------------------------===//

#include "meter/ipc_figures.h"
#include "meter/number_text.h"
#include "meter/powers_of_ten.h"
#include "support/program_fpu_word.h"

#include <gtest/gtest.h>

#include <gmp.h>
#include <mpfr.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace vexmor {
namespace {

/// MPFR's model of the float text.
class ExtendedModel {
public:
  ExtendedModel() {
    for (unsigned long K = 0; K < 32; ++K)
      InitPower(SmallPowers[K], K);
    for (unsigned long J = 0; J < 16; ++J)
      InitPower(LargePowers[J], 32 * J);
    mpfr_inits2(64, X, Y, nullptr);
    mpfr_init2(Wide, 128);
    mpfr_init2(TwoTo63, 128);
    mpfr_set_ui_2exp(TwoTo63, 1, 63, MPFR_RNDN);
  }
  ~ExtendedModel() {
    for (mpfr_t &Power : SmallPowers)
      mpfr_clear(Power);
    for (mpfr_t &Power : LargePowers)
      mpfr_clear(Power);
    mpfr_clears(X, Y, Wide, TwoTo63, nullptr);
  }
  ExtendedModel(const ExtendedModel &) = delete;
  ExtendedModel &operator=(const ExtendedModel &) = delete;

  std::string Text(double Value, char Mark) {
    if (std::isnan(Value))
      return "NAN";
    const std::string Sign = std::signbit(Value) ? "-" : "";
    if (std::isinf(Value))
      return Sign + "INF";
    if (Value == 0)
      return "0";

    // Stage 1: the 18-digit intermediate N and the exponent K.
    mpfr_set_d(X, std::fabs(Value), MPFR_RNDN); // exact at 64 bits
    const long E = mpfr_get_exp(X) - 1;         // X = 0.1... * 2^exp
    long K = FloorDivide(19728 * E, 65536) + 1;
    const long M = 18 - K;
    mpfr_set(Y, X, MPFR_RNDN);
    const long Steps = M < 0 ? -M : M;
    const auto Scale = M > 0 ? mpfr_mul : mpfr_div;
    if (Steps % 32 != 0)
      Scale(Y, Y, SmallPowers[Steps % 32], MPFR_RNDN);
    if (Steps >= 32)
      Scale(Y, Y, LargePowers[Steps / 32], MPFR_RNDN);
    if (mpfr_cmp(Y, TwoTo63) >= 0)
      ++ScaledTooLarge;

    std::uintmax_t N = mpfr_get_uj(Y, MPFR_RNDN); // ties to even
    if (N >= 1000000000000000000u) {
      mpfr_set_uj(Wide, N, MPFR_RNDN);
      mpfr_div_ui(Wide, Wide, 10, MPFR_RNDN); // an exact half stays exact
      N = mpfr_get_uj(Wide, MPFR_RNDN);
      ++K;
    }
    if (N < 100000000000000000u) { // the guess of K was one too high
      ++Shifted;
      N *= 10;
      --K;
    }

    char Buffer[24];
    const auto End = std::to_chars(Buffer, Buffer + sizeof Buffer, N).ptr;
    std::string Digits(Buffer, End);
    if (Digits.size() != 18)
      return "N has " + Digits;

    // Half up by the 16th digit, on the text.
    std::string D = Digits.substr(0, 15);
    if (Digits[15] >= '5') {
      int I = 14;
      for (; I >= 0 && D[static_cast<std::size_t>(I)] == '9'; --I)
        D[static_cast<std::size_t>(I)] = '0';
      if (I < 0) {
        D = "1";
        ++K;
      } else {
        ++D[static_cast<std::size_t>(I)];
      }
    }
    D.erase(D.find_last_not_of('0') + 1);

    // Stage 2.
    const auto Length = static_cast<long>(D.size());
    if (K > 15 || K < -3) {
      std::string Text = Sign + D.substr(0, 1);
      if (Length > 1)
        Text += Mark + D.substr(1);
      return Text + "E" + std::to_string(K - 1);
    }
    if (K > 0) {
      if (Length <= K)
        return Sign + D +
               std::string(static_cast<std::size_t>(K - Length), '0');
      return Sign + D.substr(0, static_cast<std::size_t>(K)) + Mark +
             D.substr(static_cast<std::size_t>(K));
    }
    return Sign + "0" + Mark + std::string(static_cast<std::size_t>(-K), '0') +
           D;
  }

  /// Values whose estimate of K was one too high.
  long Shifted = 0;
  /// Values whose scaled magnitude reached 2^63, beyond a signed integer.
  long ScaledTooLarge = 0;

private:
  static long FloorDivide(long A, long B) {
    const long Quotient = A / B;
    return Quotient * B > A ? Quotient - 1 : Quotient;
  }
  static void InitPower(mpfr_t Power, unsigned long Exponent) {
    mpfr_init2(Power, 64);
    mpfr_ui_pow_ui(Power, 10, Exponent, MPFR_RNDN); // nearest, ties to even
  }

  mpfr_t SmallPowers[32];
  mpfr_t LargePowers[16];
  mpfr_t X, Y, Wide, TwoTo63;
};

struct Sample {
  double Value;
  char Mark;
};

/// Compares every sample's text with the model's; returns the number of
/// mismatches and reports the first few.
long CountMismatches(ExtendedModel &Model, const std::vector<Sample> &Samples) {
  constexpr std::size_t Batch = 8192;
  std::vector<std::string> Texts(Batch);
  long Mismatches = 0;
  for (std::size_t First = 0; First < Samples.size(); First += Batch) {
    const std::size_t Count = std::min(Batch, Samples.size() - First);
    {
      test::ProgramFpuWord Word;
      for (std::size_t I = 0; I < Count; ++I)
        Texts[I] = FloatToGeneralText(Samples[First + I].Value,
                                      Samples[First + I].Mark);
    }
    for (std::size_t I = 0; I < Count; ++I) {
      const Sample &S = Samples[First + I];
      const std::string Expected = Model.Text(S.Value, S.Mark);
      if (Texts[I] == Expected)
        continue;
      if (++Mismatches <= 10)
        ADD_FAILURE() << std::hexfloat << S.Value << " gives " << Texts[I]
                      << ", the model " << Expected;
    }
  }
  return Mismatches;
}

double FromBits(std::uint64_t Bits) { return std::bit_cast<double>(Bits); }
std::uint64_t BitsOf(double Value) {
  return std::bit_cast<std::uint64_t>(Value);
}

/// Random doubles of either sign whose biased exponent field is spread
/// evenly over [LowField, HighField], then kept between Low and High.
void AddRandomDoubles(std::vector<Sample> &Samples, std::mt19937_64 &Random,
                      std::size_t Count, double Low, double High) {
  const std::uint64_t LowField = BitsOf(Low) >> 52;
  const std::uint64_t Fields = (BitsOf(High) >> 52) - LowField + 1;
  while (Count > 0) {
    const std::uint64_t R = Random();
    std::uint64_t Bits = ((LowField + R % Fields) << 52) | (Random() >> 12);
    if (Bits >> 52 == 0) // a subnormal: spread its length too
      Bits >>= R % 52;
    if (Bits < BitsOf(Low) || Bits > BitsOf(High))
      continue;
    const std::uint64_t Sign = (R >> 63) << 63;
    Samples.push_back({FromBits(Bits | Sign), '.'});
    --Count;
  }
}

/// The doubles next to each power of ten and of two between Low and High,
/// where the estimate of K and the rounding of N change.
void AddEdgeDoubles(std::vector<Sample> &Samples, double Low, double High) {
  std::vector<double> Centres;
  {
    mpfr_t Power;
    mpfr_init2(Power, 53);
    for (long K = -330; K <= 310; ++K) {
      mpfr_set_ui(Power, 10, MPFR_RNDN);
      mpfr_pow_si(Power, Power, K, MPFR_RNDN);
      Centres.push_back(mpfr_get_d(Power, MPFR_RNDN));
    }
    mpfr_clear(Power);
  }
  for (int E = -1074; E <= 1023; ++E)
    Centres.push_back(std::ldexp(1.0, E));
  for (const double Centre : Centres) {
    for (int Step = -2; Step <= 2; ++Step) {
      const double Value =
          FromBits(BitsOf(Centre) + static_cast<std::uint64_t>(Step));
      if (Value >= Low && Value <= High) {
        Samples.push_back({Value, '.'});
        Samples.push_back({-Value, ','});
      }
    }
  }
}

TEST(NumberTextOracleTest, PowerTablesHoldTheNearestExtendedValues) {
  mpz_t Exact, Rest, Half;
  mpz_inits(Exact, Rest, Half, nullptr);
  const auto Check = [&](long double Power, unsigned long Exponent) {
    SCOPED_TRACE(testing::Message() << "10^" << Exponent);
    mpz_ui_pow_ui(Exact, 10, Exponent);
    const auto Bits = static_cast<long>(mpz_sizeinbase(Exact, 2));
    long Binary = Bits - 1;
    std::uint64_t Significand = 0;
    bool IsExact = true;
    if (Bits <= 64) {
      mpz_mul_2exp(Exact, Exact, static_cast<mp_bitcnt_t>(64 - Bits));
    } else {
      // Keep the top 64 bits, to nearest, ties to even.
      const auto Dropped = static_cast<mp_bitcnt_t>(Bits - 64);
      mpz_fdiv_r_2exp(Rest, Exact, Dropped);
      mpz_fdiv_q_2exp(Exact, Exact, Dropped);
      mpz_set_ui(Half, 0);
      mpz_setbit(Half, Dropped - 1);
      const int Side = mpz_cmp(Rest, Half);
      IsExact = mpz_sgn(Rest) == 0;
      if (Side > 0 || (Side == 0 && mpz_odd_p(Exact)))
        mpz_add_ui(Exact, Exact, 1);
      if (mpz_sizeinbase(Exact, 2) > 64) { // rounded up to 2^64
        mpz_fdiv_q_2exp(Exact, Exact, 1);
        ++Binary;
      }
    }
    mpz_export(&Significand, nullptr, -1, sizeof Significand, 0, 0, Exact);

    std::uint64_t TableSignificand;
    std::uint16_t TableExponent;
    std::memcpy(&TableSignificand, &Power, sizeof TableSignificand);
    std::memcpy(&TableExponent,
                reinterpret_cast<const unsigned char *>(&Power) + 8,
                sizeof TableExponent);
    EXPECT_EQ(TableSignificand, Significand);
    EXPECT_EQ(TableExponent - 16383, Binary);
    EXPECT_EQ(IsExact, Exponent <= 27);
  };
  for (unsigned long K = 0; K < 32; ++K)
    Check(SmallPowersOfTen[K], K);
  for (unsigned long J = 0; J < 16; ++J)
    Check(LargePowersOfTen[J], 32 * J);
  mpz_clears(Exact, Rest, Half, nullptr);
}

TEST(NumberTextOracleTest, RandomDoublesFromTenToTheMinus200Up) {
  ExtendedModel Model;
  std::mt19937_64 Random(0x5EED0001);
  const double Low = 1e-200;
  const double High = std::numeric_limits<double>::max();
  std::vector<Sample> Samples;
  AddRandomDoubles(Samples, Random, 1000000, Low, High);
  AddEdgeDoubles(Samples, Low, High);
  EXPECT_EQ(CountMismatches(Model, Samples), 0);
  // Here the estimate of K is never too high, and the scaled magnitude
  // stays within the signed 64-bit range.
  EXPECT_EQ(Model.Shifted, 0);
  EXPECT_EQ(Model.ScaledTooLarge, 0);
}

TEST(NumberTextOracleTest, FiguresOfEveryCount) {
  ExtendedModel Model;
  std::mt19937_64 Random(0x5EED0002);
  std::vector<std::int64_t> Counts;
  // Counts of every length from 1 to 63 bits, and as many again in the range
  // a real pass gives (figures between 1 and 5).
  for (int I = 0; I < 1000000; ++I) {
    const std::uint64_t R = Random();
    const auto Length = static_cast<int>(R % 63) + 1;
    const std::uint64_t Top = std::uint64_t{1} << (Length - 1);
    const std::uint64_t Low = Length == 1 ? 0 : Random() >> (65 - Length);
    const auto Count = static_cast<std::int64_t>(Top | Low);
    Counts.push_back((R >> 63) != 0 ? -Count : Count);
  }
  for (int I = 0; I < 200000; ++I)
    Counts.push_back(
        static_cast<std::int64_t>(120000000 + Random() % 480000000));
  Counts.push_back(std::numeric_limits<std::int64_t>::max());
  Counts.push_back(-std::numeric_limits<std::int64_t>::max());
  Counts.push_back(std::numeric_limits<std::int64_t>::min());

  std::vector<Sample> Samples(Counts.size());
  {
    test::ProgramFpuWord Word; // the figures as the program makes them
    for (std::size_t I = 0; I < Counts.size(); ++I)
      Samples[I] = {CurrentFigure(Counts[I]), I % 2 == 0 ? '.' : ','};
  }
  EXPECT_EQ(CountMismatches(Model, Samples), 0);
  EXPECT_EQ(Model.Shifted, 0);
  EXPECT_EQ(Model.ScaledTooLarge, 0);
}

TEST(NumberTextOracleTest, RandomDoublesBelowTenToTheMinus200) {
  ExtendedModel Model;
  std::mt19937_64 Random(0x5EED0003);
  const double Low = std::numeric_limits<double>::denorm_min();
  const double High = FromBits(BitsOf(1e-200) - 1);
  std::vector<Sample> Samples;
  AddRandomDoubles(Samples, Random, 200000, Low, High);
  AddEdgeDoubles(Samples, Low, High);
  // The two narrow bands where the estimate of K is one too high.
  AddRandomDoubles(Samples, Random, 20000, 0x1p-877, 1e-264);
  AddRandomDoubles(Samples, Random, 20000, 0x1p-681, 1e-205);
  EXPECT_EQ(CountMismatches(Model, Samples), 0);
  EXPECT_GT(Model.Shifted, 40000);
  EXPECT_EQ(Model.ScaledTooLarge, 0);
}

} // namespace
} // namespace vexmor
