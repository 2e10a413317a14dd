// The options of tessary-scale, in one table: the command line reads them, --help lists them.
#pragma once

#include <array>
#include <string_view>

namespace tessary::cli {

enum class OptionId {
  Scale,
  Fit,
  TargetDirectory,
  Suffix,
  InPlace,
  Jobs,
  Threads,
  Info,
  Json,
  Progress,
  NoProgress,
  Verbose,
  Help,
  Version,
};

struct OptionSpec {
  OptionId id;
  char shortName;             ///< '\0' when the option has only a long name
  std::string_view longName;  ///< without the leading "--"
  std::string_view argument;  ///< what the option's argument is called; empty when it has none
  std::string_view help;      ///< one line for --help
};

inline constexpr std::array<OptionSpec, 14> kOptions{{
    {OptionId::Scale, 's', "scale", "X[,Y,Z]", "scale factors; then every argument is an INPUT"},
    {OptionId::Fit, '\0', "fit", "AXIS=LENGTH",
     "instead of factors: scale each model uniformly so that its vertex points span LENGTH "
     "along AXIS (x, y or z)"},
    {OptionId::TargetDirectory, 't', "target-directory", "DIR",
     "write each INPUT to DIR under its own name"},
    {OptionId::Suffix, '\0', "suffix", "SUFFIX",
     "write each INPUT beside itself, with SUFFIX before its extension"},
    {OptionId::InPlace, 'i', "in-place", "", "replace each INPUT by its scaled version"},
    {OptionId::Jobs, 'j', "jobs", "N",
     "scale N files at a time (default: one per core); each takes up to {file MiB} of memory, and "
     "fewer run at a time where the process's memory or open-file limits call for it"},
    {OptionId::Threads, '\0', "threads", "N",
     "let each file's pass use up to N threads, its own included, never more than the cores "
     "left to it (the default) or than the process's memory limits allow; a second thread "
     "takes up to {second MiB} more, and each further one up to {thread MiB}"},
    {OptionId::Info, '\0', "info", "",
     "print what each INPUT holds and the bounding boxes of its points; write nothing"},
    {OptionId::Json, '\0', "json", "", "with --info: print one JSON object per INPUT"},
    {OptionId::Progress, '\0', "progress", "", "always show a progress line on standard error"},
    {OptionId::NoProgress, '\0', "no-progress", "",
     "never show it (default: on a terminal, when the work lasts over a second)"},
    {OptionId::Verbose, 'v', "verbose", "",
     "print \"Done!\", fitted factors and a summary to standard error"},
    {OptionId::Help, 'h', "help", "", "print this help and exit"},
    {OptionId::Version, 'V', "version", "", "print the version and exit"},
}};

}  // namespace tessary::cli
