// The driver: one run of the pass from an input to an output, with everything around it.
//
// It opens the input (alone: no other program may write it meanwhile), opens the output without
// changing it, refuses an output that is the input by identity however either was named (a
// path, a link, another spelling, "/proc/self/fd/N", standard input or output), then writes
// through an OutputTarget so that a failed, cancelled or interrupted run leaves the output as
// it was. Both tessary and tessary-scale run every pass through it, to a new output or in
// place, and inspect models through it.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "model/job/thread_plan.h"
#include "model/pass/file_error.h"
#include "model/pass/model_info.h"
#include "model/pass/pass_control.h"
#include "model/pass/scaling_pass.h"
#include "platform/file.h"
#include "platform/replacement.h"

namespace tessary {

/// One end of a job: a path, or a file the caller keeps open (standard input or output).
struct JobFile {
  std::string path;  ///< as the user gave it; empty for an open file
  platform::File::Handle handle = platform::File::kNone;
  std::string name;  ///< what messages call the open file, such as "standard input"

  bool is_path() const { return handle == platform::File::kNone; }

  static JobFile Path(std::string path) { return {std::move(path), platform::File::kNone, {}}; }
  static JobFile Opened(platform::File::Handle handle, std::string name) {
    return {{}, handle, std::move(name)};
  }
  /// Standard input or output, named so in messages.
  static JobFile Standard(platform::File::Standard which);
};

class WrittenOutput;

/// Chooses the factors from what the model holds: the factors, or why there are none.
using FactorChooser = std::function<std::variant<ScaleFactors, std::string>(const ModelInfo&)>;

struct ScaleJob {
  JobFile input;
  JobFile output;  ///< ignored with `inPlace`
  ScaleFactors factors;
  PassControl control;
  /// The run's plan of threads and buffers (see PlanRun); without one, the job plans for
  /// itself alone. The output is the same for any plan.
  std::optional<ThreadPlan> plan = std::nullopt;
  /// Replace the input by its scaled version, written beside it and renamed over it.
  bool inPlace = false;
  /// When set, `factors` are chosen by it from the model: the input is read once to inspect
  /// it and once more to scale it, through the same open file. Only a regular file can be
  /// read twice; anything else is refused before anything is written.
  FactorChooser chooseFactors = nullptr;
  /// When set, called once the output is whole and no cancel came, just before it is put in
  /// place; must not throw. From there on the job ends Done (or Failed, when putting the
  /// output in place fails), whatever `control` says: a cancel that comes at that moment, an
  /// interrupt, is too late to keep the old output, and the result says what was done.
  std::function<void()> committing = nullptr;
  /// The running command's own files, which clearing what earlier runs left beside the
  /// output never touches (the job's own input and output are never touched either); the
  /// caller keeps them for as long as the job runs.
  const platform::RunFiles* runFiles = nullptr;
  /// When set, an output written to a new file beside the old one (not a device or an open
  /// file), from an input smaller than kCommitTogetherBelowBytes, is not put in place: the
  /// job ends Written, and CommitWritten puts it in place later, with others.
  bool commitLater = false;
};

/// What became of a job: the one record of it that messages and exit statuses are made from.
enum class JobStatus {
  Done,             ///< the output holds the scaled model (it is in place, even if a cancel
                    ///< or an interrupt came as it was put there)
  Written,          ///< the scaled model is whole beside the output, which is as it was, and
                    ///< waits for CommitWritten
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
  /// What was found beside the output that earlier runs may have left (after a `kill -9`,
  /// say), and whether it was removed: the caller tells the user.
  std::vector<platform::Leftover> leftovers;
  /// For Done: what of the replaced file's access its new version could not keep, in words
  /// to follow its name ("lost its set-group-ID bit, ..."), or empty.
  std::string accessNote;
  /// For Written: the scaled model waiting to be put in place, with the files it holds.
  /// When the last copy of the result goes without CommitWritten, it is removed and the
  /// output stays as it was.
  std::shared_ptr<WrittenOutput> written;

  /// What the user is told: "Done!", "Unable to open input file.", "Unable to open output
  /// file.", "An unknown error occurred while accessing <path>.", "Disk full while accessing
  /// <path>.", or nothing for a cancelled job and for NoFactors.
  std::string Message() const;
};

/// Runs `job` to its end on the caller's thread. Never throws: every failure, running out of
/// memory included, is a result.
JobResult RunScaleJob(const ScaleJob& job) noexcept;

/// Puts in place the outputs of the Written results among `results`, in their order, as
/// RunScaleJob would have: their data go to disk together first (a sync of each file system
/// where the system has one), then each is put in place, then each folder that took one
/// goes to disk once. Each Written result becomes Done or Failed, or Cancelled (its output as
/// it was) when `stop` is true before its turn. The others are left as they are. Never throws.
void CommitWritten(std::span<JobResult* const> results, const std::atomic<bool>* stop) noexcept;

/// Opens `file` as RunScaleJob opens an input and inspects it, with the input buffer `plan`
/// gives (without one, the job plans for itself alone). The result's status is Done,
/// InputNotOpened, Failed or Cancelled, with the path and reason as RunScaleJob gives them.
/// Never throws.
JobResult InspectModelFile(const JobFile& file, ModelInfo& info, const PassControl& control = {},
                           const ThreadPlan* plan = nullptr);

/// The outcome of ScaleModelFile. A failure after both files are open is a FileError instead.
enum class ScaleResult {
  Done,             ///< "Done!"
  InputNotOpened,   ///< "Unable to open input file."
  OutputNotOpened,  ///< "Unable to open output file."
};

/// The message shown for `result`.
const char* MessageFor(ScaleResult result);

/// One whole pass from the file at `inputPath` to the file at `outputPath`, through
/// RunScaleJob. The factors are converted first; InputNotOpened when the input cannot be
/// opened (and no output is created), OutputNotOpened when the output cannot be opened or is
/// the input (and the output is left untouched). Throws FileError when reading or writing fails
/// after both files are open, PassCancelled when `control` cancels the pass; the output is then
/// as it was before the pass (see model/job/output_target.h for the exceptions).
/// `notes`, when given, gets what is said besides the result, whatever it is, as sentences:
/// what was found beside the output that an earlier run may have left and whether it was
/// removed, and what of the old output's access its new version could not keep.
ScaleResult ScaleModelFile(const std::string& inputPath, const std::string& outputPath,
                           std::string_view factorTextX, std::string_view factorTextY,
                           std::string_view factorTextZ, const PassControl& control = {},
                           std::vector<std::string>* notes = nullptr);

}  // namespace tessary
