// Where a pass writes its output, chosen so that a pass that fails, is cancelled or is
// interrupted leaves the output exactly as it was.
//
// - A regular file, or a name that does not exist yet, is written to a new file beside it (see
//   platform::Replacement), which replaces the output only at Commit, once its data is on
//   disk. A symbolic link's target is replaced, never the link; a file with other hard links
//   is replaced under this name only, and its other names keep the old content (writing it in
//   place would leave it cut under every name when the pass fails). An existing output keeps
//   who may read and write it, and stays locked against other openers until then. A file that
//   cannot be replaced (see platform::Replacement::CheckReplaceable) is refused before the
//   pass, and Commit replaces nothing that another program changed, saved over or created
//   meanwhile: the output is then as that program left it.
// - Replacing the input itself works the same way, with the input's own lock.
// - Anything else (a device such as /dev/null, a FIFO, a socket, a file the caller keeps open
//   such as standard output) is written directly.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/file.h"
#include "platform/replacement.h"

namespace tessary {

class OutputTarget {
 public:
  OutputTarget() = default;
  OutputTarget(const OutputTarget&) = delete;
  OutputTarget& operator=(const OutputTarget&) = delete;
  /// Abandons what was not committed; never throws.
  ~OutputTarget();

  /// Looks at `path` without changing anything: opens an existing output for writing (which
  /// checks that it may be written) without waiting for a FIFO's reader. Returns 0 or the
  /// system's error (NoReader: a FIFO that no program reads).
  platform::Error Open(const std::string& path);
  /// Writes to `handle`, which the caller keeps open, such as standard output.
  void Borrow(platform::File::Handle handle, std::string name);
  /// Replaces the input itself: `input` is the input read from `path`, open and locked by the
  /// caller for as long as this target is used, and let go of at Commit. Nothing is opened for
  /// writing and Prepare takes no lock of its own, but a model that the user may not write is
  /// refused as an output is (a read-only one too). Returns 0, NotRegular when the input is
  /// not a regular file, or the error of what keeps it from being replaced (see refusal()).
  platform::Error OpenInPlace(const std::string& path, platform::File& input);

  /// Why Open, OpenInPlace or Prepare refused the output, when the system's error alone does
  /// not say it ("is immutable, so it cannot be replaced"); empty otherwise.
  const std::string& refusal() const { return refusal_; }
  /// What Prepare found beside the output that earlier runs may have left, and did with it.
  const std::vector<platform::Leftover>& leftovers() const { return leftovers_; }
  /// What of the replaced file's access its new version could not keep, in words to follow
  /// its name, or empty.
  const std::string& access_note() const { return replacement_.access_note(); }

  /// Commit's reasons when another program changed or saved over the output meanwhile, and
  /// when one created it where there was none.
  static const char* const kChangedMeanwhile;
  static const char* const kCreatedMeanwhile;
  /// Commit's reason when another program holds the output as it is to be replaced.
  static const char* const kInUseAtCommit;

  /// What Open, Borrow or OpenInPlace found, for telling whether it is the input.
  const platform::FileStatus& status() const { return status_; }

  /// Gets ready to write: locks an existing regular output (InUse when another program holds
  /// it), checks that it may be replaced, clears what earlier runs left beside it (never one
  /// of the files in `keep`, see platform::Replacement::CleanLeftovers), then creates the new
  /// file. Returns 0 or the system's error; on failure nothing has changed (but for the
  /// leftovers removed), and creating_failed() tells whether the folder refused the new file.
  platform::Error Prepare(std::span<const platform::RunFiles* const> keep = {});
  bool creating_failed() const { return creatingFailed_; }
  /// The folder that takes the new file, as a full path.
  std::string folder() const;

  /// The file to write to, after Prepare.
  platform::File& file() { return replacing_ ? replacement_.file() : existing_; }
  /// Whether the data goes to a new file that Commit puts on disk.
  bool synced_at_commit() const { return replacing_; }
  /// The output as messages name it (never the new file).
  const std::string& name() const { return name_; }

  /// Puts a new file's data on disk (nothing for an output written directly), so that the
  /// caller can still change its mind before Commit. Throws FileError on failure.
  void Sync();
  /// Called after the last byte was written: puts the data on disk (unless Sync did) and puts
  /// the new file in place of the output, or lets go of an output written directly. Throws
  /// FileError on failure, and the output is then as it was (when it was being replaced).
  ///
  /// With FolderSync::Later the output is on disk only once the caller has had
  /// platform::Replacement::SyncFolders put its folder there (with replacement()).
  void Commit(
      platform::Replacement::FolderSync folderSync = platform::Replacement::FolderSync::Now);
  /// The new file, for syncing several together (see platform::Replacement::SyncTogether).
  platform::Replacement& replacement() { return replacement_; }
  /// Removes the new file and lets go of the output, which stays as it was.
  void Abandon() noexcept;

 private:
  std::string MeanwhileReason() const;

  std::string name_;
  std::string finalPath_;    // the file that Commit replaces: symbolic links followed
  platform::File existing_;  // the output as opened (holding its lock), or borrowed
  platform::File* original_ =
      nullptr;  // the file replaced, when it is open: existing_ or the input
  platform::Replacement replacement_;
  platform::FileStatus status_;  // also what Commit expects to replace
  std::string refusal_;
  std::vector<platform::Leftover> leftovers_;
  bool exists_ = false;
  bool inPlace_ = false;
  bool replacing_ = false;
  bool creatingFailed_ = false;
};

}  // namespace tessary
