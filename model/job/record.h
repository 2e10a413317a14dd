// The one record of what became of a file: made by the driver of one pass (scale_job.h) or
// by a run (run.h), read by every front end, which words it and nothing else.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/pass/file_error.h"
#include "model/pass/fit.h"
#include "model/pass/model_info.h"
#include "model/pass/scaling_pass.h"
#include "platform/file.h"
#include "platform/replacement.h"

namespace tessary {

/// One end of a job: a path, or a file the caller keeps open (standard input or output, a
/// browser's file).
struct JobFile {
  std::string path;  ///< as the user gave it; empty for an open file
  platform::File::Handle handle = platform::File::kNone;
  std::string name;       ///< what messages call the open file, such as "standard input"
  bool standard = false;  ///< standard input or output: a stream, whatever it is open on

  bool is_path() const { return handle == platform::File::kNone; }
  /// The path, or the open file's name.
  const std::string& shown() const { return is_path() ? path : name; }

  static JobFile Path(std::string path) { return {std::move(path), platform::File::kNone, {}}; }
  static JobFile Opened(platform::File::Handle handle, std::string name) {
    return {{}, handle, std::move(name)};
  }
  /// Standard input or output, named so in messages.
  static JobFile Standard(platform::File::Standard which);
};

class WrittenOutput;

/// What became of a file.
enum class JobStatus {
  Done,             ///< the output holds the scaled model (it is in place, even if a cancel
                    ///< or an interrupt came as it was put there); or the model was read
  Written,          ///< the scaled model is whole beside the output, which is as it was, and
                    ///< waits for CommitWritten
  InputNotOpened,   ///< nothing was created or changed
  OutputNotOpened,  ///< nothing was created or changed
  Failed,           ///< reading or writing failed; the output is as it was
  Cancelled,        ///< the output is as it was
  NoFactors,        ///< --fit found no factor (the reason says why); nothing was written
};

/// What was asked of a file, what was done, and for a failure: which file, and why.
struct JobResult {
  JobStatus status = JobStatus::Done;
  FileErrorCause cause = FileErrorCause::Generic;  ///< for Failed
  /// The file concerned: as the user gave it when it could not be opened, its full path
  /// (or a descriptor's name) when reading or writing failed.
  std::string path;
  /// Why, in words: the system's reason, such as "No such file or directory", or one of
  /// "is the same file as the input", "is in use by another program".
  std::string reason;
  int systemError = 0;
  /// What was asked: the input, its output (the input itself in place; none when it was only
  /// read), and the length it was to be fitted to.
  JobFile input;
  JobFile output;
  std::optional<FitRequest> fit;
  ScaleFactors factors;  ///< those the file was scaled by (as chosen, with a fit)
  PassStats stats;
  ModelInfo info;  ///< what the model holds, when it was only read
  /// What was found beside the output that earlier runs may have left (after a `kill -9`,
  /// say), and whether it was removed: the caller tells the user.
  std::vector<platform::Leftover> leftovers;
  /// For Done: what of the replaced file's access its new version could not keep, in words
  /// to follow its name ("lost its set-group-ID bit, ..."), or empty.
  std::string accessNote;
  /// For Written: the scaled model waiting to be put in place, with the files it holds.
  /// When the last copy of the result goes without CommitWritten, it is removed and the
  /// output stays as it was.
  std::shared_ptr<WrittenOutput> written;

  /// What the desktop program says: "Done!", "Unable to open input file.", "Unable to open
  /// output file.", "An unknown error occurred while accessing <path>.", "Disk full while
  /// accessing <path>.", or nothing for a cancelled job and for NoFactors.
  std::string Message() const;
};

}  // namespace tessary
