// Files as the operating system gives them: opened alone, read, written, put on disk and
// closed, with their kind, size and identity. Paths are UTF-8 on every system.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/error.h"

namespace tessary::platform {

enum class FileKind {
  Regular,
  Folder,
  Pipe,      ///< a pipe, FIFO or socket: reading or writing may wait for another program
  Terminal,  ///< a terminal or console
  Device,    ///< another device, such as /dev/null or NUL
  Other,
};

/// Which file the system means, the same for every name and every open handle of it: device
/// and inode on POSIX, volume serial number and file index on Windows.
struct FileId {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  bool volumeKnown = true;  ///< false where the system tells a file's index but not its volume
  auto operator<=>(const FileId&) const = default;

  /// Whether both are one file. An unknown volume matches any: when in doubt, the same file.
  bool SameFileAs(const FileId& other) const {
    return index == other.index && (volume == other.volume || !volumeKnown || !other.volumeKnown);
  }
};

struct FileStatus {
  FileKind kind = FileKind::Other;
  std::uint64_t size = 0;  ///< of a regular file
  FileId id;
  bool identified = false;  ///< whether `id` is known (not for an anonymous pipe on Windows)
  /// When the file's data last changed, and when anything about it last changed (its data,
  /// links or access), in the system's own units; 0 where the system does not tell.
  std::int64_t modified = 0;
  std::int64_t changed = 0;

  /// Whether `now` is this same file with nothing about it changed since this was taken: the
  /// same identity, size and times.
  bool Unchanged(const FileStatus& now) const {
    return identified && now.identified && id.SameFileAs(now.id) && size == now.size &&
           modified == now.modified && changed == now.changed;
  }

  /// Whether what is written to it could be read back from it, so that it must never be both
  /// the input and the output: a regular file or a named pipe. Writing to a terminal or a
  /// device does not change what is read from it.
  bool HoldsData() const {
    return identified && (kind == FileKind::Regular || kind == FileKind::Pipe);
  }
};

/// The status of the file that `path` names, symbolic links followed.
Error StatusOf(const std::string& path, FileStatus& status);

/// `path` made absolute and lexically normal, for messages; symbolic links stay as named.
/// `path` itself when that fails.
std::string FullPath(const std::string& path);

/// The file that writing to `path` replaces: symbolic links at its end (not in its folders)
/// followed, also a dangling one, which gives the file it would create.
std::string FollowLinks(const std::string& path);

/// The folder part of `path`, empty when it has none ("a.mdl"), and its last part, empty when
/// it names a folder ("models/").
std::string ParentOf(const std::string& path);
std::string NameOf(const std::string& path);
/// `name` inside `folder`; just `name` when `folder` is empty.
std::string JoinPath(const std::string& folder, const std::string& name);
/// The folder that holds `path`: its parent, or "." when it has none.
inline std::string FolderOf(const std::string& path) {
  std::string parent = ParentOf(path);
  return parent.empty() ? "." : parent;
}

/// A file name as the file system compares names: as it is on POSIX; on Windows in one case,
/// without the trailing dots and spaces that Windows drops.
std::string ComparableName(const std::string& name);

/// The first character of `text` that a file's name cannot hold, as it would name a folder, a
/// stream or a device instead ("/" on POSIX; also \ : * ? " < > | and control characters on
/// Windows), or 0 when there is none.
char CharacterNotInNames(const std::string& text);

/// The files of a running command (its inputs and outputs), which nothing it does on the
/// side, such as clearing what earlier runs left, may touch: existing files by identity,
/// files still to be made by their folder's identity and their name.
class RunFiles {
 public:
  /// Adds the file that `path` names now, or the name it would be made under.
  void Add(const std::string& path);
  /// Whether the file `file`, named `name` in the folder `folder`, is one of them.
  bool Holds(const FileId& file, const FileId& folder, const std::string& name) const;

 private:
  std::vector<FileId> files_;
  std::vector<std::pair<FileId, std::string>> names_;  // names as ComparableName gives them
};

/// An open file: owned, and closed when destroyed, or borrowed from the process (standard
/// input or output) and never closed. Movable, not copyable. Reads and writes may come from
/// two threads at once (a write and a sync).
class File {
 public:
  enum class Standard { Input, Output };

  File() noexcept = default;
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  /// Closes an owned file; errors are ignored.
  ~File();

  /// Opens the existing file `path` for reading, and alone: while it is open, no other
  /// program that asks for the same (flock on POSIX, share modes on Windows) can open it to
  /// write, and none already has it (InUse). A named pipe is opened without waiting for its
  /// writer; reading waits instead. A folder is IsFolder.
  static Error OpenToRead(const std::string& path, File& file);
  /// Opens the existing file `path` for writing without changing it, which checks that it may
  /// be written. A named pipe that no program reads is NoReader, at once.
  static Error OpenToWrite(const std::string& path, File& file);
  /// Standard input or output, borrowed.
  static File Borrow(Standard which) noexcept;
  /// Uses `handle` without ever closing it: the caller keeps it open.
  static File Borrow(std::intptr_t handle) noexcept;

  bool is_open() const noexcept { return handle_ != kNone; }
  bool owned() const noexcept { return owned_; }
  /// What the file is now; kind Other when the system cannot say.
  FileStatus Status() const;

  /// Keeps other programs from opening an open regular file (as OpenToRead does) until it is
  /// closed; InUse when one has it. Never waits.
  Error Lock();

  /// Reads up to `size` bytes into `into`; `count` is 0 at the end of the file. Interrupted
  /// when a signal came first or nothing is there yet: look at what the signal meant, and try
  /// again.
  Error Read(char* into, std::size_t size, std::size_t& count);
  /// Writes up to `size` bytes, at least one unless it fails; Interrupted as for Read.
  Error Write(const char* data, std::size_t size, std::size_t& count);
  /// Waits up to `milliseconds` (or for ever when negative) until reading or writing would not
  /// wait; false when the time ran out or a signal came. Ready at once for a regular file.
  bool WaitToRead(int milliseconds);
  bool WaitToWrite(int milliseconds);

  /// Where the next read or write happens, from the start of the file.
  Error Position(std::uint64_t& offset);
  Error Seek(std::uint64_t offset);
  /// Cuts the file (or makes it longer) to `size` bytes.
  Error Truncate(std::uint64_t size);
  /// Puts the file's data and everything needed to read it back on disk.
  Error Sync();
  /// Starts the writing of the data written so far (`wait` false), or writes it and waits
  /// until the disk has it (`wait` true), so that a later Sync has less to do; may do nothing.
  /// Called from another thread while writing goes on. Returns what waiting found (0 when not
  /// waiting): a failure returned here is the file's failure, as Sync may not report it again
  /// (Linux tells each failed write back to a file once).
  Error SyncDataSoon(bool wait) noexcept;

  /// Closes an owned file (a borrowed one is only let go) and reports what closing found.
  Error Close() noexcept;
  /// Closes without reporting anything.
  void Reset() noexcept;

  /// The system's handle: a descriptor on POSIX, a HANDLE on Windows.
  using Handle = std::intptr_t;
  static constexpr Handle kNone = -1;
  Handle handle() const noexcept { return handle_; }
  /// Takes ownership of `handle`.
  static File Own(Handle handle) noexcept;

 private:
  Handle handle_ = kNone;
  bool owned_ = false;
};

}  // namespace tessary::platform
