// The command line of tessary-scale: what to scale into what, or what to report on.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "model/job/run.h"

namespace tessary::cli {

using tessary::FitRequest;
using tessary::Placement;

enum class ProgressMode { Auto, Always, Never };

/// Scaling one model (INPUT OUTPUT) or many (-s or --fit, with -t, --suffix or -i). "-" as a
/// path means standard input or output, and only INPUT OUTPUT takes it.
struct ScaleCommand {
  std::vector<std::string> inputs;
  Placement placement = Placement::Output;
  std::string destination;  ///< the OUTPUT, the DIR or the SUFFIX; empty for InPlace
  ScaleFactors factors;     ///< when `fit` is empty
  std::optional<FitRequest> fit;
  unsigned jobs = 0;     ///< files at a time; 0 for one per core
  unsigned threads = 0;  ///< threads for each file's pass; 0 for the cores left to it
  ProgressMode progress = ProgressMode::Auto;
  bool verbose = false;
};

/// --info: what each model holds, with its boxes after scaling when factors are given.
struct InfoCommand {
  std::vector<std::string> inputs;
  bool json = false;
  std::optional<ScaleFactors> factors;
  unsigned jobs = 0;
  ProgressMode progress = ProgressMode::Auto;
};

struct ShowHelp {};
struct ShowVersion {};

/// Why the command line cannot be understood, in one line.
struct UsageError {
  std::string message;
};

using Command = std::variant<ScaleCommand, InfoCommand, ShowHelp, ShowVersion, UsageError>;

/// Reads the arguments after the program name, in the manner of GNU tools: "--name=value" or
/// "--name value", "-x value" or "-xvalue", bundled short options such as "-vi", and "--" to
/// end the options. An argument that is wholly a number, such as "-2", is not an option.
Command ParseCommandLine(const std::vector<std::string>& arguments);

}  // namespace tessary::cli
