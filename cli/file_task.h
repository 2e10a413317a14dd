// One file of a run of tessary-scale, start to end, through the driver: for --fit, the
// factor chosen from the model; for -i, the replacement of the input. Several run at once on
// different files.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cli/batch_plan.h"
#include "cli/command_line.h"
#include "model/job/scale_job.h"

namespace tessary::cli {

/// What became of one file.
struct FileOutcome {
  JobStatus status = JobStatus::Done;
  std::string failure;  ///< for a failure, the line to print (without the program's name)
  std::string note;     ///< with --fit, the factor chosen, for --verbose
  /// What the run did besides, to tell whatever the outcome: new files left by an earlier run
  /// that it removed.
  std::vector<std::string> notices;
  PassStats stats;
};

/// Scales `file` as `command` says, with the run's threads and buffers as `plan` says. "-"
/// stands for standard input or output. `bytesRead` is called from this thread with the bytes read
/// so far (both reads, for --fit); `cancel` stops the work and leaves the output as it was. Never
/// throws.
FileOutcome ScaleFile(const PlannedFile& file, const ScaleCommand& command, const ThreadPlan& plan,
                      const std::atomic<bool>* cancel,
                      const std::function<void(std::uint64_t)>& bytesRead) noexcept;

}  // namespace tessary::cli
