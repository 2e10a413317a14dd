#include "model/output_target.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <utility>

#include "model/file_access.h"
#include "model/file_error.h"
#include "model/temporary_files.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;

// A name for the temporary file that no other file in the folder has; six random letters.
std::string TemporaryName(const std::string& finalPath) {
  static constexpr char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char random[6] = {};
  if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
    static unsigned counter = 0;
    for (unsigned char& byte : random)
      byte = static_cast<unsigned char>(::getpid() + counter++ * 7);
  }
  std::string suffix = ".tessary-";
  for (unsigned char byte : random)
    suffix += kLetters[byte % (sizeof kLetters - 1)];
  const fs::path final(finalPath);
  const std::string base = final.filename().string().substr(0, 200);  // within NAME_MAX
  return (final.parent_path() / ("." + base + suffix)).string();
}

}  // namespace

std::string FollowLinks(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(path, error))) return path;
    const fs::path target = fs::read_symlink(path, error);
    if (error) return path;
    path = (target.is_absolute() ? target : fs::path(path).parent_path() / target).string();
  }
  return path;
}

OutputTarget::~OutputTarget() {
  Abandon();
}

int OutputTarget::Open(const std::string& path) {
  if (path.empty()) return ENOENT;
  name_ = FullPath(path);
  finalPath_ = FollowLinks(path);
  const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    if (errno != ENOENT) return errno;
    exists_ = false;  // created by Prepare, if its folder exists
    return 0;
  }
  existing_ = FileHandle::Own(fd, name_);
  if (::fstat(fd, &status_) != 0 || ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    const int error = errno;
    existing_.Reset();
    return error;
  }
  exists_ = true;
  return 0;
}

void OutputTarget::Borrow(int fd, std::string name) {
  name_ = std::move(name);
  existing_ = FileHandle::Borrow(fd, name_);
  if (::fstat(fd, &status_) != 0) status_ = {};
  exists_ = true;
}

int OutputTarget::OpenInPlace(const std::string& path, int inputFd) {
  name_ = FullPath(path);
  finalPath_ = FollowLinks(path);
  existing_ = FileHandle::Borrow(inputFd, name_);
  if (::fstat(inputFd, &status_) != 0) return errno;
  if (!S_ISREG(status_.st_mode)) return EINVAL;
  exists_ = inPlace_ = true;
  return 0;
}

int OutputTarget::Prepare() {
  if (inPlace_) return CreateTemporary();
  if (!existing_.owned()) return exists_ ? 0 : CreateTemporary();
  if (!S_ISREG(status_.st_mode)) return 0;  // a device or a FIFO: written directly
  if (::flock(existing_.fd(), LOCK_EX | LOCK_NB) != 0) return errno;
  return CreateTemporary();
}

std::string OutputTarget::folder() const {
  const fs::path parent = fs::path(finalPath_).parent_path();
  return FullPath(parent.empty() ? "." : parent.string());
}

int OutputTarget::CreateTemporary() {
  // Only the owner may read the replacement of an existing file until it has that file's
  // access; a new file is made as the user's file-creation mask says.
  const mode_t mode = exists_ ? 0600 : 0666;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string path = TemporaryName(finalPath_);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      creatingFailed_ = true;
      return errno;
    }
    temporaryPath_ = std::move(path);
    trackedSlot_ = RememberTemporaryFile(temporaryPath_);
    temporary_ = FileHandle::Own(fd, name_);
    if (exists_) CopyAccess(existing_.fd(), status_, fd);
    return 0;
  }
  creatingFailed_ = true;
  return EEXIST;
}

void OutputTarget::Sync() {
  if (!temporary_.is_open() || synced_) return;
  if (::fsync(temporary_.fd()) != 0) throw FileError::WriteFailure(name_, errno);
  synced_ = true;
}

void OutputTarget::Commit() {
  if (!temporary_.is_open()) {
    existing_.Close();
    return;
  }
  Sync();
  temporary_.Close();
  if (::rename(temporaryPath_.c_str(), finalPath_.c_str()) != 0) {
    throw FileError::WriteFailure(name_, errno);
  }
  ForgetTemporaryFile(std::exchange(trackedSlot_, -1));
  temporaryPath_.clear();
  existing_.Reset();  // the replaced file, and its lock, go
}

void OutputTarget::Abandon() noexcept {
  temporary_.Reset();
  if (!temporaryPath_.empty()) ::unlink(temporaryPath_.c_str());
  ForgetTemporaryFile(std::exchange(trackedSlot_, -1));
  temporaryPath_.clear();
  existing_.Reset();
}

}  // namespace tessary
