// Replays a fuzz target's committed seeds and crash inputs as an ordinary test, so that what
// the fuzzer once found stays found. A failed check aborts the test program.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

// FUZZ_SUITE names the test after its target (the indirection expands the macro first).
#define REPLAY_TEST(suite) TEST(suite, ReplaysSeedsAndCrashes)

REPLAY_TEST(FUZZ_SUITE) {
  int replayed = 0;
  for (const char* folder : {"fuzz/corpus/", "fuzz/crashes/"}) {
    const fs::path path = tessary::testing::SourcePath(std::string(folder) + FUZZ_TARGET);
    if (!fs::exists(path)) continue;
    for (const fs::directory_entry& entry : fs::directory_iterator(path)) {
      const std::string input = tessary::testing::ReadFile(entry.path().string());
      SCOPED_TRACE(entry.path().string());
      LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
      ++replayed;
    }
  }
  EXPECT_GT(replayed, 0);
}

}  // namespace
