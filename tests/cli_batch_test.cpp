// tessary-scale on many files at once: -s with -t, --suffix or -i, -j, the checks made before
// anything is written, messages in input order, the summary and the progress line.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/model_maker.h"
#include "tests/support/table.h"
#include "tests/support/worked_example.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;
using testing::ListFolder;
using testing::MakeModel;
using testing::ProgramResult;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

ProgramResult Cli(const std::vector<std::string>& arguments) {
  return testing::RunProgram(TESSARY_SCALE_PATH, arguments);
}

// "m007.mdl"
std::string ModelName(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "m%03d.mdl", i);
  return name;
}

class CliBatch : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(in_);
    fs::create_directory(out_);
  }

  // Writes `count` made models into in/ and returns their paths.
  std::vector<std::string> MakeModels(int count, int vertices = 60) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
      paths.push_back((in_ / ModelName(i)).string());
      WriteFile(paths.back(), MakeModel(static_cast<std::uint32_t>(i), vertices).text);
    }
    return paths;
  }

  // What a run of the one-file form writes for `input`.
  std::string ScaledAlone(const std::string& input, const std::vector<std::string>& factors) {
    std::vector<std::string> arguments{input, dir_.File("alone.mdl")};
    arguments.insert(arguments.end(), factors.begin(), factors.end());
    const ProgramResult result = Cli(arguments);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return ReadFile(dir_.File("alone.mdl"));
  }

  TempDir dir_;
  fs::path in_ = dir_.path() / "in";
  fs::path out_ = dir_.path() / "out";
};

TEST_F(CliBatch, TwoHundredModelsWithTwoJobsMatchOneFileRuns) {
  const int count = testing::Sample(200);
  const std::vector<std::string> inputs = MakeModels(count);
  std::vector<std::string> arguments{"-s", "2,-3,0.5", "-t", out_.string(), "-j", "2"};
  arguments.insert(arguments.end(), inputs.begin(), inputs.end());
  const ProgramResult result = Cli(arguments);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out + result.err, "");
  ASSERT_EQ(ListFolder(out_).size(), static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    ASSERT_EQ(ReadFile((out_ / ModelName(i)).string()),
              ScaledAlone(inputs[static_cast<std::size_t>(i)], {"2", "-3", "0.5"}))
        << ModelName(i);
  }
}

TEST_F(CliBatch, FailingFilesInTheMiddleLeaveTheOthersDoneAndExitOne) {
  std::vector<std::string> inputs = MakeModels(21);
  fs::remove(inputs[7]);                       // cannot be read
  fs::create_directory(out_ / ModelName(15));  // cannot be written
  std::vector<std::string> arguments{"-s", "2", "-t", out_.string(), "-j", "2"};
  arguments.insert(arguments.end(), inputs.begin(), inputs.end());
  const ProgramResult result = Cli(arguments);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "tessary-scale: Unable to open input file. (" + inputs[7] + ": " +
                            testing::Reason(platform::ErrorKind::NotFound) +
                            ")\n"
                            "tessary-scale: Unable to open output file. (" +
                            (out_ / ModelName(15)).string() + ": " +
                            testing::Reason(platform::ErrorKind::IsFolder) + ")\n");
  for (int i = 0; i < 21; ++i) {
    if (i == 7 || i == 15) continue;
    EXPECT_EQ(ReadFile((out_ / ModelName(i)).string()),
              ScaledAlone(inputs[static_cast<std::size_t>(i)], {"2"}))
        << ModelName(i);
  }
  EXPECT_FALSE(fs::exists(out_ / ModelName(7)));
  EXPECT_EQ(ListFolder(out_).size(), 20u) << "no temporary file is left";
}

TEST_F(CliBatch, MessagesFollowTheOrderOfTheInputsWhateverFinishesFirst) {
  // The big model finishes long after the missing file after it has failed; its line (the
  // factor --fit chose, with -v) still comes first.
  const std::string small = (in_ / "small.mdl").string();
  const std::string big = (in_ / "big.mdl").string();
  WriteFile(small, "verts 2\n0 0 0\n0 0 2\n");
  WriteFile(big, MakeModel(1, 200'000).text + "verts 2\n0 0 -1000\n0 0 1000\n");
  const ProgramResult result =
      Cli({"-v", "--fit", "z=1", "-t", out_.string(), "-j", "3", small, big, "missing.mdl"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err.substr(0, result.err.find("3 files")),
            "tessary-scale: " + small + ": scaled by 0.5 to span 1 along z\n" +
                "tessary-scale: " + big + ": scaled by 0.0005 to span 1 along z\n" +
                "tessary-scale: Unable to open input file. (missing.mdl: " +
                testing::Reason(platform::ErrorKind::NotFound) + ")\n");
  EXPECT_EQ(ReadFile((out_ / "big.mdl").string()), ScaledAlone(big, {"0.0005"}));
}

TEST_F(CliBatch, SuffixWritesBesideEachInput) {
  const std::vector<std::string> inputs = MakeModels(3);
  WriteFile((in_ / "plain").string(), testing::kWorkedExample);
  const ProgramResult result =
      Cli({"--scale=2,3,0.5", "--suffix=-x2", inputs[0], inputs[1], (in_ / "plain").string()});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(ListFolder(in_),
            (std::vector<std::string>{"m000-x2.mdl", "m000.mdl", "m001-x2.mdl", "m001.mdl",
                                      "m002.mdl", "plain", "plain-x2"}));
  EXPECT_EQ(ReadFile((in_ / "m001-x2.mdl").string()), ScaledAlone(inputs[1], {"2", "3", "0.5"}));
  EXPECT_EQ(ReadFile((in_ / "plain-x2").string()), testing::kWorkedExampleScaled);
}

TEST_F(CliBatch, SuffixOnTheBundledExampleGivesItsScaledCopy) {
  const std::string crate = (in_ / "crate.mdl").string();
  fs::copy_file(testing::SourcePath("examples/crate.mdl"), crate);
  const ProgramResult result = Cli({"-s", "2", "--suffix=-x2", crate});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(ReadFile((in_ / "crate-x2.mdl").string()),
            ReadFile(testing::SourcePath("examples/crate-x2.mdl")));
}

TEST_F(CliBatch, InPlaceReplacesEachInputAndKeepsItsModeAndLinks) {
  const std::vector<std::string> inputs = MakeModels(4);
  std::vector<std::string> expected;
  for (const std::string& input : inputs)
    expected.push_back(ScaledAlone(input, {"-1", "2", "2"}));
#ifndef _WIN32
  ASSERT_EQ(::chmod(inputs[0].c_str(), 0640), 0);
  const fs::path link = dir_.path() / "link.mdl";  // a symbolic link: its target is replaced
  fs::create_symlink(inputs[3], link);
#else
  const fs::path link = inputs[3];  // a symbolic link needs a privilege to be made
#endif
  const ProgramResult result =
      Cli({"-i", "-s", "-1,2,2", "-j", "2", inputs[0], inputs[1], inputs[2], link.string()});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.err, "");
  for (std::size_t i = 0; i < inputs.size(); ++i)
    EXPECT_EQ(ReadFile(inputs[i]), expected[i]) << inputs[i];
#ifndef _WIN32
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ((fs::status(inputs[0]).permissions() & fs::perms::all),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#endif
  EXPECT_EQ(ListFolder(in_),
            (std::vector<std::string>{ModelName(0), ModelName(1), ModelName(2), ModelName(3)}));
}

TEST_F(CliBatch, InPlaceOnAMissingModelIsAnInputThatCannotBeOpened) {
  const std::string missing = (in_ / "missing.mdl").string();
  const ProgramResult result = Cli({"-i", "-s", "2", missing});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "tessary-scale: Unable to open input file. (" + missing + ": " +
                            testing::Reason(platform::ErrorKind::NotFound) + ")\n");
}

TEST_F(CliBatch, InPlaceOnAFileThatCannotBeReplacedSaysSoAndGoesOn) {
  const std::vector<std::string> inputs = MakeModels(1);
  const std::string expected = ScaledAlone(inputs[0], {"2"});
  const ProgramResult result = Cli({"-i", "-s", "2", testing::kNullDevice, inputs[0]});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, std::string("tessary-scale: Unable to open output file. (") +
                            testing::kNullDevice + ": is not a regular file)\n");
  EXPECT_EQ(ReadFile(inputs[0]), expected);
}

TEST_F(CliBatch, VerboseEndsWithASummary) {
  const std::vector<std::string> inputs = MakeModels(2);
  const ProgramResult result = Cli(
      {"-v", "-s", "2", "-t", out_.string(), inputs[0], inputs[1], (in_ / "missing.mdl").string()});
  EXPECT_EQ(result.exitCode, 1);
  const std::string summary = "3 files: 2 scaled, 1 failed\n";
  const std::size_t at = result.err.find(summary);
  ASSERT_NE(at, std::string::npos) << result.err;
  EXPECT_EQ(result.err.find("tessary-scale: Unable to open input file."), 0u) << result.err;
  EXPECT_NE(result.err.find(" lines, ", at), std::string::npos) << result.err;
}

TEST_F(CliBatch, ProgressLineIsShownOnlyWhenAsked) {
  const std::vector<std::string> inputs = MakeModels(3);
  const auto run = [&](const char* option) {
    return Cli({option, "-s", "2", "-t", out_.string(), inputs[0], inputs[1], inputs[2]});
  };
  const ProgramResult shown = run("--progress");
  EXPECT_EQ(shown.exitCode, 0);
  // The last state, ended by a line feed: all files and all bytes.
  const std::uintmax_t bytes =
      fs::file_size(inputs[0]) + fs::file_size(inputs[1]) + fs::file_size(inputs[2]);
  char total[32];
  std::snprintf(total, sizeof total, " of %.1f KiB", bytes / 1024.0);
  EXPECT_EQ(shown.err.back(), '\n');
  EXPECT_NE(shown.err.rfind("\r3/3 files, "), std::string::npos) << shown.err;
  EXPECT_NE(shown.err.find(total), std::string::npos) << shown.err;
  // Standard error is a file here, not a terminal: no line unless forced.
  EXPECT_EQ(run("--no-progress").err, "");
  EXPECT_EQ(Cli({"-s", "2", "-t", out_.string(), inputs[0]}).err, "");
}

// The checks before anything is written, each named by what the inputs are.
struct ConflictCase {
  const char* name;
  std::vector<std::string>
      arguments;  // "IN/x", "OUT/x" and "DIR/x" stand for paths in the test's folders
  const char* message;
  const char* last = "nothing was written";  // --info reads nothing instead
};
void PrintTo(const ConflictCase& row, std::ostream* os) {
  *os << row.name;
}

class CliConflictTest : public ::testing::TestWithParam<ConflictCase> {};

TEST_P(CliConflictTest, RefusesBeforeWritingAnything) {
  TempDir dir;
  fs::create_directory(dir.path() / "in");
  fs::create_directory(dir.path() / "in2");
  fs::create_directory(dir.path() / "out");
  for (const char* name : {"in/a.mdl", "in/b.mdl", "in2/a.mdl", "in/a-x2.mdl"})
    WriteFile(dir.File(name), testing::kWorkedExample);
  fs::create_hard_link(dir.File("in/b.mdl"), dir.File("out/b-link.mdl"));
  fs::create_hard_link(dir.File("in/b.mdl"), dir.File("out/a.mdl"));
#ifndef _WIN32
  fs::create_symlink("a-x2-x2.mdl", dir.File("in/b-x2.mdl"));  // to a file not made yet
  const std::vector<std::string> before = {"a-x2.mdl", "a.mdl", "b-x2.mdl", "b.mdl"};
#else
  const std::vector<std::string> before = {"a-x2.mdl", "a.mdl", "b.mdl"};
#endif

  std::vector<std::string> arguments;
  std::string message = GetParam().message;
  for (std::string argument : GetParam().arguments) {
    if (argument.rfind("DIR/", 0) == 0) argument = dir.path().string() + argument.substr(3);
    arguments.push_back(argument);
  }
  const ProgramResult result = Cli(arguments);
  EXPECT_EQ(result.exitCode, 2);
  for (std::size_t at; (at = message.find("DIR/")) != std::string::npos;)
    message.replace(at, 4, dir.path().string() + "/");
  if (const std::size_t at = message.find("NOT_FOUND"); at != std::string::npos)
    message.replace(at, 9, testing::Reason(platform::ErrorKind::NotFound));
  EXPECT_NE(result.err.find("tessary-scale: " + message + "\n"), std::string::npos) << result.err;
  const std::string last = std::string("tessary-scale: ") + GetParam().last + "\n";
  EXPECT_EQ(result.err.substr(result.err.size() - last.size()), last);
  EXPECT_EQ(ListFolder(dir.path() / "in"), before);
  EXPECT_EQ(ListFolder(dir.path() / "in2"), std::vector<std::string>{"a.mdl"});
  EXPECT_EQ(ReadFile(dir.File("out/a.mdl")), testing::kWorkedExample);
  EXPECT_EQ(ListFolder(dir.path() / "out"), (std::vector<std::string>{"a.mdl", "b-link.mdl"}));
}

std::vector<ConflictCase> ConflictCases() {
  std::vector<ConflictCase> rows = {
      ConflictCase{"TwoInputsOfOneName",
                   {"-s", "2", "-t", "DIR/in", "DIR/in2/a.mdl", "DIR/in2/../in2/a.mdl"},
                   "DIR/in2/a.mdl and DIR/in2/../in2/a.mdl would both be written to "
                   "DIR/in/a.mdl"},
      ConflictCase{"TargetIsTheInputsFolder",
                   {"-s", "2", "-t", "DIR/in", "DIR/in/b.mdl"},
                   "DIR/in/b.mdl would be written to DIR/in/b.mdl, which is the input "
                   "DIR/in/b.mdl"},
      ConflictCase{"OutputIsAHardLinkOfAnInput",
                   {"-s", "2", "-t", "DIR/out", "DIR/in/b.mdl", "DIR/in2/a.mdl"},
                   "DIR/in2/a.mdl would be written to DIR/out/a.mdl, which is the input "
                   "DIR/in/b.mdl"},
      ConflictCase{"SuffixGivesAnotherInput",
                   {"-s", "2", "--suffix=-x2", "DIR/in/a.mdl", "DIR/in/a-x2.mdl"},
                   "DIR/in/a.mdl would be written to DIR/in/a-x2.mdl, which is the input "
                   "DIR/in/a-x2.mdl"},
      ConflictCase{"SuffixGivesAnotherInputNotYetMade",
                   {"-j", "1", "-s", "2", "--suffix=-x2", "DIR/in2/a.mdl", "DIR/in2/a-x2.mdl"},
                   "DIR/in2/a.mdl would be written to DIR/in2/a-x2.mdl, which is the input "
                   "DIR/in2/a-x2.mdl"},
      ConflictCase{"OneFileTwiceUnderTwoNames",
                   {"-s", "2", "--suffix=-x2", "DIR/in/b.mdl", "DIR/out/b-link.mdl"},
                   "DIR/in/b.mdl and DIR/out/b-link.mdl are the same file"},
      ConflictCase{"OneFileTwiceInPlace",
                   {"-s", "2", "-i", "DIR/in/b.mdl", "DIR/out/b-link.mdl"},
                   "DIR/in/b.mdl and DIR/out/b-link.mdl are the same file"},
      ConflictCase{"OneModelTwiceWithInfo",
                   {"--info", "DIR/in/a.mdl", "DIR/in/a.mdl"},
                   "DIR/in/a.mdl and DIR/in/a.mdl are the same file",
                   "nothing was read"},
      ConflictCase{"HardLinkAndItsFileWithInfo",
                   {"--info", "--json", "DIR/in/b.mdl", "DIR/in/a.mdl", "DIR/out/b-link.mdl"},
                   "DIR/in/b.mdl and DIR/out/b-link.mdl are the same file",
                   "nothing was read"},
      ConflictCase{
          "InputNamingAFolder", {"-s", "2", "--suffix=-x2", "DIR/in/"}, "'DIR/in/' names no file"},
      ConflictCase{"MissingTargetDirectory",
                   {"-s", "2", "-t", "DIR/nowhere", "DIR/in/a.mdl"},
                   "target directory 'DIR/nowhere': NOT_FOUND"},
      ConflictCase{"TargetThatIsAFile",
                   {"--fit", "z=1", "-t", "DIR/in/b.mdl", "DIR/in/a.mdl"},
                   "target directory 'DIR/in/b.mdl' is not a directory"}};
#ifdef _WIN32  // the program expands wildcards itself, and a name can hold none
  rows.push_back(ConflictCase{"WildcardMatchingNothingInPlace",
                              {"-s", "2", "-i", "DIR/in/nomatch*.mdl"},
                              "'DIR/in/nomatch*.mdl' names no file: no file matches it"});
  rows.push_back(ConflictCase{"WildcardMatchingNothingToATarget",
                              {"-s", "2", "-t", "DIR/out", "DIR/in/nomatch*.mdl"},
                              "'DIR/in/nomatch*.mdl' names no file: no file matches it"});
#endif
#ifndef _WIN32  // a symbolic link, which needs a privilege to be made on Windows
  rows.push_back(ConflictCase{"DanglingLinkToAnotherOutput",
                              {"-s", "2", "--suffix=-x2", "DIR/in/b.mdl", "DIR/in/a-x2.mdl"},
                              "DIR/in/b.mdl and DIR/in/a-x2.mdl would both be written to "
                              "DIR/in/a-x2-x2.mdl"});
#endif
  return rows;
}

INSTANTIATE_TEST_SUITE_P(Batches, CliConflictTest, ::testing::ValuesIn(ConflictCases()),
                         testing::RowName());

}  // namespace
}  // namespace tessary
