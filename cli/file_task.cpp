#include "cli/file_task.h"

#include <string>
#include <variant>

#include "cli/fit.h"
#include "model/pass/model_info.h"
#include "platform/file.h"

namespace tessary::cli {
namespace {

JobFile FileArgument(const std::string& argument, platform::File::Standard standard) {
  return argument == "-" ? JobFile::Standard(standard) : JobFile::Path(argument);
}

JobResult Scale(const PlannedFile& file, const ScaleCommand& command, const ThreadPlan& plan,
                const platform::RunFiles& runFiles, const std::atomic<bool>* cancel,
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
  job.runFiles = &runFiles;
  job.inPlace = command.placement == Placement::InPlace;
  job.commitLater = plan.outputsPerCommit > 1;
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
  return RunScaleJob(job);
}

}  // namespace

JobResult ScaleFile(const PlannedFile& file, const ScaleCommand& command, const ThreadPlan& plan,
                    const platform::RunFiles& runFiles, const std::atomic<bool>* cancel,
                    const std::function<void(std::uint64_t)>& bytesRead) noexcept {
  try {
    return Scale(file, command, plan, runFiles, cancel, bytesRead);
  } catch (...) {  // only running out of memory before the job started gets here
    JobResult result;
    result.status = JobStatus::Failed;
    return result;
  }
}

}  // namespace tessary::cli
