#include "platform/replacement.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <sys/sysmacros.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <compare>
#include <cstdint>
#include <cstdio>
#include <map>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/posix/file_access.h"
#include "platform/posix/file_status.h"
#include "platform/posix/temporary_files.h"
#include "platform/temporary_name.h"

namespace tessary::platform {
namespace {

int OpenFolder(const std::string& target) {
  return ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// The file-system flags (chattr's) of the file `path` names, or 0 when they cannot be read.
int FlagsOf(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return 0;
  int flags = 0;
  if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) flags = 0;
  ::close(fd);
  return flags;
}

bool InGroup(gid_t group) {
  if (group == ::getegid()) return true;
  std::vector<gid_t> groups(static_cast<std::size_t>(std::max(0, ::getgroups(0, nullptr))));
  const int count = ::getgroups(static_cast<int>(groups.size()), groups.data());
  for (int i = 0; i < count; ++i) {
    if (groups[static_cast<std::size_t>(i)] == group) return true;
  }
  return false;
}

// Whether `status` still describes the file `name` in `folder`: the same file, with the same
// size and data. The change time is left out after a rename, which sets it.
bool StillTheFile(int folder, const std::string& name, const FileStatus& expected,
                  bool compareChangeTime) {
  struct stat now {};
  if (::fstatat(folder, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0) return false;
  FileStatus found = StatusFrom(now);
  if (!compareChangeTime) found.changed = expected.changed;
  return expected.Unchanged(found);
}

// Whether the system cannot exchange or refuse to replace names on this file system.
bool Unsupported(int error) {
  return error == EINVAL || error == ENOSYS || error == ENOTSUP;
}

// The names in the folder open as `folder` that TemporaryName gives for `name`. A batch
// writes many outputs to one folder: each folder is listed once per process (told apart by
// device, inode and birth time, so that a folder made later at a reused inode is listed anew),
// not once per output, and each name found is offered once. Files left in it after the
// listing wait for a later run.
std::vector<std::string> TemporaryNamesFor(int folder, const std::string& name) {
  struct FolderKey {
    dev_t device;
    ino_t inode;
    std::int64_t born;
    auto operator<=>(const FolderKey&) const = default;
  };
  static std::mutex mutex;
  static std::map<FolderKey, std::vector<std::string>> listed;
  struct statx status {};
  const bool known = ::statx(folder, "", AT_EMPTY_PATH, STATX_INO | STATX_BTIME, &status) == 0 &&
                     (status.stx_mask & STATX_BTIME) != 0;
  const FolderKey key{
      makedev(status.stx_dev_major, status.stx_dev_minor), static_cast<ino_t>(status.stx_ino),
      status.stx_btime.tv_sec * std::int64_t{1'000'000'000} + status.stx_btime.tv_nsec};
  const std::lock_guard<std::mutex> hold(mutex);
  auto found = known ? listed.find(key) : listed.end();
  std::vector<std::string> names;
  if (found == listed.end()) {
    const int copy = ::dup(folder);
    DIR* const entries = copy < 0 ? nullptr : ::fdopendir(copy);
    if (entries == nullptr) {
      if (copy >= 0) ::close(copy);
      return {};
    }
    constexpr std::string_view kMark = ".tessary-";
    while (const dirent* entry = ::readdir(entries)) {
      const std::string_view entryName = entry->d_name;
      if (entryName.size() > kMark.size() + 7 && entryName[0] == '.' &&
          entryName.substr(entryName.size() - kMark.size() - 6, kMark.size()) == kMark) {
        names.emplace_back(entryName);
      }
    }
    ::closedir(entries);
    if (!known)
      std::erase_if(names, [&](const std::string& n) { return !IsTemporaryNameOf(n, name); });
    if (!known) return names;
    found = listed.emplace(key, std::move(names)).first;
  }
  std::vector<std::string> matching;
  std::erase_if(found->second, [&](const std::string& candidate) {
    if (!IsTemporaryNameOf(candidate, name)) return false;
    matching.push_back(candidate);
    return true;
  });
  return matching;
}

// Whether syncfs reports the writes it could not do: Linux does from 5.8 on, and says
// nothing of them before.
bool SyncfsReportsFailures() {
  static const bool reports = [] {
    struct utsname system {};
    int major = 0;
    int minor = 0;
    if (::uname(&system) != 0 || std::sscanf(system.release, "%d.%d", &major, &minor) != 2) {
      return false;
    }
    return major > 5 || (major == 5 && minor >= 8);
  }();
  return reports;
}

// Numbers the new files in the order they are made.
std::atomic<std::uint64_t> madeSoFar{0};

}  // namespace

Replacement::~Replacement() {
  Abandon();
}

Obstacle Replacement::CheckReplaceable(const std::string& target, bool mustBeWritable) {
  const auto because = [](Error error, const char* reason) { return Obstacle{error, reason}; };
  const int folderFlags = FlagsOf(FolderOf(target));
  if ((folderFlags & FS_IMMUTABLE_FL) != 0) {
    return because(EPERM, "is in an immutable folder, whose files cannot be replaced");
  }
  if ((folderFlags & FS_APPEND_FL) != 0) {
    return because(EPERM, "is in an append-only folder, whose files cannot be replaced");
  }
  struct stat file {};
  if (::stat(target.c_str(), &file) != 0 || !S_ISREG(file.st_mode)) return {};
  const int flags = FlagsOf(target);
  if ((flags & FS_IMMUTABLE_FL) != 0) {
    return because(EPERM, "is immutable, so it cannot be replaced");
  }
  if ((flags & FS_APPEND_FL) != 0) {
    return because(EPERM, "is append-only, so it cannot be replaced");
  }
  if (mustBeWritable && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
    return {errno, ErrorText(errno)};
  }
  const uid_t user = ::geteuid();
  if (user == 0) return {};  // the superuser may give any owner and replace in any folder
  struct stat folder {};
  if (::stat(FolderOf(target).c_str(), &folder) == 0 && (folder.st_mode & S_ISVTX) != 0 &&
      folder.st_uid != user && file.st_uid != user) {
    return because(EPERM, "is in a folder where only its owner may replace it");
  }
  if (file.st_uid != user) {
    return because(EPERM, "belongs to another user, whom a new file in its place could not keep");
  }
  if (!InGroup(file.st_gid) && !((folder.st_mode & S_ISGID) != 0 && folder.st_gid == file.st_gid)) {
    return because(EPERM, "belongs to a group that a new file in its place could not keep");
  }
  return {};
}

std::vector<std::string> Replacement::RemoveStaleFiles(const std::string& target) noexcept {
  std::vector<std::string> removed;
  try {
    const int folder = OpenFolder(target);
    if (folder < 0) return removed;
    const File folderFile = File::Own(folder);
    const std::vector<std::string> stale = TemporaryNamesFor(folder, NameOf(target));
    for (const std::string& candidate : stale) {
      // A running program holds its new file locked from creation to its end: a lock that
      // can be had says that no program is writing this one.
      const int fd = ::openat(folder, candidate.c_str(),
                              O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
      if (fd < 0) continue;
      const File file = File::Own(fd);
      struct stat status {};
      if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) ||
          ::flock(fd, LOCK_EX | LOCK_NB) != 0 ||
          !StillTheFile(folder, candidate, StatusFrom(status), true)) {
        continue;
      }
      if (::unlinkat(folder, candidate.c_str(), 0) == 0) {
        removed.push_back(JoinPath(FolderOf(target), candidate));
      }
    }
  } catch (...) {  // no memory: what was found so far
  }
  return removed;
}

Error Replacement::Create(const std::string& target, const File* original) {
  Abandon();
  const int folder = OpenFolder(target);
  if (folder < 0) return errno;
  folder_ = File::Own(folder);
  struct stat originalStatus {};
  if (original != nullptr && ::fstat(static_cast<int>(original->handle()), &originalStatus) != 0) {
    return errno;
  }
  const std::string name = NameOf(target);
  // Only the owner may use the replacement of an existing file until it has that file's
  // access; a new file is made as the user's file-creation mask says.
  const mode_t mode = original != nullptr ? 0600 : 0666;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string temporary = TemporaryName(name);
    const int fd = ::openat(folder, temporary.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return errno;
    }
    File created = File::Own(fd);
    // Locked from the start, so that no other run takes it for one left behind; and still
    // under its name, which another run could have removed before the lock. A file made here
    // that cannot be used is removed again before anything else is tried.
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
      const Error error = errno;
      ::unlinkat(folder, temporary.c_str(), 0);
      return error;
    }
    Error locked = created.Lock();
    for (int retry = 0; locked == EINTR && retry < 100; ++retry)
      locked = created.Lock();
    struct stat named {};
    if (::fstatat(folder, temporary.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0) {
      const Error error = errno;
      if (error == ENOENT) continue;  // another run took it for one left behind and removed it
      ::unlinkat(folder, temporary.c_str(), 0);
      return error;
    }
    if (!StatusFrom(status).Unchanged(StatusFrom(named))) {
      continue;  // removed by another run, and the name taken again since: not ours to remove
    }
    if (locked != 0) {
      // Another run holds it, about to remove it, or the lock cannot be had at all.
      ::unlinkat(folder, temporary.c_str(), 0);
      if (locked == EWOULDBLOCK) continue;
      return locked;
    }
    file_ = std::move(created);
    created_ = ++madeSoFar;
    target_ = target;
    name_ = std::move(temporary);
    path_ = JoinPath(FolderOf(target), name_);
    slot_ = RememberTemporaryFile(folder, name_);
    if (original != nullptr) {
      original_ = original;
      Error error = MakeOwnerOnly(fd);
      if (error == 0) error = KeepOwner(originalStatus, fd);
      if (error != 0) {
        Abandon();
        return error;
      }
    }
    return 0;
  }
  return EEXIST;
}

Error Replacement::GiveAccess() {
  if (original_ == nullptr || accessGiven_) return 0;
  const int from = static_cast<int>(original_->handle());
  struct stat status {};
  if (::fstat(from, &status) != 0) return errno;
  CopyAccess(from, status, static_cast<int>(file_.handle()));
  accessGiven_ = true;
  // Synced before: the access goes to disk with the rest.
  synced_ = false;
  return 0;
}

void Replacement::SyncTogether(std::span<Replacement* const> replacements) noexcept {
  // Each file's access first, so that one sync puts everything on disk.
  for (Replacement* replacement : replacements) {
    if (replacement->file_.is_open()) replacement->GiveAccess();
  }
  if (!SyncfsReportsFailures()) return;
  // By file system: syncfs reports the failures since the descriptor it is given was opened,
  // so it is given the one opened first.
  std::map<dev_t, std::vector<Replacement*>> byDevice;
  for (Replacement* replacement : replacements) {
    struct stat status {};
    if (replacement->synced_ || !replacement->file_.is_open() ||
        ::fstat(static_cast<int>(replacement->file_.handle()), &status) != 0) {
      continue;
    }
    try {
      byDevice[status.st_dev].push_back(replacement);
    } catch (...) {  // no memory: each syncs at Commit
      return;
    }
  }
  for (const auto& [device, onIt] : byDevice) {
    const Replacement* first = *std::min_element(
        onIt.begin(), onIt.end(), [](auto* a, auto* b) { return a->created_ < b->created_; });
    if (::syncfs(static_cast<int>(first->file_.handle())) != 0) continue;
    for (Replacement* replacement : onIt)
      replacement->synced_ = true;
  }
}

void Replacement::SyncFolders(std::span<Replacement* const> replacements) noexcept {
  std::vector<std::pair<dev_t, ino_t>> synced;
  for (Replacement* replacement : replacements) {
    // Not committed: its folder stays open, to remove the new file from.
    if (!replacement->folder_.is_open() || !replacement->name_.empty()) continue;
    const int folder = static_cast<int>(replacement->folder_.handle());
    struct stat status {};
    const bool known = ::fstat(folder, &status) == 0;
    const std::pair<dev_t, ino_t> id{status.st_dev, status.st_ino};
    if (!known || std::find(synced.begin(), synced.end(), id) == synced.end()) {
      ::fsync(folder);
      try {
        if (known) synced.push_back(id);
      } catch (...) {  // no memory: the next ones of this folder are synced again
      }
    }
    replacement->folder_.Reset();
  }
}

Error Replacement::Commit(File& original, const FileStatus* expected, FolderSync folderSync) {
  changedMeanwhile_ = false;
  // The old file's access, now that nothing more is written: set before the data goes to
  // disk, so that it goes with them.
  if (const Error error = GiveAccess(); error != 0) return error;
  if (const Error error = Sync(); error != 0) return error;
  const int folder = static_cast<int>(folder_.handle());
  const std::string name = NameOf(target_);
  if (expected == nullptr) {
    // A new file: never over one that another program made meanwhile.
    if (::renameat2(folder, name_.c_str(), folder, name.c_str(), RENAME_NOREPLACE) != 0) {
      const Error error = errno;
      if (error == EEXIST) {
        changedMeanwhile_ = true;
        return error;
      }
      if (!Unsupported(error)) return error;
      struct stat existing {};
      if (::fstatat(folder, name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
        changedMeanwhile_ = true;
        return EEXIST;
      }
      if (::renameat(folder, name_.c_str(), folder, name.c_str()) != 0) return errno;
    }
  } else {
    if (!StillTheFile(folder, name, *expected, true)) {
      changedMeanwhile_ = true;
      return ESTALE;
    }
    // The names are exchanged, and the file that was in place checked once more under the
    // new file's name: when another program put its own there between the check above and
    // the exchange, the exchange is undone and its file stays.
    if (::renameat2(folder, name_.c_str(), folder, name.c_str(), RENAME_EXCHANGE) == 0) {
      if (!StillTheFile(folder, name_, *expected, false)) {
        ::renameat2(folder, name_.c_str(), folder, name.c_str(), RENAME_EXCHANGE);
        changedMeanwhile_ = true;
        return ESTALE;
      }
      // The old file goes; should this fail, it is left under the new file's name, stale.
      ::unlinkat(folder, name_.c_str(), 0);
    } else if (const Error error = errno; !Unsupported(error)) {
      return error;
    } else if (::renameat(folder, name_.c_str(), folder, name.c_str()) != 0) {
      return errno;
    }
  }
  ForgetTemporaryFile(std::exchange(slot_, -1));
  path_.clear();
  name_.clear();
  file_.Reset();
  original.Reset();  // the replaced file, and its lock, go
  original_ = nullptr;
  // The rename itself is on disk once the folder is.
  if (folderSync == FolderSync::Now) {
    ::fsync(folder);
    folder_.Reset();
  }
  return 0;
}

void Replacement::Abandon() noexcept {
  file_.Reset();
  if (!name_.empty()) ::unlinkat(static_cast<int>(folder_.handle()), name_.c_str(), 0);
  ForgetTemporaryFile(std::exchange(slot_, -1));
  folder_.Reset();
  path_.clear();
  name_.clear();
  original_ = nullptr;
  accessGiven_ = false;
  synced_ = false;
}

}  // namespace tessary::platform
