#include "model/file_handle.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/file_error.h"

namespace tessary {
namespace {

// The path as the user would read it in a message: absolute and lexically normalised, with
// symbolic links left as named.
std::string FullPath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.lexically_normal().string();
}

void CloseQuietly(int fd) {
  if (fd >= 0) ::close(fd);
}

// Takes the exclusive lock. A regular file must be lockable; other kinds of file (pipes,
// terminals, devices) may not support locks and are used without one.
int LockExclusive(int fd, const struct stat& status) {
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
  const int error = errno;
  if (error == EWOULDBLOCK || S_ISREG(status.st_mode)) return error;
  return 0;
}

}  // namespace

FileHandle::~FileHandle() {
  if (owned_) CloseQuietly(fd_);
}

int FileHandle::Adopt(int fd, const std::string& path) {
  fd_ = fd;
  owned_ = true;
  path_ = FullPath(path);
  return 0;
}

int FileHandle::OpenForReading(const std::string& path) {
  if (path.empty()) return ENOENT;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return errno;
  struct stat status {};
  int error = ::fstat(fd, &status) == 0 ? 0 : errno;
  if (error == 0 && S_ISDIR(status.st_mode)) error = EISDIR;
  if (error == 0) error = LockExclusive(fd, status);
  if (error != 0) {
    CloseQuietly(fd);
    return error;
  }
  return Adopt(fd, path);
}

int FileHandle::OpenForWriting(const std::string& path) {
  if (path.empty()) return ENOENT;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd < 0) return errno;
  struct stat status {};
  int error = ::fstat(fd, &status) == 0 ? 0 : errno;
  if (error == 0) error = LockExclusive(fd, status);
  if (error == 0 && S_ISREG(status.st_mode) && ::ftruncate(fd, 0) != 0) error = errno;
  if (error != 0) {
    CloseQuietly(fd);
    return error;
  }
  return Adopt(fd, path);
}

void FileHandle::Borrow(int fd, std::string name) {
  fd_ = fd;
  owned_ = false;
  path_ = std::move(name);
}

void FileHandle::Close() {
  const int fd = fd_;
  const bool owned = owned_;
  fd_ = -1;
  owned_ = false;
  if (owned && ::close(fd) != 0) {
    const int error = errno;
    throw FileError(FileError::CauseOf(error), path_, error);
  }
}

}  // namespace tessary
