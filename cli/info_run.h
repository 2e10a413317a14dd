// A run of --info: each model read, nothing written, a report per model in input order.
#pragma once

#include <atomic>

#include "cli/command_line.h"
#include "cli/run_result.h"

namespace tessary::cli {

/// Reads every input and prints its report on standard output, and one line on standard
/// error for each input that cannot be read. One file named twice, under one name or two
/// (a hard link), is refused before anything is read (exit status 2), as in a batch.
/// `interrupt` stops the run.
RunResult RunInfoCommand(const InfoCommand& command, const std::atomic<bool>& interrupt);

}  // namespace tessary::cli
