// Turning everything that can happen to a job into one JobResult: shared by the jobs that
// scale a model and the jobs that only inspect one. Internal to model/.
#pragma once

#include <cerrno>
#include <cstring>
#include <new>
#include <string>

#include "model/file_handle.h"
#include "model/scale_job.h"

namespace tessary::outcome {

inline constexpr const char* kSameFile = "is the same file as the input";
inline constexpr const char* kInUse = "is in use by another program";
inline constexpr const char* kNoReader = "no program is reading from it";

/// Why opening failed, in words.
inline std::string OpenFailureReason(int error) {
  return error == EWOULDBLOCK ? kInUse : std::strerror(error);
}

inline JobResult NotOpened(JobStatus status, const JobFile& file, std::string reason, int error) {
  JobResult result;
  result.status = status;
  result.path = file.fd >= 0 ? file.name : file.path;
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
    const auto inputName = [&input] { return input.fd >= 0 ? input.name : FullPath(input.path); };
    try {
      return body();
    } catch (const FileError& error) {
      return Failed(error.path(), error.cause(), error.systemError(), error.reason());
    } catch (const PassCancelled&) {
      JobResult result;
      result.status = JobStatus::Cancelled;
      return result;
    } catch (const std::bad_alloc&) {
      return Failed(inputName(), FileErrorCause::Generic, ENOMEM, std::strerror(ENOMEM));
    } catch (const std::exception& error) {
      return Failed(inputName(), FileErrorCause::Generic, 0, error.what());
    } catch (...) {
      return Failed(inputName(), FileErrorCause::Generic, 0, "an unexpected error");
    }
  } catch (...) {  // even building the result above failed: say as little as possible
    JobResult result;
    result.status = JobStatus::Failed;
    result.systemError = ENOMEM;
    return result;
  }
}

}  // namespace tessary::outcome
