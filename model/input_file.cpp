#include "model/input_file.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

#include "model/file_error.h"

namespace tessary {
namespace {

constexpr std::size_t kBufferSize = 1024 * 1024;
constexpr char kEndOfFileMark = '\x1A';

std::string_view WithoutCarriageReturn(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

}  // namespace

InputFile::InputFile() : buffer_(new char[kBufferSize]) {}

InputFile::~InputFile() = default;

int InputFile::Open(const std::string& path) {
  return handle_.OpenForReading(path);
}

void InputFile::Borrow(int fd, std::string name) {
  handle_.Borrow(fd, std::move(name));
}

void InputFile::Close() {
  handle_.Close();
}

void InputFile::Fill() {
  begin_ = end_ = 0;
  ssize_t count;
  do {
    count = ::read(handle_.fd(), buffer_.get(), kBufferSize);
  } while (count < 0 && errno == EINTR);
  if (count < 0) {
    const int error = errno;
    atEnd_ = true;
    throw FileError(FileErrorCause::Generic, handle_.path(), error);
  }
  if (count == 0) {
    atEnd_ = true;
    return;
  }
  end_ = static_cast<std::size_t>(count);
  if (const void* mark = std::memchr(buffer_.get(), kEndOfFileMark, end_)) {
    end_ = static_cast<std::size_t>(static_cast<const char*>(mark) - buffer_.get());
    atEnd_ = true;
  }
  bytesRead_ += end_;
}

bool InputFile::ReadLine(std::string_view& line) {
  longLine_.clear();
  for (;;) {
    const char* const start = buffer_.get() + begin_;
    const std::size_t available = end_ - begin_;
    if (const void* found = std::memchr(start, '\n', available)) {
      const auto length = static_cast<std::size_t>(static_cast<const char*>(found) - start);
      begin_ += length + 1;
      if (longLine_.empty()) {
        line = WithoutCarriageReturn(std::string_view(start, length));
      } else {
        longLine_.append(start, length);
        line = WithoutCarriageReturn(longLine_);
      }
      return true;
    }
    longLine_.append(start, available);
    begin_ = end_;
    if (atEnd_) {
      if (longLine_.empty()) return false;
      line = longLine_;  // a last line without terminator
      return true;
    }
    Fill();
  }
}

}  // namespace tessary
