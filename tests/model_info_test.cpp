// InspectModel: what a model holds, counted exactly as the pass reads it.
#include "model/pass/model_info.h"

#include <gtest/gtest.h>

#include <string>

#include "model/job/scale_job.h"
#include "model/pass/input_file.h"
#include "model/pass/model_text.h"
#include "tests/support/files.h"
#include "tests/support/scratch_file.h"
#include "tests/support/worked_example.h"

namespace tessary {
namespace {

ModelInfo Inspect(std::string_view model, std::size_t capacity = InputFile::kDefaultCapacity) {
  const testing::ScratchFile file(model);
  InputFile input(nullptr, capacity);
  input.Read(file.Borrow(), "model");
  return InspectModel(input);
}

void ExpectBox(const Box3& box, std::array<double, 3> min, std::array<double, 3> max) {
  for (int axis = 0; axis < 3; ++axis) {
    EXPECT_EQ(box.min[axis], min[axis]) << "axis " << axis;
    EXPECT_EQ(box.max[axis], max[axis]) << "axis " << axis;
  }
}

TEST(InspectModel, CountsEachKindOfLineAndBoxesItsPoints) {
  // The worked example: two position/center lines, a verts block of two, a key block of one.
  const ModelInfo info = Inspect(testing::kWorkedExample);
  EXPECT_EQ(info.lines, 8u);
  EXPECT_EQ(info.positions.blocks, 0u);
  EXPECT_EQ(info.positions.lines, 2u);
  EXPECT_EQ(info.vertices.blocks, 1u);
  EXPECT_EQ(info.vertices.lines, 2u);
  EXPECT_EQ(info.keys.blocks, 1u);
  EXPECT_EQ(info.keys.lines, 1u);
  ExpectBox(info.positions.box, {0, 1, -2}, {1, 2, 4});
  ExpectBox(info.vertices.box, {0.5, 0, 1}, {1, 1, 2});
  ExpectBox(info.keys.box, {1, 1, 1}, {1, 1, 1});  // the key's time is not a coordinate
}

TEST(InspectModel, ReadsLikeThePassWhateverTheBufferSize) {
  const std::string model = "  verts 3 extra\n" + std::string(300, ' ') + "1 2 3\n" +
                            "'-4' 5e1 6d0 junk\n\rcenter 7 8\r\n" + "positionkey 0\n" + "CENTER " +
                            std::string(500, '0') + "9 0 0\n";
  const ModelInfo whole = Inspect(model);
  EXPECT_EQ(whole.vertices.lines, 3u);  // the block takes the center line too
  EXPECT_EQ(whole.keys.blocks, 1u);
  EXPECT_EQ(whole.keys.lines, 0u);
  ExpectBox(whole.vertices.box, {-4, 2, 3}, {1, 50, 8});
  ExpectBox(whole.positions.box, {9, 0, 0}, {9, 0, 0});
  for (const std::size_t capacity : {1, 4, 33}) {
    const ModelInfo streamed = Inspect(model, capacity);
    EXPECT_EQ(streamed.lines, whole.lines);
    ExpectBox(streamed.vertices.box, {-4, 2, 3}, {1, 50, 8});
    ExpectBox(streamed.positions.box, {9, 0, 0}, {9, 0, 0});
  }
}

TEST(InspectModel, ModelWithoutPointsHasEmptyBoxes) {
  const ModelInfo info = Inspect("node a\nverts 0\n");
  EXPECT_TRUE(info.vertices.box.empty());
  EXPECT_TRUE(info.positions.box.empty());
  EXPECT_TRUE(info.vertices.box.Scaled({2, 2, 2}).empty());
}

TEST(Box3, ScaledByANegativeFactorSwapsTheEnds) {
  Box3 box;
  const double a[] = {1, -2, 3};
  const double b[] = {2, 4, 5};
  box.Add(a);
  box.Add(b);
  ExpectBox(box.Scaled({-1, 0.5, 0}), {-2, -1, 0}, {-1, 2, 0});
}

TEST(InspectModelFile, ReportsWhatCannotBeRead) {
  ModelInfo info;
  JobResult result = InspectModelFile(JobFile::Path("missing.mdl"), info);
  EXPECT_EQ(result.status, JobStatus::InputNotOpened);
  EXPECT_EQ(result.reason, testing::Reason(platform::ErrorKind::NotFound));
#ifndef _WIN32
  result = InspectModelFile(JobFile::Path("/proc/self/mem"), info);
  EXPECT_EQ(result.status, JobStatus::Failed);
  EXPECT_EQ(result.Message(), "An unknown error occurred while accessing /proc/self/mem.");
#endif
  result = InspectModelFile(JobFile::Path(testing::SourcePath("examples/crate.mdl")), info);
  EXPECT_EQ(result.status, JobStatus::Done);
  EXPECT_GT(info.vertices.lines, 0u);
}

// Every byte value, wherever it stands in a sample (at each offset of the eight-byte words the
// rule reads, and in the bytes after the last whole word), counts as a control character
// exactly when it is a C0 control other than NUL, the pass's whitespace and Ctrl-Z; NUL bytes
// are left out of the share.
TEST(ModelText, CountsEachControlByteWhereverItStands) {
  for (int byte = 0; byte < 256; ++byte) {
    const bool control = byte > 0 && byte < 0x20 && !(byte >= 9 && byte <= 13) && byte != 0x1A;
    for (const std::size_t size : {std::size_t{64}, std::size_t{67}}) {
      std::string sample(size, 'x');
      for (std::size_t at = 1; at < size; at += 2)  // 32 or 33 of them, at every offset
        sample[at] = static_cast<char>(byte);
      const std::size_t placed = size / 2;
      const std::string reason = NotModelTextReason(sample);
      if (!control) {
        EXPECT_EQ(reason, "") << "byte " << byte << ", " << size << " bytes";
        continue;
      }
      EXPECT_NE(reason.find(std::to_string(placed) + " of its first " + std::to_string(size) +
                            " bytes are control characters"),
                std::string::npos)
          << "byte " << byte << ", " << size << " bytes: " << reason;
    }
  }
  // NUL is no control character, and leaves the share: 32 controls among 32 other bytes and
  // 400 NULs are half of what counts.
  const std::string withNuls =
      std::string(32, '\x01') + std::string(32, 'x') + std::string(400, '\0');
  EXPECT_NE(NotModelTextReason(withNuls).find("32 of its first 464 bytes"), std::string::npos);
  EXPECT_EQ(NotModelTextReason(std::string(31, '\x01') + "x"), "") << "too few to decide";
}

}  // namespace
}  // namespace tessary
