#include "model/job/run.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <thread>
#include <utility>

#include "model/job/ordered_pool.h"
#include "model/job/scale_job.h"
#include "model/job/thread_plan.h"
#include "model/pass/messages.h"
#include "platform/error.h"

namespace tessary {
namespace {

using Work = RunRequest::Work;

// What a file that is not a regular file is, in words.
const char* KindOf(const platform::FileStatus& status) {
  switch (status.kind) {
    case platform::FileKind::Folder:
      return "a folder";
    case platform::FileKind::Pipe:
      return "a pipe";
    case platform::FileKind::Regular:
    case platform::FileKind::Terminal:
    case platform::FileKind::Device:
    case platform::FileKind::Other:
      break;
  }
  return "a device";
}

// The inputs and outputs as the batch rules look at them: paths, and "-" for a file the caller
// keeps open.
std::vector<PlannedFile> PlanOf(const RunRequest& request) {
  std::vector<std::string> inputs;
  inputs.reserve(request.inputs.size());
  for (const JobFile& input : request.inputs)
    inputs.push_back(input.is_path() ? input.path : "-");
  const std::string destination = request.placement != Placement::Output ? request.destination
                                  : request.output.is_path()             ? request.output.path
                                                                         : "-";
  return PlanFiles(inputs, request.placement, destination);
}

// A fit reads each model twice, which a stream does not allow: every input that exists must
// be a regular file.
std::vector<std::string> CheckFitInputs(const std::vector<PlannedFile>& files,
                                        const NameStyle& names) {
  std::vector<std::string> problems;
  for (const PlannedFile& file : files) {
    platform::FileStatus status;
    if (file.input != "-" && platform::StatusOf(file.input, status) == 0 &&
        status.kind != platform::FileKind::Regular) {
      problems.push_back("--fit reads each INPUT twice, and " + names.shown(file.input) + " is " +
                         KindOf(status) + ", which can be read only once");
    }
  }
  return problems;
}

// Why the run must not start, a sentence each.
std::vector<std::string> Check(const RunRequest& request, const std::vector<PlannedFile>& files) {
  const NameStyle& names = request.names;
  if (request.work == Work::Inspect) {
    // A model is read alone, so that no other program changes it meanwhile: the same file
    // named twice (or under two names) would find itself in use. Refused as batches refuse it.
    std::vector<PlannedFile> read;
    for (const PlannedFile& file : files) {
      if (file.input != "-") read.push_back({file.input, file.input});
    }
    return FindConflicts(read, true, names);
  }
  const bool batch = request.placement != Placement::Output;
  std::vector<std::string> problems;
  if (request.fit) problems = CheckFitInputs(files, names);
  if (!batch && files.size() == 1 && files[0].input != "-") {
    if (auto problem = UnmatchedPattern(files[0].input, names)) problems.push_back(*problem);
  }
  if (batch && problems.empty()) {
    if (request.placement == Placement::TargetDirectory) {
      if (auto problem = CheckTargetDirectory(request.destination, names)) {
        problems.push_back(*problem);
      }
    }
    if (problems.empty()) {
      problems = FindConflicts(files, request.placement == Placement::InPlace, names);
    }
  }
  return problems;
}

// Runs one input's work and gives its record; never throws: with no memory even to start,
// the record is Failed with no path.
JobResult RunOne(const RunRequest& request, const PlannedFile& planned, std::size_t i,
                 const ThreadPlan& plan, const platform::RunFiles& runFiles,
                 const std::atomic<bool>& cancel,
                 const std::function<void(std::uint64_t)>& bytesRead) noexcept {
  JobResult record;
  try {
    PassControl control;
    control.cancel = &cancel;
    control.progress = [&](std::uint64_t done, std::uint64_t) { bytesRead(done); };
    const JobFile& input = request.inputs[i];
    if (request.work == Work::Inspect) {
      ModelInfo info;
      record =
          InspectModelFile(input, info, control, &plan, request.refuseNonModelText, request.points);
      record.info = std::move(info);
    } else {
      ScaleJob job;
      job.input = input;
      job.output =
          request.placement == Placement::Output ? request.output : JobFile::Path(planned.output);
      job.factors = request.factors;
      job.control = control;
      job.plan = plan;
      job.inPlace = request.placement == Placement::InPlace;
      job.refuseNonModelText = request.refuseNonModelText;
      job.commitLater = plan.outputsPerCommit > 1;
      job.runFiles = &runFiles;
      if (request.fit) {
        job.chooseFactors = [fit = *request.fit](const ModelInfo& info) {
          std::variant<double, std::string> chosen = FitFactor(info, fit);
          if (auto* reason = std::get_if<std::string>(&chosen)) {
            return std::variant<ScaleFactors, std::string>(std::move(*reason));
          }
          const double factor = std::get<double>(chosen);
          return std::variant<ScaleFactors, std::string>(ScaleFactors{factor, factor, factor});
        };
      }
      record = RunScaleJob(job);
      record.output = job.inPlace ? job.input : job.output;
      record.fit = request.fit;
    }
    record.input = input;
  } catch (...) {  // only running out of memory before the work started gets here
    record = JobResult();
    record.status = JobStatus::Failed;
    try {
      record.input = request.inputs[i];
    } catch (...) {  // not even for the input's name
    }
  }
  return record;
}

}  // namespace

RunSummary RunModels(const RunRequest& request, RunObserver& observer,
                     const std::atomic<bool>& cancel) {
  const auto start = std::chrono::steady_clock::now();
  const auto elapsed = [&start] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  RunSummary summary;
  const bool inspect = request.work == Work::Inspect;
  const std::vector<PlannedFile> files = PlanOf(request);
  summary.problems = Check(request, files);
  if (!summary.problems.empty()) return summary;

  // A fit reads every model twice.
  std::vector<std::uint64_t> sizes;
  // The files whose outputs are put in place on their own, as they take long to scale.
  std::vector<bool> large;
  PlanRequest planned{request.jobs, inspect ? 1u : request.threads, files.size(), 0};
  for (const JobFile& input : request.inputs) {
    const std::uint64_t size = InputSize(input);
    const bool known = size != ProgressCounter::kUnknownSize;
    large.push_back(known && size >= kCommitTogetherBelowBytes);
    sizes.push_back(known && request.fit && !inspect ? 2 * size : size);
    if (known) planned.largestFile = std::max(planned.largestFile, size);
  }
  // Files at a time, the threads of each and their buffers, within the process's limits.
  const ThreadPlan plan = PlanRun(RunResources::OfThisProcess(), planned);
  if (!inspect && !plan.fits) {
    summary.noMemory = true;
    return summary;
  }
  // What clearing the leftovers of earlier runs beside each output never touches.
  platform::RunFiles runFiles;
  for (const PlannedFile& file : files) {
    if (file.input != "-") runFiles.Add(file.input);
    if (!inspect && file.output != "-" && !file.output.empty()) runFiles.Add(file.output);
  }
  ProgressCounter counter(sizes);
  const auto progress = [&] { observer.Progress(counter.Snapshot(elapsed())); };
  // A file worked on this thread reports its progress as it reads.
  const std::thread::id thisThread = std::this_thread::get_id();

  // Each file's record is all that is said of the file; a cancel that comes later changes
  // none of them.
  const auto tell = [&](std::size_t i, const JobResult& record) {
    if (record.status == JobStatus::Done) {
      ++summary.done;
      summary.finished.push_back(i);
      summary.totals.lines += record.stats.lines;
      summary.totals.pointsScaled += record.stats.pointsScaled;
      summary.totals.bytesRead += record.stats.bytesRead;
      summary.totals.bytesWritten += record.stats.bytesWritten;
    } else if (record.status != JobStatus::Cancelled) {
      ++summary.failed;
    }
    observer.Finished(i, record);
    progress();
  };

  // Outputs written whole wait to be put in place together, and the records after the first
  // of them wait with them, so that files are still told of in their order.
  std::vector<std::pair<std::size_t, JobResult>> held;
  std::size_t waiting = 0;
  const auto commitHeld = [&] {
    std::vector<JobResult*> records;
    std::vector<bool> written;
    for (auto& [i, record] : held) {
      records.push_back(&record);
      written.push_back(record.status == JobStatus::Written);
    }
    CommitWritten(records, &cancel);
    for (std::size_t k = 0; k < held.size(); ++k) {
      if (written[k] && held[k].second.status != JobStatus::Cancelled) counter.FileDone();
      tell(held[k].first, held[k].second);
    }
    held.clear();
    waiting = 0;
  };

  RunInOrder(
      files.size(), static_cast<unsigned>(plan.filesAtATime),
      [&](std::size_t i) {
        JobResult record =
            RunOne(request, files[i], i, plan, runFiles, cancel, [&, i](std::uint64_t done) {
              counter.SetBytes(i, done);
              if (std::this_thread::get_id() == thisThread) progress();
            });
        if (record.status != JobStatus::Cancelled && record.status != JobStatus::Written) {
          counter.FileDone();
        }
        return record;
      },
      [&](std::size_t i, JobResult& record) {
        if (record.status == JobStatus::Written) ++waiting;
        if (waiting == 0) {
          tell(i, record);
          return;
        }
        held.emplace_back(i, std::move(record));
        // A large file next would keep the outputs waiting long, and a cancel meanwhile would
        // lose them: they go in place first.
        if (waiting >= plan.outputsPerCommit || (i + 1 < files.size() && large[i + 1])) {
          commitHeld();
        }
      },
      progress, cancel);
  commitHeld();
  progress();
  summary.cancelled = cancel.load();
  return summary;
}

MemoryFigures PlannedMemory() {
  const auto mib = [](std::uint64_t bytes) {
    return static_cast<unsigned>(static_cast<double>(bytes) / (1 << 20) + 0.5);
  };
  return {mib(PlannedFileMemory()), mib(PlannedWorkerMemory(1)), mib(PlannedWorkerMemory(2))};
}

// --- The desktop program's entry ---------------------------------------------------------------

namespace {

// `text` as a sentence of its own: a capital first letter and a full stop.
std::string Sentence(std::string text) {
  if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 32);
  return text + ".";
}

// The record of the one file of a run, and its progress passed on.
class OneFile final : public RunObserver {
 public:
  explicit OneFile(const PassControl& control) : control_(control) {}
  void Progress(const ProgressSnapshot& snapshot) override {
    if (control_.progress) control_.progress(snapshot.bytesDone, snapshot.bytes);
  }
  void Finished(std::size_t, const JobResult& record) override {
    record_ = record;
    told_ = true;
  }
  /// The file's record; Cancelled when its work never started.
  JobResult record() const {
    if (told_) return record_;
    JobResult cancelled;
    cancelled.status = JobStatus::Cancelled;
    return cancelled;
  }

 private:
  const PassControl& control_;
  JobResult record_;
  bool told_ = false;
};

}  // namespace

const char* MessageFor(ScaleResult result) {
  switch (result) {
    case ScaleResult::InputNotOpened:
      return MessageTemplate(Message::InputNotOpened);
    case ScaleResult::OutputNotOpened:
      return MessageTemplate(Message::OutputNotOpened);
    case ScaleResult::Done:
      break;
  }
  return MessageTemplate(Message::Done);
}

// The dialog's view of a run of one file: three results, and file errors and cancellation as
// exceptions.
ScaleResult ScaleModelFile(const std::string& inputPath, const std::string& outputPath,
                           std::string_view factorTextX, std::string_view factorTextY,
                           std::string_view factorTextZ, const PassControl& control,
                           std::vector<std::string>* notes) {
  RunRequest request;
  request.inputs = {JobFile::Path(inputPath)};
  request.output = JobFile::Path(outputPath);
  request.factors = ParseScaleFactors(factorTextX, factorTextY, factorTextZ);
  request.jobs = 1;
  request.refuseNonModelText = false;  // the desktop program scales whatever it is given
  const std::atomic<bool> never{false};
  OneFile observer(control);
  const RunSummary summary = RunModels(request, observer, control.cancel ? *control.cancel : never);
  JobResult record = observer.record();
  if (summary.noMemory) {
    // The process's limits leave too little memory for even one file: as when it ran out.
    const platform::Error noMemory = platform::ErrorOf(platform::ErrorKind::NoMemory);
    record = JobResult();
    record.status = JobStatus::Failed;
    record.path = platform::FullPath(inputPath);
    record.systemError = noMemory;
    record.reason = platform::ErrorText(noMemory);
  } else if (summary.refused()) {
    // The one refusal a run of one named file can give before it starts: a name that no file
    // can have, which cannot be opened.
    record = JobResult();
    record.status = JobStatus::InputNotOpened;
  }
  if (notes != nullptr) {
    notes->clear();
    for (const platform::Leftover& leftover : record.leftovers)
      notes->push_back(Sentence(LeftoverSentence(leftover, NameStyle())));
    if (!record.accessNote.empty()) {
      notes->push_back(Sentence(platform::FullPath(outputPath) + " " + record.accessNote));
    }
  }
  switch (record.status) {
    case JobStatus::Done:
      return ScaleResult::Done;
    case JobStatus::InputNotOpened:
      return ScaleResult::InputNotOpened;
    case JobStatus::OutputNotOpened:
      return ScaleResult::OutputNotOpened;
    case JobStatus::Cancelled:
      throw PassCancelled();
    case JobStatus::Written:  // put in place by the run before its record is told
    case JobStatus::Failed:
    case JobStatus::NoFactors:  // the dialog gives the factors itself
      break;
  }
  throw FileError(record.cause, record.path, record.systemError, record.reason);
}

}  // namespace tessary
