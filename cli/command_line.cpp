#include "cli/command_line.h"

#include <string_view>

#include "cli/options.h"
#include "model/numbers/factor_text.h"
#include "platform/file.h"

namespace tessary::cli {
namespace {

constexpr unsigned kMaxJobs = 1024;

// A negative number, or a negative infinity meant as a factor, is not an option.
bool IsOption(const std::string& argument) {
  return argument.size() > 1 && argument[0] == '-' && !StrictNumber(argument) &&
         !IsNonFiniteWord(argument);
}

const OptionSpec* FindLong(std::string_view name) {
  for (const OptionSpec& option : kOptions) {
    if (option.longName == name) return &option;
  }
  return nullptr;
}

const OptionSpec* FindShort(char name) {
  for (const OptionSpec& option : kOptions) {
    if (option.shortName != '\0' && option.shortName == name) return &option;
  }
  return nullptr;
}

// Everything the options said, before the positional arguments are given their meaning.
struct Options {
  std::optional<std::string> scale;
  std::optional<std::string> fit;
  std::optional<Placement> placement;
  std::string destination;
  std::optional<std::string> jobs;
  std::optional<std::string> threads;
  bool info = false;
  bool json = false;
  ProgressMode progress = ProgressMode::Auto;
  bool verbose = false;
  bool help = false;
  bool version = false;
};

// Records one option; returns an error message, or nothing.
std::optional<std::string> Record(const OptionSpec& option, std::string value, Options& options) {
  const auto place = [&](Placement placement) -> std::optional<std::string> {
    if (options.placement && *options.placement != placement) {
      return "give only one of -t, --suffix and -i";
    }
    options.placement = placement;
    options.destination = std::move(value);
    return std::nullopt;
  };
  switch (option.id) {
    case OptionId::Scale:
      options.scale = std::move(value);
      break;
    case OptionId::Fit:
      options.fit = std::move(value);
      break;
    case OptionId::TargetDirectory:
      if (value.empty()) return std::string("the target directory is empty");
      return place(Placement::TargetDirectory);
    case OptionId::Suffix:
      if (value.empty()) return std::string("SUFFIX is empty");
      if (const char c = platform::CharacterNotInNames(value); c != '\0') {
        return "SUFFIX '" + value + "' has a '" + std::string(1, c) + "' in it";
      }
      return place(Placement::Suffix);
    case OptionId::InPlace:
      return place(Placement::InPlace);
    case OptionId::Jobs:
      options.jobs = std::move(value);
      break;
    case OptionId::Threads:
      options.threads = std::move(value);
      break;
    case OptionId::Info:
      options.info = true;
      break;
    case OptionId::Json:
      options.json = true;
      break;
    case OptionId::Progress:
      options.progress = ProgressMode::Always;
      break;
    case OptionId::NoProgress:
      options.progress = ProgressMode::Never;
      break;
    case OptionId::Verbose:
      options.verbose = true;
      break;
    case OptionId::Help:
      options.help = true;
      break;
    case OptionId::Version:
      options.version = true;
      break;
  }
  return std::nullopt;
}

// One factor for all three axes, or three; `texts` holds them as given.
std::variant<ScaleFactors, UsageError> ReadFactors(const std::vector<std::string>& texts) {
  if (texts.size() != 1 && texts.size() != 3) {
    return UsageError{"expected one or three scale factors, got " + std::to_string(texts.size())};
  }
  double values[3];
  for (std::size_t i = 0; i < texts.size(); ++i) {
    // A factor must be a number and nothing else, unlike in the dialog, where atof rules apply.
    std::variant<double, std::string> factor = ReadFactor(texts[i]);
    if (auto* error = std::get_if<std::string>(&factor)) return UsageError{std::move(*error)};
    values[i] = std::get<double>(factor);
  }
  if (texts.size() == 1) values[1] = values[2] = values[0];
  return ScaleFactors{values[0], values[1], values[2]};
}

// "X[,Y,Z]"
std::variant<ScaleFactors, UsageError> ReadFactorList(const std::string& list) {
  std::vector<std::string> texts;
  std::size_t start = 0;
  for (std::size_t comma; (comma = list.find(',', start)) != std::string::npos; start = comma + 1) {
    texts.push_back(list.substr(start, comma - start));
  }
  texts.push_back(list.substr(start));
  return ReadFactors(texts);
}

// "AXIS=LENGTH", such as "z=1.8"
std::variant<FitRequest, UsageError> ReadFit(const std::string& text) {
  const std::string_view axes = "xyz";
  const std::size_t axis = text.size() >= 2 && text[1] == '='
                               ? axes.find(static_cast<char>(text[0] | 0x20))
                               : std::string_view::npos;
  if (axis == std::string_view::npos) {
    return UsageError{"--fit takes AXIS=LENGTH, such as z=1.8, not '" + text + "'"};
  }
  std::variant<double, std::string> length = ReadFitLength(std::string_view(text).substr(2));
  if (auto* error = std::get_if<std::string>(&length)) return UsageError{"--fit " + *error};
  return FitRequest{static_cast<int>(axis), std::get<double>(length)};
}

// A whole number from 1 to kMaxJobs, for --jobs and --threads.
std::variant<unsigned, UsageError> ReadCount(std::string_view option, const std::string& text) {
  unsigned count = 0;
  for (const char c : text) {
    if (c < '0' || c > '9' || count > kMaxJobs) {
      count = 0;
      break;
    }
    count = count * 10 + static_cast<unsigned>(c - '0');
  }
  if (count == 0 || count > kMaxJobs) {
    return UsageError{std::string(option) + " takes a whole number from 1 to " +
                      std::to_string(kMaxJobs) + ", not '" + text + "'"};
  }
  return count;
}

// Reads the options into `options` and the other arguments into `positional`.
std::optional<std::string> ReadArguments(const std::vector<std::string>& arguments,
                                         Options& options, std::vector<std::string>& positional) {
  bool optionsEnded = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || !IsOption(argument)) {
      positional.push_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    const auto nextArgument = [&]() -> std::optional<std::string> {
      if (i + 1 == arguments.size()) return std::nullopt;
      return arguments[++i];
    };
    if (argument.rfind("--", 0) == 0) {
      const std::size_t equals = argument.find('=');
      const std::string name = argument.substr(2, equals - 2);
      const OptionSpec* option = FindLong(name);
      if (option == nullptr) return "unknown option '--" + name + "'";
      std::string value;
      if (option->argument.empty()) {
        if (equals != std::string::npos) return "option '--" + name + "' takes no argument";
      } else if (equals != std::string::npos) {
        value = argument.substr(equals + 1);
      } else if (auto next = nextArgument()) {
        value = std::move(*next);
      } else {
        return "option '--" + name + "' needs " + std::string(option->argument);
      }
      if (auto error = Record(*option, std::move(value), options)) return error;
      continue;
    }
    // One or more short options, the last of which may take the rest as its argument.
    for (std::size_t at = 1; at < argument.size(); ++at) {
      const OptionSpec* option = FindShort(argument[at]);
      if (option == nullptr) return "unknown option '-" + argument.substr(at, 1) + "'";
      std::string value;
      if (!option->argument.empty()) {
        if (at + 1 < argument.size()) {
          value = argument.substr(at + 1);
        } else if (auto next = nextArgument()) {
          value = std::move(*next);
        } else {
          return "option '-" + argument.substr(at, 1) + "' needs " + std::string(option->argument);
        }
        at = argument.size();
      }
      if (auto error = Record(*option, std::move(value), options)) return error;
    }
  }
  return std::nullopt;
}

std::optional<std::string> CheckInputs(const std::vector<std::string>& inputs) {
  if (inputs.empty()) return "expected at least one INPUT";
  for (const std::string& input : inputs) {
    if (input.empty()) return "INPUT is empty";
  }
  return std::nullopt;
}

Command InfoFrom(Options& options, std::vector<std::string> positional) {
  if (options.placement || options.fit) {
    return UsageError{"--info writes nothing: it takes no -t, --suffix, -i or --fit"};
  }
  if (auto error = CheckInputs(positional)) return UsageError{*error};
  InfoCommand info;
  info.inputs = std::move(positional);
  info.json = options.json;
  info.progress = options.progress;
  if (options.scale) {
    auto factors = ReadFactorList(*options.scale);
    if (auto* error = std::get_if<UsageError>(&factors)) return *error;
    info.factors = std::get<ScaleFactors>(factors);
  }
  if (options.jobs) {
    auto jobs = ReadCount("--jobs", *options.jobs);
    if (auto* error = std::get_if<UsageError>(&jobs)) return *error;
    info.jobs = std::get<unsigned>(jobs);
  }
  if (options.threads) return UsageError{"--threads goes with scaling, not with --info"};
  return info;
}

Command ScaleFrom(Options& options, std::vector<std::string> positional) {
  if (options.json) return UsageError{"--json goes with --info"};
  if (options.scale && options.fit) return UsageError{"give either --scale or --fit, not both"};
  ScaleCommand command;
  command.verbose = options.verbose;
  command.progress = options.progress;
  if (options.jobs) {
    auto jobs = ReadCount("--jobs", *options.jobs);
    if (auto* error = std::get_if<UsageError>(&jobs)) return *error;
    command.jobs = std::get<unsigned>(jobs);
  }
  if (options.threads) {
    auto threads = ReadCount("--threads", *options.threads);
    if (auto* error = std::get_if<UsageError>(&threads)) return *error;
    command.threads = std::get<unsigned>(threads);
  }
  if (options.fit) {
    auto fit = ReadFit(*options.fit);
    if (auto* error = std::get_if<UsageError>(&fit)) return *error;
    command.fit = std::get<FitRequest>(fit);
  }

  if (options.placement) {  // INPUT... with -t, --suffix or -i
    if (!options.scale && !options.fit) {
      return UsageError{"with -t, --suffix or -i, give the factors with --scale or --fit"};
    }
    if (options.scale) {
      auto factors = ReadFactorList(*options.scale);
      if (auto* error = std::get_if<UsageError>(&factors)) return *error;
      command.factors = std::get<ScaleFactors>(factors);
    }
    if (auto error = CheckInputs(positional)) return UsageError{*error};
    for (const std::string& input : positional) {
      if (input == "-") {
        return UsageError{"'-' (standard input) has no name to write under: use INPUT OUTPUT"};
      }
    }
    command.placement = *options.placement;
    command.destination = std::move(options.destination);
    command.inputs = std::move(positional);
    return command;
  }

  if (options.scale) {
    return UsageError{"with --scale, say where the outputs go with -t, --suffix or -i"};
  }
  if (options.fit) {  // --fit INPUT OUTPUT
    if (positional.size() != 2) {
      return UsageError{"with --fit, expected INPUT and OUTPUT, or -t, --suffix or -i"};
    }
    if (positional[0] == "-") {
      return UsageError{"--fit reads INPUT twice, so it cannot be standard input"};
    }
  } else {  // INPUT OUTPUT X [Y Z]
    if (positional.size() != 3 && positional.size() != 5) {
      return UsageError{positional.size() < 3
                            ? "expected INPUT, OUTPUT and one or three scale factors"
                            : "expected one or three scale factors, got " +
                                  std::to_string(positional.size() - 2)};
    }
    auto factors = ReadFactors({positional.begin() + 2, positional.end()});
    if (auto* error = std::get_if<UsageError>(&factors)) return *error;
    command.factors = std::get<ScaleFactors>(factors);
    positional.resize(2);
  }
  if (positional[0].empty()) return UsageError{"INPUT is empty"};
  if (positional[1].empty()) return UsageError{"OUTPUT is empty"};
  command.inputs = {positional[0]};
  command.destination = positional[1];
  return command;
}

}  // namespace

Command ParseCommandLine(const std::vector<std::string>& arguments) {
  Options options;
  std::vector<std::string> positional;
  const std::optional<std::string> error = ReadArguments(arguments, options, positional);
  // --help and --version answer whatever comes after them.
  if (options.help) return ShowHelp{};
  if (options.version) return ShowVersion{};
  if (error) return UsageError{*error};
  if (options.info) return InfoFrom(options, std::move(positional));
  return ScaleFrom(options, std::move(positional));
}

}  // namespace tessary::cli
