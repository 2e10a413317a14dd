// The command line of tessary-scale: INPUT OUTPUT X [Y Z] and options.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "model/scaling_pass.h"

namespace tessary::cli {

/// A scaling job as given on the command line. "-" as a path means standard input or output.
struct ScaleJob {
  std::string input;
  std::string output;
  ScaleFactors factors;
  bool verbose = false;
};

struct ShowHelp {};
struct ShowVersion {};

/// What the command line asks for, or why it cannot be understood (a one-line message).
struct UsageError {
  std::string message;
};

using Command = std::variant<ScaleJob, ShowHelp, ShowVersion, UsageError>;

/// Reads the arguments after the program name. An argument that is wholly a number, such as
/// "-2", is a factor even though it starts with "-"; "--" ends the options.
Command ParseCommandLine(const std::vector<std::string>& arguments);

/// The text printed by --help.
std::string HelpText();

}  // namespace tessary::cli
