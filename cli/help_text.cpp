#include "cli/help_text.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/options.h"
#include "model/job/run.h"
#include "model/pass/keywords.h"
#include "tessary_version.h"

namespace tessary::cli {
namespace {

constexpr std::size_t kOptionColumn = 30;  // where the options' descriptions start
constexpr std::size_t kWidth = 80;

// `help` with the plan's memory figures in place of "{file MiB}", "{second MiB}" and
// "{thread MiB}".
std::string WithFigures(std::string_view help) {
  const MemoryFigures figures = PlannedMemory();
  std::string text(help);
  for (const auto& [token, mib] :
       {std::pair<std::string_view, unsigned>{"{file MiB}", figures.perFileMiB},
        {"{second MiB}", figures.secondThreadMiB},
        {"{thread MiB}", figures.perThreadMiB}}) {
    if (const std::size_t at = text.find(token); at != std::string::npos) {
      text.replace(at, token.size(), std::to_string(mib) + " MiB");
    }
  }
  return text;
}

// "a", "a and b", "a, b and c"
std::string JoinWords(const std::vector<std::string_view>& words) {
  std::string text;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i > 0) text += i + 1 == words.size() ? " and " : ", ";
    text += words[i];
  }
  return text;
}

// What the pass rewrites, in the order of the keyword table.
std::string KeywordSentence() {
  std::vector<std::string_view> lineWords;
  std::vector<std::string_view> blockWords;
  for (const KeywordRule& rule : kKeywordRules)
    (rule.countedBlock ? blockWords : lineWords).push_back(rule.word);
  return "The coordinates on " + JoinWords(lineWords) + " lines and in the lines of " +
         JoinWords(blockWords) +
         " blocks are multiplied by X, Y and Z and written with eleven decimals; every other "
         "line is copied. One factor scales all three axes.";
}

// `text` broken into lines of at most kWidth columns, each starting with `indent` spaces
// (the first line after `first`, which is already that wide).
std::string Wrap(std::string_view text, std::size_t indent, std::string first = {}) {
  std::string out = std::move(first);
  std::size_t column = out.size();
  while (!text.empty()) {
    const std::size_t space = text.find(' ');
    const std::string_view word = text.substr(0, space);
    if (column > indent && column + 1 + word.size() > kWidth) {
      out += '\n';
      column = 0;
    }
    if (column <= indent) {
      out.append(indent - column, ' ');
      column = indent;
    } else {
      out += ' ';
      ++column;
    }
    out += word;
    column += word.size();
    text = space == std::string_view::npos ? std::string_view{} : text.substr(space + 1);
  }
  return out + '\n';
}

std::string OptionLines() {
  std::string out;
  for (const OptionSpec& option : kOptions) {
    std::string names = "  ";
    names += option.shortName != '\0' ? std::string{'-', option.shortName, ',', ' '} : "    ";
    names += "--";
    names += option.longName;
    if (!option.argument.empty()) {
      names += '=';
      names += option.argument;
    }
    if (names.size() + 1 >= kOptionColumn) {
      out += names + '\n';
      names.clear();
    }
    out += Wrap(WithFigures(option.help), kOptionColumn, std::move(names));
  }
  return out;
}

}  // namespace

std::string HelpText() {
  std::string text =
      "Usage: tessary-scale [options] INPUT OUTPUT X [Y Z]\n"
      "  or:  tessary-scale [options] --fit AXIS=LENGTH INPUT OUTPUT\n"
      "  or:  tessary-scale [options] (-s X[,Y,Z] | --fit AXIS=LENGTH)\n"
      "                     (-t DIR | --suffix SUFFIX | -i) INPUT...\n"
      "  or:  tessary-scale --info [--json] [-s X[,Y,Z]] INPUT...\n"
      "Rescale ASCII models (.mdl), one or many at a time, or report what they hold.\n"
      "\n";
  text += Wrap(KeywordSentence(), 0);
  text +=
      "\n"
      "  INPUT, OUTPUT               model files; '-' reads standard input or writes\n"
      "                              standard output (INPUT OUTPUT form only)\n"
      "  X [Y Z]                     scale factors, such as 2, 0.5, -1 or 1.5e-2\n"
      "\n"
      "Options:\n";
  text += OptionLines();
  text +=
      "\n"
      "Examples:\n"
      "  tessary-scale crate.mdl crate-big.mdl 2 2 0.5\n"
      "  tessary-scale -s 2 -t scaled/ models/*.mdl\n"
      "  tessary-scale --fit z=1.8 --suffix=-fit *.mdl\n"
      "  tessary-scale --info --json crate.mdl\n"
      "\n"
      "Exit status: 0 on success, 1 if a file failed (the other files are still done),\n"
      "2 for a usage error, 128 + the signal's number when interrupted (0xC000013A on\n"
      "Windows).\n";
  return text;
}

std::string VersionText() {
  return std::string("tessary-scale (Tessary) ") + TESSARY_VERSION +
         "\n"
         "Copyright (C) 2026 The Tessary developers.\n"
         "License MIT: <https://opensource.org/licenses/MIT>.\n"
         "This is free software: you are free to change and redistribute it.\n"
         "There is NO WARRANTY, to the extent permitted by law.\n";
}

}  // namespace tessary::cli
