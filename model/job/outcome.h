// Turning everything that can happen to a job into one JobResult: shared by the jobs that
// scale a model and the jobs that only inspect one. Internal to model/.
#pragma once

#include <new>
#include <string>

#include "model/job/scale_job.h"
#include "platform/error.h"
#include "platform/file.h"

namespace tessary::outcome {

inline constexpr const char* kSameFile = "is the same file as the input";
inline constexpr const char* kInUse = "is in use by another program";
inline constexpr const char* kNoReader = "no program is reading from it";

/// Why opening failed, in words.
inline std::string OpenFailureReason(platform::Error error) {
  if (platform::IsKind(error, platform::ErrorKind::InUse)) return kInUse;
  if (platform::IsKind(error, platform::ErrorKind::NoReader)) return kNoReader;
  return platform::ErrorText(error);
}

inline JobResult NotOpened(JobStatus status, const JobFile& file, std::string reason, int error) {
  JobResult result;
  result.status = status;
  result.path = file.is_path() ? file.path : file.name;
  result.reason = std::move(reason);
  result.systemError = error;
  return result;
}

inline JobResult Failed(std::string path, FileErrorCause cause, int error, std::string reason) {
  JobResult result;
  result.status = JobStatus::Failed;
  result.cause = cause;
  result.path = std::move(path);
  result.reason = std::move(reason);
  result.systemError = error;
  return result;
}

/// Runs `body` (which returns a JobResult) and turns whatever it throws into a result: a file
/// error as Failed with its file, a cancellation as Cancelled, anything else (running out of
/// memory included) as Failed on `input`. Never throws.
template <typename Body>
JobResult Guarded(const JobFile& input, Body&& body) noexcept {
  try {
    const auto inputName = [&input] {
      return input.is_path() ? platform::FullPath(input.path) : input.name;
    };
    try {
      return body();
    } catch (const FileError& error) {
      return Failed(error.path(), error.cause(), error.systemError(), error.reason());
    } catch (const PassCancelled&) {
      JobResult result;
      result.status = JobStatus::Cancelled;
      return result;
    } catch (const std::bad_alloc&) {
      const platform::Error noMemory = platform::ErrorOf(platform::ErrorKind::NoMemory);
      return Failed(inputName(), FileErrorCause::Generic, noMemory, platform::ErrorText(noMemory));
    } catch (const std::exception& error) {
      return Failed(inputName(), FileErrorCause::Generic, 0, error.what());
    } catch (...) {
      return Failed(inputName(), FileErrorCause::Generic, 0, "an unexpected error");
    }
  } catch (...) {  // even building the result above failed: say as little as possible
    JobResult result;
    result.status = JobStatus::Failed;
    result.systemError = platform::ErrorOf(platform::ErrorKind::NoMemory);
    return result;
  }
}

}  // namespace tessary::outcome
