#include "model/scale_job.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "model/input_file.h"
#include "model/messages.h"
#include "model/output_file.h"
#include "model/output_target.h"

namespace tessary {
namespace {

constexpr const char* kSameFile = "is the same file as the input";
constexpr const char* kInUse = "is in use by another program";
constexpr const char* kNoReader = "no program is reading from it";

std::string ReasonFor(int error) {
  if (error == EWOULDBLOCK) return kInUse;
  return std::strerror(error);
}

JobResult NotOpened(JobStatus status, const JobFile& file, std::string reason, int error) {
  JobResult result;
  result.status = status;
  result.path = file.fd >= 0 ? file.name : file.path;
  result.reason = std::move(reason);
  result.systemError = error;
  return result;
}

// Everything up to a committed output; failures after both files are open are thrown.
JobResult Run(const ScaleJob& job) {
  InputFile input(&job.control);
  if (job.input.fd >= 0) {
    input.Borrow(job.input.fd, job.input.name);
  } else if (const int error = input.Open(job.input.path); error != 0) {
    return NotOpened(JobStatus::InputNotOpened, job.input, ReasonFor(error), error);
  }

  OutputTarget target;
  if (job.output.fd >= 0) {
    target.Borrow(job.output.fd, job.output.name);
  } else if (const int error = target.Open(job.output.path); error != 0) {
    return NotOpened(JobStatus::OutputNotOpened, job.output,
                     error == ENXIO ? kNoReader : ReasonFor(error), error);
  }
  if (SameData(input.identity(), target.identity())) {
    return NotOpened(JobStatus::OutputNotOpened, job.output, kSameFile, 0);
  }
  if (const int error = target.Prepare(); error != 0) {
    return NotOpened(JobStatus::OutputNotOpened, job.output, ReasonFor(error), error);
  }

  JobResult result;
  {
    OutputFile output(target.fd(), target.name(), &job.control);
    result.stats = RunScalingPass(input, output, job.factors, job.control);
    output.Finish();
  }
  target.Commit();
  input.Close();
  return result;
}

JobResult Failed(std::string path, FileErrorCause cause, int error, std::string reason) {
  JobResult result;
  result.status = JobStatus::Failed;
  result.cause = cause;
  result.path = std::move(path);
  result.reason = std::move(reason);
  result.systemError = error;
  return result;
}

// The input's name for an error that belongs to no file in particular.
std::string InputName(const JobFile& input) {
  return input.fd >= 0 ? input.name : FullPath(input.path);
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
  try {
    try {
      return Run(job);
    } catch (const FileError& error) {
      return Failed(error.path(), error.cause(), error.systemError(), error.reason());
    } catch (const PassCancelled&) {
      JobResult result;
      result.status = JobStatus::Cancelled;
      return result;
    } catch (const std::bad_alloc&) {
      return Failed(InputName(job.input), FileErrorCause::Generic, ENOMEM, std::strerror(ENOMEM));
    } catch (const std::exception& error) {
      return Failed(InputName(job.input), FileErrorCause::Generic, 0, error.what());
    } catch (...) {
      return Failed(InputName(job.input), FileErrorCause::Generic, 0, "an unexpected error");
    }
  } catch (...) {  // even building the result above failed: say as little as possible
    JobResult result;
    result.status = JobStatus::Failed;
    result.systemError = ENOMEM;
    return result;
  }
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
