// Fuzz target: the pass on several threads writes exactly what the slow reference pass writes,
// for chunk sizes and thread counts taken from the first bytes of the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "model/pass/parallel_pass.h"
#include "tests/support/reference_pass.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  tessary::ParallelOptions options;
  options.threads = 1 + data[0] % 3;
  options.chunkSize = 1 + data[1] % 64;
  options.maxChunk = options.chunkSize + data[0] % 200;
  const std::string model(reinterpret_cast<const char*>(data + 2), size - 2);
  const tessary::ScaleFactors factors{2, -0.5, 1e3};
  const std::string expected = tessary::testing::ReferencePass(model, factors);
  const std::size_t capacity = options.maxChunk;
  if (tessary::testing::RealPass(model, factors, capacity, &options) != expected) std::abort();
  return 0;
}
