// Microbenchmarks of the token reader and the number conversions.
#include <benchmark/benchmark.h>

#include <cfloat>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "model/number_format.h"
#include "model/number_parse.h"
#include "model/token_reader.h"

namespace tessary::bench {
namespace {

std::vector<double> TypicalCoordinates() {
  std::mt19937_64 random(1);
  std::uniform_real_distribution<double> coordinate(-2.5, 2.5);
  std::vector<double> values(4096);
  for (double& value : values) {
    char text[32];
    std::snprintf(text, sizeof text, "%.8f", coordinate(random));
    value = ParseDouble(text);
  }
  return values;
}

// Eight values away from the common range (the benchmarks cycle through a power of two).
std::vector<double> AwkwardValues() {
  return {
      1e300,     -1e-300,           -0.0, 4.9406564584124654e-324, DBL_MAX, 123456789012345678.0,
      1048576.1, -9.999999999995e15};
}

std::vector<std::string> AsText(const std::vector<double>& values, const char* format) {
  std::vector<std::string> texts;
  for (double value : values) {
    char text[400];
    std::snprintf(text, sizeof text, format, value);
    texts.emplace_back(text);
  }
  return texts;
}

void BM_ReadToken_VertexLine(benchmark::State& state) {
  const std::string line = "    -1.23456789 0.98765432 2.50000000\r";
  for (auto _ : state) {
    std::string_view cursor = line;
    for (int i = 0; i < 3; ++i)
      benchmark::DoNotOptimize(ReadToken(cursor));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * line.size()));
}
BENCHMARK(BM_ReadToken_VertexLine);

void ParseAll(benchmark::State& state, const std::vector<std::string>& texts) {
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ParseDouble(texts[i]));
    i = (i + 1) & (texts.size() - 1);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_ParseDouble_Typical(benchmark::State& state) {
  ParseAll(state, AsText(TypicalCoordinates(), "%.8f"));
}
BENCHMARK(BM_ParseDouble_Typical);

void BM_ParseDouble_Awkward(benchmark::State& state) {
  ParseAll(state, AsText(AwkwardValues(), "%.17g"));
}
BENCHMARK(BM_ParseDouble_Awkward);

void BM_Strtod_Typical(benchmark::State& state) {
  const std::vector<std::string> texts = AsText(TypicalCoordinates(), "%.8f");
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::strtod(texts[i].c_str(), nullptr));
    i = (i + 1) & (texts.size() - 1);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Strtod_Typical);

void FormatAll(benchmark::State& state, const std::vector<double>& values) {
  char text[kMaxFixed11Length];
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FormatFixed11(values[i], text));
    benchmark::ClobberMemory();
    i = (i + 1) & (values.size() - 1);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_FormatFixed11_Typical(benchmark::State& state) {
  FormatAll(state, TypicalCoordinates());
}
BENCHMARK(BM_FormatFixed11_Typical);

void BM_FormatFixed11_Awkward(benchmark::State& state) {
  FormatAll(state, AwkwardValues());
}
BENCHMARK(BM_FormatFixed11_Awkward);

void BM_Snprintf11_Typical(benchmark::State& state) {
  const std::vector<double> values = TypicalCoordinates();
  char text[400];
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::snprintf(text, sizeof text, "%.11f", values[i]));
    i = (i + 1) & (values.size() - 1);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Snprintf11_Typical);

}  // namespace
}  // namespace tessary::bench
