#include "cli/info_run.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "cli/job_messages.h"
#include "cli/model_report.h"
#include "cli/ordered_pool.h"
#include "cli/progress.h"
#include "cli/scale_run.h"
#include "model/model_info.h"

namespace tessary::cli {
namespace {

struct InfoOutcome {
  JobStatus status = JobStatus::Done;
  std::string report;   // for standard output
  std::string failure;  // for standard error
};

InfoOutcome Inspect(const std::string& input, const InfoCommand& command,
                    const PassControl& control) noexcept {
  InfoOutcome outcome;
  try {
    ModelInfo info;
    const JobFile file =
        input == "-" ? JobFile::Descriptor(STDIN_FILENO, "standard input") : JobFile::Path(input);
    const JobResult result = InspectModelFile(file, info, control);
    outcome.status = result.status;
    if (result.status == JobStatus::Done) {
      outcome.report = command.json ? InfoJson(input, info, command.factors)
                                    : InfoText(input, info, command.factors);
    } else {
      outcome.failure = FailureText(result);
    }
  } catch (...) {  // no memory for the report
    outcome.status = JobStatus::Failed;
    outcome.report.clear();
    outcome.failure.clear();
  }
  return outcome;
}

}  // namespace

RunResult RunInfoCommand(const InfoCommand& command, const std::atomic<bool>& interrupt) {
  std::vector<std::uint64_t> sizes;
  for (const std::string& input : command.inputs)
    sizes.push_back(InputSize(input));
  ProgressCounter counter(sizes);
  ProgressLine progress(counter, command.progress);

  bool failed = false;
  bool first = true;
  // A model read on this thread draws the progress line from its own progress reports.
  const std::thread::id thisThread = std::this_thread::get_id();
  RunInOrder(
      command.inputs.size(), command.jobs != 0 ? command.jobs : DefaultJobs(),
      [&](std::size_t i) {
        PassControl control;
        control.cancel = &interrupt;
        control.progress = [&, i](std::uint64_t done, std::uint64_t) {
          counter.SetBytes(i, done);
          if (std::this_thread::get_id() == thisThread) progress.Tick();
        };
        InfoOutcome outcome = Inspect(command.inputs[i], command, control);
        if (outcome.status != JobStatus::Cancelled) counter.FileDone();
        return outcome;
      },
      [&](std::size_t i, InfoOutcome& outcome) {
        if (outcome.status == JobStatus::Cancelled) return;
        progress.Clear();
        if (outcome.status == JobStatus::Done) {
          // Reports for people are separated by a blank line; JSON objects are one a line.
          if (!first && !command.json) std::fputc('\n', stdout);
          first = false;
          std::fputs(outcome.report.c_str(), stdout);
          std::fflush(stdout);
        } else {
          failed = true;
          const std::string failure =
              outcome.failure.empty() ? "An unknown error occurred while accessing " +
                                            command.inputs[i] + ". (" + std::strerror(ENOMEM) + ")"
                                      : outcome.failure;
          std::fputs(ProgramLine(failure).c_str(), stderr);
        }
        progress.Tick();
      },
      [&] { progress.Tick(); }, interrupt);
  progress.Finish();
  if (interrupt.load()) return {0, true};
  if (std::ferror(stdout) || std::fflush(stdout) != 0) {
    std::fputs(ProgramLine("Unable to write the report to standard output.").c_str(), stderr);
    return {kExitFailure, false};
  }
  return {failed ? kExitFailure : 0, false};
}

}  // namespace tessary::cli
