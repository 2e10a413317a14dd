// The line on standard error that shows how far a run has come: files and bytes done of the
// total, the rate and the time left.
#pragma once

#include <cstddef>
#include <string>

#include "cli/command_line.h"
#include "model/job/run.h"
#include "platform/process.h"

namespace tessary::cli {

/// The line's text, such as "12/200 files, 3.1 of 7.5 MiB, 85.2 MiB/s, 1 s left".
std::string ProgressText(const ProgressSnapshot& snapshot);

/// The line itself, redrawn in place with a carriage return. In ProgressMode::Auto it is
/// shown only when standard error is a terminal and the work looks like lasting more than
/// about a second; Always and Never force it.
class ProgressLine {
 public:
  explicit ProgressLine(ProgressMode mode, platform::Stream stream = platform::Stream::Error);
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  /// Takes how far the run has come, and redraws the line if it is due (at most ten times a
  /// second).
  void Show(const ProgressSnapshot& snapshot);
  /// Wipes the line, so that a message can be printed; the next Show draws it again.
  void Clear();
  /// When the line was shown: draws the last state it was given and ends the line.
  void Finish();

 private:
  bool Due(const ProgressSnapshot& snapshot) const;
  void Draw(const std::string& text);

  ProgressMode mode_;
  platform::Stream stream_;
  bool terminal_;
  ProgressSnapshot last_;
  double lastDrawn_ = -1.0;
  std::size_t shownWidth_ = 0;  // 0: nothing on the line
  bool everShown_ = false;
};

}  // namespace tessary::cli
