// The shell completions of tessary-scale: bash's through compgen, fish's through its own
// completer, zsh's parsed; each offers every option of the option table, and models (*.mdl)
// and folders for inputs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/options.h"
#include "tests/support/files.h"
#include "tests/support/table.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;
using testing::ProgramResult;
using testing::RunProgram;
using testing::TempDir;

// Runs a shell with a home of its own, so that nothing it writes when it starts (fish makes its
// configuration and data folders) lands in the user's home.
ProgramResult Shell(const std::string& shell, const std::vector<std::string>& arguments) {
  static const TempDir home;
  const std::string path = home.path().string();
  testing::ProgramSetup setup;
  setup.environment = {"HOME=" + path, "XDG_CONFIG_HOME=" + path + "/.config",
                       "XDG_DATA_HOME=" + path + "/.local/share",
                       "XDG_CACHE_HOME=" + path + "/.cache"};
  return RunProgram(shell, arguments, setup);
}

std::string Completion(const char* file) {
  return testing::SourcePath(std::string("completions/") + file);
}

// A folder to complete in: two models, a file of another kind and a folder.
class CompletionFolder {
 public:
  CompletionFolder() {
    for (const char* name : {"crate.mdl", "BARREL.MDL", "notes.txt"})
      testing::WriteFile(dir_.File(name), "");
    fs::create_directory(dir_.path() / "models");
  }
  std::string path() const { return dir_.path().string(); }

 private:
  TempDir dir_;
};

std::set<std::string> Lines(const std::string& text) {
  std::set<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.insert(line.substr(0, line.find('\t')));  // fish adds a tab and a description
  return lines;
}

// What bash's completion offers for `words`, the last being the one completed.
std::set<std::string> BashOffers(const std::string& folder, const std::vector<std::string>& words) {
  std::string script = "cd '" + folder + "' && source '" + Completion("tessary-scale.bash") +
                       "' && COMP_WORDS=(tessary-scale";
  for (const std::string& word : words)
    script += " '" + word + "'";
  script += ") && COMP_CWORD=" + std::to_string(words.size()) +
            " && _tessary_scale && for w in \"${COMPREPLY[@]}\"; do echo \"$w\"; done";
  const ProgramResult result = Shell("/bin/bash", {"--norc", "-c", script});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.err, "");
  return Lines(result.out);
}

std::set<std::string> FishOffers(const std::string& folder, const std::string& line) {
  const std::string script = "cd '" + folder + "'; source '" + Completion("tessary-scale.fish") +
                             "'; complete -C '" + line + "'";
  const ProgramResult result = Shell("/usr/bin/fish", {"--no-config", "-c", script});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  return Lines(result.out);
}

// Rows named by what is being typed.
struct CompletionCase {
  const char* name;
  std::vector<std::string> words;
  std::set<std::string> offered;
};
void PrintTo(const CompletionCase& row, std::ostream* os) {
  *os << row.name;
}

class BashCompletionTest : public ::testing::TestWithParam<CompletionCase> {};

TEST_P(BashCompletionTest, Offers) {
  CompletionFolder folder;
  EXPECT_EQ(BashOffers(folder.path(), GetParam().words), GetParam().offered);
}

INSTANTIATE_TEST_SUITE_P(
    Words, BashCompletionTest,
    ::testing::Values(CompletionCase{"Input", {""}, {"crate.mdl", "BARREL.MDL", "models"}},
                      CompletionCase{"InputAfterFactors", {"-s", "2", "-i", "c"}, {"crate.mdl"}},
                      CompletionCase{"LongOptionPrefix", {"--s"}, {"--scale=", "--suffix="}},
                      CompletionCase{
                          "LongOptionAfterInputs", {"a.mdl", "--in"}, {"--in-place", "--info"}},
                      CompletionCase{"TargetDirectory", {"-t", ""}, {"models"}},
                      CompletionCase{"FitAxis", {"--fit", ""}, {"x=", "y=", "z="}},
                      CompletionCase{"ScaleFactors", {"--scale", ""}, {}},
                      CompletionCase{"Jobs", {"-j", ""}, {}}),
    testing::RowName());

class FishCompletionTest : public ::testing::TestWithParam<CompletionCase> {};

TEST_P(FishCompletionTest, Offers) {
  CompletionFolder folder;
  std::string line = "tessary-scale";
  for (const std::string& word : GetParam().words)
    line += " " + word;
  EXPECT_EQ(FishOffers(folder.path(), line), GetParam().offered);
}

INSTANTIATE_TEST_SUITE_P(
    Words, FishCompletionTest,
    ::testing::Values(CompletionCase{"Input", {""}, {"crate.mdl", "BARREL.MDL", "models/"}},
                      CompletionCase{"InputAfterFactors", {"-s", "2", "-i", "c"}, {"crate.mdl"}},
                      CompletionCase{"LongOptionPrefix", {"--s"}, {"--scale", "--suffix"}},
                      CompletionCase{"TargetDirectory", {"-t", ""}, {"models/"}},
                      CompletionCase{"FitAxis", {"--fit", ""}, {"x=", "y=", "z="}}),
    testing::RowName());

TEST(Completion, BashAndFishOfferEveryOption) {
  CompletionFolder folder;
  const std::set<std::string> bashLong = BashOffers(folder.path(), {"--"});
  const std::set<std::string> bashShort = BashOffers(folder.path(), {"-"});
  const std::set<std::string> fish = FishOffers(folder.path(), "tessary-scale -");
  for (const cli::OptionSpec& option : cli::kOptions) {
    const std::string name = "--" + std::string(option.longName);
    EXPECT_TRUE(bashLong.count(name) == 1 || bashLong.count(name + "=") == 1) << name;
    EXPECT_EQ(fish.count(name), 1u) << name;
    if (option.shortName != '\0') {
      const std::string shortName{'-', option.shortName};
      EXPECT_EQ(bashShort.count(shortName), 1u) << shortName;
      EXPECT_EQ(fish.count(shortName), 1u) << shortName;
    }
  }
}

TEST(Completion, ZshParsesAndNamesEveryOption) {
  const ProgramResult result = Shell("/usr/bin/zsh", {"-n", Completion("_tessary-scale")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  const std::string text = testing::ReadFile(Completion("_tessary-scale"));
  for (const cli::OptionSpec& option : cli::kOptions) {
    const std::string name = "--" + std::string(option.longName);
    EXPECT_NE(text.find(name), std::string::npos) << name;
  }
}

TEST(Completion, TessaryOffersItsOptionsAndModels) {
  CompletionFolder folder;
  const std::string script = "cd '" + folder.path() + "' && source '" + Completion("tessary.bash") +
                             "' && COMP_WORDS=(tessary \"$1\") && COMP_CWORD=1 && _tessary && "
                             "for w in \"${COMPREPLY[@]}\"; do echo \"$w\"; done";
  EXPECT_EQ(Lines(Shell("/bin/bash", {"--norc", "-c", script, "bash", "--"}).out),
            (std::set<std::string>{"--help", "--version"}));
  EXPECT_EQ(Lines(Shell("/bin/bash", {"--norc", "-c", script, "bash", "-"}).out),
            (std::set<std::string>{"--help", "--version", "-h", "-V"}));
  EXPECT_EQ(Lines(Shell("/bin/bash", {"--norc", "-c", script, "bash", ""}).out),
            (std::set<std::string>{"crate.mdl", "BARREL.MDL", "models"}));
}

}  // namespace
}  // namespace tessary
