// The driver: one pass from an input to an output, with everything around it. Internal to
// model/job: runs (run.h) drive their files through it.
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

#include "model/job/record.h"
#include "model/job/thread_plan.h"
#include "model/pass/file_error.h"
#include "model/pass/model_info.h"
#include "model/pass/pass_control.h"
#include "model/pass/scaling_pass.h"
#include "platform/file.h"
#include "platform/replacement.h"

namespace tessary {

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
  /// Refuse an input that is not model text before anything is written (see
  /// model/pass/model_text.h).
  bool refuseNonModelText = true;
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
/// gives (without one, the job plans for itself alone), refusing one that is not model text
/// as RunScaleJob does when asked, and showing `visit` each point when it is given. The result's
/// status is Done, InputNotOpened, Failed or Cancelled, with the path and reason as RunScaleJob
/// gives them. Never throws.
JobResult InspectModelFile(const JobFile& file, ModelInfo& info, const PassControl& control = {},
                           const ThreadPlan* plan = nullptr, bool refuseNonModelText = false,
                           const PointVisitor& visit = nullptr);

}  // namespace tessary
