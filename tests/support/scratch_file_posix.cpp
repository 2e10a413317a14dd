#include <sys/mman.h>
#include <unistd.h>

#include <stdexcept>

#include "tests/support/scratch_file.h"

namespace tessary::testing {

ScratchFile::ScratchFile(std::string_view contents) {
  const int fd = ::memfd_create("scratch", MFD_CLOEXEC);
  if (fd < 0) throw std::runtime_error("memfd_create failed");
  handle_ = fd;
  if (::pwrite(fd, contents.data(), contents.size(), 0) != static_cast<ssize_t>(contents.size())) {
    throw std::runtime_error("write failed");
  }
}

ScratchFile::~ScratchFile() {
  ::close(static_cast<int>(handle_));
}

std::string ScratchFile::Contents() const {
  const int fd = static_cast<int>(handle_);
  std::string contents(static_cast<std::size_t>(::lseek(fd, 0, SEEK_END)), '\0');
  if (::pread(fd, contents.data(), contents.size(), 0) != static_cast<ssize_t>(contents.size())) {
    throw std::runtime_error("read failed");
  }
  return contents;
}

}  // namespace tessary::testing
