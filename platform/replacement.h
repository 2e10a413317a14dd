// A new version of a file, written beside it and put in its place in one step, so that the
// file is either wholly old or wholly new, whatever happens to the program or the machine.
#pragma once

#include <string>

#include "platform/error.h"
#include "platform/file.h"

namespace tessary::platform {

class Replacement {
 public:
  Replacement() = default;
  Replacement(const Replacement&) = delete;
  Replacement& operator=(const Replacement&) = delete;
  /// Removes the new file unless it was put in place; never throws.
  ~Replacement();

  /// Whether the file `target` may be replaced at all, which Create does not tell: on Windows
  /// a read-only file may not be (access denied); on POSIX that is up to its folder.
  static Error CheckReplaceable(const std::string& target);

  /// Creates an empty, hidden file with a name of its own in the folder of `target` (which
  /// FollowLinks has resolved). `original`, when given, is `target` opened: the new file
  /// will give the same access as it (owner where the system allows, permission bits,
  /// access control list, security attributes; never wider), and until then only the owner
  /// may use it. Until Commit or Abandon the file is removed should the program end by a
  /// signal or by exit(). Returns 0 or the error, after which nothing has changed.
  Error Create(const std::string& target, const File* original);

  /// The new file, to write to.
  File& file() { return file_; }

  /// Puts the new file's data on disk.
  Error Sync();

  /// Puts the new file in the place of the target, on disk (synced first unless Sync was
  /// called), replacing the file that was there. `original` is let go of on the way (it is
  /// open while the replacement happens on POSIX, to keep its lock, and closed just before
  /// on Windows, whose replace needs the file free). On failure the target is as it was.
  Error Commit(File& original);

  /// Removes the new file; the target is as it was.
  void Abandon() noexcept;

 private:
  File file_;
  std::string target_;
  std::string path_;  // of the new file; empty when there is none
  bool synced_ = false;
  // Each system's own way of not leaving the new file behind at an abrupt end:
  [[maybe_unused]] int slot_ = -1;                // POSIX: where its path is noted for removal
  [[maybe_unused]] bool removedOnClose_ = false;  // Windows: the system removes it when closed
};

}  // namespace tessary::platform
