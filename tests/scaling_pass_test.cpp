#include "model/job/run.h"
#include "model/job/scale_job.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/files.h"
#include "tests/support/table.h"
#include "tests/support/worked_example.h"

namespace tessary {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// Runs one pass over `model` with the given factor texts and returns the output file.
std::string Scale(std::string_view model, const char* x = "2", const char* y = "3",
                  const char* z = "0.5") {
  TempDir dir;
  WriteFile(dir.File("in.mdl"), model);
  EXPECT_EQ(ScaleModelFile(dir.File("in.mdl"), dir.File("out.mdl"), x, y, z), ScaleResult::Done);
  return ReadFile(dir.File("out.mdl"));
}

TEST(ScalingPass, RewritesTheWorkedExample) {
  EXPECT_EQ(Scale(testing::kWorkedExample), testing::kWorkedExampleScaled);
}

struct PassCase {
  const char* name;
  std::string input;
  std::string output;  // with factors 2, 3 and 0.5
};
void PrintTo(const PassCase& row, std::ostream* os) {
  *os << row.name;
}

class ScalingPassTest : public ::testing::TestWithParam<PassCase> {};

TEST_P(ScalingPassTest, WritesTheExpectedModel) {
  EXPECT_EQ(Scale(GetParam().input), GetParam().output);
}

INSTANTIATE_TEST_SUITE_P(
    Models, ScalingPassTest,
    ::testing::Values(
        PassCase{"EmptyFile", "", ""},
        PassCase{"LineFeedsBecomeCarriageReturnLineFeeds", "a\nb\r\nc", "a\r\nb\r\nc\r\n"},
        PassCase{"BlanksAndTabsAtTheEndsStay", " \ta b\t \n", " \ta b\t \r\n"},
        PassCase{"CarriageReturnsAtTheEndsGo", "\r\rtext\r\r\n", "text\r\n"},
        PassCase{"LoneCarriageReturnsStayInside", "a\rb\n", "a\rb\r\n"},
        PassCase{"EmptyLinesStay", "\n\n", "\r\n\r\n"},
        PassCase{"CtrlZEndsTheInput", "one\ntwo\x1Athree\nfour\n", "one\r\ntwo\r\n"},
        PassCase{"MixedCaseKeyword", "PoSiTiOn 1 1 1\n",
                 "position 2.00000000000 3.00000000000 0.50000000000\r\n"},
        PassCase{"KeywordPrefixIsCopied", "positions 1 1 1\npos 1 2 3\n",
                 "positions 1 1 1\r\npos 1 2 3\r\n"},
        PassCase{"QuotedKeyword", "'center' 1 1 1\n",
                 "center 2.00000000000 3.00000000000 0.50000000000\r\n"},
        PassCase{"TwoNumbersGiveZeroForTheThird", "position 1 2\n",
                 "position 2.00000000000 6.00000000000 0.00000000000\r\n"},
        PassCase{"ExtraWordsAreDropped", "center 1 1 1 # note\n",
                 "center 2.00000000000 3.00000000000 0.50000000000\r\n"},
        PassCase{"DExponentAndNonNumbers", "position 1.5d2 0x10 inf\n",
                 "position 300.00000000000 0.00000000000 0.00000000000\r\n"},
        PassCase{"ShortBlockEndsAtEndOfFile", "verts 3\n1 1 1\n2 2 2",
                 "verts 3\r\n    2.00000000000 3.00000000000 0.50000000000\r\n"
                 "    4.00000000000 6.00000000000 1.00000000000\r\n"},
        PassCase{"BlockTakesLinesWhateverTheyHold", "verts 2\n1 1 1\nposition 5 5 5\nend\n",
                 "verts 2\r\n    2.00000000000 3.00000000000 0.50000000000\r\n"
                 "    0.00000000000 15.00000000000 2.50000000000\r\nend\r\n"},
        PassCase{"MissingCountReadsNothing", "verts\n1 1 1\n", "verts\r\n1 1 1\r\n"},
        PassCase{"ZeroCountReadsNothing", "positionkey 0\n1 1 1 1\n",
                 "positionkey 0\r\n1 1 1 1\r\n"},
        PassCase{"NegativeCountReadsNothing", "verts -5\n1 1 1\n", "verts -5\r\n1 1 1\r\n"},
        PassCase{"HugeCountRunsToTheEnd", "verts 99999999999\n1 1 1\n",
                 "verts 99999999999\r\n    2.00000000000 3.00000000000 0.50000000000\r\n"},
        PassCase{"HeaderKeepsIndentationCaseAndWords", "\t VERTS 1 extra\r\n1 2 3\n",
                 "\t VERTS 1 extra\r\n    2.00000000000 6.00000000000 1.50000000000\r\n"},
        PassCase{"KeyTimeIsNotScaled", "positionkey 1\n  2 1 1 1 9\n",
                 "positionkey 1\r\n   2.00000000000 2.00000000000 3.00000000000 "
                 "0.50000000000\r\n"},
        PassCase{"BlockLineWithCarriageReturns", "verts 1\n\r1 1 1\r\r\n",
                 "verts 1\r\n    2.00000000000 3.00000000000 0.50000000000\r\n"},
        PassCase{"NulInACopiedLineIsKept", std::string("node a\0b\nx\n", 11),
                 std::string("node a\0b\r\nx\r\n", 13)},
        PassCase{"NulEndsTheWordsOfAKeywordLine", std::string("position 1\0 9 9\n", 16),
                 "position 2.00000000000 0.00000000000 0.00000000000\r\n"},
        PassCase{"HighBytesAreCopied", "name \xe9\xff\x80\n", "name \xe9\xff\x80\r\n"}),
    testing::RowName());

TEST(ScalingPass, UsesEachFactorForItsAxis) {
  EXPECT_EQ(Scale("center 1 1 1\n", "1", "1", "1"),
            "center 1.00000000000 1.00000000000 1.00000000000\r\n");
  EXPECT_EQ(Scale("center 1 1 1\n", "", "abc", "-2"),
            "center 0.00000000000 0.00000000000 -2.00000000000\r\n");
  EXPECT_EQ(Scale("center 1048576.1 0.123456789015 -1\n", "1", "1", "0"),
            "center 1048576.10000000010 0.12345678902 -0.00000000000\r\n");
  EXPECT_EQ(Scale("center 1e300 1 1\n", "1e300", "1", "1"),
            "center inf 1.00000000000 1.00000000000\r\n");
}

TEST(ScalingPass, CopiesLongLinesWhole) {
  const std::string longLine(3 * 1024 * 1024 + 17, 'x');
  const std::string longNumber = "1" + std::string(200'000, '0');
  const std::string model = longLine + "\nposition 1 ." + longNumber + " 1\n" + longLine;
  EXPECT_EQ(Scale(model, "1", "1", "1"), longLine +
                                             "\r\nposition 1.00000000000 0.10000000000 "
                                             "1.00000000000\r\n" +
                                             longLine + "\r\n");
}

TEST(ScalingPass, ReportsWhatItDid) {
  TempDir dir;
  WriteFile(dir.File("in.mdl"), "a\nposition 1 1 1\nverts 2\n1 1 1\n2 2 2\n");
  const JobResult result = RunScaleJob(
      {JobFile::Path(dir.File("in.mdl")), JobFile::Path(dir.File("out.mdl")), {1, 1, 1}, {}});
  ASSERT_EQ(result.status, JobStatus::Done);
  const PassStats& stats = result.stats;
  EXPECT_EQ(stats.lines, 5u);
  EXPECT_EQ(stats.pointsScaled, 3u);
  EXPECT_EQ(stats.bytesRead, 37u);
  EXPECT_EQ(stats.bytesWritten, ReadFile(dir.File("out.mdl")).size());
}

}  // namespace
}  // namespace tessary
