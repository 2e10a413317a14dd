#include "model/job/scale_job.h"

#include <optional>
#include <string>
#include <vector>

#include "model/job/outcome.h"
#include "model/job/output_target.h"
#include "model/job/written_output.h"
#include "model/pass/input_file.h"
#include "model/pass/messages.h"
#include "model/pass/model_info.h"
#include "model/pass/model_text.h"
#include "model/pass/output_file.h"
#include "model/pass/parallel_pass.h"

namespace tessary {
namespace {

using outcome::NotOpened;

// Whether writing to one would change what is read from the other.
bool SameData(const platform::FileStatus& a, const platform::FileStatus& b) {
  return a.HoldsData() && b.HoldsData() && a.id.SameFileAs(b.id);
}

// How often the disk is asked to start writing what a pass wrote to a temporary file: often
// enough that it is busy from the start, and the final sync finds little left to write.
constexpr std::uint64_t kWritebackStep = std::uint64_t{2} << 20;

// Whether the file `path` names is the open input, however it is spelt.
bool IsInput(const std::string& path, const InputFile& input) {
  platform::FileStatus named;
  return platform::StatusOf(path, named) == 0 && SameData(input.status(), named);
}

// Opens the input of a job: 0, or the error.
platform::Error OpenInput(const JobFile& file, InputFile& input) {
  if (file.is_path()) return input.Open(file.path);
  input.Read(platform::File::Borrow(file.handle), file.name);
  return 0;
}

// The run's plan, or one for this job alone, made before the input is opened: a small input
// still takes the sequential pass (see ThreadPlan::ForFile).
ThreadPlan PlanFor(const ScaleJob& job) {
  if (job.plan) return *job.plan;
  PlanRequest alone;
  alone.largestFile = ~std::uint64_t{0};
  return PlanRun(RunResources::OfThisProcess(), alone);
}

JobResult Refused(JobStatus status, const JobFile& file, std::string reason) {
  return NotOpened(status, file, std::move(reason), 0);
}

// Reads the whole model to choose its factors, then goes back to its start. Nothing when
// factors were chosen, otherwise the job's result.
std::optional<JobResult> ChooseFactors(const ScaleJob& job, InputFile& input,
                                       ScaleFactors& factors) {
  const ModelInfo info = InspectModel(input, job.control);
  std::variant<ScaleFactors, std::string> chosen = job.chooseFactors(info);
  if (auto* reason = std::get_if<std::string>(&chosen)) {
    return Refused(JobStatus::NoFactors, job.input, std::move(*reason));
  }
  factors = std::get<ScaleFactors>(chosen);
  input.Rewind();
  return std::nullopt;
}

// Why `target` was refused with `error`, in words.
std::string RefusalReason(const OutputTarget& target, platform::Error error) {
  return target.refusal().empty() ? outcome::OpenFailureReason(error) : target.refusal();
}

// Everything up to a committed output; failures after both files are open are thrown. What
// was found that earlier runs left goes to `leftovers`.
JobResult Run(const ScaleJob& job, std::vector<platform::Leftover>& leftovers) {
  // Standard output redirected to the input (cmd's "> m.mdl" or ">> m.mdl") is told apart
  // before the input is opened: where the input is opened alone (Windows), the redirection's
  // own handle would make the input look in use by another program.
  if (!job.inPlace && !job.output.is_path() && job.input.is_path()) {
    platform::FileStatus named;
    if (platform::StatusOf(job.input.path, named) == 0 &&
        SameData(named, platform::File::Borrow(job.output.handle).Status())) {
      return Refused(JobStatus::OutputNotOpened, job.output, outcome::kSameFile);
    }
  }
  const ThreadPlan plan = PlanFor(job);
  // Both may outlive the job, waiting to be committed with others (see CommitWritten).
  auto inputFile = std::make_unique<InputFile>(&job.control, plan.inputBuffer);
  InputFile& input = *inputFile;
  if (const platform::Error error = OpenInput(job.input, input); error != 0) {
    return NotOpened(JobStatus::InputNotOpened, job.input, outcome::OpenFailureReason(error),
                     error);
  }
  // A stream read once is gone: it cannot be inspected first and scaled after.
  if (job.chooseFactors && !input.is_regular()) {
    return Refused(JobStatus::InputNotOpened, job.input,
                   "is not a regular file, so it cannot be read twice");
  }
  // A picture, an archive or a program is refused by its first bytes before anything is
  // written, as the browser's page refuses it (see model/pass/model_text.h).
  if (job.refuseNonModelText && input.is_regular()) {
    if (std::string reason = NotModelTextReason(input, job.control); !reason.empty()) {
      return Refused(JobStatus::InputNotOpened, job.input, std::move(reason));
    }
  }

  const JobFile& outputFile = job.inPlace ? job.input : job.output;
  auto outputTarget = std::make_unique<OutputTarget>();
  OutputTarget& target = *outputTarget;
  if (job.inPlace) {
    const platform::Error error = job.input.is_path()
                                      ? target.OpenInPlace(job.input.path, input.file())
                                      : platform::ErrorOf(platform::ErrorKind::NotRegular);
    if (platform::IsKind(error, platform::ErrorKind::NotRegular)) {
      return Refused(JobStatus::OutputNotOpened, outputFile, "is not a regular file");
    }
    if (error != 0) {
      return NotOpened(JobStatus::OutputNotOpened, outputFile, RefusalReason(target, error), error);
    }
  } else if (!job.output.is_path()) {
    target.Borrow(job.output.handle, job.output.name);
  } else if (IsInput(job.output.path, input)) {
    // Told apart before opening: where the input is kept from every other opener (Windows),
    // opening it again would only say that it is in use.
    return Refused(JobStatus::OutputNotOpened, job.output, outcome::kSameFile);
  } else if (const platform::Error error = target.Open(job.output.path); error != 0) {
    return NotOpened(JobStatus::OutputNotOpened, job.output, RefusalReason(target, error), error);
  }
  if (!job.inPlace && SameData(input.status(), target.status())) {
    return Refused(JobStatus::OutputNotOpened, job.output, outcome::kSameFile);
  }

  JobResult result;
  result.factors = job.factors;
  if (job.chooseFactors) {
    if (auto refused = ChooseFactors(job, input, result.factors)) return *refused;
  }
  // The job's own files, whatever names they go by, are never taken for leftovers.
  platform::RunFiles own;
  if (job.input.is_path()) own.Add(job.input.path);
  if (outputFile.is_path()) own.Add(outputFile.path);
  const platform::RunFiles* keep[] = {&own, job.runFiles};
  const platform::Error prepared = target.Prepare(keep);
  leftovers = target.leftovers();
  if (const platform::Error error = prepared; error != 0) {
    std::string reason = RefusalReason(target, error);
    if (target.creating_failed())
      reason = "cannot create a file in " + target.folder() + ": " + reason;
    return NotOpened(JobStatus::OutputNotOpened, outputFile, std::move(reason), error);
  }

  {
    const PassPlan pass = plan.ForFile(input.size());
    OutputFile output(target.file(), target.name(), &job.control, pass.outputBuffer);
    if (target.synced_at_commit() && pass.writeback) output.StartWritebackEvery(kWritebackStep);
    result.stats =
        pass.parallel.threads > 0
            ? RunParallelScalingPass(input, output, result.factors, job.control, pass.parallel)
            : RunScalingPass(input, output, result.factors, job.control);
    output.Finish();
  }
  // The model text ends at a Ctrl-Z: replacing the model itself would lose whatever follows
  // one, unless it only ends the file. The model is kept, as when it cannot be replaced.
  if (job.inPlace && input.bytes_read() + 1 < input.size()) {
    return Refused(JobStatus::OutputNotOpened, job.input,
                   "text follows a Ctrl-Z byte, which ends the model: replacing the file would "
                   "lose it");
  }
  if (job.commitLater && target.synced_at_commit() && input.size() < kCommitTogetherBelowBytes) {
    if (job.control.cancelled()) throw PassCancelled();
    input.StopReading();
    result.status = JobStatus::Written;
    result.written = std::make_shared<WrittenOutput>(job.input, std::move(inputFile),
                                                     std::move(outputTarget), job.committing);
    return result;
  }
  // Syncing can take long on a slow disk: a cancel that came meanwhile still keeps the output.
  target.Sync();
  if (job.control.cancelled()) throw PassCancelled();
  // Nothing is replaced that another program changed meanwhile (see OutputTarget::Commit).
  if (job.committing) job.committing();
  target.Commit();
  result.accessNote = target.access_note();
  // The output is in place: the job is done, whatever closing a file that was only read
  // might still report.
  input.file().Reset();
  return result;
}

}  // namespace

JobResult RunScaleJob(const ScaleJob& job) noexcept {
  std::vector<platform::Leftover> leftovers;
  JobResult result = outcome::Guarded(job.input, [&] { return Run(job, leftovers); });
  result.leftovers = std::move(leftovers);
  return result;
}

JobResult InspectModelFile(const JobFile& file, ModelInfo& info, const PassControl& control,
                           const ThreadPlan* plan, bool refuseNonModelText,
                           const PointVisitor& visit) {
  return outcome::Guarded(file, [&]() -> JobResult {
    const std::size_t buffer = plan != nullptr
                                   ? plan->inputBuffer
                                   : PlanRun(RunResources::OfThisProcess(), {}).inputBuffer;
    InputFile input(&control, buffer);
    if (const platform::Error error = OpenInput(file, input); error != 0) {
      return NotOpened(JobStatus::InputNotOpened, file, outcome::OpenFailureReason(error), error);
    }
    if (refuseNonModelText && input.is_regular()) {
      if (std::string reason = NotModelTextReason(input, control); !reason.empty()) {
        return Refused(JobStatus::InputNotOpened, file, std::move(reason));
      }
    }
    info = InspectModel(input, control, visit);
    input.Close();
    return {};
  });
}

}  // namespace tessary
