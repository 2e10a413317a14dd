// Fuzz target: the whole pass on arbitrary bytes writes exactly what the slow reference pass
// writes, both with the usual input buffer and with one of a few bytes, which sends every line
// down the streaming path for long lines.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "model/pass/input_file.h"
#include "tests/support/reference_pass.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string model(reinterpret_cast<const char*>(data), size);
  const tessary::ScaleFactors factors{2, -0.5, 1e3};
  const std::string expected = tessary::testing::ReferencePass(model, factors);
  const std::size_t smallBuffer = 1 + (size > 0 ? data[0] % 16 : 0);
  for (const std::size_t capacity : {tessary::InputFile::kDefaultCapacity, smallBuffer}) {
    if (tessary::testing::RealPass(model, factors, capacity) != expected) std::abort();
  }
  return 0;
}
