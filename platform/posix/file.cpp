#include "platform/file.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/posix/file_status.h"

namespace tessary::platform {
namespace {

namespace fs = std::filesystem;

// Clears O_NONBLOCK, used to open a FIFO without waiting, once the open is done.
Error MakeBlocking(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return errno;
  return 0;
}

bool Wait(int fd, short events, int milliseconds) {
  pollfd wanted{fd, events, 0};
  const int ready = ::poll(&wanted, 1, milliseconds);
  // An error other than a signal is for the read or write to report.
  return ready > 0 || (ready < 0 && errno != EINTR);
}

}  // namespace

FileStatus StatusFrom(const struct stat& status) {
  FileStatus result;
  const mode_t mode = status.st_mode;
  result.kind = S_ISREG(mode)                      ? FileKind::Regular
                : S_ISDIR(mode)                    ? FileKind::Folder
                : S_ISFIFO(mode) || S_ISSOCK(mode) ? FileKind::Pipe
                : S_ISCHR(mode) || S_ISBLK(mode)   ? FileKind::Device
                                                   : FileKind::Other;
  result.size = S_ISREG(mode) ? static_cast<std::uint64_t>(status.st_size) : 0;
  result.id = {static_cast<std::uint64_t>(status.st_dev),
               static_cast<std::uint64_t>(status.st_ino)};
  result.identified = true;
  constexpr std::int64_t kNano = 1'000'000'000;
  result.modified =
      static_cast<std::int64_t>(status.st_mtim.tv_sec) * kNano + status.st_mtim.tv_nsec;
  result.changed =
      static_cast<std::int64_t>(status.st_ctim.tv_sec) * kNano + status.st_ctim.tv_nsec;
  return result;
}

Error StatusOf(const std::string& path, FileStatus& status) {
  struct stat found {};
  if (::stat(path.c_str(), &found) != 0) return errno;
  status = StatusFrom(found);
  return 0;
}

std::string FullPath(const std::string& path) {
  std::error_code error;
  const fs::path absolute = fs::absolute(path, error);
  return error ? path : absolute.lexically_normal().string();
}

std::string FollowLinks(const std::string& path) {
  std::string followed = path;
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(followed, error))) break;
    const fs::path target = fs::read_symlink(followed, error);
    if (error) break;
    followed = (target.is_absolute() ? target : fs::path(followed).parent_path() / target).string();
  }
  return followed;
}

std::string ParentOf(const std::string& path) {
  return fs::path(path).parent_path().string();
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  return (fs::path(folder) / name).string();
}

std::string NameOf(const std::string& path) {
  return fs::path(path).filename().string();
}

std::string ComparableName(const std::string& name) {
  return name;
}

char CharacterNotInNames(const std::string& text) {
  return text.find('/') != std::string::npos ? '/' : '\0';
}

File File::Borrow(Standard which) noexcept {
  File file;
  file.handle_ = which == Standard::Input ? STDIN_FILENO : STDOUT_FILENO;
  return file;
}

File File::Borrow(std::intptr_t handle) noexcept {
  File file;
  file.handle_ = handle;
  return file;
}

Error File::OpenToRead(const std::string& path, File& file) {
  if (path.empty()) return ENOENT;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return errno;
  File opened = Own(fd);
  const FileStatus status = opened.Status();
  if (status.kind == FileKind::Folder) return EISDIR;
  // Only a regular file is locked: a lock on a device or a FIFO would be shared by every
  // program that uses it.
  if (status.kind == FileKind::Regular) {
    if (const Error error = opened.Lock(); error != 0) return error;
  }
  if (const Error error = MakeBlocking(fd); error != 0) return error;
  file = std::move(opened);
  return 0;
}

Error File::OpenToWrite(const std::string& path, File& file) {
  if (path.empty()) return ENOENT;
  const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return errno;  // ENXIO: a FIFO that no program reads
  File opened = Own(fd);
  if (const Error error = MakeBlocking(fd); error != 0) return error;
  file = std::move(opened);
  return 0;
}

FileStatus File::Status() const {
  struct stat status {};
  if (::fstat(static_cast<int>(handle_), &status) != 0) return {};
  FileStatus result = StatusFrom(status);
  if (result.kind == FileKind::Device && ::isatty(static_cast<int>(handle_)) == 1) {
    result.kind = FileKind::Terminal;
  }
  return result;
}

Error File::Lock() {
  return ::flock(static_cast<int>(handle_), LOCK_EX | LOCK_NB) == 0 ? 0 : errno;
}

Error File::Read(char* into, std::size_t size, std::size_t& count) {
  count = 0;
  const ssize_t read = ::read(static_cast<int>(handle_), into, size);
  if (read < 0) return errno;
  count = static_cast<std::size_t>(read);
  return 0;
}

Error File::Write(const char* data, std::size_t size, std::size_t& count) {
  count = 0;
  const ssize_t written = ::write(static_cast<int>(handle_), data, size);
  if (written < 0) return errno;
  count = static_cast<std::size_t>(written);
  return 0;
}

bool File::WaitToRead(int milliseconds) {
  return Wait(static_cast<int>(handle_), POLLIN, milliseconds);
}

bool File::WaitToWrite(int milliseconds) {
  return Wait(static_cast<int>(handle_), POLLOUT, milliseconds);
}

Error File::Position(std::uint64_t& offset) {
  const off_t at = ::lseek(static_cast<int>(handle_), 0, SEEK_CUR);
  if (at < 0) return errno;
  offset = static_cast<std::uint64_t>(at);
  return 0;
}

Error File::Seek(std::uint64_t offset) {
  return ::lseek(static_cast<int>(handle_), static_cast<off_t>(offset), SEEK_SET) < 0 ? errno : 0;
}

Error File::Truncate(std::uint64_t size) {
  return ::ftruncate(static_cast<int>(handle_), static_cast<off_t>(size)) == 0 ? 0 : errno;
}

Error File::Sync() {
  return ::fsync(static_cast<int>(handle_)) == 0 ? 0 : errno;
}

Error File::SyncDataSoon(bool wait) noexcept {
  if (wait) return ::fdatasync(static_cast<int>(handle_)) == 0 ? 0 : errno;
  // Starts writing every dirty page without waiting for any, nor for the disk's cache. A
  // failure to write a page back stays recorded for the next fdatasync or fsync to report.
  ::sync_file_range(static_cast<int>(handle_), 0, 0, SYNC_FILE_RANGE_WRITE);
  return 0;
}

Error File::Close() noexcept {
  const int fd = static_cast<int>(std::exchange(handle_, kNone));
  if (std::exchange(owned_, false) && ::close(fd) != 0 && errno != EINTR) return errno;
  return 0;
}

void File::Reset() noexcept {
  const int fd = static_cast<int>(std::exchange(handle_, kNone));
  if (std::exchange(owned_, false)) ::close(fd);
}

}  // namespace tessary::platform
