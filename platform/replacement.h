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

/// A file found beside an output that looks like a new file an earlier run did not finish.
struct Leftover {
  std::string path;
  bool removed = false;  ///< removed, as a file this program made; otherwise left as it is
  bool operator==(const Leftover&) const = default;
};

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

  /// Looks beside `target` (which FollowLinks has resolved) for new files that an earlier run
  /// may have left, as after a `kill -9`: regular files with a hidden name of TemporaryName's
  /// form for the same name that no program holds (with any kind of lock, or open without
  /// sharing on Windows) and that are none of the files in `keep` (the running command's own
  /// inputs and outputs). Such a file is removed only when it carries the mark this program
  /// gives its new files until they are in place, belongs to this user and has no other name;
  /// anything else is left as it is. Returns what was found and what became of each, by path.
  /// Never throws; what cannot be removed stays.
  static std::vector<Leftover> CleanLeftovers(const std::string& target,
                                              std::span<const RunFiles* const> keep) noexcept;

  /// Creates an empty new file in the folder of `target` (which FollowLinks has resolved),
  /// held so that CleanLeftovers leaves it alone. Where the system allows it (Linux, on most
  /// file systems) the file has no name until Commit gives it one, so that an abrupt end
  /// leaves nothing behind; otherwise it has a hidden name of its own (TemporaryName) and
  /// carries a mark that tells a later run that this program made it. `original`, when given,
  /// is `target` opened: the new file gets its owner and group now (Create fails when they
  /// cannot be kept), its access (permission bits, access control list, extended attributes;
  /// never wider, at any moment) when Commit puts it in place, and until then only the owner
  /// may use it, whatever the folder's default access says. Until Commit or Abandon a named
  /// file is removed should the program end by a signal or by exit(). Returns 0 or the
  /// error, after which nothing has changed.
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
  /// file, unchanged (another program saved over it, wrote to it, changed its access or
  /// created it meanwhile), nothing is replaced and changed_meanwhile() tells so. On failure
  /// the target is as it was, or as the other program left it; should another program have
  /// written to the new file while it was briefly in place, the new file is kept, and
  /// kept_aside() gives its path.
  /// With FolderSync::Later, the rename is on disk only once SyncFolders has been called.
  Error Commit(File& original, const FileStatus* expected, FolderSync folderSync = FolderSync::Now);
  bool changed_meanwhile() const { return changedMeanwhile_; }

  /// What Commit kept beside the target after another program's change, at kept_aside().
  enum class Kept {
    Nothing,
    NewFileWrittenTo,   ///< the new file, which the other program wrote to while it was in place
    OtherProgramsFile,  ///< a file that the other program put under the new file's name
    OtherProgramsSave,  ///< the other program's version: the target holds the new file
  };
  Kept kept() const { return kept_; }
  const std::string& kept_aside() const { return keptAside_; }

  /// What of the old file's access the new one could not keep, in words to follow the file's
  /// name ("lost its set-group-ID bit, ..."), or empty; known after Sync or Commit.
  const std::string& access_note() const { return accessNote_; }

  /// Puts on disk the folders of replacements committed with FolderSync::Later, each folder
  /// once however many of them it holds. Never throws.
  static void SyncFolders(std::span<Replacement* const> replacements) noexcept;

  /// Removes the new file; the target is as it was.
  void Abandon() noexcept;

 private:
  Error GiveAccess();  // POSIX: the replaced file's access, once nothing more is written
  // POSIX:
  Error CreateUnnamed(unsigned mode);
  Error CreateNamed(const std::string& name, unsigned mode);
  static Error LockNew(File& created);
  void Mark(int fd);
  void RememberId();
  Error NameUnnamed();
  bool IsNewFileUnder(const std::string& name, bool unchanged) const;
  bool AccessChanged() const;
  Error PutInPlaceOfNothing(const std::string& name);
  Error Exchange(const std::string& name, const FileStatus& expected);
  void KeepAside(Kept kept) noexcept;

  File file_;
  std::string target_;
  std::string path_;  // of the new file; empty when there is none
  bool synced_ = false;
  bool changedMeanwhile_ = false;
  Kept kept_ = Kept::Nothing;
  std::string keptAside_;
  std::string accessNote_;
  // Each system's own way of not leaving the new file behind at an abrupt end:
  [[maybe_unused]] int slot_ = -1;                // POSIX: where its name is noted for removal
  [[maybe_unused]] bool removedOnClose_ = false;  // Windows: the system removes it when closed
  // POSIX: the folder, open, that the new file is made, renamed and removed in, whatever
  // happens to its path meanwhile; the new file's name in it; the file it replaces.
  [[maybe_unused]] File folder_;
  [[maybe_unused]] std::string name_;
  [[maybe_unused]] const File* original_ = nullptr;
  [[maybe_unused]] bool accessCopied_ = false;
  [[maybe_unused]] std::uint64_t created_ = 0;  // POSIX: the order in which new files were made
  [[maybe_unused]] bool unnamed_ = false;       // POSIX: made with no name (O_TMPFILE)
  [[maybe_unused]] bool marked_ = false;        // POSIX: carries the mark of a new file
  // POSIX: the old file's access as the new one was given it, to tell a change made to it
  // just before the exchange of names, which sets the change time itself.
  [[maybe_unused]] std::string accessGiven_;
  [[maybe_unused]] FileStatus newFile_;  // POSIX: the new file, as made and then as written
};

}  // namespace tessary::platform
