//===- bench/meter/number_text_bench.cpp - Number texts vs the library ===//
//
// The float text on figures as the meter makes them, 600000000 / n, next to
// the C library's "%.15G" and std::to_chars in general format with 15
// digits on the same values; the integer text next to std::to_chars. Every
// contender returns a std::string, as the status line needs; the *Buffer
// runs show the library conversions without that string.
//
//===----------------------------------------------------------------------===//

#include "meter/ipc_figures.h"
#include "meter/number_text.h"
#include "x87/fpu_control.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace vexmor;

constexpr std::size_t SampleCount = 4096; // a power of two

/// Figures of passes between 100,000,000 and 1,000,000,000 ticks (0.6 to 6
/// instructions per tick), made on the x87 unit as the meter makes them.
const std::vector<double> &Figures() {
  static const std::vector<double> Values = [] {
    std::mt19937_64 Random(42);
    std::vector<CycleCount> Counts(SampleCount);
    for (CycleCount &Count : Counts)
      Count = static_cast<CycleCount>(100000000 + Random() % 900000000);
    std::vector<double> Result(SampleCount);
    const std::uint16_t Saved = CurrentFpuControlWord();
    ResetFpuAndLoadControlWord();
    for (std::size_t I = 0; I < SampleCount; ++I)
      Result[I] = CurrentFigure(Counts[I]);
    __asm__ volatile("fninit\n\tfldcw %0" : : "m"(Saved));
    return Result;
  }();
  return Values;
}

/// Signed counts of every length up to 63 bits.
const std::vector<std::int64_t> &Counts() {
  static const std::vector<std::int64_t> Values = [] {
    std::mt19937_64 Random(7);
    std::vector<std::int64_t> Result(SampleCount);
    for (std::size_t I = 0; I < SampleCount; ++I) {
      const auto Value = static_cast<std::int64_t>(Random() >> (1 + I % 63));
      Result[I] = I % 2 == 0 ? Value : -Value;
    }
    return Result;
  }();
  return Values;
}

void BM_FloatToGeneralText(benchmark::State &State) {
  const std::vector<double> &Values = Figures();
  const std::uint16_t Saved = CurrentFpuControlWord();
  ResetFpuAndLoadControlWord(); // the word the program runs under
  std::size_t I = 0;
  for (auto _ : State) {
    std::string Text = FloatToGeneralText(Values[I++ % SampleCount], '.');
    benchmark::DoNotOptimize(Text);
  }
  __asm__ volatile("fninit\n\tfldcw %0" : : "m"(Saved));
}
BENCHMARK(BM_FloatToGeneralText);

void BM_SnprintfG15(benchmark::State &State) {
  const std::vector<double> &Values = Figures();
  std::size_t I = 0;
  for (auto _ : State) {
    char Buffer[32];
    const int Length = std::snprintf(Buffer, sizeof Buffer, "%.15G",
                                     Values[I++ % SampleCount]);
    std::string Text(Buffer, static_cast<std::size_t>(Length));
    benchmark::DoNotOptimize(Text);
  }
}
BENCHMARK(BM_SnprintfG15);

void BM_ToCharsGeneral15(benchmark::State &State) {
  const std::vector<double> &Values = Figures();
  std::size_t I = 0;
  for (auto _ : State) {
    char Buffer[32];
    const auto Result =
        std::to_chars(Buffer, Buffer + sizeof Buffer, Values[I++ % SampleCount],
                      std::chars_format::general, 15);
    std::string Text(Buffer, Result.ptr);
    benchmark::DoNotOptimize(Text);
  }
}
BENCHMARK(BM_ToCharsGeneral15);

void BM_ToCharsGeneral15Buffer(benchmark::State &State) {
  const std::vector<double> &Values = Figures();
  std::size_t I = 0;
  for (auto _ : State) {
    char Buffer[32];
    const auto Result =
        std::to_chars(Buffer, Buffer + sizeof Buffer, Values[I++ % SampleCount],
                      std::chars_format::general, 15);
    benchmark::DoNotOptimize(Buffer);
    benchmark::DoNotOptimize(Result.ptr);
  }
}
BENCHMARK(BM_ToCharsGeneral15Buffer);

void BM_Int64ToText(benchmark::State &State) {
  const std::vector<std::int64_t> &Values = Counts();
  std::size_t I = 0;
  for (auto _ : State) {
    std::string Text = Int64ToText(Values[I++ % SampleCount]);
    benchmark::DoNotOptimize(Text);
  }
}
BENCHMARK(BM_Int64ToText);

void BM_ToCharsInt64(benchmark::State &State) {
  const std::vector<std::int64_t> &Values = Counts();
  std::size_t I = 0;
  for (auto _ : State) {
    char Buffer[24];
    const auto Result = std::to_chars(Buffer, Buffer + sizeof Buffer,
                                      Values[I++ % SampleCount]);
    std::string Text(Buffer, Result.ptr);
    benchmark::DoNotOptimize(Text);
  }
}
BENCHMARK(BM_ToCharsInt64);

void BM_ToCharsInt64Buffer(benchmark::State &State) {
  const std::vector<std::int64_t> &Values = Counts();
  std::size_t I = 0;
  for (auto _ : State) {
    char Buffer[24];
    const auto Result = std::to_chars(Buffer, Buffer + sizeof Buffer,
                                      Values[I++ % SampleCount]);
    benchmark::DoNotOptimize(Buffer);
    benchmark::DoNotOptimize(Result.ptr);
  }
}
BENCHMARK(BM_ToCharsInt64Buffer);

} // namespace
