// How a run of tessary-scale ended, for main() to turn into an exit status.
#pragma once

namespace tessary::cli {

inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

struct RunResult {
  int exitCode = 0;
  bool interrupted = false;  ///< a signal stopped it: end by that signal
};

}  // namespace tessary::cli
