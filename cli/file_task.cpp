#include "cli/file_task.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <optional>
#include <variant>

#include "cli/fit.h"
#include "cli/in_place.h"
#include "cli/job_messages.h"
#include "cli/number_text.h"
#include "model/model_info.h"

namespace tessary::cli {
namespace {

JobFile FileArgument(const std::string& argument, int standardFd, const char* standardName) {
  return argument == "-" ? JobFile::Descriptor(standardFd, standardName) : JobFile::Path(argument);
}

FileOutcome FromResult(const JobResult& result) {
  FileOutcome outcome;
  outcome.status = result.status;
  outcome.failure = FailureText(result);
  outcome.stats = result.stats;
  return outcome;
}

FileOutcome NotOpened(JobStatus status, const std::string& path, const std::string& reason) {
  JobResult result;
  result.status = status;
  result.path = path;
  result.reason = reason;
  return FromResult(result);
}

// --fit: reads the model once to choose its factor. Nothing when the outcome is already known
// (a failure or a cancellation).
std::optional<FileOutcome> ChooseFactor(const PlannedFile& file, const FitRequest& fit,
                                        const PassControl& control, double& factor) {
  ModelInfo info;
  const JobResult result = InspectModelFile(JobFile::Path(file.input), info, control);
  if (result.status != JobStatus::Done) return FromResult(result);
  const std::variant<double, std::string> chosen = FitFactor(info.vertices.box, fit);
  if (const auto* reason = std::get_if<std::string>(&chosen)) {
    FileOutcome outcome;
    outcome.status = JobStatus::Failed;
    outcome.failure = "Unable to fit the model to " + std::string(1, AxisName(fit.axis)) + "=" +
                      ShortestText(fit.length) + ". (" + file.input + ": " + *reason + ")";
    return outcome;
  }
  factor = std::get<double>(chosen);
  return std::nullopt;
}

FileOutcome Scale(const PlannedFile& file, const ScaleCommand& command, int passThreads,
                  const std::atomic<bool>* cancel,
                  const std::function<void(std::uint64_t)>& bytesRead) {
  std::uint64_t readBefore = 0;  // by the first read, for --fit
  PassControl control;
  control.cancel = cancel;
  control.progress = [&](std::uint64_t done, std::uint64_t) { bytesRead(readBefore + done); };

  ScaleJob job{FileArgument(file.input, STDIN_FILENO, "standard input"),
               FileArgument(file.output, STDOUT_FILENO, "standard output"), command.factors,
               control};
  job.threads = passThreads;
  std::string note;
  if (command.fit) {
    double factor = 0;
    if (auto outcome = ChooseFactor(file, *command.fit, control, factor)) return *outcome;
    job.factors = {factor, factor, factor};
    note = file.input + ": scaled by " + ShortestText(factor) + " to span " +
           ShortestText(command.fit->length) + " along " + AxisName(command.fit->axis);
    struct stat status {};
    if (::stat(file.input.c_str(), &status) == 0) readBefore = status.st_size;
  }

  InPlaceReplacement replacement;
  if (command.placement == Placement::InPlace) {
    if (const int error = replacement.Create(file.input); error != 0) {
      // A model that cannot be found is the input's failure; one that cannot be replaced there,
      // the output's.
      return NotOpened(
          replacement.model_found() ? JobStatus::OutputNotOpened : JobStatus::InputNotOpened,
          file.input, error == EINVAL ? "is not a regular file" : std::strerror(error));
    }
    job.output = JobFile::Path(replacement.path());
  }

  JobResult result = RunScaleJob(job);
  if (command.placement == Placement::InPlace) {
    // Messages name the model, never the file that was to replace it.
    if (result.path == replacement.path()) {
      result.path = result.status == JobStatus::Failed ? replacement.target() : file.input;
    }
    if (result.status == JobStatus::Done) {
      if (const int error = replacement.Commit(); error != 0) {
        result.status = JobStatus::Failed;
        result.cause = FileErrorCause::Generic;
        result.path = replacement.target();
        result.reason = std::strerror(error);
        result.systemError = error;
      }
    }
  }
  FileOutcome outcome = FromResult(result);
  if (outcome.status == JobStatus::Done) outcome.note = std::move(note);
  return outcome;
}

}  // namespace

FileOutcome ScaleFile(const PlannedFile& file, const ScaleCommand& command, int passThreads,
                      const std::atomic<bool>* cancel,
                      const std::function<void(std::uint64_t)>& bytesRead) noexcept {
  try {
    return Scale(file, command, passThreads, cancel, bytesRead);
  } catch (...) {  // only running out of memory gets here, and then little can be said
    FileOutcome outcome;
    outcome.status = JobStatus::Failed;
    try {
      outcome.failure = "An unknown error occurred while accessing " + file.input + ". (" +
                        std::strerror(ENOMEM) + ")";
    } catch (...) {
    }
    return outcome;
  }
}

}  // namespace tessary::cli
