// tessary-scale --info and --fit: what a look inside a model reports, as text and as JSON, and
// the factor --fit chooses from it.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/model_maker.h"
#include "tests/support/table.h"
#include "tests/support/worked_example.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testing::ListFolder;
using testing::MadeModel;
using testing::MakeModel;
using testing::ProgramResult;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

ProgramResult Cli(const std::vector<std::string>& arguments, std::string_view input = {}) {
  testing::ProgramSetup setup;
  setup.input = input;
  return testing::RunProgram(TESSARY_SCALE_PATH, arguments, setup);
}

// Each line of `text` read as one JSON object.
std::vector<json> JsonLines(const std::string& text) {
  std::vector<json> objects;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);)
    objects.push_back(json::parse(line));
  return objects;
}

void ExpectBox(const json& box, const Box3& expected, const std::string& what) {
  if (expected.empty()) {
    EXPECT_TRUE(box.is_null()) << what;
    return;
  }
  ASSERT_TRUE(box.is_object()) << what;
  for (int axis = 0; axis < 3; ++axis) {
    EXPECT_EQ(box["min"][axis].get<double>(), expected.min[axis]) << what << " axis " << axis;
    EXPECT_EQ(box["max"][axis].get<double>(), expected.max[axis]) << what << " axis " << axis;
    EXPECT_EQ(box["size"][axis].get<double>(), expected.max[axis] - expected.min[axis])
        << what << " axis " << axis;
  }
}

void ExpectCounts(const json& counts, const PointCounts& expected, bool blocks,
                  const std::string& what) {
  EXPECT_EQ(counts["lines"].get<std::uint64_t>(), expected.lines) << what;
  if (blocks) {
    EXPECT_EQ(counts["blocks"].get<std::uint64_t>(), expected.blocks) << what;
  }
  ExpectBox(counts["box"], expected.box, what);
}

// The box the generator drew, with the factors applied to each end by hand.
Box3 ScaledByHand(const Box3& box, const double* factors) {
  Box3 scaled;
  for (int axis = 0; axis < 3; ++axis) {
    const double a = box.min[axis] * factors[axis];
    const double b = box.max[axis] * factors[axis];
    scaled.min[axis] = a < b ? a : b;
    scaled.max[axis] = a < b ? b : a;
  }
  return scaled;
}

TEST(CliInfo, JsonParsesAndMatchesWhatTheModelsHold) {
  TempDir dir;
  std::vector<MadeModel> models;
  std::vector<std::string> arguments{"--info", "--json", "-s", "2,-0.5,3"};
  for (std::uint32_t seed : {11u, 12u, 13u}) {
    models.push_back(MakeModel(seed, 300));
    arguments.push_back(dir.File("m" + std::to_string(seed) + ".mdl"));
    WriteFile(arguments.back(), models.back().text);
  }
  const ProgramResult result = Cli(arguments);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.err, "");
  const std::vector<json> reports = JsonLines(result.out);
  ASSERT_EQ(reports.size(), 3u);
  const double factors[3] = {2, -0.5, 3};
  for (std::size_t i = 0; i < reports.size(); ++i) {
    const json& report = reports[i];
    const ModelInfo& expected = models[i].info;
    EXPECT_EQ(report["file"], arguments[4 + i]);
    EXPECT_EQ(report["lines"].get<std::uint64_t>(), expected.lines);
    ExpectCounts(report["positions"], expected.positions, false, "positions");
    ExpectCounts(report["vertices"], expected.vertices, true, "vertices");
    ExpectCounts(report["keys"], expected.keys, true, "keys");
    EXPECT_EQ(report["scale"], json::parse("[2,-0.5,3]"));
    ExpectBox(report["scaled"]["vertices"], ScaledByHand(expected.vertices.box, factors),
              "scaled vertices");
    ExpectBox(report["scaled"]["positions"], ScaledByHand(expected.positions.box, factors),
              "scaled positions");
    ExpectBox(report["scaled"]["keys"], ScaledByHand(expected.keys.box, factors), "scaled keys");
  }
  EXPECT_EQ(ListFolder(dir.path()).size(), 3u) << "nothing is written";
}

TEST(CliInfo, TextReportOfTheBundledExample) {
  const std::string crate = testing::SourcePath("examples/crate.mdl");
  const ProgramResult result = Cli({"--info", "--scale=2", crate});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            crate +
                "\n"
                "  lines:                         48\n"
                "  position/center lines:         4\n"
                "  verts blocks:                  2 blocks, 12 vertex lines\n"
                "  positionkey blocks:            1 block, 3 key lines\n"
                "  vertex points:                 min -0.5 -0.5 -0.25, max 1 0.5 0.25, size 1.5 "
                "1 0.5\n"
                "  position/center points:        min -0.5 0 -0.25, max 0 0 0.25, size 0.5 0 "
                "0.5\n"
                "  key points:                    min -0.5 0 0.25, max -0.5 0 0.375, size 0 0 "
                "0.125\n"
                "  scale factors:                 2 2 2\n"
                "  scaled vertex points:          min -1 -1 -0.5, max 2 1 0.5, size 3 2 1\n"
                "  scaled position/center points: min -1 0 -0.5, max 0 0 0.5, size 1 0 1\n"
                "  scaled key points:             min -1 0 0.5, max -1 0 0.75, size 0 0 0.25\n");
}

TEST(CliInfo, ModelWithoutPointsHasNoBoxes) {
  const ProgramResult text = Cli({"--info", "-"}, "node dummy\n");
  EXPECT_EQ(text.exitCode, 0);
  EXPECT_NE(text.out.find("  vertex points:                 none\n"), std::string::npos)
      << text.out;
  const ProgramResult result = Cli({"--info", "--json", "-"}, "node dummy\n");
  const json report = json::parse(result.out);
  EXPECT_EQ(report["file"], "-");
  EXPECT_EQ(report["lines"], 1);
  EXPECT_TRUE(report["vertices"]["box"].is_null());
  EXPECT_EQ(report["vertices"]["blocks"], 0);
}

TEST(CliInfo, NumbersOutOfRangeAreNullInJson) {
  // 1e400 reads as infinity: the box's ends and sizes that are not finite have no JSON form.
  const ProgramResult result =
      Cli({"--info", "--json", "-s", "1e300", "-"}, "position 1e400 -1e400 1\ncenter 0 0 1e300\n");
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const json report = json::parse(result.out);
  const json& box = report["positions"]["box"];
  EXPECT_TRUE(box["max"][0].is_null());
  EXPECT_EQ(box["min"][0], 0);
  EXPECT_TRUE(box["min"][1].is_null());
  EXPECT_EQ(box["max"][1], 0);
  EXPECT_EQ(box["size"][2].get<double>(), 1e300 - 1);
  EXPECT_TRUE(report["scaled"]["positions"]["max"][2].is_null()) << "1e300 times 1e300";
  // The pass writes nan for an infinite coordinate times 0: that axis has no bounds.
  const json zero = json::parse(
      Cli({"--info", "--json", "-s", "0,1,1", "-"}, "position 1e400 1 1\nposition 1 1 1\n").out);
  EXPECT_TRUE(zero["scaled"]["positions"]["min"][0].is_null());
  EXPECT_TRUE(zero["scaled"]["positions"]["max"][0].is_null());
}

#ifndef _WIN32  // Windows names are UTF-16: any of them is UTF-8 to the program
TEST(CliInfo, FileNamesThatAreNotUtf8StillGiveValidJson) {
  TempDir dir;
  const std::string path = dir.File("caf\xE9.mdl");
  WriteFile(path, testing::kWorkedExample);
  const ProgramResult result = Cli({"--info", "--json", path});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(json::parse(result.out)["file"], dir.File("caf\xEF\xBF\xBD.mdl"));
}
#endif

TEST(CliInfo, UnreadableInputsAreNamedAndTheOthersReported) {
  TempDir dir;
  WriteFile(dir.File("a.mdl"), testing::kWorkedExample);
  const ProgramResult result =
      Cli({"--info", "--json", "-j", "2", "missing.mdl", dir.File("a.mdl"), dir.path().string()});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "tessary-scale: Unable to open input file. (missing.mdl: " +
                            testing::Reason(platform::ErrorKind::NotFound) +
                            ")\n"
                            "tessary-scale: Unable to open input file. (" +
                            dir.path().string() + ": " +
                            testing::Reason(platform::ErrorKind::IsFolder) + ")\n");
  const std::vector<json> reports = JsonLines(result.out);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0]["vertices"]["lines"], 2);
}

// --fit: rows named by the axis and length asked for.
struct FitCase {
  const char* name;
  const char* fit;
  int axis;
  double length;
  const char* more = "";  // lines after the model, whose points the factor leaves finite
};
void PrintTo(const FitCase& row, std::ostream* os) {
  *os << row.name;
}

class CliFitTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(CliFitTest, GivesTheVertexPointsTheAskedExtent) {
  TempDir dir;
  const MadeModel model = MakeModel(7, 500);
  WriteFile(dir.File("in.mdl"), model.text + GetParam().more);
  const ProgramResult result =
      Cli({"-v", "--fit", GetParam().fit, dir.File("in.mdl"), dir.File("out.mdl")});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const int axis = GetParam().axis;
  const double factor =
      GetParam().length / (model.info.vertices.box.max[axis] - model.info.vertices.box.min[axis]);
  char expected[128];
  std::snprintf(expected, sizeof expected, "scaled by %.17g", factor);
  EXPECT_NE(result.err.find(dir.File("in.mdl") + ": scaled by "), std::string::npos) << result.err;
  EXPECT_NEAR(std::stod(result.err.substr(result.err.find("scaled by ") + 10)), factor,
              std::abs(factor) * 1e-15)
      << expected;

  // The output's own extent: both ends are written with eleven decimals, so the extent is
  // the asked length to one unit of the eleventh decimal.
  const ProgramResult info = Cli({"--info", "--json", dir.File("out.mdl")});
  const json report = json::parse(info.out);
  const json& box = report["vertices"]["box"];
  EXPECT_NEAR(box["size"][axis].get<double>(), GetParam().length, 1.000001e-11);
  // The factor is uniform: the other axes keep their proportions.
  for (int other = 0; other < 3; ++other) {
    const double before = model.info.vertices.box.max[other] - model.info.vertices.box.min[other];
    EXPECT_NEAR(box["size"][other].get<double>(), before * factor, 1.000001e-11);
  }
}

INSTANTIATE_TEST_SUITE_P(Lengths, CliFitTest,
                         ::testing::Values(FitCase{"ZTo1point8", "z=1.8", 2, 1.8},
                                           FitCase{"XToAThousandth", "x=0.001", 0, 0.001},
                                           FitCase{"YToALongWay", "Y=12345.678", 1, 12345.678},
                                           FitCase{"BesideInfinitePointsOfEveryKind", "z=1.8", 2,
                                                   1.8,
                                                   "position 1e999 -1e999 0\n"
                                                   "positionkey 1\n0 0 1e999 0\n"}),
                         testing::RowName());

// Models --fit cannot fit, named by what is wrong with them.
struct UnfittableCase {
  const char* name;
  const char* model;
  const char* reason;
};
void PrintTo(const UnfittableCase& row, std::ostream* os) {
  *os << row.name;
}

class CliUnfittableTest : public ::testing::TestWithParam<UnfittableCase> {};

TEST_P(CliUnfittableTest, FailsWithAReasonAndTheOtherFilesAreDone) {
  TempDir dir;
  WriteFile(dir.File("a.mdl"), testing::kWorkedExample);
  WriteFile(dir.File("bad.mdl"), GetParam().model);
  WriteFile(dir.File("c.mdl"), testing::kWorkedExample);
  const ProgramResult result = Cli(
      {"--fit", "z=3", "--suffix=-fit", dir.File("a.mdl"), dir.File("bad.mdl"), dir.File("c.mdl")});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "tessary-scale: Unable to fit the model to z=3. (" + dir.File("bad.mdl") +
                            ": " + GetParam().reason + ")\n");
  EXPECT_EQ(ListFolder(dir.path()),
            (std::vector<std::string>{"a-fit.mdl", "a.mdl", "bad.mdl", "c-fit.mdl", "c.mdl"}));
}

INSTANTIATE_TEST_SUITE_P(
    Models, CliUnfittableTest,
    ::testing::Values(
        UnfittableCase{"NoVertexPoints", "position 1 2 3\nverts 0\n", "it has no vertex points"},
        UnfittableCase{"FlatAlongTheAxis", "verts 2\n0 0 1\n5 5 1\n",
                       "its vertex points are flat along z"},
        UnfittableCase{"InfiniteExtent", "verts 2\n0 0 1e400\n0 0 1\n",
                       "the extent of its vertex points along z is not finite"},
        UnfittableCase{"ExtentTooSmallForAFactor", "verts 2\n0 0 0\n0 0 1e-320\n",
                       "the factor for an extent of 1e-320 along z is out of range"},
        UnfittableCase{"VertexScaledBeyondTheRangeOfNumbers", "verts 2\n1e308 0 0\n1e308 0 1\n",
                       "the factor 3 would take some of its points beyond the "
                       "range of numbers"},
        UnfittableCase{"PositionScaledBeyondTheRangeOfNumbers",
                       "position 0 -1e308 0\nverts 2\n0 0 0\n0 0 1\n",
                       "the factor 3 would take some of its points beyond the "
                       "range of numbers"},
        UnfittableCase{"FiniteEndBesideAnInfiniteOneScaledBeyondTheRangeOfNumbers",
                       "position 1e999 -1e308 0\nverts 2\n0 0 0\n0 0 1\n",
                       "the factor 3 would take some of its points beyond the "
                       "range of numbers"},
        // The box's ends are -1 and an infinity: the point between them is what overflows.
        UnfittableCase{"FinitePointBetweenTheEndsScaledBeyondTheRangeOfNumbers",
                       "position -1 0 0\nposition 1e308 0 0\nposition 1e999 0 0\n"
                       "verts 2\n0 0 0\n0 0 1\n",
                       "the factor 3 would take some of its points beyond the "
                       "range of numbers"},
        UnfittableCase{"KeyScaledBeyondTheRangeOfNumbers",
                       "verts 2\n0 0 0\n0 0 1\npositionkey 1\n0 0 0 7e307\n",
                       "the factor 3 would take some of its points beyond the "
                       "range of numbers"}),
    testing::RowName());

}  // namespace
}  // namespace tessary
