// How far a run has come, counted by the threads that do the work.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "model/job/record.h"

namespace tessary {

/// What a progress report tells.
struct ProgressSnapshot {
  std::size_t filesDone = 0;
  std::size_t files = 0;
  std::uint64_t bytesDone = 0;
  std::uint64_t bytes = 0;  ///< the total, 0 when unknown (a pipe)
  double seconds = 0.0;     ///< since the work started
};

/// Counters for pieces of work that each read one file; safe to update from any thread.
class ProgressCounter {
 public:
  static constexpr std::uint64_t kUnknownSize = ~std::uint64_t{0};

  /// One size for each piece: the bytes it will read, or kUnknownSize (a pipe).
  explicit ProgressCounter(const std::vector<std::uint64_t>& sizes);

  /// The work on `file` has read `done` of its bytes.
  void SetBytes(std::size_t file, std::uint64_t done) { done_[file].store(done); }
  /// A piece of work ended, done or failed; work that was stopped is not counted.
  void FileDone() { filesDone_.fetch_add(1); }

  /// With a total only when every size is known, and each piece counted up to its size.
  ProgressSnapshot Snapshot(double seconds) const;

 private:
  std::vector<std::uint64_t> sizes_;
  std::unique_ptr<std::atomic<std::uint64_t>[]> done_;
  std::atomic<std::size_t> filesDone_{0};
};

/// What reading the input `file` will take, for a ProgressCounter: its size, kUnknownSize for
/// a stream (standard input, a pipe, a device), 0 when it cannot be looked at (its work ends
/// at once).
std::uint64_t InputSize(const JobFile& file);

}  // namespace tessary
