// The real pass against the slow reference pass, on generated models that mix every rule with
// awkward text, read with input buffers from a few bytes (every line goes down the streaming
// path) to the default size.
#include <gtest/gtest.h>

#include <string>

#include "model/pass/input_file.h"
#include "tests/support/files.h"
#include "tests/support/model_writer.h"
#include "tests/support/reference_pass.h"
#include "tests/support/worked_example.h"

namespace tessary {
namespace {

using testing::ModelWriter;
using testing::RealPass;
using testing::ReferencePass;

TEST(PassAgainstReference, WritesWhatTheReferenceWritesForEveryBufferSize) {
  const ScaleFactors factors{2, -0.5, 1e3};
  for (std::uint64_t seed = 0; seed < static_cast<std::uint64_t>(testing::Sample(800)); ++seed) {
    const std::string model = ModelWriter(seed).Model();
    const std::string expected = ReferencePass(model, factors);
    // A one-byte buffer is slow (a read per byte): it runs on every fourth model only.
    for (const std::size_t capacity : {seed % 4 == 0 ? 1 : 2, 5, 61, 4096}) {
      ASSERT_EQ(RealPass(model, factors, capacity), expected)
          << "seed " << seed << ", buffer of " << capacity << " bytes";
    }
  }
}

TEST(PassAgainstReference, AgreesOnTheWorkedExample) {
  const ScaleFactors factors{2, 3, 0.5};
  EXPECT_EQ(ReferencePass(testing::kWorkedExample, factors), testing::kWorkedExampleScaled);
  EXPECT_EQ(RealPass(testing::kWorkedExample, factors, InputFile::kDefaultCapacity),
            testing::kWorkedExampleScaled);
}

}  // namespace
}  // namespace tessary
