#include "cli/file_task.h"

#include <variant>

#include "cli/fit.h"
#include "cli/job_messages.h"
#include "cli/number_text.h"
#include "model/pass/model_info.h"
#include "platform/file.h"

namespace tessary::cli {
namespace {

JobFile FileArgument(const std::string& argument, platform::File::Standard standard) {
  return argument == "-" ? JobFile::Standard(standard) : JobFile::Path(argument);
}

FileOutcome Scale(const PlannedFile& file, const ScaleCommand& command, const ThreadPlan& plan,
                  const std::atomic<bool>* cancel,
                  const std::function<void(std::uint64_t)>& bytesRead) {
  PassControl control;
  control.cancel = cancel;
  control.progress = [&](std::uint64_t done, std::uint64_t) { bytesRead(done); };

  ScaleJob job;
  job.input = FileArgument(file.input, platform::File::Standard::Input);
  job.output = FileArgument(file.output, platform::File::Standard::Output);
  job.factors = command.factors;
  job.control = control;
  job.plan = plan;
  job.inPlace = command.placement == Placement::InPlace;
  if (command.fit) {
    job.chooseFactors = [fit = *command.fit](const ModelInfo& info) {
      std::variant<double, std::string> chosen = FitFactor(info, fit);
      if (auto* reason = std::get_if<std::string>(&chosen)) {
        return std::variant<ScaleFactors, std::string>(std::move(*reason));
      }
      const double factor = std::get<double>(chosen);
      return std::variant<ScaleFactors, std::string>(ScaleFactors{factor, factor, factor});
    };
  }

  const JobResult result = RunScaleJob(job);
  FileOutcome outcome;
  outcome.status = result.status;
  outcome.stats = result.stats;
  for (const std::string& path : result.removedStale) {
    outcome.notices.push_back("removed " + path + ", left by an earlier run that did not finish");
  }
  if (result.status == JobStatus::NoFactors) {
    outcome.failure = "Unable to fit the model to " + std::string(1, AxisName(command.fit->axis)) +
                      "=" + ShortestText(command.fit->length) + ". (" + file.input + ": " +
                      result.reason + ")";
  } else {
    outcome.failure = FailureText(result);
  }
  if (result.status == JobStatus::Done && command.fit) {
    outcome.note = file.input + ": scaled by " + ShortestText(result.factors.x) + " to span " +
                   ShortestText(command.fit->length) + " along " + AxisName(command.fit->axis);
  }
  return outcome;
}

}  // namespace

FileOutcome ScaleFile(const PlannedFile& file, const ScaleCommand& command, const ThreadPlan& plan,
                      const std::atomic<bool>* cancel,
                      const std::function<void(std::uint64_t)>& bytesRead) noexcept {
  try {
    return Scale(file, command, plan, cancel, bytesRead);
  } catch (...) {  // only running out of memory gets here, and then little can be said
    FileOutcome outcome;
    outcome.status = JobStatus::Failed;
    try {
      outcome.failure = OutOfMemoryText(file.input);
    } catch (...) {
    }
    return outcome;
  }
}

}  // namespace tessary::cli
