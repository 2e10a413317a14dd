// Microbenchmarks of the token reader, the number conversions and the pass on one thread.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "model/numbers/number_format.h"
#include "model/numbers/number_parse.h"
#include "model/pass/input_file.h"
#include "model/pass/output_file.h"
#include "model/pass/scaling_pass.h"
#include "model/pass/token_reader.h"
#include "platform/file.h"

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

// Magnitudes far from typical coordinates, one class per benchmark argument; the last mixes
// the others in random order, as a file of awkward magnitudes does.
constexpr const char* kMagnitudeClasses[] = {"1e-30 to 1e-7", "subnormal", "1e5 to 1e22",
                                             "1e100 to 1e300", "all four mixed"};
constexpr int kSubnormals = 1;
constexpr int kMixedMagnitudes = 4;

double RandomOfMagnitudeClass(int magnitudeClass, std::mt19937_64& random) {
  const double sign = random() % 2 ? -1.0 : 1.0;
  if (magnitudeClass == kSubnormals) {
    return sign * std::bit_cast<double>(random() & ((std::uint64_t{1} << 52) - 1));
  }
  constexpr int kLowest[] = {-30, 0, 5, 100};
  constexpr int kHighest[] = {-7, 0, 22, 300};
  std::uniform_int_distribution<int> exponent(kLowest[magnitudeClass], kHighest[magnitudeClass]);
  std::uniform_real_distribution<double> leading(1.0, 10.0);
  return sign * leading(random) * std::pow(10.0, exponent(random));
}

std::vector<double> AwkwardMagnitudes(int magnitudeClass) {
  std::mt19937_64 random(3);
  std::vector<double> values(4096);
  for (std::size_t i = 0; i < values.size(); ++i) {
    const int drawn = magnitudeClass == kMixedMagnitudes ? static_cast<int>(i % 4) : magnitudeClass;
    values[i] = RandomOfMagnitudeClass(drawn, random);
  }
  std::shuffle(values.begin(), values.end(), random);
  return values;
}

void ForEachMagnitudeClass(benchmark::internal::Benchmark* benchmark) {
  for (int magnitudeClass = 0; magnitudeClass <= kMixedMagnitudes; ++magnitudeClass)
    benchmark->Arg(magnitudeClass);
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

void BM_ParseDouble_AwkwardMagnitudes(benchmark::State& state) {
  const auto magnitudeClass = static_cast<int>(state.range(0));
  state.SetLabel(kMagnitudeClasses[magnitudeClass]);
  ParseAll(state, AsText(AwkwardMagnitudes(magnitudeClass), "%.17g"));
}
BENCHMARK(BM_ParseDouble_AwkwardMagnitudes)->Apply(ForEachMagnitudeClass);

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

void BM_Strtod_AwkwardMagnitudes(benchmark::State& state) {
  const auto magnitudeClass = static_cast<int>(state.range(0));
  state.SetLabel(kMagnitudeClasses[magnitudeClass]);
  const std::vector<std::string> texts = AsText(AwkwardMagnitudes(magnitudeClass), "%.17g");
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::strtod(texts[i].c_str(), nullptr));
    i = (i + 1) & (texts.size() - 1);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Strtod_AwkwardMagnitudes)->Apply(ForEachMagnitudeClass);

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

void BM_FormatFixed11_AwkwardMagnitudes(benchmark::State& state) {
  const auto magnitudeClass = static_cast<int>(state.range(0));
  state.SetLabel(kMagnitudeClasses[magnitudeClass]);
  FormatAll(state, AwkwardMagnitudes(magnitudeClass));
}
BENCHMARK(BM_FormatFixed11_AwkwardMagnitudes)->Apply(ForEachMagnitudeClass);

void SnprintfAll(benchmark::State& state, const std::vector<double>& values) {
  char text[400];
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::snprintf(text, sizeof text, "%.11f", values[i]));
    i = (i + 1) & (values.size() - 1);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_Snprintf11_Typical(benchmark::State& state) {
  SnprintfAll(state, TypicalCoordinates());
}
BENCHMARK(BM_Snprintf11_Typical);

void BM_Snprintf11_AwkwardMagnitudes(benchmark::State& state) {
  const auto magnitudeClass = static_cast<int>(state.range(0));
  state.SetLabel(kMagnitudeClasses[magnitudeClass]);
  SnprintfAll(state, AwkwardMagnitudes(magnitudeClass));
}
BENCHMARK(BM_Snprintf11_AwkwardMagnitudes)->Apply(ForEachMagnitudeClass);

// The pass on one thread over model text in memory, written to the null device: what one core
// does per byte, without reading files. The text is vertex blocks as the generated models
// have them, a face line for every four vertices.
void BM_Pass_VertexHeavyText(benchmark::State& state) {
  std::mt19937_64 random(5);
  std::uniform_real_distribution<double> coordinate(-2.5, 2.5);
  std::string text;
  char line[96];
  while (text.size() < (std::size_t{4} << 20)) {
    text += "node trimesh part\n  verts 1000\n";
    for (int i = 0; i < 1000; ++i) {
      std::snprintf(line, sizeof line, "    %.8f %.8f %.8f\n", coordinate(random),
                    coordinate(random), coordinate(random));
      text += line;
    }
    text += "  faces 250\n";
    for (int i = 0; i < 250; ++i)
      text += "    12 13 14  1  12 13 14  3\n";
    text += "endnode\n";
  }
  platform::File sink;
  if (platform::File::OpenToWrite("/dev/null", sink) != 0) {
    state.SkipWithError("cannot open the null device");
    return;
  }
  const ScaleFactors factors{2.0, 3.0, 0.5};
  for (auto _ : state) {
    InputFile input(nullptr, 0);
    input.UseText(text);
    OutputFile output(sink, "null");
    RunScalingPass(input, output, factors);
    output.Finish();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Pass_VertexHeavyText)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessary::bench
