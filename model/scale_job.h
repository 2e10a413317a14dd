// The driver: one run of the pass from an input to an output, with everything around it.
//
// It opens the input (locking a regular file against other openers), opens the output without
// changing it, refuses an output that is the input by identity however either was named (a
// path, a link, "/proc/self/fd/N", standard input or output), then writes through an
// OutputTarget so that a failed, cancelled or interrupted run leaves the output as it was. Both
// tessary and tessary-scale run every pass through it.
#pragma once

#include <functional>
#include <string>
#include <variant>

#include "model/file_error.h"
#include "model/pass_control.h"
#include "model/scaling_pass.h"

namespace tessary {

/// One end of a job: a path, or a descriptor the caller keeps open (standard input or output).
struct JobFile {
  std::string path;  ///< as the user gave it; empty for a descriptor
  int fd = -1;
  std::string name;  ///< what messages call the descriptor, such as "standard input"

  static JobFile Path(std::string path) { return {std::move(path), -1, {}}; }
  static JobFile Descriptor(int fd, std::string name) { return {{}, fd, std::move(name)}; }
};

struct ModelInfo;

/// Chooses the factors from what the model holds: the factors, or why there are none.
using FactorChooser = std::function<std::variant<ScaleFactors, std::string>(const ModelInfo&)>;

struct ScaleJob {
  JobFile input;
  JobFile output;  ///< ignored with `inPlace`
  ScaleFactors factors;
  PassControl control;
  /// Threads that scale a large regular input: at most this many when above 0, and never
  /// more than the usable cores shared among `filesAtATime` jobs (see PassThreads). The
  /// output is the same for any number.
  int threads = 0;
  int filesAtATime = 1;
  /// Replace the input by its scaled version, written beside it and renamed over it.
  bool inPlace = false;
  /// When set, `factors` are chosen by it from the model: the input is read once to inspect
  /// it and once more to scale it, through the same open file. Only a regular file can be
  /// read twice; anything else is refused before anything is written.
  FactorChooser chooseFactors = nullptr;
};

enum class JobStatus {
  Done,             ///< the output holds the scaled model
  InputNotOpened,   ///< nothing was created or changed
  OutputNotOpened,  ///< nothing was created or changed
  Failed,           ///< reading or writing failed; the output is as it was
  Cancelled,        ///< the output is as it was
  NoFactors,        ///< chooseFactors found none (the reason says why); nothing was written
};

/// What a job did, and for a failure: which file, and why.
struct JobResult {
  JobStatus status = JobStatus::Done;
  FileErrorCause cause = FileErrorCause::Generic;  ///< for Failed
  /// The file concerned: as the user gave it when it could not be opened, its full path
  /// (or a descriptor's name) when reading or writing failed.
  std::string path;
  /// Why, in words: the system's reason, such as "No such file or directory", or one of
  /// "is the same file as the input", "is in use by another program".
  std::string reason;
  ScaleFactors factors;  ///< those the job scaled by (as chosen, with chooseFactors)
  int systemError = 0;
  PassStats stats;

  /// What the user is told: "Done!", "Unable to open input file.", "Unable to open output
  /// file.", "An unknown error occurred while accessing <path>.", "Disk full while accessing
  /// <path>.", or nothing for a cancelled job and for NoFactors.
  std::string Message() const;
};

/// Runs `job` to its end on the caller's thread. Never throws: every failure, running out of
/// memory included, is a result.
JobResult RunScaleJob(const ScaleJob& job) noexcept;

}  // namespace tessary
