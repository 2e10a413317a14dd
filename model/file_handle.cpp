#include "model/file_handle.h"

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

#include "model/file_error.h"

namespace tessary {

FileHandle::FileHandle(FileHandle&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      owned_(std::exchange(other.owned_, false)),
      name_(std::move(other.name_)) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    Reset();
    fd_ = std::exchange(other.fd_, -1);
    owned_ = std::exchange(other.owned_, false);
    name_ = std::move(other.name_);
  }
  return *this;
}

FileHandle::~FileHandle() {
  Reset();
}

FileHandle FileHandle::Own(int fd, std::string name) {
  FileHandle handle;
  handle.fd_ = fd;
  handle.owned_ = true;
  handle.name_ = std::move(name);
  return handle;
}

FileHandle FileHandle::Borrow(int fd, std::string name) {
  FileHandle handle;
  handle.fd_ = fd;
  handle.name_ = std::move(name);
  return handle;
}

void FileHandle::Close() {
  const int fd = std::exchange(fd_, -1);
  if (std::exchange(owned_, false) && ::close(fd) != 0 && errno != EINTR) {
    throw FileError::WriteFailure(name_, errno);
  }
}

void FileHandle::Reset() noexcept {
  const int fd = std::exchange(fd_, -1);
  if (std::exchange(owned_, false)) ::close(fd);
}

std::string FullPath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.lexically_normal().string();
}

}  // namespace tessary
