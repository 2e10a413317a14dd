#include "model/scale_job.h"

#include <cerrno>
#include <optional>

#include "model/cores.h"
#include "model/input_file.h"
#include "model/messages.h"
#include "model/model_info.h"
#include "model/outcome.h"
#include "model/output_file.h"
#include "model/output_target.h"
#include "model/parallel_pass.h"

namespace tessary {
namespace {

using outcome::NotOpened;

// How often the disk is asked to write what a pass wrote to a temporary file.
constexpr std::uint64_t kWritebackStep = std::uint64_t{8} << 20;

// Below this size, starting threads costs more than they save.
constexpr std::uint64_t kParallelFromBytes = std::uint64_t{8} << 20;

int ThreadsFor(const ScaleJob& job, const InputFile& input) {
  if (input.size() < kParallelFromBytes) return 1;
  return PassThreads(job.threads, job.filesAtATime);
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

// Everything up to a committed output; failures after both files are open are thrown.
JobResult Run(const ScaleJob& job) {
  InputFile input(&job.control);
  if (job.input.fd >= 0) {
    input.Borrow(job.input.fd, job.input.name);
  } else if (const int error = input.Open(job.input.path); error != 0) {
    return NotOpened(JobStatus::InputNotOpened, job.input, outcome::OpenFailureReason(error),
                     error);
  }
  // A stream read once is gone: it cannot be inspected first and scaled after.
  if (job.chooseFactors && !input.is_regular()) {
    return Refused(JobStatus::InputNotOpened, job.input,
                   "is not a regular file, so it cannot be read twice");
  }

  const JobFile& outputFile = job.inPlace ? job.input : job.output;
  OutputTarget target;
  if (job.inPlace) {
    if (job.input.fd >= 0 || target.OpenInPlace(job.input.path, input.fd()) != 0) {
      return Refused(JobStatus::OutputNotOpened, outputFile, "is not a regular file");
    }
  } else if (job.output.fd >= 0) {
    target.Borrow(job.output.fd, job.output.name);
  } else if (const int error = target.Open(job.output.path); error != 0) {
    return NotOpened(JobStatus::OutputNotOpened, job.output,
                     error == ENXIO ? outcome::kNoReader : outcome::OpenFailureReason(error),
                     error);
  }
  if (!job.inPlace && SameData(input.identity(), target.identity())) {
    return Refused(JobStatus::OutputNotOpened, job.output, outcome::kSameFile);
  }

  JobResult result;
  result.factors = job.factors;
  if (job.chooseFactors) {
    if (auto refused = ChooseFactors(job, input, result.factors)) return *refused;
  }
  if (const int error = target.Prepare(); error != 0) {
    std::string reason = outcome::OpenFailureReason(error);
    if (target.creating_failed())
      reason = "cannot create a file in " + target.folder() + ": " + reason;
    return NotOpened(JobStatus::OutputNotOpened, outputFile, std::move(reason), error);
  }

  {
    OutputFile output(target.fd(), target.name(), &job.control);
    if (target.synced_at_commit()) output.StartWritebackEvery(kWritebackStep);
    const int threads = ThreadsFor(job, input);
    result.stats = threads > 1 ? RunParallelScalingPass(input, output, result.factors, job.control,
                                                        ParallelOptions{threads})
                               : RunScalingPass(input, output, result.factors, job.control);
    output.Finish();
  }
  // Syncing can take long on a slow disk: a cancel that came meanwhile still keeps the output.
  target.Sync();
  if (job.control.cancelled()) throw PassCancelled();
  target.Commit();
  input.Close();
  return result;
}

}  // namespace

std::string JobResult::Message() const {
  switch (status) {
    case JobStatus::Done:
      return MessageText(Message::Done);
    case JobStatus::InputNotOpened:
      return MessageText(Message::InputNotOpened);
    case JobStatus::OutputNotOpened:
      return MessageText(Message::OutputNotOpened);
    case JobStatus::Failed:
      return MessageText(
          cause == FileErrorCause::DiskFull ? Message::DiskFull : Message::UnknownError, path);
    case JobStatus::Cancelled:
    case JobStatus::NoFactors:
      break;
  }
  return {};
}

JobResult RunScaleJob(const ScaleJob& job) noexcept {
  return outcome::Guarded(job.input, [&job] { return Run(job); });
}

// The dialog's view of a job: three results, and file errors and cancellation as exceptions.
ScaleResult ScaleModelFile(const std::string& inputPath, const std::string& outputPath,
                           std::string_view factorTextX, std::string_view factorTextY,
                           std::string_view factorTextZ, const PassControl& control) {
  ScaleJob job;
  job.input = JobFile::Path(inputPath);
  job.output = JobFile::Path(outputPath);
  job.factors = ParseScaleFactors(factorTextX, factorTextY, factorTextZ);
  job.control = control;
  const JobResult result = RunScaleJob(job);
  switch (result.status) {
    case JobStatus::Done:
      return ScaleResult::Done;
    case JobStatus::InputNotOpened:
      return ScaleResult::InputNotOpened;
    case JobStatus::OutputNotOpened:
      return ScaleResult::OutputNotOpened;
    case JobStatus::Cancelled:
      throw PassCancelled();
    case JobStatus::Failed:
    case JobStatus::NoFactors:  // the dialog gives the factors itself
      break;
  }
  throw FileError(result.cause, result.path, result.systemError, result.reason);
}

}  // namespace tessary
