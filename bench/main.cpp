// tessary_bench: the microbenchmarks, then the whole pass against its two baselines on one
// generated vertex-heavy file, in this process (tessary-compare compares whole programs).
//
//   tessary_bench [--pass-mib=N] [--pass-only | --micro-only] [Google Benchmark flags]
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/baseline_passes.h"
#include "bench/model_generator.h"
#include "model/job/run.h"

namespace {

using namespace tessary;

// The best of `runs` timings of `pass`, in seconds.
double BestSeconds(const std::function<void()>& pass, int runs) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    pass();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    best = std::min(best, elapsed.count());
  }
  return best;
}

void ComparePasses(std::uint64_t mebibytes) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("tessary-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string input = (dir / "model.mdl").string();
  const std::string output = (dir / "out.mdl").string();
  bench::GenerateModel(input, mebibytes << 20, bench::ModelKind::VertexHeavy);
  const double megabytes = static_cast<double>(std::filesystem::file_size(input)) / 1e6;

  const double copy = BestSeconds([&] { bench::CopyLines(input, output); }, 5);
  const double naive =
      BestSeconds([&] { bench::NaiveScalingPass(input, output, 2.0, 3.0, 0.5); }, 5);
  const double tessary = BestSeconds(
      [&] {
        if (ScaleModelFile(input, output, "2", "3", "0.5") != ScaleResult::Done) std::abort();
      },
      5);
  std::filesystem::remove_all(dir);

  std::printf("\nWhole pass on %.1f MB of vertex-heavy model text (best of 5):\n", megabytes);
  std::printf("  (a) line copy            %8.1f MB/s\n", megabytes / copy);
  std::printf("  (b) strtod + snprintf    %8.1f MB/s\n", megabytes / naive);
  std::printf("  (c) Tessary's pass       %8.1f MB/s\n", megabytes / tessary);
  std::printf("  c/b = %.2f   c/a = %.2f\n", naive / tessary, copy / tessary);
}

}  // namespace

int main(int argc, char** argv) {
  std::uint64_t mebibytes = 64;
  bool passOnly = false;
  bool microOnly = false;
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--pass-mib=", 11) == 0) {
      mebibytes = std::strtoull(argv[i] + 11, nullptr, 10);
    } else if (std::strcmp(argv[i], "--pass-only") == 0) {
      passOnly = true;
    } else if (std::strcmp(argv[i], "--micro-only") == 0) {
      microOnly = true;
    } else {
      rest.push_back(argv[i]);
    }
  }
  int restCount = static_cast<int>(rest.size());
  benchmark::Initialize(&restCount, rest.data());
  if (!passOnly) benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (!microOnly) ComparePasses(mebibytes);
  return 0;
}
