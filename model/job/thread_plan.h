// How a run uses threads and memory, decided in one place for both programs.
//
// The plan is a function of what the run has (usable cores, the memory, address space and
// open files the process may still take), what it is asked (-j, --threads) and what the files
// are (how many, how large). It decides how many files are scaled at a time, how many threads
// scale each file and how large each pass's buffers are, and it counts every thread a run
// starts: a thread per file scaled at a time (unless there is only one, which runs on the
// caller's thread), the pass's workers and the thread that puts each output on disk while it
// is written.
//
// Contract:
// - Busy threads never outnumber the usable cores: files at a time times threads per file,
//   where a file's own thread scales chunks beside its workers.
// - What the plan takes (Memory(), AddressSpace()) stays within the memory and the address
//   space left, where the system sets a limit: workers go first, then the writeback thread,
//   then buffer size, then files at a time, until the run fits.
// - fits() is false when not even one file on one thread with the smallest buffers fits:
//   the run may still be tried, and running out of memory is then what it reports.
// - Files at a time leave room for each file's descriptors within the open-file limit.
// - Small inputs, and inputs of unknown size (streams), take the sequential pass; so do inputs
//   whose first chunk is mostly lines copied as they are, as writing them is the work there
//   and threads do not share it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/pass/parallel_pass.h"

namespace tessary {

/// What the run has. 0 means "no limit known" for every limit.
struct RunResources {
  int cores = 1;
  std::uint64_t memoryLeft = 0;        ///< memory the process may still have charged to it
  std::uint64_t addressSpaceLeft = 0;  ///< address space the process may still map
  std::uint64_t threadStack = std::uint64_t{8} << 20;  ///< address space each new thread takes
  std::uint64_t openFilesLeft = 0;                     ///< descriptors the process may still open

  /// This process's, as the platform reports them now.
  static RunResources OfThisProcess() noexcept;
};

/// What the run is asked, and what its files are.
struct PlanRequest {
  unsigned jobs = 0;     ///< files at a time (-j); 0 for one per core
  unsigned threads = 0;  ///< threads per file (--threads), the file's own included; 0: the cores
  std::size_t files = 1;
  std::uint64_t largestFile = 0;  ///< bytes; 0 when unknown (a stream)
};

/// One file's pass: its buffers, whether a thread may write its output to disk meanwhile, and
/// the parallel pass's options (no workers: the sequential pass).
struct PassPlan {
  std::size_t inputBuffer = 0;   ///< the input's capacity: the longest line read whole
  std::size_t outputBuffer = 0;  ///< the output's buffer
  bool writeback = false;
  ParallelOptions parallel;
};

struct ThreadPlan {
  int filesAtATime = 1;
  int threadsPerFile = 1;  ///< the most threads that scale one file, its own included
  std::size_t inputBuffer = 0;
  std::size_t outputBuffer = 0;
  bool writeback = true;
  /// How many outputs written whole may wait to be put in place together (see
  /// CommitWritten), within the open-file limit: each holds its files open. 1 for one file.
  std::size_t outputsPerCommit = 1;
  bool fits = true;
  std::uint64_t memory = 0;        ///< bytes the passes take at most, all files at a time
  std::uint64_t addressSpace = 0;  ///< the same with the stacks of the threads started

  /// The pass for an input of `size` bytes (0 when unknown).
  PassPlan ForFile(std::uint64_t size) const;
  /// Every thread the run may have at once, the caller's included.
  int Threads() const;
};

/// Inputs smaller than this take the sequential pass: starting threads costs more than they
/// save.
inline constexpr std::uint64_t kParallelFromBytes = std::uint64_t{8} << 20;

/// Outputs of inputs smaller than this may wait to be put in place with others, all synced
/// at once: what a small file's own sync costs is mostly the disk's flush, paid once for all.
inline constexpr std::uint64_t kCommitTogetherBelowBytes = std::uint64_t{8} << 20;

ThreadPlan PlanRun(const RunResources& resources, const PlanRequest& request);

/// What the plan counts for one file on one thread with the largest buffers, and what it
/// counts more for the pass's worker number `workers` (the first costs most: the chunks in
/// flight), in bytes.
std::uint64_t PlannedFileMemory();
std::uint64_t PlannedWorkerMemory(int workers);

}  // namespace tessary
