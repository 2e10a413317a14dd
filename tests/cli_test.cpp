// tessary-scale as scripts use it: arguments, exit codes, messages and files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "tessary_version.h"
#include "tests/support/files.h"
#include "tests/support/table.h"
#include "tests/support/worked_example.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;
using testing::kWorkedExample;
using testing::kWorkedExampleScaled;
using testing::ListFolder;
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
  auto job = std::get<cli::ScaleCommand>(cli::ParseCommandLine({"a.mdl", "b.mdl", "2"}));
  EXPECT_EQ(job.inputs, std::vector<std::string>{"a.mdl"});
  EXPECT_EQ(job.placement, cli::Placement::Output);
  EXPECT_EQ(job.destination, "b.mdl");
  EXPECT_EQ(job.factors.x, 2);
  EXPECT_EQ(job.factors.z, 2);
  job = std::get<cli::ScaleCommand>(cli::ParseCommandLine({"-v", "-", "-", "-1", "1.5d1", ".5"}));
  EXPECT_TRUE(job.verbose);
  EXPECT_EQ(job.inputs, std::vector<std::string>{"-"});
  EXPECT_EQ(job.factors.x, -1);
  EXPECT_EQ(job.factors.y, 15);
  EXPECT_EQ(job.factors.z, 0.5);
  job = std::get<cli::ScaleCommand>(cli::ParseCommandLine({"--", "-a.mdl", "b", "1"}));
  EXPECT_EQ(job.inputs, std::vector<std::string>{"-a.mdl"});
}

// The forms of the options, in the manner of GNU tools, each giving the same batch.
struct BatchFormCase {
  const char* name;
  std::vector<std::string> arguments;
};
void PrintTo(const BatchFormCase& row, std::ostream* os) {
  *os << row.name;
}

class BatchFormTest : public ::testing::TestWithParam<BatchFormCase> {};

TEST_P(BatchFormTest, ReadsTheSameBatch) {
  const cli::Command command = cli::ParseCommandLine(GetParam().arguments);
  const auto* job = std::get_if<cli::ScaleCommand>(&command);
  ASSERT_NE(job, nullptr) << std::get<cli::UsageError>(command).message;
  EXPECT_EQ(job->inputs, (std::vector<std::string>{"a.mdl", "-2.mdl"}));
  EXPECT_EQ(job->placement, cli::Placement::TargetDirectory);
  EXPECT_EQ(job->destination, "out");
  EXPECT_EQ(job->factors.x, 2);
  EXPECT_EQ(job->factors.y, -1);
  EXPECT_EQ(job->factors.z, 0.5);
  EXPECT_EQ(job->jobs, 3u);
  EXPECT_TRUE(job->verbose);
  EXPECT_FALSE(job->fit);
}

INSTANTIATE_TEST_SUITE_P(
    Options, BatchFormTest,
    ::testing::Values(
        BatchFormCase{"LongWithEquals",
                      {"--scale=2,-1,0.5", "--target-directory=out", "--jobs=3", "--verbose",
                       "a.mdl", "--", "-2.mdl"}},
        BatchFormCase{"LongWithSeparateValues",
                      {"--scale", "2,-1,0.5", "--target-directory", "out", "--jobs", "3", "-v",
                       "a.mdl", "--", "-2.mdl"}},
        BatchFormCase{"ShortWithSeparateValues",
                      {"-s", "2,-1,0.5", "-t", "out", "-j", "3", "-v", "a.mdl", "--", "-2.mdl"}},
        BatchFormCase{"ShortJoinedToValues",
                      {"-s2,-1,0.5", "-tout", "-j3", "-v", "a.mdl", "--", "-2.mdl"}},
        BatchFormCase{"ShortBundled", {"-j3", "-vtout", "-s2,-1,0.5", "a.mdl", "--", "-2.mdl"}},
        BatchFormCase{"OptionsAfterInputs",
                      {"a.mdl", "-s", "2,-1,0.5", "-j", "3", "-v", "-t", "out", "--", "-2.mdl"}}),
    testing::RowName());

TEST(CommandLine, ReadsWhereTheOutputsGo) {
  auto job = std::get<cli::ScaleCommand>(cli::ParseCommandLine({"-s", "2", "--suffix=-x2", "a"}));
  EXPECT_EQ(job.placement, cli::Placement::Suffix);
  EXPECT_EQ(job.destination, "-x2");
  job = std::get<cli::ScaleCommand>(cli::ParseCommandLine({"-s", "2", "-i", "a", "b"}));
  EXPECT_EQ(job.placement, cli::Placement::InPlace);
  EXPECT_EQ(job.inputs, (std::vector<std::string>{"a", "b"}));
  job = std::get<cli::ScaleCommand>(cli::ParseCommandLine({"--in-place", "--fit", "Y=2", "a"}));
  EXPECT_EQ(job.placement, cli::Placement::InPlace);
  ASSERT_TRUE(job.fit);
  EXPECT_EQ(job.fit->axis, 1);
  EXPECT_EQ(job.fit->length, 2);
  EXPECT_EQ(job.jobs, 0u);
  EXPECT_EQ(job.progress, cli::ProgressMode::Auto);
  job = std::get<cli::ScaleCommand>(cli::ParseCommandLine({"--fit=z=1.8", "a", "b"}));
  EXPECT_EQ(job.placement, cli::Placement::Output);
  EXPECT_EQ(job.destination, "b");
  EXPECT_EQ(job.fit->axis, 2);
  EXPECT_EQ(job.fit->length, 1.8);
  job = std::get<cli::ScaleCommand>(cli::ParseCommandLine({"--progress", "a", "b", "1"}));
  EXPECT_EQ(job.progress, cli::ProgressMode::Always);
  job = std::get<cli::ScaleCommand>(cli::ParseCommandLine({"--no-progress", "a", "b", "1"}));
  EXPECT_EQ(job.progress, cli::ProgressMode::Never);
}

TEST(CommandLine, ReadsInfo) {
  auto info = std::get<cli::InfoCommand>(cli::ParseCommandLine({"--info", "a", "-"}));
  EXPECT_EQ(info.inputs, (std::vector<std::string>{"a", "-"}));
  EXPECT_FALSE(info.json);
  EXPECT_FALSE(info.factors);
  info =
      std::get<cli::InfoCommand>(cli::ParseCommandLine({"--json", "-s", "1,2,3", "--info", "a"}));
  EXPECT_TRUE(info.json);
  ASSERT_TRUE(info.factors);
  EXPECT_EQ(info.factors->y, 2);
}

TEST(CommandLine, HelpAndVersionWinOverWhatFollows) {
  EXPECT_TRUE(std::holds_alternative<cli::ShowHelp>(cli::ParseCommandLine({"-h", "--bad"})));
  EXPECT_TRUE(std::holds_alternative<cli::ShowVersion>(cli::ParseCommandLine({"-vV", "x"})));
  EXPECT_TRUE(std::holds_alternative<cli::UsageError>(cli::ParseCommandLine({"--bad", "-h"})));
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
        UsageCase{
            "InfinityFactor", {"IN", "OUT", "inf"}, "scale factor 'inf' is not a finite number"},
        UsageCase{"NegativeInfinityFactor",
                  {"IN", "OUT", "-inf"},
                  "scale factor '-inf' is not a finite number"},
        UsageCase{
            "OverflowingFactor", {"IN", "OUT", "1e400"}, "scale factor '1e400' is out of range"},
        UsageCase{
            "UnderflowingFactor", {"IN", "OUT", "1e-400"}, "scale factor '1e-400' is out of range"},
        UsageCase{"HundredThousandDigitFactor",
                  {"IN", "OUT", std::string(100'000, '9')},
                  "is out of range"},
        UsageCase{"BlankFactor", {"IN", "OUT", " "}, "scale factor ' ' is not a number"},
        UsageCase{"DecimalComma", {"IN", "OUT", "1,5"}, "scale factor '1,5' is not a number"},
        UsageCase{
            "HexadecimalFactor", {"IN", "OUT", "0x10"}, "scale factor '0x10' is not a number"},
        UsageCase{"NanFactor", {"IN", "OUT", "nan"}, "scale factor 'nan' is not a finite number"},
        UsageCase{"UnknownOption", {"--fast", "IN", "OUT", "2"}, "unknown option '--fast'"},
        UsageCase{"EmptyInput", {"", "OUT", "2"}, "INPUT is empty"},
        UsageCase{"UnknownShortOption", {"-q", "IN", "OUT", "2"}, "unknown option '-q'"},
        UsageCase{"ScaleWithoutPlacement", {"-s", "2", "IN"}, "say where the outputs go"},
        UsageCase{"PlacementWithoutFactors", {"-t", "/tmp", "IN"}, "give the factors with"},
        UsageCase{"ScaleAndFit", {"-s", "2", "--fit", "z=1", "-i", "IN"}, "not both"},
        UsageCase{"TwoPlacements", {"-s", "2", "-i", "-t", "/tmp", "IN"}, "only one of -t"},
        UsageCase{"NoInputs", {"-s", "2", "-i"}, "expected at least one INPUT"},
        UsageCase{"StandardInputInABatch", {"-s", "2", "-i", "-"}, "'-' (standard input)"},
        UsageCase{"TwoFactorsInScale", {"-s", "2,3", "-i", "IN"}, "got 2"},
        UsageCase{"TextInScale", {"-s", "2,x,1", "-i", "IN"}, "scale factor 'x' is not"},
        UsageCase{"MissingScaleValue", {"IN", "-s"}, "option '-s' needs X[,Y,Z]"},
        UsageCase{"MissingLongValue", {"IN", "--suffix"}, "option '--suffix' needs SUFFIX"},
        UsageCase{"ValueForAFlag", {"--in-place=yes", "IN"}, "'--in-place' takes no argument"},
        UsageCase{"EmptySuffix", {"-s", "2", "--suffix=", "IN"}, "SUFFIX is empty"},
        UsageCase{"SuffixWithAFolder", {"-s", "2", "--suffix=/x", "IN"}, "has a '/' in it"},
        UsageCase{"EmptyTarget", {"-s", "2", "-t", "", "IN"}, "target directory is empty"},
        UsageCase{"NoJobs", {"-j", "0", "IN", "OUT", "2"}, "from 1 to 1024, not '0'"},
        UsageCase{"TooManyJobs", {"-j", "99999999999", "IN", "OUT", "2"}, "from 1 to 1024"},
        UsageCase{"JobsNotANumber", {"-j", "two", "IN", "OUT", "2"}, "not 'two'"},
        UsageCase{"NoThreads", {"--threads=0", "IN", "OUT", "2"}, "--threads takes a whole"},
        UsageCase{"ThreadsWithInfo", {"--info", "--threads", "2", "IN"}, "not with --info"},
        UsageCase{"FitWithoutAxis", {"--fit", "1.8", "IN", "OUT"}, "takes AXIS=LENGTH"},
        UsageCase{"FitOnAnotherAxis", {"--fit", "w=1", "IN", "OUT"}, "not 'w=1'"},
        UsageCase{"FitToNothing", {"--fit", "z=0", "IN", "OUT"}, "length '0' is not a positive"},
        UsageCase{"FitToNegative", {"--fit", "z=-1", "IN", "OUT"}, "is not a positive number"},
        UsageCase{"FitToADecimalComma",
                  {"--fit", "z=1,8", "IN", "OUT"},
                  "--fit length '1,8' is not a positive number"},
        UsageCase{"FitToNothingTyped", {"--fit", "z=", "IN", "OUT"}, "--fit length '' is not a"},
        UsageCase{"FitToNan", {"--fit", "z=nan", "IN", "OUT"}, "length 'nan' is not a positive"},
        UsageCase{"FitBeyondTheRange", {"--fit", "z=1e400", "IN", "OUT"}, "length '1e400' is not"},
        UsageCase{"FitWithFactors", {"--fit", "z=1", "IN", "OUT", "2"}, "expected INPUT and"},
        UsageCase{"FitFromStandardInput", {"--fit", "z=1", "-", "OUT"}, "reads INPUT twice"},
        UsageCase{"JsonWithoutInfo", {"--json", "IN", "OUT", "2"}, "--json goes with --info"},
        UsageCase{"InfoWithPlacement", {"--info", "-i", "IN"}, "--info writes nothing"},
        UsageCase{"InfoWithFit", {"--info", "--fit", "z=1", "IN"}, "--info writes nothing"},
        UsageCase{"InfoWithoutInputs", {"--info"}, "expected at least one INPUT"}),
    testing::RowName());

// Inputs told from model text by their first bytes, before anything is written: rows named by
// what the input holds, with whether it is refused (as not model text) or scaled.
struct ModelTextCase {
  const char* name;
  std::string bytes;
  bool refused;
};
void PrintTo(const ModelTextCase& row, std::ostream* os) {
  *os << row.name;
}

// Bytes as compressed data or a picture has them, every value about as often.
std::string MixedBytes(std::size_t size, unsigned step) {
  std::string bytes;
  for (std::size_t i = 0; i < size; ++i)
    bytes += static_cast<char>((i * step + 13) % 256);
  return bytes;
}

class CliModelTextTest : public ::testing::TestWithParam<ModelTextCase> {};

TEST_P(CliModelTextTest, IsRefusedBeforeAnythingIsWrittenOrScaled) {
  TempDir dir;
  const std::string input = dir.File("in.mdl");
  WriteFile(input, GetParam().bytes);
  for (const bool inPlace : {false, true}) {
    const ProgramResult result =
        inPlace ? Cli({"-i", "-s", "2", input}) : Cli({input, dir.File("out.mdl"), "2"});
    if (!GetParam().refused) {
      EXPECT_EQ(result.exitCode, 0) << result.err;
      continue;
    }
    EXPECT_EQ(result.exitCode, 1);
    const std::string said =
        "tessary-scale: Unable to open input file. (" + input + ": is not model text: ";
    EXPECT_EQ(result.err.substr(0, said.size()), said) << result.err;
    EXPECT_NE(result.err.find(" bytes are control characters other than NUL, as in a picture, an "
                              "archive or a program)\n"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(ReadFile(input), GetParam().bytes);
    EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"in.mdl"});
  }
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, CliModelTextTest,
    ::testing::Values(
        ModelTextCase{"Picture", "\x89PNG\r\n\x1a\n" + MixedBytes(20000, 7919), true},
        ModelTextCase{"Archive", "PK\x03\x04" + MixedBytes(70000, 131), true},
        ModelTextCase{"VerticalTabsAndFormFeeds",
                      "verts 40\n" +
                          [] {
                            std::string lines;
                            for (int i = 0; i < 40; ++i)
                              lines += "1\v2\f3\n";
                            return lines;
                          }(),
                      false},
        ModelTextCase{"OneNulInTwelveBytes", std::string("verts 1\n1 \0\x32", 12), false},
        ModelTextCase{"AFewControlBytesInASmallFile", "\x01\x02\x03\x04verts 1\n1 2 3\n", false},
        ModelTextCase{"TextThenZeros", "position 1 2 3\n" + std::string(70000, '\0'), false}),
    testing::RowName());

// A name with control characters in it, in every kind of message, rows named by the
// message: shown quoted as a shell reads it, so that it cannot start a line of its own, nor
// wipe one. NAME stands for the name, DIR/ for the test's folder.
struct HostileNameCase {
  const char* name;
  std::vector<std::string> arguments;
  const char* shown;  // in what the program prints
};
void PrintTo(const HostileNameCase& row, std::ostream* os) {
  *os << row.name;
}

class CliHostileNameTest : public ::testing::TestWithParam<HostileNameCase> {};

constexpr char kHostileName[] = "a\nb\x1b[2K\rc.mdl";

TEST_P(CliHostileNameTest, IsShownQuotedAndNeverRaw) {
  TempDir dir;
  const auto expand = [&dir](std::string text) {
    for (std::size_t at; (at = text.find("DIR/")) != std::string::npos;)
      text.replace(at, 4, dir.path().string() + "/");
    for (std::size_t at; (at = text.find("NAME")) != std::string::npos;)
      text.replace(at, 4, kHostileName);
    return text;
  };
#ifndef _WIN32
  WriteFile(dir.File(kHostileName), "verts 2\n0 0 0\n0 0 2\n");
#endif
  std::vector<std::string> arguments;
  for (const std::string& argument : GetParam().arguments)
    arguments.push_back(expand(argument));
  const ProgramResult result = Cli(arguments);
  const std::string printed = result.out + result.err;
  EXPECT_NE(printed.find(expand(GetParam().shown)), std::string::npos) << printed;
  EXPECT_EQ(printed.find_first_of("\x1b\r"), std::string::npos) << printed;
  EXPECT_EQ(printed.find("a\nb"), std::string::npos) << printed;
}

std::vector<HostileNameCase> HostileNameCases() {
  std::vector<HostileNameCase> rows = {
      {"InputNotOpened", {"NAME", "DIR/out.mdl", "2"}, "Unable to open input file. ('a'$'\\n''b'"},
      {"InPlaceInputNotOpened", {"-i", "-s", "2", "NAME"}, "file. ('a'$'\\n''b'$'\\033''[2K'"},
      {"InfoInputNotOpened", {"--info", "NAME"}, "file. ('a'$'\\n''b'$'\\033''[2K'$'\\r''c"},
      {"NamesNoFile", {"-s", "2", "--suffix=-x", "NAME/"}, "$'\\r''c.mdl/' names no file"},
      {"MissingTargetDirectory",
       {"-s", "2", "-t", "NAME", "DIR/in.mdl"},
       "target directory 'a'$'\\n''b'$'\\033''[2K'$'\\r''c.mdl': "},
      {"UnknownOption", {"--NAME"}, "unknown option '--a$'\\n'b$'\\033'[2K$'\\r'c.mdl'"}};
#ifndef _WIN32  // a name with control characters cannot be made on Windows
  rows.push_back({"FitNote",
                  {"-v", "--fit", "z=1", "--suffix=-x", "DIR/NAME"},
                  "'DIR/a'$'\\n''b'$'\\033''[2K'$'\\r''c.mdl': scaled by 0.5"});
  rows.push_back({"InfoReport", {"--info", "DIR/NAME"}, "'DIR/a'$'\\n''b'$'\\033''[2K'"});
  rows.push_back({"OneFileTwice",
                  {"-s", "2", "-i", "DIR/NAME", "DIR/NAME"},
                  "[2K'$'\\r''c.mdl' and 'DIR/a'$'\\n''b'$'\\033''[2K'$'\\r''c.mdl' are the same"});
#endif
  return rows;
}

INSTANTIATE_TEST_SUITE_P(Messages, CliHostileNameTest, ::testing::ValuesIn(HostileNameCases()),
                         testing::RowName());

TEST(CommandLine, AcceptsBlanksAroundAFactorAtBothEnds) {
  for (const char* text : {" 2", "2 ", "\t2\n"}) {
    const cli::Command command = cli::ParseCommandLine({"a", "b", text});
    const auto* job = std::get_if<cli::ScaleCommand>(&command);
    ASSERT_NE(job, nullptr) << text;
    EXPECT_EQ(job->factors.y, 2);
  }
}

TEST(Cli, LargeModelComesOutTheSameOnAnyNumberOfThreads) {
  TempDir dir;
  std::string model;  // above the size from which a pass takes several threads
  for (int node = 0; model.size() < (9u << 20); ++node) {
    model += "node " + std::to_string(node) + "\n  verts 4000\n";
    for (int i = 0; i < 4000; ++i)
      model += "    -1.23456789 " + std::to_string(i) + " 0.5\n";
  }
  WriteFile(dir.File("in.mdl"), model);
  std::string first;
  for (const char* threads : {"1", "2", "3"}) {
    const std::string out = dir.File(std::string("out-") + threads + ".mdl");
    const ProgramResult result =
        Cli({"--threads", threads, dir.File("in.mdl"), out, "2", "3", "-1"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    if (first.empty()) {
      first = ReadFile(out);
    } else {
      EXPECT_TRUE(ReadFile(out) == first) << threads << " threads";
    }
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
  EXPECT_EQ(result.err, "tessary-scale: Unable to open input file. (missing.mdl: " +
                            testing::Reason(platform::ErrorKind::NotFound) + ")\n");
  EXPECT_FALSE(fs::exists(dir.File("out.mdl")));

  result = Cli({dir.File("in.mdl"), dir.File("in.mdl"), "2"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "tessary-scale: Unable to open output file. (" + dir.File("in.mdl") +
                            ": is the same file as the input)\n");
  EXPECT_EQ(ReadFile(dir.File("in.mdl")), kWorkedExample);

#ifndef _WIN32
  result = Cli({dir.File("in.mdl"), "/dev/full", "2"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err,
            "tessary-scale: Disk full while accessing /dev/full. (No space left on device)\n");

  result = Cli({"/proc/self/mem", "-", "2"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err,
            "tessary-scale: An unknown error occurred while accessing /proc/self/mem. "
            "(Input/output error)\n");
#endif
}

TEST(Cli, PrintsHelpAndVersion) {
  ProgramResult result = Cli({"--help"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out.rfind("Usage: tessary-scale [options] INPUT OUTPUT X [Y Z]\n", 0), 0u);
  result = Cli({"-V"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out.rfind("tessary-scale (Tessary) " TESSARY_VERSION
                             "\nCopyright (C) 2026 The Tessary "
                             "developers.\nLicense MIT",
                             0),
            0u)
      << result.out;
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
