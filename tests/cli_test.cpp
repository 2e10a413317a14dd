// tessary-scale as scripts use it: arguments, exit codes, messages and files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "tests/support/files.h"
#include "tests/support/table.h"
#include "tests/support/worked_example.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;
using testing::kWorkedExample;
using testing::kWorkedExampleScaled;
using testing::ProgramResult;
using testing::ReadFile;
using testing::RunProgram;
using testing::TempDir;
using testing::WriteFile;

ProgramResult Cli(const std::vector<std::string>& arguments, std::string_view input = {}) {
  testing::ProgramSetup setup;
  setup.input = input;
  return RunProgram(TESSARY_SCALE_PATH, arguments, setup);
}

TEST(CommandLine, ReadsOneOrThreeFactors) {
  auto job = std::get<cli::ScaleJob>(cli::ParseCommandLine({"a.mdl", "b.mdl", "2"}));
  EXPECT_EQ(job.input, "a.mdl");
  EXPECT_EQ(job.output, "b.mdl");
  EXPECT_EQ(job.factors.x, 2);
  EXPECT_EQ(job.factors.z, 2);
  job = std::get<cli::ScaleJob>(cli::ParseCommandLine({"-v", "-", "-", "-1", "1.5d1", ".5"}));
  EXPECT_TRUE(job.verbose);
  EXPECT_EQ(job.input, "-");
  EXPECT_EQ(job.factors.x, -1);
  EXPECT_EQ(job.factors.y, 15);
  EXPECT_EQ(job.factors.z, 0.5);
  job = std::get<cli::ScaleJob>(cli::ParseCommandLine({"--", "-a.mdl", "b", "1"}));
  EXPECT_EQ(job.input, "-a.mdl");
}

struct UsageCase {
  const char* name;
  std::vector<std::string> arguments;
  const char* message;
};
void PrintTo(const UsageCase& row, std::ostream* os) {
  *os << row.name;
}

class CliUsageTest : public ::testing::TestWithParam<UsageCase> {};

TEST_P(CliUsageTest, ExitsWithTwoAndOneLineNamingTheProblem) {
  TempDir dir;
  WriteFile(dir.File("in.mdl"), kWorkedExample);
  std::vector<std::string> arguments;
  for (const std::string& argument : GetParam().arguments) {
    arguments.push_back(argument == "IN"    ? dir.File("in.mdl")
                        : argument == "OUT" ? dir.File("out.mdl")
                                            : argument);
  }
  const ProgramResult result = Cli(arguments);
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_EQ(result.out, "");
  EXPECT_NE(result.err.find(GetParam().message), std::string::npos) << result.err;
  EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
  EXPECT_FALSE(fs::exists(dir.File("out.mdl")));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CliUsageTest,
    ::testing::Values(
        UsageCase{"NoArguments", {}, "expected INPUT, OUTPUT and one or three scale factors"},
        UsageCase{"NoFactor", {"IN", "OUT"}, "expected INPUT, OUTPUT"},
        UsageCase{
            "TwoFactors", {"IN", "OUT", "1", "2"}, "expected one or three scale factors, got 2"},
        UsageCase{"FourFactors", {"IN", "OUT", "1", "2", "3", "4"}, "got 4"},
        UsageCase{"FactorWithText", {"IN", "OUT", "2x"}, "scale factor '2x' is not a number"},
        UsageCase{"EmptyFactor", {"IN", "OUT", "1", "", "1"}, "scale factor '' is not a number"},
        UsageCase{"InfinityFactor", {"IN", "OUT", "inf"}, "scale factor 'inf' is not a number"},
        UsageCase{
            "OverflowingFactor", {"IN", "OUT", "1e400"}, "scale factor '1e400' is out of range"},
        UsageCase{"HundredThousandDigitFactor",
                  {"IN", "OUT", std::string(100'000, '9')},
                  "is out of range"},
        UsageCase{"BlankFactor", {"IN", "OUT", " "}, "scale factor ' ' is not a number"},
        UsageCase{"UnknownOption", {"--fast", "IN", "OUT", "2"}, "unknown option '--fast'"},
        UsageCase{"EmptyInput", {"", "OUT", "2"}, "INPUT is empty"}),
    testing::RowName());

TEST(CommandLine, AcceptsBlanksAroundAFactorAtBothEnds) {
  for (const char* text : {" 2", "2 ", "\t2\n"}) {
    const cli::Command command = cli::ParseCommandLine({"a", "b", text});
    const auto* job = std::get_if<cli::ScaleJob>(&command);
    ASSERT_NE(job, nullptr) << text;
    EXPECT_EQ(job->factors.y, 2);
  }
}

TEST(Cli, ScalesTheWorkedExampleSilently) {
  TempDir dir;
  WriteFile(dir.File("in.mdl"), kWorkedExample);
  const ProgramResult result = Cli({dir.File("in.mdl"), dir.File("out.mdl"), "2", "3", "0.5"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out + result.err, "");
  EXPECT_EQ(ReadFile(dir.File("out.mdl")), kWorkedExampleScaled);
}

TEST(Cli, StreamsFromStandardInputToStandardOutput) {
  const ProgramResult result = Cli({"-", "-", "2", "3", "0.5"}, kWorkedExample);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, kWorkedExampleScaled);
  EXPECT_EQ(Cli({"-", "-", "-1"}, "center 1 -2 0\n").out,
            "center -1.00000000000 2.00000000000 -0.00000000000\r\n");
}

TEST(Cli, VerboseReportsDoneAndASummary) {
  const ProgramResult result = Cli({"--verbose", "-", "-", "1"}, "position 1 1 1\nx\n");
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err.rfind("Done!\n2 lines, 1 points scaled, 17 bytes read, ", 0), 0u)
      << result.err;
}

TEST(Cli, FailuresNameTheFileAndTheReason) {
  TempDir dir;
  WriteFile(dir.File("in.mdl"), kWorkedExample);
  ProgramResult result = Cli({"missing.mdl", dir.File("out.mdl"), "2"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err,
            "tessary-scale: Unable to open input file. (missing.mdl: No such file or directory)\n");
  EXPECT_FALSE(fs::exists(dir.File("out.mdl")));

  result = Cli({dir.File("in.mdl"), dir.File("in.mdl"), "2"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "tessary-scale: Unable to open output file. (" + dir.File("in.mdl") +
                            ": is the same file as the input)\n");
  EXPECT_EQ(ReadFile(dir.File("in.mdl")), kWorkedExample);

  result = Cli({dir.File("in.mdl"), "/dev/full", "2"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err,
            "tessary-scale: Disk full while accessing /dev/full. (No space left on device)\n");

  result = Cli({"/proc/self/mem", "-", "2"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err,
            "tessary-scale: An unknown error occurred while accessing /proc/self/mem. "
            "(Input/output error)\n");
}

TEST(Cli, PrintsHelpAndVersion) {
  ProgramResult result = Cli({"--help"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out.rfind("Usage: tessary-scale [options] INPUT OUTPUT X [Y Z]\n", 0), 0u);
  result = Cli({"-V"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, "tessary-scale 0.1.1.0\n");
}

TEST(Cli, ScalesTheBundledExample) {
  TempDir dir;
  const ProgramResult result =
      Cli({testing::SourcePath("examples/crate.mdl"), dir.File("out.mdl"), "2"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(ReadFile(dir.File("out.mdl")), ReadFile(testing::SourcePath("examples/crate-x2.mdl")));
}

}  // namespace
}  // namespace tessary
