// A run of --info: each model read, nothing written, a report per model in input order.
#pragma once

#include <atomic>

#include "cli/command_line.h"
#include "cli/run_result.h"

namespace tessary::cli {

/// Reads every input and prints its report on standard output, and one line on standard
/// error for each input that cannot be read. `interrupt` stops the run.
RunResult RunInfoCommand(const InfoCommand& command, const std::atomic<bool>& interrupt);

}  // namespace tessary::cli
