#include "platform/replacement.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <sys/xattr.h>
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

// Whether the file open as `fd` carries the mark of a new file of this program's.
bool IsMarked(int fd) {
  char value[8];
  return ::fgetxattr(fd, kNewFileMark, value, sizeof value) >= 0;
}

// Whether any program holds the file open as `fd` with a lock of any kind: flock, POSIX or
// open file description locks. When it cannot be told, it is taken as held.
bool HeldByAnyProgram(int fd) {
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return true;
  struct flock query {};
  query.l_type = F_WRLCK;
  query.l_whence = SEEK_SET;
  if (::fcntl(fd, F_OFD_GETLK, &query) != 0) return true;
  return query.l_type != F_UNLCK;
}

// The path through which the open file `fd` can be given a name.
std::string ProcPath(int fd) {
  return "/proc/self/fd/" + std::to_string(fd);
}

// Whether the file open as `fd`, which has no name, can be given one (through /proc, which
// needs no privilege).
bool CanBeNamed(int fd) {
  struct stat direct {};
  struct stat viaProc {};
  return ::fstat(fd, &direct) == 0 && ::stat(ProcPath(fd).c_str(), &viaProc) == 0 &&
         direct.st_dev == viaProc.st_dev && direct.st_ino == viaProc.st_ino;
}

// Whether the system refuses to make a file with no name in this folder: an older kernel, or a
// file system without them.
bool UnnamedUnsupported(int error) {
  return error == EOPNOTSUPP || error == EISDIR || error == EINVAL || error == ENOENT;
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

std::vector<Leftover> Replacement::CleanLeftovers(const std::string& target,
                                                  std::span<const RunFiles* const> keep) noexcept {
  std::vector<Leftover> found;
  try {
    const int folder = OpenFolder(target);
    if (folder < 0) return found;
    const File folderFile = File::Own(folder);
    struct stat folderStatus {};
    if (::fstat(folder, &folderStatus) != 0) return found;
    const FileId folderId = StatusFrom(folderStatus).id;
    for (const std::string& candidate : TemporaryNamesFor(folder, NameOf(target))) {
      // Only a regular file can be a new file of ours: a link, a folder or a FIFO is not.
      const int fd = ::openat(folder, candidate.c_str(),
                              O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
      if (fd < 0) continue;
      const File file = File::Own(fd);
      struct stat status {};
      if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) continue;
      // One of the running command's own files, or one that a program holds (a run under way
      // holds its new file locked from creation to its end), is no leftover.
      const FileStatus fileStatus = StatusFrom(status);
      if (std::any_of(keep.begin(), keep.end(), [&](const RunFiles* files) {
            return files != nullptr && files->Holds(fileStatus.id, folderId, candidate);
          })) {
        continue;
      }
      if (HeldByAnyProgram(fd)) continue;
      Leftover leftover{JoinPath(FolderOf(target), candidate), false};
      // Removed only when this program provably made it: its mark, this user's file, no other
      // name, and still under this name as it was looked at.
      if (IsMarked(fd) && status.st_uid == ::geteuid() && status.st_nlink == 1 &&
          StillTheFile(folder, candidate, fileStatus, true)) {
        leftover.removed = ::unlinkat(folder, candidate.c_str(), 0) == 0;
      }
      found.push_back(std::move(leftover));
    }
  } catch (...) {  // no memory: what was found so far
  }
  return found;
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
  // Only the owner may use the replacement of an existing file until it has that file's
  // access; a new file is made as the user's file-creation mask says.
  const unsigned mode = original != nullptr ? 0600 : 0666;
  target_ = target;
  Error error = CreateUnnamed(mode);
  if (UnnamedUnsupported(error)) error = CreateNamed(NameOf(target), mode);
  if (error != 0) {
    folder_.Reset();
    target_.clear();
    return error;
  }
  const int fd = static_cast<int>(file_.handle());
  created_ = ++madeSoFar;
  if (original != nullptr) {
    original_ = original;
    error = MakeOwnerOnly(fd);
    if (error == 0) error = KeepOwner(originalStatus, fd);
    if (error != 0) {
      Abandon();
      return error;
    }
  }
  return 0;
}

Error Replacement::CreateUnnamed(unsigned mode) {
  const int folder = static_cast<int>(folder_.handle());
  const int fd = ::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC | O_NOCTTY, mode);
  if (fd < 0) return errno;
  File created = File::Own(fd);
  Mark(fd);
  // Without /proc it could never be given a name: a named file is made instead.
  if (!CanBeNamed(fd)) return EOPNOTSUPP;
  // Locked, so that once it has a name at Commit no other run takes it for one left behind.
  if (const Error error = LockNew(created); error != 0) return error;
  file_ = std::move(created);
  unnamed_ = true;
  RememberId();
  return 0;
}

Error Replacement::CreateNamed(const std::string& name, unsigned mode) {
  const int folder = static_cast<int>(folder_.handle());
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string temporary = TemporaryName(name);
    const int fd = ::openat(folder, temporary.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return errno;
    }
    File created = File::Own(fd);
    // Marked at once, so that what an abrupt end leaves of it can be told from anyone else's
    // file. Then locked, and still under its name: another run may have taken it for a
    // leftover and removed it before the lock. A file made here that cannot be used is
    // removed again before anything else is tried.
    Mark(fd);
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
      const Error error = errno;
      ::unlinkat(folder, temporary.c_str(), 0);
      return error;
    }
    const Error locked = LockNew(created);
    struct stat named {};
    if (::fstatat(folder, temporary.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0) {
      const Error error = errno;
      if (error == ENOENT) continue;  // removed by someone else: try another name
      ::unlinkat(folder, temporary.c_str(), 0);
      return error;
    }
    if (!StatusFrom(status).Unchanged(StatusFrom(named))) {
      continue;  // removed, and the name taken again since: not ours to remove
    }
    if (locked != 0) {
      ::unlinkat(folder, temporary.c_str(), 0);
      if (locked == EWOULDBLOCK) continue;
      return locked;
    }
    file_ = std::move(created);
    name_ = std::move(temporary);
    path_ = JoinPath(FolderOf(target_), name_);
    slot_ = RememberTemporaryFile(folder, name_);
    RememberId();
    return 0;
  }
  return EEXIST;
}

Error Replacement::LockNew(File& created) {
  Error locked = created.Lock();
  for (int retry = 0; locked == EINTR && retry < 100; ++retry)
    locked = created.Lock();
  return locked;
}

void Replacement::Mark(int fd) {
  // Where the file system keeps no such attributes, the file is not marked, and what an
  // abrupt end leaves of it is left alone.
  marked_ = ::fsetxattr(fd, kNewFileMark, "1", 1, 0) == 0;
}

void Replacement::RememberId() {
  struct stat status {};
  if (::fstat(static_cast<int>(file_.handle()), &status) == 0) {
    newFile_ = StatusFrom(status);
  }
}

Error Replacement::GiveAccess() {
  if (original_ == nullptr || accessCopied_) return 0;
  const int from = static_cast<int>(original_->handle());
  struct stat status {};
  if (::fstat(from, &status) != 0) return errno;
  try {
    accessGiven_ = AccessOf(from);
    accessNote_ = CopyAccess(from, status, static_cast<int>(file_.handle()));
  } catch (...) {  // no memory
    return ENOMEM;
  }
  accessCopied_ = true;
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

Error Replacement::NameUnnamed() {
  const int folder = static_cast<int>(folder_.handle());
  const std::string proc = ProcPath(static_cast<int>(file_.handle()));
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string temporary = TemporaryName(NameOf(target_));
    if (::linkat(AT_FDCWD, proc.c_str(), folder, temporary.c_str(), AT_SYMLINK_FOLLOW) != 0) {
      if (errno == EEXIST) continue;
      return errno;
    }
    name_ = std::move(temporary);
    path_ = JoinPath(FolderOf(target_), name_);
    slot_ = RememberTemporaryFile(folder, name_);
    unnamed_ = false;
    return 0;
  }
  return EEXIST;
}

bool Replacement::IsNewFileUnder(const std::string& name, bool unchanged) const {
  struct stat now {};
  if (::fstatat(static_cast<int>(folder_.handle()), name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0) {
    return false;
  }
  const FileStatus found = StatusFrom(now);
  if (!found.id.SameFileAs(newFile_.id)) return false;
  return !unchanged || (found.size == newFile_.size && found.modified == newFile_.modified);
}

bool Replacement::AccessChanged() const {
  if (original_ == nullptr) return false;
  try {
    return AccessOf(static_cast<int>(original_->handle())) != accessGiven_;
  } catch (...) {  // no memory: when in doubt, changed
    return true;
  }
}

Error Replacement::Commit(File& original, const FileStatus* expected, FolderSync folderSync) {
  changedMeanwhile_ = false;
  kept_ = Kept::Nothing;
  keptAside_.clear();
  // The old file's access, now that nothing more is written: set before the data goes to
  // disk, so that it goes with them.
  if (const Error error = GiveAccess(); error != 0) return error;
  if (const Error error = Sync(); error != 0) return error;
  RememberId();  // as written: to tell whether another program wrote to it meanwhile
  const int folder = static_cast<int>(folder_.handle());
  const std::string name = NameOf(target_);
  if (expected == nullptr) {
    // A new file: never over one that another program made meanwhile.
    if (const Error error = PutInPlaceOfNothing(name); error != 0) return error;
  } else {
    if (unnamed_) {
      // Named only now, for the exchange, an instant before it.
      if (const Error error = NameUnnamed(); error != 0) return error;
    }
    if (!StillTheFile(folder, name, *expected, true) || AccessChanged()) {
      changedMeanwhile_ = true;
      return ESTALE;
    }
    if (const Error error = Exchange(name, *expected); error != 0) return error;
  }
  ForgetTemporaryFile(std::exchange(slot_, -1));
  path_.clear();
  name_.clear();
  // In place: the mark goes, so that the file is like any other of the user's.
  if (marked_) (void)::fremovexattr(static_cast<int>(file_.handle()), kNewFileMark);
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

Error Replacement::PutInPlaceOfNothing(const std::string& name) {
  const int folder = static_cast<int>(folder_.handle());
  if (unnamed_) {
    // Linking refuses a name that exists, as the rename below does.
    if (::linkat(AT_FDCWD, ProcPath(static_cast<int>(file_.handle())).c_str(), folder, name.c_str(),
                 AT_SYMLINK_FOLLOW) != 0) {
      const Error error = errno;
      if (error == EEXIST) changedMeanwhile_ = true;
      return error;
    }
    unnamed_ = false;
    return 0;
  }
  if (::renameat2(folder, name_.c_str(), folder, name.c_str(), RENAME_NOREPLACE) == 0) return 0;
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
  return ::renameat(folder, name_.c_str(), folder, name.c_str()) == 0 ? 0 : errno;
}

Error Replacement::Exchange(const std::string& name, const FileStatus& expected) {
  const int folder = static_cast<int>(folder_.handle());
  // The names are exchanged, and the file that was in place checked once more under the new
  // file's name: when another program changed it or put its own there between the check
  // before and the exchange, the exchange is undone and its file stays. Its access is
  // compared as it is, since the exchange set its change time.
  if (::renameat2(folder, name_.c_str(), folder, name.c_str(), RENAME_EXCHANGE) != 0) {
    const Error error = errno;
    if (!Unsupported(error)) return error;
    return ::renameat(folder, name_.c_str(), folder, name.c_str()) == 0 ? 0 : errno;
  }
  if (StillTheFile(folder, name_, expected, false) && !AccessChanged()) {
    // The old file goes; should removing it fail, it stays under the new file's name, and the
    // next run says so.
    ::unlinkat(folder, name_.c_str(), 0);
    return 0;
  }
  changedMeanwhile_ = true;
  if (::renameat2(folder, name_.c_str(), folder, name.c_str(), RENAME_EXCHANGE) != 0) {
    // The new file stays in place, and the other program's version beside it.
    KeepAside(Kept::OtherProgramsSave);
    return ESTALE;
  }
  // Back under its own name, the new file goes, unless another program wrote to it while it
  // was in place, or put a file of its own under its name: that stays.
  if (!IsNewFileUnder(name_, true)) {
    KeepAside(IsNewFileUnder(name_, false) ? Kept::NewFileWrittenTo : Kept::OtherProgramsFile);
  }
  return ESTALE;
}

void Replacement::KeepAside(Kept kept) noexcept {
  kept_ = kept;
  keptAside_.swap(path_);
  ForgetTemporaryFile(std::exchange(slot_, -1));
  name_.clear();
}

void Replacement::Abandon() noexcept {
  // The new file's name; whenever it might give another file, Commit has let go of it.
  if (!name_.empty()) ::unlinkat(static_cast<int>(folder_.handle()), name_.c_str(), 0);
  file_.Reset();
  ForgetTemporaryFile(std::exchange(slot_, -1));
  folder_.Reset();
  path_.clear();
  name_.clear();
  original_ = nullptr;
  accessCopied_ = false;
  synced_ = false;
  unnamed_ = false;
  marked_ = false;
}

}  // namespace tessary::platform
