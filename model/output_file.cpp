#include "model/output_file.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

#include "model/file_error.h"

namespace tessary {
namespace {

constexpr std::size_t kBufferSize = 1024 * 1024;

}  // namespace

OutputFile::OutputFile() : buffer_(new char[kBufferSize]) {}

OutputFile::~OutputFile() {
  // Keep what was written so far when a pass ends early; report nothing from a destructor.
  try {
    if (handle_.is_open()) Flush();
  } catch (...) {
  }
}

int OutputFile::Open(const std::string& path) {
  return handle_.OpenForWriting(path);
}

void OutputFile::Borrow(int fd, std::string name) {
  handle_.Borrow(fd, std::move(name));
}

char* OutputFile::Reserve(std::size_t size) {
  if (kBufferSize - used_ < size) Flush();
  return buffer_.get() + used_;
}

void OutputFile::Write(std::string_view text) {
  if (kBufferSize - used_ < text.size()) {
    Flush();
    if (text.size() > kBufferSize) {
      WriteAll(text.data(), text.size());
      return;
    }
  }
  std::memcpy(buffer_.get() + used_, text.data(), text.size());
  used_ += text.size();
}

void OutputFile::Flush() {
  const std::size_t size = used_;
  used_ = 0;  // dropped even if the write fails, so nothing is written twice
  WriteAll(buffer_.get(), size);
}

void OutputFile::WriteAll(const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t count = ::write(handle_.fd(), data, size);
    if (count < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      throw FileError(FileError::CauseOf(error), handle_.path(), error);
    }
    data += count;
    size -= static_cast<std::size_t>(count);
    bytesWritten_ += static_cast<std::uint64_t>(count);
  }
}

void OutputFile::Close() {
  Flush();
  handle_.Close();
}

}  // namespace tessary
