// One file of a run of tessary-scale, start to end, through the driver: for --fit, the
// factor chosen from the model; for -i, the replacement of the input. Several run at once on
// different files.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "cli/batch_plan.h"
#include "cli/command_line.h"
#include "model/job/scale_job.h"

namespace tessary::cli {

/// Scales `file` as `command` says, with the run's threads and buffers as `plan` says, and
/// returns the driver's record of what became of it, which is all that the messages about the
/// file and the exit status are made from: Done means its output is in place, whatever
/// happened after (an interrupt included). "-" stands for standard input or output.
/// `bytesRead` is called from this thread with the bytes read so far (both reads, for --fit);
/// `cancel` stops the work and leaves the output as it was. `runFiles` are the run's inputs
/// and outputs, which no clean-up beside an output touches. Never throws: with no memory even
/// to start, the record is Failed with no path.
JobResult ScaleFile(const PlannedFile& file, const ScaleCommand& command, const ThreadPlan& plan,
                    const platform::RunFiles& runFiles, const std::atomic<bool>* cancel,
                    const std::function<void(std::uint64_t)>& bytesRead) noexcept;

}  // namespace tessary::cli
