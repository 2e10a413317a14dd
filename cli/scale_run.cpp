#include "cli/scale_run.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "cli/batch_plan.h"
#include "cli/file_task.h"
#include "cli/format.h"
#include "cli/job_messages.h"
#include "cli/name_text.h"
#include "cli/ordered_pool.h"
#include "cli/progress.h"
#include "model/pass/messages.h"
#include "platform/file.h"
#include "platform/process.h"

namespace tessary::cli {
namespace {

// What a file that is not a regular file is, in words.
const char* KindOf(const platform::FileStatus& status) {
  switch (status.kind) {
    case platform::FileKind::Folder:
      return "a folder";
    case platform::FileKind::Pipe:
      return "a pipe";
    case platform::FileKind::Regular:
    case platform::FileKind::Terminal:
    case platform::FileKind::Device:
    case platform::FileKind::Other:
      break;
  }
  return "a device";
}

// --fit reads each model twice, which a stream does not allow: every input that exists must
// be a regular file.
std::vector<std::string> CheckFitInputs(const std::vector<PlannedFile>& files) {
  std::vector<std::string> problems;
  for (const PlannedFile& file : files) {
    platform::FileStatus status;
    if (platform::StatusOf(file.input, status) == 0 && status.kind != platform::FileKind::Regular) {
      problems.push_back("--fit reads each INPUT twice, and " + NameText(file.input) + " is " +
                         KindOf(status) + ", which can be read only once");
    }
  }
  return problems;
}

struct Totals {
  std::size_t done = 0;
  std::size_t failed = 0;
  PassStats stats;
};

void PrintStats(const PassStats& stats, double seconds) {
  platform::WriteText(
      platform::Stream::Error,
      Format("%llu lines, %llu points scaled, %llu bytes read, %llu bytes written in %.3f s\n",
             static_cast<unsigned long long>(stats.lines),
             static_cast<unsigned long long>(stats.pointsScaled),
             static_cast<unsigned long long>(stats.bytesRead),
             static_cast<unsigned long long>(stats.bytesWritten), seconds));
}

}  // namespace

RunResult RunScaleCommand(const ScaleCommand& command, const std::atomic<bool>& interrupt) {
  const auto start = std::chrono::steady_clock::now();
  const bool batch = command.placement != Placement::Output;
  const std::vector<PlannedFile> files = PlanFiles(command);
  std::vector<std::string> problems;
  if (command.fit) problems = CheckFitInputs(files);
  if (!batch && files.size() == 1 && files[0].input != "-") {
    if (auto problem = UnmatchedPattern(files[0].input)) problems.push_back(*problem);
  }
  if (batch && problems.empty()) {
    if (command.placement == Placement::TargetDirectory) {
      if (auto problem = CheckTargetDirectory(command.destination)) problems.push_back(*problem);
    }
    if (problems.empty()) problems = FindConflicts(files, command.placement == Placement::InPlace);
  }
  if (!problems.empty()) {
    for (const std::string& problem : problems)
      PrintProgramLine(problem);
    PrintProgramLine("nothing was written");
    return {kExitUsage, false};
  }

  // --fit reads every model twice.
  std::vector<std::uint64_t> sizes;
  // The files whose outputs are put in place on their own, as they take long to scale.
  std::vector<bool> large;
  RunRequest request{command.jobs, command.threads, files.size(), 0};
  for (const PlannedFile& file : files) {
    const std::uint64_t size = InputSize(file.input);
    large.push_back(size != ProgressCounter::kUnknownSize && size >= kCommitTogetherBelowBytes);
    sizes.push_back(size == ProgressCounter::kUnknownSize || !command.fit ? size : 2 * size);
    if (size != ProgressCounter::kUnknownSize) {
      request.largestFile = std::max(request.largestFile, size);
    }
  }
  // Files at a time, the threads of each and their buffers, within the process's limits.
  const ThreadPlan plan = PlanRun(RunResources::OfThisProcess(), request);
  if (!plan.fits) {
    PrintProgramLine(
        "not enough memory: the limits set on this process's memory (its address space or its "
        "control group) leave too little to scale even one file on one thread");
    PrintProgramLine("nothing was written");
    return {kExitFailure, false};
  }
  // What clearing the leftovers of earlier runs beside each output never touches.
  platform::RunFiles runFiles;
  for (const PlannedFile& file : files) {
    if (file.input != "-") runFiles.Add(file.input);
    if (file.output != "-" && !file.output.empty()) runFiles.Add(file.output);
  }
  ProgressCounter counter(sizes);
  ProgressLine progress(counter, command.progress);

  const auto workers = static_cast<std::size_t>(plan.filesAtATime);
  // A file scaled on this thread draws the progress line from its own progress reports.
  const std::thread::id thisThread = std::this_thread::get_id();

  // Each file's record, as the driver gave it, is all that is said of the file; an
  // interrupt that comes later changes none of them.
  Totals totals;
  std::vector<std::size_t> finished;  // the files whose output is in place, in input order
  const auto say = [&](std::size_t i, const JobResult& result) {
    if (!result.leftovers.empty()) progress.Clear();
    for (const platform::Leftover& leftover : result.leftovers)
      PrintProgramLine(LeftoverText(leftover));
    if (result.status == JobStatus::Cancelled) return;  // left as it was
    progress.Clear();
    if (result.status == JobStatus::Done) {
      if (!result.accessNote.empty()) PrintProgramLine(AccessNoteText(files[i], result));
      ++totals.done;
      finished.push_back(i);
      totals.stats.lines += result.stats.lines;
      totals.stats.pointsScaled += result.stats.pointsScaled;
      totals.stats.bytesRead += result.stats.bytesRead;
      totals.stats.bytesWritten += result.stats.bytesWritten;
      if (command.verbose && command.fit) {
        PrintProgramLine(FitNoteText(files[i], command, result));
      }
    } else {
      ++totals.failed;
      PrintProgramLine(FileFailureText(files[i], command, result));
    }
    progress.Tick();
  };

  // Outputs written whole wait to be put in place together, and the results after the first
  // of them wait with them, so that files are still told of in their order.
  std::vector<std::pair<std::size_t, JobResult>> held;
  std::size_t waiting = 0;
  const auto commitHeld = [&] {
    std::vector<JobResult*> results;
    std::vector<bool> written;
    for (auto& [i, result] : held) {
      results.push_back(&result);
      written.push_back(result.status == JobStatus::Written);
    }
    CommitWritten(results, &interrupt);
    for (std::size_t k = 0; k < held.size(); ++k) {
      if (written[k] && held[k].second.status != JobStatus::Cancelled) counter.FileDone();
      say(held[k].first, held[k].second);
    }
    held.clear();
    waiting = 0;
  };

  RunInOrder(
      files.size(), static_cast<unsigned>(workers),
      [&](std::size_t i) {
        JobResult result =
            ScaleFile(files[i], command, plan, runFiles, &interrupt, [&, i](std::uint64_t done) {
              counter.SetBytes(i, done);
              if (std::this_thread::get_id() == thisThread) {
                progress.Tick();
              }
            });
        if (result.status != JobStatus::Cancelled && result.status != JobStatus::Written) {
          counter.FileDone();
        }
        return result;
      },
      [&](std::size_t i, JobResult& result) {
        if (result.status == JobStatus::Written) ++waiting;
        if (waiting == 0) {
          say(i, result);
          return;
        }
        held.emplace_back(i, std::move(result));
        // A large file next would keep the outputs waiting long, and an interrupt meanwhile
        // would lose them: they go in place first.
        if (waiting >= plan.outputsPerCommit || (i + 1 < files.size() && large[i + 1])) {
          commitHeld();
        }
      },
      [&] { progress.Tick(); }, interrupt);
  commitHeld();
  progress.Finish();

  if (interrupt.load()) {
    // The run ends as interrupted, but what it finished stays done: a second run would
    // scale those files again, so the user is told which they are.
    if (!finished.empty()) {
      for (const std::size_t i : finished)
        PrintProgramLine(FinishedText(files[i], command.placement));
      PrintProgramLine(InterruptedText(finished.size(), files.size(), command.placement));
    }
    return {totals.failed == 0 ? 0 : kExitFailure, true};
  }
  if (command.verbose) {
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (batch) {
      platform::WriteText(platform::Stream::Error,
                          Format("%zu %s: %zu scaled, %zu failed\n", files.size(),
                                 files.size() == 1 ? "file" : "files", totals.done, totals.failed));
      PrintStats(totals.stats, elapsed.count());
    } else if (totals.failed == 0) {
      platform::WriteText(platform::Stream::Error, MessageText(Message::Done) + "\n");
      PrintStats(totals.stats, elapsed.count());
    }
  }
  return {totals.failed == 0 ? 0 : kExitFailure, false};
}

}  // namespace tessary::cli
