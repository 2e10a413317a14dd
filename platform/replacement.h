// A new version of a file, written beside it and put in its place in one step, so that the
// file is either wholly old or wholly new, whatever happens to the program or the machine,
// and never put over a file that another program changed or put there meanwhile.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/file.h"

namespace tessary::platform {

/// What keeps a file from being replaced, found before anything is written.
struct Obstacle {
  Error error = 0;     ///< the system's error for it; 0 when nothing keeps the file
  std::string reason;  ///< why, in words, to follow the file's name: "is immutable, ..."

  explicit operator bool() const { return error != 0; }
};

class Replacement {
 public:
  Replacement() = default;
  Replacement(const Replacement&) = delete;
  Replacement& operator=(const Replacement&) = delete;
  /// Removes the new file unless it was put in place; never throws.
  ~Replacement();

  /// What keeps the file `target` (which FollowLinks has resolved; it may not exist yet) from
  /// being replaced, which Create does not tell: a file or folder that the system keeps from
  /// being changed (immutable or append-only on Linux, read-only on Windows), a folder where
  /// only a file's owner may replace it, an owner or group that a new file could not keep.
  /// With `mustBeWritable`, also a file that the user may not write ("Permission denied"), as
  /// for a model replaced in place, which is not opened for writing.
  static Obstacle CheckReplaceable(const std::string& target, bool mustBeWritable);

  /// Removes the new files that earlier runs left beside `target` (a hidden name of
  /// TemporaryName's form for the same name) and that no running program holds, as after a
  /// `kill -9`. Returns their paths. Never throws; what cannot be removed stays.
  static std::vector<std::string> RemoveStaleFiles(const std::string& target) noexcept;

  /// Creates an empty, hidden file with a name of its own in the folder of `target` (which
  /// FollowLinks has resolved), held so that RemoveStaleFiles leaves it alone. `original`,
  /// when given, is `target` opened: the new file gets its owner and group now (Create fails
  /// when they cannot be kept), its access (permission bits, access control list, security
  /// attributes; never wider) when Commit puts it in place, and until then only the owner may
  /// use it, whatever the folder's default access says. Until Commit or Abandon the file is
  /// removed should the program end by a signal or by exit(). Returns 0 or the error, after
  /// which nothing has changed.
  Error Create(const std::string& target, const File* original);

  /// The new file, to write to.
  File& file() { return file_; }

  /// Puts the new file's data on disk.
  Error Sync();

  /// Gets several new files, written whole, ready to be committed together, for less than a
  /// sync of each: each gets the access Commit would give it, then where the system can put
  /// a whole file system on disk at once and report any write that failed (Linux 5.8 and
  /// later), each file system they are on is synced once, and the files there count as
  /// synced. Where it cannot, or that sync reports a failure, nothing is counted: each
  /// file's own sync at Commit says which failed. Never throws.
  static void SyncTogether(std::span<Replacement* const> replacements) noexcept;

  /// Whether Commit puts the folder's new entry on disk itself, or leaves it to SyncFolders.
  enum class FolderSync { Now, Later };

  /// Puts the new file in the place of the target, on disk (synced first unless Sync was
  /// called), replacing the file that was there. `original` is let go of on the way (it is
  /// open while the replacement happens on POSIX, to keep its lock, and closed just before
  /// on Windows, whose replace needs the file free). `expected` is what the target was when
  /// it was opened, or nullptr when it did not exist: when the name no longer gives that
  /// file, unchanged (another program saved over it, wrote to it or created it meanwhile),
  /// nothing is replaced and changed_meanwhile() tells so. On failure the target is as it was,
  /// or as the other program left it.
  /// With FolderSync::Later, the rename is on disk only once SyncFolders has been called.
  Error Commit(File& original, const FileStatus* expected, FolderSync folderSync = FolderSync::Now);
  bool changed_meanwhile() const { return changedMeanwhile_; }

  /// Puts on disk the folders of replacements committed with FolderSync::Later, each folder
  /// once however many of them it holds. Never throws.
  static void SyncFolders(std::span<Replacement* const> replacements) noexcept;

  /// Removes the new file; the target is as it was.
  void Abandon() noexcept;

 private:
  Error GiveAccess();  // POSIX: the replaced file's access, once nothing more is written

  File file_;
  std::string target_;
  std::string path_;  // of the new file; empty when there is none
  bool synced_ = false;
  bool changedMeanwhile_ = false;
  // Each system's own way of not leaving the new file behind at an abrupt end:
  [[maybe_unused]] int slot_ = -1;                // POSIX: where its name is noted for removal
  [[maybe_unused]] bool removedOnClose_ = false;  // Windows: the system removes it when closed
  // POSIX: the folder, open, that the new file is made, renamed and removed in, whatever
  // happens to its path meanwhile; the new file's name in it; the file it replaces.
  [[maybe_unused]] File folder_;
  [[maybe_unused]] std::string name_;
  [[maybe_unused]] const File* original_ = nullptr;
  [[maybe_unused]] bool accessGiven_ = false;
  [[maybe_unused]] std::uint64_t created_ = 0;  // POSIX: the order in which new files were made
};

}  // namespace tessary::platform
