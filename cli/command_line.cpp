#include "cli/command_line.h"

#include <cmath>
#include <optional>
#include <string_view>

#include "model/char_class.h"
#include "model/number_parse.h"

namespace tessary::cli {
namespace {

// A factor must be a number and nothing else, unlike in the dialog, where atof rules apply;
// blanks around it are allowed at both ends alike. An infinity (a number too large for a
// double, such as 1e400) is not a number here.
std::optional<double> StrictNumber(std::string_view text) {
  while (!text.empty() && IsCSpace(text.back()))
    text.remove_suffix(1);
  std::size_t consumed = 0;
  const double value = ParseDouble(text, &consumed);
  if (consumed == 0 || consumed != text.size()) return std::nullopt;
  return value;
}

bool IsOption(const std::string& argument) {
  return argument.size() > 1 && argument[0] == '-' && !StrictNumber(argument);
}

}  // namespace

Command ParseCommandLine(const std::vector<std::string>& arguments) {
  ScaleJob job;
  std::vector<std::string> positional;
  bool optionsEnded = false;
  for (const std::string& argument : arguments) {
    if (optionsEnded || !IsOption(argument)) {
      positional.push_back(argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (argument == "-h" || argument == "--help") {
      return ShowHelp{};
    } else if (argument == "-V" || argument == "--version") {
      return ShowVersion{};
    } else if (argument == "-v" || argument == "--verbose") {
      job.verbose = true;
    } else {
      return UsageError{"unknown option '" + argument + "'"};
    }
  }

  if (positional.size() != 3 && positional.size() != 5) {
    return UsageError{positional.size() < 3
                          ? "expected INPUT, OUTPUT and one or three scale factors"
                          : "expected one or three scale factors, got " +
                                std::to_string(positional.size() - 2)};
  }
  job.input = positional[0];
  job.output = positional[1];
  if (job.input.empty()) return UsageError{"INPUT is empty"};
  if (job.output.empty()) return UsageError{"OUTPUT is empty"};

  double values[3];
  for (std::size_t i = 2; i < positional.size(); ++i) {
    const std::optional<double> value = StrictNumber(positional[i]);
    if (!value) return UsageError{"scale factor '" + positional[i] + "' is not a number"};
    if (!std::isfinite(*value)) {
      return UsageError{"scale factor '" + positional[i] + "' is out of range"};
    }
    values[i - 2] = *value;
  }
  if (positional.size() == 3) values[1] = values[2] = values[0];
  job.factors = {values[0], values[1], values[2]};
  return job;
}

std::string HelpText() {
  return "Usage: tessary-scale [options] INPUT OUTPUT X [Y Z]\n"
         "Rescale an ASCII model (.mdl): the coordinates on position and center lines and in\n"
         "verts and positionkey blocks are multiplied by X, Y and Z and written with eleven\n"
         "decimals; every other line is copied. One factor scales all three axes.\n"
         "\n"
         "  INPUT, OUTPUT   model files; '-' reads standard input or writes standard output\n"
         "  X [Y Z]         scale factors, such as 2, 0.5, -1 or 1.5e-2\n"
         "\n"
         "Options:\n"
         "  -v, --verbose   print \"Done!\" and a summary to standard error\n"
         "  -h, --help      print this help and exit\n"
         "  -V, --version   print the version and exit\n"
         "\n"
         "Exit status: 0 on success, 1 if a file cannot be opened, read or written,\n"
         "2 for a usage error.\n";
}

}  // namespace tessary::cli
