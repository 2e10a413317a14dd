// How far a run has come, counted by the threads that do the work, and the line on standard
// error that shows it: files and bytes done of the total, the rate and the time left.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "platform/process.h"

namespace tessary::cli {

/// What the progress line shows.
struct ProgressSnapshot {
  std::size_t filesDone = 0;
  std::size_t files = 0;
  std::uint64_t bytesDone = 0;
  std::uint64_t bytes = 0;  ///< the total, 0 when unknown (a pipe)
  double seconds = 0.0;     ///< since the work started
};

/// The line's text, such as "12/200 files, 3.1 of 7.5 MiB, 85.2 MiB/s, 1 s left".
std::string ProgressText(const ProgressSnapshot& snapshot);

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

/// What reading the INPUT `path` will take, for a ProgressCounter: its size, kUnknownSize for
/// a stream ("-", a pipe, a device), 0 when it cannot be looked at (its work ends at once).
std::uint64_t InputSize(const std::string& path);

/// The line itself, redrawn in place with a carriage return. In ProgressMode::Auto it is
/// shown only when standard error is a terminal and the work looks like lasting more than
/// about a second; Always and Never force it.
class ProgressLine {
 public:
  ProgressLine(const ProgressCounter& counter, ProgressMode mode,
               platform::Stream stream = platform::Stream::Error);
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  /// Redraws the line if it is due (at most ten times a second).
  void Tick();
  /// Wipes the line, so that a message can be printed; the next Tick draws it again.
  void Clear();
  /// When the line was shown: draws the final state and ends the line.
  void Finish();

 private:
  double Elapsed() const;
  bool Due(const ProgressSnapshot& snapshot) const;
  void Draw(const std::string& text);

  const ProgressCounter& counter_;
  ProgressMode mode_;
  platform::Stream stream_;
  bool terminal_;
  std::chrono::steady_clock::time_point start_;
  double lastDrawn_ = -1.0;
  std::size_t shownWidth_ = 0;  // 0: nothing on the line
  bool everShown_ = false;
};

}  // namespace tessary::cli
