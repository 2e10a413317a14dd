// How far a run has come, counted by the threads that do the work, and the line on standard
// error that shows it: files and bytes done of the total, the rate and the time left.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/command_line.h"

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

/// Counters for `files` pieces of work, each reading a known number of bytes; safe to update
/// from any thread.
class ProgressCounter {
 public:
  ProgressCounter(std::size_t files, std::uint64_t bytes);

  /// The work on `file` has read `done` of its bytes.
  void SetBytes(std::size_t file, std::uint64_t done) { done_[file].store(done); }
  void FileDone() { filesDone_.fetch_add(1); }

  ProgressSnapshot Snapshot(double seconds) const;

 private:
  std::size_t files_;
  std::uint64_t bytes_;
  std::unique_ptr<std::atomic<std::uint64_t>[]> done_;
  std::atomic<std::size_t> filesDone_{0};
};

/// The line itself, redrawn in place with a carriage return. In ProgressMode::Auto it is
/// shown only when standard error is a terminal and the work looks like lasting more than
/// about a second; Always and Never force it.
class ProgressLine {
 public:
  ProgressLine(const ProgressCounter& counter, ProgressMode mode, std::FILE* stream = stderr);
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
  std::FILE* stream_;
  bool terminal_;
  std::chrono::steady_clock::time_point start_;
  double lastDrawn_ = -1.0;
  std::size_t shownWidth_ = 0;  // 0: nothing on the line
  bool everShown_ = false;
};

}  // namespace tessary::cli
