// A run: one model or many, scaled or read, from one request. It is the only way the front
// ends (tessary-scale, the desktop program, the browser's module) ask for work, and this is
// the one header they include.
//
// The engine checks the request before anything is read or written (the batch rules: two
// inputs writing one output, an output that is an input, a missing target folder), plans the
// run once for the process's limits (PlanRun: files at a time, threads per file, buffers),
// runs the files in a pool of threads, puts the outputs of small files in place together, and
// hands the caller one record per file (record.h), in the order of the inputs, on the caller's
// thread. The front ends only word the records (words.h) and choose their exit status.
#pragma once

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/job/batch_plan.h"
#include "model/job/progress.h"
#include "model/job/record.h"
#include "model/job/words.h"
#include "model/numbers/factor_text.h"
#include "model/numbers/shortest_text.h"
#include "model/pass/fit.h"
#include "model/pass/model_info.h"
#include "model/pass/pass_control.h"

namespace tessary {

/// What a run is asked.
struct RunRequest {
  enum class Work { Scale, Inspect };
  Work work = Work::Scale;
  /// The models. Only with Placement::Output may one be an open file (standard input).
  std::vector<JobFile> inputs;
  Placement placement = Placement::Output;
  JobFile output;           ///< for Placement::Output
  std::string destination;  ///< the folder for TargetDirectory, the suffix for Suffix
  ScaleFactors factors;     ///< when `fit` is empty
  std::optional<FitRequest> fit;
  unsigned jobs = 0;     ///< files at a time; 0 for one per core
  unsigned threads = 0;  ///< threads for each file's pass; 0 for the cores left to it
  /// Whether an input that is not model text (a picture, an archive) is refused before
  /// anything is written, as tessary-scale and the browser's page refuse it; the desktop
  /// program scales whatever it is given.
  bool refuseNonModelText = true;
  NameStyle names;  ///< how the run's own sentences (its refusals) show names
  /// For Work::Inspect, when given: shown each point of each model as it is read, on the thread
  /// that reads it (the caller's with one file at a time).
  PointVisitor points;
};

/// What the caller hears of a run while it goes.
class RunObserver {
 public:
  virtual ~RunObserver() = default;
  /// How far the run has come: on the caller's thread, about ten times a second while it
  /// waits, as the file read on the caller's thread comes on, after each record, and once at
  /// the end.
  virtual void Progress(const ProgressSnapshot& snapshot) = 0;
  /// The record of the input at `index`, once it is final, in the order of the inputs, on the
  /// caller's thread. A file whose work was stopped by a cancel is Cancelled.
  virtual void Finished(std::size_t index, const JobResult& record) = 0;
};

/// How a run ended.
struct RunSummary {
  /// Why the run was refused before anything was read or written, a sentence each; empty
  /// when it ran.
  std::vector<std::string> problems;
  /// Refused: the limits set on the process's memory leave too little for one file.
  bool noMemory = false;
  std::size_t done = 0;               ///< files done: outputs in place, or models read
  std::size_t failed = 0;             ///< files that failed, by the records
  PassStats totals;                   ///< of the files done
  std::vector<std::size_t> finished;  ///< the inputs done, in their order
  bool cancelled = false;             ///< `cancel` came before the run's end

  bool refused() const { return !problems.empty() || noMemory; }
};

/// What the plan counts of memory at most, rounded to whole MiB, which tessary-scale's help
/// promises: a file scaled at a time, a second thread for its pass, each further thread.
struct MemoryFigures {
  unsigned perFileMiB = 0;
  unsigned secondThreadMiB = 0;
  unsigned perThreadMiB = 0;
};
MemoryFigures PlannedMemory();

/// Runs `request`. `cancel` stops it: files under way are left as they were and no new one
/// starts; a file whose output is in place stays done. Never throws for a file's sake: every
/// failure is a record (running out of memory for the run itself aside).
RunSummary RunModels(const RunRequest& request, RunObserver& observer,
                     const std::atomic<bool>& cancel);

// --- The desktop program's entry -----------------------------------------------------------

/// The outcome of ScaleModelFile. A failure after both files are open is a FileError instead.
enum class ScaleResult {
  Done,             ///< "Done!"
  InputNotOpened,   ///< "Unable to open input file."
  OutputNotOpened,  ///< "Unable to open output file."
};

/// The message shown for `result`.
const char* MessageFor(ScaleResult result);

/// One whole pass from the file at `inputPath` to the file at `outputPath`, as a run of one
/// model: the factors are read with atof rules first; InputNotOpened when the input cannot be
/// opened (and no output is created), OutputNotOpened when the output cannot be opened or is
/// the input (and the output is left untouched). Throws FileError when reading or writing
/// fails after both files are open, PassCancelled when `control` cancels the pass; the output
/// is then as it was before the pass. `notes`, when given, gets what is said besides the
/// result, whatever it is, as sentences: what was found beside the output that an earlier run
/// may have left and whether it was removed, and what of the old output's access its new
/// version could not keep.
ScaleResult ScaleModelFile(const std::string& inputPath, const std::string& outputPath,
                           std::string_view factorTextX, std::string_view factorTextY,
                           std::string_view factorTextZ, const PassControl& control = {},
                           std::vector<std::string>* notes = nullptr);

}  // namespace tessary
