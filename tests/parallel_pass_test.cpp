// The pass on several threads writes what the sequential pass writes, byte for byte, wherever
// the chunks are cut: blocks that cross chunks, blocks longer than a chunk, headers inside the
// lines a block still owes, lines longer than a chunk, a Ctrl-Z, a last line without a line feed.
#include "model/pass/parallel_pass.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "model/pass/input_file.h"
#include "model/pass/output_file.h"
#include "tests/support/files.h"
#include "tests/support/model_writer.h"
#include "tests/support/reference_pass.h"
#include "tests/support/scratch_file.h"
#include "tests/support/table.h"

namespace tessary {
namespace {

using testing::ModelWriter;
using testing::RealPass;
using testing::ReferencePass;

const ScaleFactors kFactors{2, -0.5, 1e3};

std::string Parallel(std::string_view model, int threads, std::size_t chunk, std::size_t max) {
  const ParallelOptions options{threads, chunk, max};
  return RealPass(model, kFactors, max, &options);
}

TEST(ParallelPass, MatchesTheSequentialPassForEveryChunkSize) {
  for (std::uint64_t seed = 0; seed < static_cast<std::uint64_t>(testing::Sample(60)); ++seed) {
    std::string model;
    for (int part = 0; part < 4; ++part)  // longer models, so that there are many chunks
      model += ModelWriter(seed * 4 + static_cast<std::uint64_t>(part)).Model() + "\n";
    const std::string expected = ReferencePass(model, kFactors);
    for (std::size_t chunk = 1; chunk <= 48; chunk += seed % 3 + 1) {
      ASSERT_EQ(Parallel(model, 1 + static_cast<int>(chunk % 3), chunk, 4096), expected)
          << "seed " << seed << ", chunks of " << chunk << " bytes";
    }
  }
}

TEST(ParallelPass, BlocksAcrossAndBeyondChunks) {
  std::string model = "verts 50\n";
  for (int i = 0; i < 60; ++i)
    model += std::to_string(i) + " 1 2\n";
  model += "positionkey 3\nverts 2\n1 1 1 1\n2 2 2 2\ncenter 1 2 3\npositionkey 99\n1 2 3 4";
  const std::string expected = ReferencePass(model, kFactors);
  for (std::size_t chunk = 1; chunk < model.size() + 2; ++chunk) {
    ASSERT_EQ(Parallel(model, 2, chunk, chunk + 16), expected) << "chunks of " << chunk;
  }
}

TEST(ParallelPass, LineLongerThanAChunkHandsOverToTheSequentialPass) {
  const std::string model = "verts 3\n1 1 1\n" + std::string(5000, ' ') + "2 2 2\n3 3 3\n" +
                            "node " + std::string(9000, 'x') + "\nposition 1 2 3\n";
  const std::string expected = ReferencePass(model, kFactors);
  for (const std::size_t chunk : {4, 64, 1024}) {
    EXPECT_EQ(Parallel(model, 2, chunk, 1024), expected) << "chunks of " << chunk;
  }
}

// Lines so short that a chunk holds more of them than its caps allow, or writes more than its
// output cap: such chunks are scaled again in order, and later chunks are read smaller.
TEST(ParallelPass, ShortLinesThatOutgrowAChunksCaps) {
  std::string model;
  for (int i = 0; i < 150000; ++i)
    model += "center\n";
  model += "verts 40000\n";
  for (int i = 0; i < 40000; ++i)
    model += "1\n";
  model += std::string(100000, '\n') + "position 1 2 3\n";
  const std::string expected = ReferencePass(model, kFactors);
  for (const std::size_t chunk : {std::size_t{64} << 10, std::size_t{1} << 20}) {
    EXPECT_EQ(Parallel(model, 2, chunk, chunk), expected) << "chunks of " << chunk;
  }
}

TEST(ParallelPass, StopsAtCtrlZLikeTheSequentialPass) {
  const std::string model = "position 1 1 1\nverts 1\n1 2 3\x1Aposition 9 9 9\n";
  EXPECT_EQ(Parallel(model, 2, 3, 64), ReferencePass(model, kFactors));
}

TEST(ParallelPass, LargeModelWithRealChunks) {
  ModelWriter writer(7);
  std::string model;
  while (model.size() < (6u << 20)) {
    model += "verts 3000\n";
    for (int i = 0; i < 3000; ++i)
      model += "    -1.23456789 0.98765432 " + std::to_string(i) + ".5\n";
    model += writer.Model() + "\n";
  }
  EXPECT_EQ(Parallel(model, 2, 1 << 20, 1 << 20), RealPass(model, kFactors, 1 << 20));
}

// Judged by its first chunk, a model that is mostly copied lines is handed whole to the
// sequential pass; one that is mostly numbers keeps its workers. Either way the bytes are the
// same, wherever the first chunk ends. Rows named by what the first chunk holds.
struct FirstChunkCase {
  const char* name;
  std::string model;
};
void PrintTo(const FirstChunkCase& row, std::ostream* os) {
  *os << row.name;
}

std::string Lines(const std::string& line, int count) {
  std::string text;
  for (int i = 0; i < count; ++i)
    text += line;
  return text;
}

class FirstChunkTest : public ::testing::TestWithParam<FirstChunkCase> {};

TEST_P(FirstChunkTest, GivesTheSameBytesWhicheverPassTakesIt) {
  const std::string& model = GetParam().model;
  const std::string expected = ReferencePass(model, kFactors);
  for (const double share : {0.0, 1.0 / 3, 1.0}) {
    for (const std::size_t chunk : {std::size_t{7}, std::size_t{100}, std::size_t{4096}}) {
      ParallelOptions options{2, chunk, 4096, share};
      ASSERT_EQ(RealPass(model, kFactors, 4096, &options), expected)
          << "share " << share << ", chunks of " << chunk;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Models, FirstChunkTest,
    ::testing::Values(
        FirstChunkCase{"CopiedLinesThenABlock", Lines("# nothing to scale here\n", 300) +
                                                    "verts 200\n" + Lines("1.5 -2.25 3\n", 200)},
        FirstChunkCase{"ABlockThenCopiedLines", "verts 300\n" + Lines("  1.5 -2.25 3\n", 300) +
                                                    Lines("bitmap texture0\n", 300)},
        FirstChunkCase{
            "BlockOpenAcrossTheFirstChunk",
            "verts 400\n" + Lines("1 2 3\n", 10) + Lines("# 4 5 6\n", 390) + "position 1 2 3\n"},
        FirstChunkCase{"LineLongerThanAChunkFirst",
                       std::string(5000, '#') + "\n" + Lines("position 1 2 3\n", 50)},
        FirstChunkCase{"CtrlZInTheFirstChunk", Lines("# copied\n", 20) + "\x1a" + "verts 1\n"},
        FirstChunkCase{"Empty", ""}),
    testing::RowName());

TEST(ParallelPass, CancellationEndsThePass) {
  std::string model;
  for (int i = 0; i < 20000; ++i)
    model += "position 1 2 3\n";
  const testing::ScratchFile in(model);
  const testing::ScratchFile out;
  std::atomic<bool> cancel{false};
  PassControl control;
  control.cancel = &cancel;
  control.progress = [&cancel](std::uint64_t done, std::uint64_t) { cancel = done > 4096; };
  InputFile input(&control, 4096);
  input.Read(in.Borrow(), "model");
  platform::File outFile = out.Borrow();
  OutputFile output(outFile, "scaled", &control);
  EXPECT_THROW(RunParallelScalingPass(input, output, kFactors, control, {2, 1024, 4096}),
               PassCancelled);
}

}  // namespace
}  // namespace tessary
