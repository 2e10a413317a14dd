#include "cli/info_run.h"

#include <algorithm>
#include <string>
#include <thread>

#include "cli/batch_plan.h"
#include "cli/job_messages.h"
#include "cli/model_report.h"
#include "cli/ordered_pool.h"
#include "cli/progress.h"
#include "model/job/thread_plan.h"
#include "model/pass/model_info.h"
#include "platform/process.h"

namespace tessary::cli {
namespace {

// The driver's record of one model, and its report when it was read.
struct InfoOutcome {
  JobResult result;
  std::string report;  // for standard output
};

InfoOutcome Inspect(const std::string& input, const InfoCommand& command, const ThreadPlan& plan,
                    const PassControl& control) noexcept {
  InfoOutcome outcome;
  try {
    ModelInfo info;
    const JobFile file =
        input == "-" ? JobFile::Standard(platform::File::Standard::Input) : JobFile::Path(input);
    outcome.result = InspectModelFile(file, info, control, &plan);
    if (outcome.result.status == JobStatus::Done) {
      outcome.report = command.json ? InfoJson(input, info, command.factors)
                                    : InfoText(input, info, command.factors);
    }
  } catch (...) {  // no memory for the report: a record with no path says so
    outcome.result = JobResult();
    outcome.result.status = JobStatus::Failed;
    outcome.report.clear();
  }
  return outcome;
}

}  // namespace

RunResult RunInfoCommand(const InfoCommand& command, const std::atomic<bool>& interrupt) {
  // A model is read alone, so that no other program changes it meanwhile: the same file named
  // twice (or under two names) would find itself in use. Refused as batches refuse it.
  std::vector<PlannedFile> files;
  for (const std::string& input : command.inputs) {
    if (input != "-") files.push_back({input, input});
  }
  if (const std::vector<std::string> problems = FindConflicts(files, true); !problems.empty()) {
    for (const std::string& problem : problems)
      PrintProgramLine(problem);
    PrintProgramLine("nothing was read");
    return {kExitUsage, false};
  }

  // Files at a time and their buffers as a run that scales them would have them, within the
  // process's limits on memory and open files; a model is read on one thread.
  std::vector<std::uint64_t> sizes;
  RunRequest request{command.jobs, 1, command.inputs.size(), 0};
  for (const std::string& input : command.inputs) {
    sizes.push_back(InputSize(input));
    if (sizes.back() != ProgressCounter::kUnknownSize) {
      request.largestFile = std::max(request.largestFile, sizes.back());
    }
  }
  const ThreadPlan plan = PlanRun(RunResources::OfThisProcess(), request);
  ProgressCounter counter(sizes);
  ProgressLine progress(counter, command.progress);

  bool failed = false;
  bool first = true;
  bool written = true;  // every report reached standard output
  // A model read on this thread draws the progress line from its own progress reports.
  const std::thread::id thisThread = std::this_thread::get_id();
  RunInOrder(
      command.inputs.size(), static_cast<unsigned>(plan.filesAtATime),
      [&](std::size_t i) {
        PassControl control;
        control.cancel = &interrupt;
        control.progress = [&, i](std::uint64_t done, std::uint64_t) {
          counter.SetBytes(i, done);
          if (std::this_thread::get_id() == thisThread) progress.Tick();
        };
        InfoOutcome outcome = Inspect(command.inputs[i], command, plan, control);
        if (outcome.result.status != JobStatus::Cancelled) counter.FileDone();
        return outcome;
      },
      [&](std::size_t i, InfoOutcome& outcome) {
        if (outcome.result.status == JobStatus::Cancelled) return;
        progress.Clear();
        if (outcome.result.status == JobStatus::Done) {
          // Reports for people are separated by a blank line; JSON objects are one a line.
          if (!first && !command.json) {
            written = platform::WriteText(platform::Stream::Output, "\n") == 0 && written;
          }
          first = false;
          written = platform::WriteText(platform::Stream::Output, outcome.report) == 0 && written;
        } else {
          failed = true;
          PrintProgramLine(FailureText(command.inputs[i], outcome.result));
        }
        progress.Tick();
      },
      [&] { progress.Tick(); }, interrupt);
  progress.Finish();
  if (interrupt.load()) return {0, true};
  if (!written) {
    PrintProgramLine("Unable to write the report to standard output.");
    return {kExitFailure, false};
  }
  return {failed ? kExitFailure : 0, false};
}

}  // namespace tessary::cli
