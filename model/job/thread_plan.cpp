#include "model/job/thread_plan.h"

#include <algorithm>

#include "model/pass/parallel_pass.h"
#include "platform/process.h"

namespace tessary {
namespace {

constexpr std::size_t kKibibyte = 1024;
constexpr std::size_t kMebibyte = kKibibyte * kKibibyte;

// The buffer sizes tried, largest first.
constexpr std::size_t kBufferSizes[] = {kMebibyte, 256 * kKibibyte, 64 * kKibibyte};

// Scaling a line of numbers costs about ten times what copying a line does: with less than a
// third of the bytes in such lines, the workers would mostly wait for the writing.
constexpr double kMinNumberShare = 1.0 / 3;

// Besides its buffers, a file's job takes memory for names, messages, the open files and the
// allocator's own bookkeeping; and each thread touches some of its stack.
constexpr std::uint64_t kPerFile = 256 * kKibibyte;
constexpr std::uint64_t kTouchedStack = 64 * kKibibyte;
// Kept free of the limits for the rest of the program: its messages, the progress line, the
// allocator rounding up.
constexpr std::uint64_t kSlack = 2 * kMebibyte;

// A file's job holds its input, the output as it was opened, the temporary output and its
// folder; the program keeps some descriptors of its own.
constexpr std::uint64_t kFilesPerJob = 4;
constexpr std::uint64_t kFilesKept = 16;
// Outputs waiting to be put in place together hold as many as a job; more than this many
// would hardly sync faster.
constexpr std::uint64_t kMostOutputsPerCommit = 128;

struct Choice {
  int files;
  int workers;  // per file
  std::size_t buffer;
  bool writeback;
};

ParallelOptions OptionsFor(int workers, std::size_t buffer) {
  ParallelOptions options;
  options.threads = workers;
  options.chunkSize = buffer;
  options.maxChunk = buffer;
  options.minNumberShare = kMinNumberShare;
  return options;
}

// Memory a file's pass takes at most, and the threads it starts besides its own.
std::uint64_t PassMemory(const Choice& choice) {
  std::uint64_t bytes = kPerFile + 2 * std::uint64_t{choice.buffer};
  if (choice.workers > 0) bytes += ParallelPassMemory(OptionsFor(choice.workers, choice.buffer));
  return bytes;
}

int StartedThreads(const Choice& choice) {
  const int perFile = choice.workers + (choice.writeback ? 1 : 0);
  // One file at a time runs on the caller's thread; more each have a thread of their own.
  return choice.files * perFile + (choice.files > 1 ? choice.files : 0);
}

std::uint64_t Memory(const Choice& choice) {
  return static_cast<std::uint64_t>(choice.files) * PassMemory(choice) +
         static_cast<std::uint64_t>(StartedThreads(choice)) * kTouchedStack;
}

std::uint64_t AddressSpace(const Choice& choice, std::uint64_t stack) {
  return static_cast<std::uint64_t>(choice.files) * PassMemory(choice) +
         static_cast<std::uint64_t>(StartedThreads(choice)) * stack;
}

bool Fits(const Choice& choice, const RunResources& resources) {
  const auto within = [](std::uint64_t needed, std::uint64_t left) {
    return left == 0 || needed + kSlack <= left;
  };
  return within(Memory(choice), resources.memoryLeft) &&
         within(AddressSpace(choice, resources.threadStack), resources.addressSpaceLeft);
}

}  // namespace

std::uint64_t PlannedFileMemory() {
  return Memory({1, 0, kBufferSizes[0], false});
}

std::uint64_t PlannedWorkerMemory(int workers) {
  return Memory({1, workers, kBufferSizes[0], false}) -
         Memory({1, workers - 1, kBufferSizes[0], false});
}

RunResources RunResources::OfThisProcess() noexcept {
  const platform::ResourceLimits limits = platform::CurrentResourceLimits();
  const auto left = [](std::uint64_t limit, std::uint64_t used) -> std::uint64_t {
    if (limit == 0) return 0;
    return limit > used ? limit - used : 1;  // 1: nothing left, but a limit all the same
  };
  RunResources resources;
  resources.cores = platform::UsableCores();
  resources.memoryLeft = left(limits.memory, limits.memoryUsed);
  resources.addressSpaceLeft = left(limits.addressSpace, limits.addressSpaceUsed);
  if (limits.threadStack != 0) resources.threadStack = limits.threadStack;
  // The descriptors open now are not known here; kFilesKept stands for them.
  resources.openFilesLeft = limits.openFiles;
  return resources;
}

PassPlan ThreadPlan::ForFile(std::uint64_t size) const {
  PassPlan pass;
  pass.inputBuffer = inputBuffer;
  pass.outputBuffer = outputBuffer;
  pass.writeback = writeback;
  pass.parallel = OptionsFor(size >= kParallelFromBytes ? threadsPerFile - 1 : 0, inputBuffer);
  return pass;
}

int ThreadPlan::Threads() const {
  return 1 + StartedThreads({filesAtATime, threadsPerFile - 1, inputBuffer, writeback});
}

ThreadPlan PlanRun(const RunResources& resources, const PlanRequest& request) {
  const int cores = std::max(1, resources.cores);
  const std::size_t files = std::max<std::size_t>(1, request.files);
  std::uint64_t jobs = request.jobs != 0 ? request.jobs : static_cast<unsigned>(cores);
  jobs = std::min<std::uint64_t>(jobs, files);
  if (resources.openFilesLeft != 0) {
    const std::uint64_t room = resources.openFilesLeft > kFilesKept + kFilesPerJob
                                   ? (resources.openFilesLeft - kFilesKept) / kFilesPerJob
                                   : 1;
    jobs = std::min(jobs, room);
  }
  jobs = std::max<std::uint64_t>(jobs, 1);

  // The cores shared among the files at a time; a file's own thread is one of its share.
  const int share = std::max(1, cores / static_cast<int>(std::min<std::uint64_t>(jobs, cores)));
  int perFile = request.threads != 0 ? std::min(static_cast<int>(request.threads), share) : share;
  if (request.largestFile < kParallelFromBytes) perFile = 1;

  // The output is written on the pass's own thread: writing full buffers on another, beside
  // a pass on one thread, was measured slower (0.87 of its speed on a model of copied lines,
  // on two cores), as the system's copy of the data then runs on another core than the one
  // that made it. The parallel pass writes its chunks itself.
  Choice choice{static_cast<int>(jobs), perFile - 1, kBufferSizes[0], true};
  bool fits = Fits(choice, resources);
  // Give up, in turn, what costs most and helps least.
  while (!fits && choice.workers > 0) {
    --choice.workers;
    fits = Fits(choice, resources);
  }
  if (!fits) {
    choice.writeback = false;
    fits = Fits(choice, resources);
  }
  if (!fits) {
    choice.buffer = kBufferSizes[1];
    fits = Fits(choice, resources);
  }
  while (!fits && choice.files > 1) {
    --choice.files;
    fits = Fits(choice, resources);
  }
  if (!fits) {
    choice.buffer = kBufferSizes[2];
    fits = Fits(choice, resources);
  }

  ThreadPlan plan;
  plan.filesAtATime = choice.files;
  plan.threadsPerFile = choice.workers + 1;
  plan.inputBuffer = plan.outputBuffer = choice.buffer;
  plan.writeback = choice.writeback;
  if (files > 1) {
    std::uint64_t waiting = kMostOutputsPerCommit;
    if (resources.openFilesLeft != 0) {
      const std::uint64_t used =
          kFilesKept + static_cast<std::uint64_t>(choice.files) * kFilesPerJob;
      waiting = std::min(waiting, resources.openFilesLeft > used
                                      ? (resources.openFilesLeft - used) / kFilesPerJob
                                      : 1);
    }
    plan.outputsPerCommit = static_cast<std::size_t>(std::max<std::uint64_t>(waiting, 1));
  }
  plan.fits = fits;
  plan.memory = Memory(choice);
  plan.addressSpace = AddressSpace(choice, resources.threadStack);
  return plan;
}

}  // namespace tessary
