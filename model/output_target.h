// Where a pass writes its output, chosen so that a pass that fails, is cancelled or is
// interrupted leaves the output exactly as it was.
//
// - A regular file, or a name that does not exist yet, is written to a new temporary file in
//   the same folder, which replaces the output only at Commit, once its data is on disk. A
//   symbolic link's target is replaced, never the link; a file with other hard links is
//   replaced under this name only, and its other names keep the old content (writing it in
//   place would leave it cut under every name when the pass fails). An existing output keeps
//   who may read and write it (see CopyAccess) and stays locked against other openers until
//   then.
// - Anything else (a device such as /dev/null, a FIFO, a socket, a descriptor such as standard
//   output) is written directly.
#pragma once

#include <sys/stat.h>

#include <string>

#include "model/file_handle.h"
#include "model/file_identity.h"

namespace tessary {

/// The file that writing to `path` replaces: symbolic links at its end (not in its folders)
/// followed, also a dangling one, which gives the file it would point to.
std::string FollowLinks(std::string path);

class OutputTarget {
 public:
  OutputTarget() = default;
  OutputTarget(const OutputTarget&) = delete;
  OutputTarget& operator=(const OutputTarget&) = delete;
  /// Abandons what was not committed; never throws.
  ~OutputTarget();

  /// Looks at `path` without changing anything: opens an existing output for writing (which
  /// checks that it may be written) without waiting for a FIFO's reader. Returns 0 or the
  /// system's error number (ENXIO: a FIFO that no program reads).
  int Open(const std::string& path);
  /// Writes to `fd`, which the caller keeps open, such as standard output.
  void Borrow(int fd, std::string name);
  /// Replaces the input itself: `inputFd` is the input read from `path`, open and locked by
  /// the caller for as long as this target is used. Nothing is opened for writing (a
  /// read-only model is replaced as its folder allows) and Prepare takes no lock of its own.
  /// Returns 0, or EINVAL when the input is not a regular file.
  int OpenInPlace(const std::string& path, int inputFd);

  /// What Open or Borrow found, for telling whether it is the input.
  FileIdentity identity() const { return FileIdentity::Of(status_); }

  /// Gets ready to write: locks an existing regular output (EWOULDBLOCK when another program
  /// holds it), then creates the temporary file. Returns 0 or the system's error number; on
  /// failure nothing has changed, and creating_failed() tells whether the folder refused the
  /// temporary file.
  int Prepare();
  bool creating_failed() const { return creatingFailed_; }
  /// The folder that takes the temporary file, as a full path.
  std::string folder() const;

  /// The descriptor to write to, after Prepare.
  int fd() const { return temporary_.is_open() ? temporary_.fd() : existing_.fd(); }
  /// Whether the data goes to a temporary file that Commit syncs to disk.
  bool synced_at_commit() const { return temporary_.is_open(); }
  /// The output as messages name it (never the temporary file).
  const std::string& name() const { return name_; }

  /// Puts a temporary file's data on disk (nothing for an output written directly), so that
  /// the caller can still change its mind before Commit. Throws FileError on failure.
  void Sync();
  /// Called after the last byte was written: puts the data on disk (unless Sync did) and
  /// renames the temporary file over the output, or lets go of an output written directly. Throws
  /// FileError on failure, and the output is then as it was (for a temporary file).
  void Commit();
  /// Removes the temporary file and lets go of the output, which stays as it was.
  void Abandon() noexcept;

 private:
  int CreateTemporary();

  std::string name_;
  std::string finalPath_;      // the file that Commit replaces: symbolic links followed
  std::string temporaryPath_;  // empty when writing directly
  FileHandle existing_;        // the output as opened (holding its lock), or the input in place
  FileHandle temporary_;
  struct stat status_ {};
  bool exists_ = false;
  bool inPlace_ = false;
  bool creatingFailed_ = false;
  bool synced_ = false;
  int trackedSlot_ = -1;  // of the temporary file, for removal at an abrupt end
};

}  // namespace tessary
