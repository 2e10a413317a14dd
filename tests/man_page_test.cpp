// The man pages: clean for the linters, naming the same options as --help, and showing every
// option in an example; the README with the help text and an example of every option.
#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/options.h"
#include "tests/support/files.h"
#include "tests/support/table.h"

namespace tessary {
namespace {

using testing::ProgramResult;
using testing::ReadFile;
using testing::RunProgram;

// Rows named by the page and the linter.
struct LintCase {
  const char* name;
  const char* page;
  std::vector<std::string> command;  // the page's path is added at the end
};
void PrintTo(const LintCase& row, std::ostream* os) {
  *os << row.name;
}

class ManPageLintTest : public ::testing::TestWithParam<LintCase> {};

TEST_P(ManPageLintTest, HasNoWarnings) {
  std::vector<std::string> arguments(GetParam().command.begin() + 1, GetParam().command.end());
  arguments.push_back(std::string(TESSARY_MAN_DIR) + "/" + GetParam().page);
  const ProgramResult result = RunProgram(GetParam().command[0], arguments);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out + result.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Pages, ManPageLintTest,
    ::testing::Values(
        LintCase{"TessaryScaleByMandoc",
                 "tessary-scale.1",
                 {"/usr/bin/mandoc", "-T", "lint", "-W", "warning"}},
        LintCase{"TessaryScaleByGroff", "tessary-scale.1", {"/usr/bin/groff", "-man", "-ww", "-z"}},
        LintCase{
            "TessaryByMandoc", "tessary.1", {"/usr/bin/mandoc", "-T", "lint", "-W", "warning"}},
        LintCase{"TessaryByGroff", "tessary.1", {"/usr/bin/groff", "-man", "-ww", "-z"}}),
    testing::RowName());

// `text` with every `from` replaced by `to`.
std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// The page's text without roff's escapes for hyphens and fonts.
std::string PlainSource(const std::string& page) {
  std::string text = ReadFile(std::string(TESSARY_MAN_DIR) + "/" + page);
  for (const char* font : {"\\fB", "\\fI", "\\fR", "\\fP", "\\c"}) {
    text = ReplaceAll(std::move(text), font, "");
  }
  return ReplaceAll(std::move(text), "\\-", "-");
}

bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Every option named in `text`: "-s", "--scale" and so on, but not "-1" or "xvfb-run". An
// option starts a word or follows one of "[(|,", and ends where letters and hyphens do.
std::set<std::string> OptionsIn(const std::string& text) {
  std::set<std::string> options;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const bool startsWord = at == 0 || std::isspace(static_cast<unsigned char>(text[at - 1])) ||
                            std::string_view("[(|,").find(text[at - 1]) != std::string_view::npos;
    if (text[at] != '-' || !startsWord) {
      continue;
    }
    std::size_t end = at + 1;
    if (end < text.size() && text[end] == '-') {
      ++end;
    }
    if (end == text.size() || !IsLetter(text[end])) {
      continue;
    }
    while (end < text.size() && (IsLetter(text[end]) || text[end] == '-')) {
      ++end;
    }
    if (end == text.size() || !std::isdigit(static_cast<unsigned char>(text[end]))) {
      options.insert(text.substr(at, end - at));
    }
    at = end - 1;
  }
  return options;
}

std::set<std::string> HelpOptions() {
  const ProgramResult help = RunProgram(TESSARY_SCALE_PATH, {"--help"});
  EXPECT_EQ(help.exitCode, 0);
  return OptionsIn(help.out);
}

// The text of the page's EXAMPLES section.
std::string Examples(const std::string& source) {
  const std::size_t start = source.find(".SH EXAMPLES");
  const std::size_t end = source.find(".SH", start + 1);
  return source.substr(start, end - start);
}

TEST(ManPage, NamesTheSameOptionsAsHelp) {
  const std::set<std::string> help = HelpOptions();
  EXPECT_GE(help.size(), 20u);
  EXPECT_EQ(OptionsIn(PlainSource("tessary-scale.1")), help);
}

// The memory a file and its threads take at most, as the help says it from the plan's own
// figures.
std::set<std::string> MemoryFigures(const std::string& wrapped) {
  std::string text;  // as one line, blanks collapsed
  for (const char c : wrapped) {
    const bool blank = c == ' ' || c == '\n';
    if (!blank || (!text.empty() && text.back() != ' ')) text += blank ? ' ' : c;
  }
  std::set<std::string> figures;
  const std::string mark = "up to ";
  for (std::size_t at = 0; (at = text.find(mark, at)) != std::string::npos; ++at) {
    const std::size_t digits = at + mark.size();
    const std::size_t end = text.find_first_not_of("0123456789", digits);
    if (end > digits && text.compare(end, 4, " MiB") == 0) {
      figures.insert(text.substr(digits, end - digits));
    }
  }
  return figures;
}

TEST(ManPage, PromisesTheMemoryTheHelpDoes) {
  const ProgramResult help = RunProgram(TESSARY_SCALE_PATH, {"--help"});
  const std::set<std::string> figures = MemoryFigures(help.out);
  EXPECT_EQ(figures.size(), 3u) << help.out;
  EXPECT_EQ(MemoryFigures(PlainSource("tessary-scale.1")), figures);
}

#if TESSARY_WITH_GUI
TEST(ManPage, OfTessaryNamesTheSameOptionsAsItsHelp) {
  const ProgramResult help = RunProgram(TESSARY_APP_PATH, {"--help"});
  ASSERT_EQ(help.exitCode, 0) << help.err;
  const std::set<std::string> options = OptionsIn(help.out);
  EXPECT_GE(options.size(), 4u);
  EXPECT_EQ(OptionsIn(PlainSource("tessary.1")), options);
}
#endif

// Fails for each option of the option table that `shown` names in neither its long nor its
// short form.
void ExpectEveryOption(const std::set<std::string>& shown) {
  for (const cli::OptionSpec& option : cli::kOptions) {
    const std::string name = "--" + std::string(option.longName);
    const bool inShort = option.shortName != '\0' && shown.count({'-', option.shortName}) == 1;
    EXPECT_TRUE(shown.count(name) == 1 || inShort) << name << " has no example";
  }
}

TEST(ManPage, ShowsEveryOptionInAnExample) {
  ExpectEveryOption(OptionsIn(Examples(PlainSource("tessary-scale.1"))));
}

TEST(Readme, ShowsTheHelpTextAsItIs) {
  const ProgramResult help = RunProgram(TESSARY_SCALE_PATH, {"--help"});
  EXPECT_NE(ReadFile(testing::SourcePath("README.md")).find("```\n" + help.out + "```\n"),
            std::string::npos)
      << "paste the output of tessary-scale --help into the README";
}

TEST(Readme, ShowsEveryOptionInAnExample) {
  // The lines of its code blocks that run tessary-scale.
  const std::string readme = ReadFile(testing::SourcePath("README.md"));
  std::string examples;
  std::istringstream lines(readme);
  for (std::string line; std::getline(lines, line);) {
    const std::string_view program = "tessary-scale ";
    std::size_t start = line.rfind("$ ", 0) == 0 ? 2 : 0;
    if (line.compare(start, program.size(), program) != 0) {
      const std::size_t piped = line.find("| tessary-scale ");
      if (piped == std::string::npos) {
        continue;
      }
      start = piped + 2;
    }
    examples += " " + line.substr(start + program.size()) + "\n";
  }
  ExpectEveryOption(OptionsIn(examples));
}

}  // namespace
}  // namespace tessary
