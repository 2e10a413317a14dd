// A whole run that scales models: INPUT OUTPUT, or every INPUT with -t, --suffix or -i, N at
// a time, with messages in the order of the inputs, a progress line and a summary.
#pragma once

#include <atomic>

#include "cli/command_line.h"
#include "cli/run_result.h"

namespace tessary::cli {

/// Checks the batch, scales every file and prints what the user is told. `interrupt` stops
/// the run: files under way are left as they were and no new one starts; the files already
/// finished (their outputs in place) are then listed, even without --verbose.
RunResult RunScaleCommand(const ScaleCommand& command, const std::atomic<bool>& interrupt);

}  // namespace tessary::cli
