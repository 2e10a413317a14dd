#include "cli/info_run.h"

#include <string>

#include "cli/job_messages.h"
#include "cli/model_report.h"
#include "cli/progress_line.h"
#include "model/job/run.h"
#include "platform/process.h"

namespace tessary::cli {
namespace {

// Prints each model's report on standard output as the run tells it, and for a model that
// could not be read, why.
class Reporter final : public RunObserver {
 public:
  Reporter(const InfoCommand& command, ProgressLine& progress)
      : command_(command), progress_(progress) {}

  void Progress(const ProgressSnapshot& snapshot) override { progress_.Show(snapshot); }

  void Finished(std::size_t i, const JobResult& record) override {
    if (record.status == JobStatus::Cancelled) return;
    progress_.Clear();
    if (record.status != JobStatus::Done) {
      PrintProgramLine(FailureText(record));
      return;
    }
    const std::string& name = command_.inputs[i];
    std::string report;
    try {
      report = command_.json ? InfoJson(name, record.info, command_.factors)
                             : InfoText(name, record.info, command_.factors);
    } catch (...) {  // no memory for the report: said as memory
      PrintProgramLine(OutOfMemorySentence(name, CliNames()));
      failedReport_ = true;
      return;
    }
    // Reports for people are separated by a blank line; JSON objects are one a line.
    if (!first_ && !command_.json) {
      written_ = platform::WriteText(platform::Stream::Output, "\n") == 0 && written_;
    }
    first_ = false;
    written_ = platform::WriteText(platform::Stream::Output, report) == 0 && written_;
  }

  bool written() const { return written_; }
  bool failedReport() const { return failedReport_; }

 private:
  const InfoCommand& command_;
  ProgressLine& progress_;
  bool first_ = true;
  bool written_ = true;  // every report reached standard output
  bool failedReport_ = false;
};

}  // namespace

RunResult RunInfoCommand(const InfoCommand& command, const std::atomic<bool>& interrupt) {
  RunRequest request;
  request.work = RunRequest::Work::Inspect;
  for (const std::string& input : command.inputs) {
    request.inputs.push_back(input == "-" ? JobFile::Standard(platform::File::Standard::Input)
                                          : JobFile::Path(input));
  }
  request.jobs = command.jobs;
  request.names = CliNames();
  ProgressLine progress(command.progress);
  Reporter reporter(command, progress);
  const RunSummary summary = RunModels(request, reporter, interrupt);
  if (!summary.problems.empty()) {
    for (const std::string& problem : summary.problems)
      PrintProgramLine(problem);
    PrintProgramLine("nothing was read");
    return {kExitUsage, false};
  }
  progress.Finish();
  if (summary.cancelled) return {0, true};
  if (!reporter.written()) {
    PrintProgramLine("Unable to write the report to standard output.");
    return {kExitFailure, false};
  }
  return {summary.failed > 0 || reporter.failedReport() ? kExitFailure : 0, false};
}

}  // namespace tessary::cli
