#include "model/scale_job.h"

#include <algorithm>
#include <cerrno>
#include <thread>

#include "model/input_file.h"
#include "model/messages.h"
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
  if (job.threads > 0) return job.threads;
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
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

  OutputTarget target;
  if (job.output.fd >= 0) {
    target.Borrow(job.output.fd, job.output.name);
  } else if (const int error = target.Open(job.output.path); error != 0) {
    return NotOpened(JobStatus::OutputNotOpened, job.output,
                     error == ENXIO ? outcome::kNoReader : outcome::OpenFailureReason(error),
                     error);
  }
  if (SameData(input.identity(), target.identity())) {
    return NotOpened(JobStatus::OutputNotOpened, job.output, outcome::kSameFile, 0);
  }
  if (const int error = target.Prepare(); error != 0) {
    return NotOpened(JobStatus::OutputNotOpened, job.output, outcome::OpenFailureReason(error),
                     error);
  }

  JobResult result;
  {
    OutputFile output(target.fd(), target.name(), &job.control);
    if (target.synced_at_commit()) output.StartWritebackEvery(kWritebackStep);
    const int threads = ThreadsFor(job, input);
    result.stats = threads > 1 ? RunParallelScalingPass(input, output, job.factors, job.control,
                                                        ParallelOptions{threads})
                               : RunScalingPass(input, output, job.factors, job.control);
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
  const ScaleJob job{JobFile::Path(inputPath), JobFile::Path(outputPath),
                     ParseScaleFactors(factorTextX, factorTextY, factorTextZ), control};
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
      break;
  }
  throw FileError(result.cause, result.path, result.systemError, result.reason);
}

}  // namespace tessary
