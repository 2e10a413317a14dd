#include "cli/scale_run.h"

#include <chrono>
#include <string>
#include <vector>

#include "cli/format.h"
#include "cli/job_messages.h"
#include "cli/progress_line.h"
#include "model/job/run.h"
#include "model/pass/messages.h"
#include "platform/process.h"

namespace tessary::cli {
namespace {

// The run's files as the engine takes them: "-" is standard input or output.
JobFile FileArgument(const std::string& argument, platform::File::Standard standard) {
  return argument == "-" ? JobFile::Standard(standard) : JobFile::Path(argument);
}

RunRequest RequestOf(const ScaleCommand& command) {
  RunRequest request;
  for (const std::string& input : command.inputs)
    request.inputs.push_back(FileArgument(input, platform::File::Standard::Input));
  request.placement = command.placement;
  if (command.placement == Placement::Output) {
    request.output = FileArgument(command.destination, platform::File::Standard::Output);
  } else {
    request.destination = command.destination;
  }
  request.factors = command.factors;
  request.fit = command.fit;
  request.jobs = command.jobs;
  request.threads = command.threads;
  request.names = CliNames();
  return request;
}

void PrintStats(const PassStats& stats, double seconds) {
  platform::WriteText(
      platform::Stream::Error,
      Format("%llu lines, %llu points scaled, %llu bytes read, %llu bytes written in %.3f s\n",
             static_cast<unsigned long long>(stats.lines),
             static_cast<unsigned long long>(stats.pointsScaled),
             static_cast<unsigned long long>(stats.bytesRead),
             static_cast<unsigned long long>(stats.bytesWritten), seconds));
}

// Says what became of each file as the run tells it: what was found beside its output, why
// it failed, and with --verbose how a fit scaled it.
class Teller final : public RunObserver {
 public:
  Teller(const ScaleCommand& command, ProgressLine& progress)
      : command_(command), progress_(progress) {}

  void Progress(const ProgressSnapshot& snapshot) override { progress_.Show(snapshot); }

  void Finished(std::size_t i, const JobResult& record) override {
    if (!record.leftovers.empty()) progress_.Clear();
    for (const platform::Leftover& leftover : record.leftovers)
      PrintProgramLine(LeftoverSentence(leftover, CliNames()));
    if (record.status == JobStatus::Cancelled) return;  // left as it was
    progress_.Clear();
    if (record.status == JobStatus::Done) {
      if (const std::string note = AccessNoteSentence(record, CliNames()); !note.empty()) {
        PrintProgramLine(note);
      }
      if (command_.verbose) {
        if (const std::string note = FitNoteSentence(record, CliNames()); !note.empty()) {
          PrintProgramLine(note);
        }
      }
      finished_.push_back(record);
    } else {
      PrintProgramLine(FailureText(record));
    }
    (void)i;
  }

  /// The records of the files done, in the order of the inputs.
  const std::vector<JobResult>& finished() const { return finished_; }

 private:
  const ScaleCommand& command_;
  ProgressLine& progress_;
  std::vector<JobResult> finished_;
};

}  // namespace

RunResult RunScaleCommand(const ScaleCommand& command, const std::atomic<bool>& interrupt) {
  const auto start = std::chrono::steady_clock::now();
  const bool batch = command.placement != Placement::Output;
  ProgressLine progress(command.progress);
  Teller teller(command, progress);
  const RunSummary summary = RunModels(RequestOf(command), teller, interrupt);
  if (!summary.problems.empty()) {
    for (const std::string& problem : summary.problems)
      PrintProgramLine(problem);
    PrintProgramLine("nothing was written");
    return {kExitUsage, false};
  }
  if (summary.noMemory) {
    PrintProgramLine(
        "not enough memory: the limits set on this process's memory (its address space or its "
        "control group) leave too little to scale even one file on one thread");
    PrintProgramLine("nothing was written");
    return {kExitFailure, false};
  }
  progress.Finish();

  if (summary.cancelled) {
    // The run ends as interrupted, but what it finished stays done: a second run would
    // scale those files again, so the user is told which they are.
    if (!teller.finished().empty()) {
      for (const JobResult& record : teller.finished())
        PrintProgramLine(FinishedText(record, command.placement));
      PrintProgramLine(
          InterruptedText(teller.finished().size(), command.inputs.size(), command.placement));
    }
    return {summary.failed == 0 ? 0 : kExitFailure, true};
  }
  if (command.verbose) {
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const std::size_t files = command.inputs.size();
    if (batch) {
      platform::WriteText(platform::Stream::Error,
                          Format("%zu %s: %zu scaled, %zu failed\n", files,
                                 files == 1 ? "file" : "files", summary.done, summary.failed));
      PrintStats(summary.totals, elapsed.count());
    } else if (summary.failed == 0) {
      platform::WriteText(platform::Stream::Error, MessageText(Message::Done) + "\n");
      PrintStats(summary.totals, elapsed.count());
    }
  }
  return {summary.failed == 0 ? 0 : kExitFailure, false};
}

}  // namespace tessary::cli
