#include "model/input_file.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstring>

#include "model/file_error.h"

namespace tessary {
namespace {

constexpr char kEndOfFileMark = '\x1A';
// How often a wait for a pipe looks at the cancel flag, in milliseconds.
constexpr int kWaitSliceMs = 100;

// Opens without waiting for a FIFO's writer, then makes the descriptor blocking again.
int OpenForReading(const std::string& path, int& fd, struct stat& status) {
  if (path.empty()) return ENOENT;
  fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return errno;
  int error = ::fstat(fd, &status) == 0 ? 0 : errno;
  if (error == 0 && S_ISDIR(status.st_mode)) error = EISDIR;
  // Only a regular file is locked: a lock on a device or a FIFO would be shared by every
  // program that uses it.
  if (error == 0 && S_ISREG(status.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) != 0) error = errno;
  if (error == 0 && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) error = errno;
  if (error != 0) {
    ::close(fd);
    fd = -1;
  }
  return error;
}

}  // namespace

InputFile::InputFile(const PassControl* control, std::size_t capacity)
    : control_(control), capacity_(capacity), buffer_(new char[capacity]) {}

InputFile::~InputFile() = default;

int InputFile::Open(const std::string& path) {
  int fd = -1;
  struct stat status {};
  if (const int error = OpenForReading(path, fd, status); error != 0) return error;
  Attach(FileHandle::Own(fd, FullPath(path)));
  status_ = status;
  return 0;
}

void InputFile::Borrow(int fd, std::string name) {
  Attach(FileHandle::Borrow(fd, std::move(name)));
  if (::fstat(fd, &status_) != 0) status_ = {};
  if (S_ISREG(status_.st_mode)) {  // reading starts where the caller's descriptor stands
    const off_t offset = ::lseek(fd, 0, SEEK_CUR);
    startOffset_ = offset > 0 ? static_cast<std::uint64_t>(offset) : 0;
  }
}

void InputFile::Attach(FileHandle handle) {
  handle_ = std::move(handle);
  begin_ = end_ = 0;
  atEnd_ = false;
  lineComplete_ = true;
  rawRead_ = taken_ = startOffset_ = readBefore_ = 0;
  memory_ = nullptr;
}

std::uint64_t InputFile::size() const {
  const auto fileSize = static_cast<std::uint64_t>(status_.st_size);
  return S_ISREG(status_.st_mode) && fileSize > startOffset_ ? fileSize - startOffset_ : 0;
}

bool InputFile::TakeUpToLineFeed(std::string_view& text) {
  const char* const start = data() + begin_;
  const void* found = std::memchr(start, '\n', end_ - begin_);
  if (found == nullptr) return false;
  const auto length = static_cast<std::size_t>(static_cast<const char*>(found) - start);
  text = std::string_view(start, length);
  begin_ += length + 1;
  return true;
}

bool InputFile::ReadLine(std::string_view& line) {
  for (std::string_view rest; !lineComplete_;)
    ReadLinePart(rest);  // the caller left part of the previous line unread
  for (;;) {
    if (TakeUpToLineFeed(line)) return true;
    const std::size_t available = end_ - begin_;
    if (atEnd_ || available == capacity_) {
      if (available == 0) return false;
      line = std::string_view(data() + begin_, available);  // a last line or a part
      begin_ = end_;
      lineComplete_ = atEnd_;
      return true;
    }
    if (begin_ > 0) {  // keep the start of the line and make room after it
      std::memmove(buffer_.get(), buffer_.get() + begin_, available);
      begin_ = 0;
      end_ = available;
    }
    Fill();
  }
}

bool InputFile::ReadLinePart(std::string_view& part) {
  while (!lineComplete_) {
    if (TakeUpToLineFeed(part)) {
      lineComplete_ = true;
      return true;
    }
    const std::size_t available = end_ - begin_;
    if (available > 0 || atEnd_) {
      part = std::string_view(data() + begin_, available);
      begin_ = end_;
      lineComplete_ = atEnd_;
      return available > 0;
    }
    begin_ = end_ = 0;
    Fill();
  }
  return false;
}

void InputFile::Fill() {
  end_ += Accept(buffer_.get() + end_, ReadSome(buffer_.get() + end_, capacity_ - end_));
}

std::size_t InputFile::Accept(const char* data, std::size_t count) {
  if (count == 0) {
    atEnd_ = true;
    CheckNotShrunk();
    return 0;
  }
  std::size_t kept = count;
  if (const void* mark = std::memchr(data, kEndOfFileMark, count)) {
    kept = static_cast<std::size_t>(static_cast<const char*>(mark) - data);
    atEnd_ = true;
  }
  taken_ += kept;
  if (control_ != nullptr && control_->progress) control_->progress(readBefore_ + rawRead_, size());
  return kept;
}

std::size_t InputFile::Read(char* into, std::size_t size) {
  if (begin_ < end_) {
    const std::size_t count = std::min(size, end_ - begin_);
    std::memcpy(into, data() + begin_, count);
    begin_ += count;
    return count;
  }
  if (atEnd_) return 0;
  return Accept(into, ReadSome(into, size));
}

void InputFile::PushBack(std::string_view text) {
  const std::size_t available = end_ - begin_;
  assert(lineComplete_ && text.size() + available <= capacity_);
  std::memmove(buffer_.get() + text.size(), buffer_.get() + begin_, available);
  std::memcpy(buffer_.get(), text.data(), text.size());
  begin_ = 0;
  end_ = text.size() + available;
}

bool InputFile::Rewind() {
  if (!S_ISREG(status_.st_mode) || !handle_.is_open()) return false;
  if (::lseek(handle_.fd(), static_cast<off_t>(startOffset_), SEEK_SET) < 0) {
    throw FileError::ReadFailure(path(), errno);
  }
  readBefore_ += rawRead_;
  rawRead_ = taken_ = 0;
  begin_ = end_ = 0;
  atEnd_ = false;
  lineComplete_ = true;
  return true;
}

void InputFile::UseText(std::string_view text) {
  Attach(FileHandle());
  status_ = {};
  memory_ = text.data();
  end_ = text.size();
  atEnd_ = true;
}

std::size_t InputFile::ReadSome(char* into, std::size_t size) {
  const bool mayWait = !S_ISREG(status_.st_mode);
  for (;;) {
    if (control_ != nullptr && control_->cancelled()) throw PassCancelled();
    if (mayWait) WaitUntilReadable();
    const ssize_t count = ::read(handle_.fd(), into, size);
    if (count >= 0) {
      rawRead_ += static_cast<std::uint64_t>(count);
      return static_cast<std::size_t>(count);
    }
    if (errno != EINTR && errno != EAGAIN) throw FileError::ReadFailure(path(), errno);
  }
}

// A pipe, a FIFO or a terminal may keep the pass waiting; the wait looks at the cancel flag
// every so often. (A FIFO opened before its writer reports nothing until the writer comes.)
void InputFile::WaitUntilReadable() {
  pollfd wanted{handle_.fd(), POLLIN, 0};
  for (;;) {
    const int ready = ::poll(&wanted, 1, control_ != nullptr ? kWaitSliceMs : -1);
    if (ready > 0) return;
    if (ready < 0 && errno != EINTR) return;  // let read() report the problem
    if (control_ != nullptr && control_->cancelled()) throw PassCancelled();
  }
}

// A regular file that ends before the size it had when opened, or that is now shorter than
// both that size and what was read, was cut by someone else during the pass: what was read is
// not the model. (Files of /proc and /sys report a size of 0 and are never taken as cut.)
void InputFile::CheckNotShrunk() {
  if (!S_ISREG(status_.st_mode)) return;
  const auto sizeAtOpen = static_cast<std::uint64_t>(status_.st_size);
  const std::uint64_t end = startOffset_ + rawRead_;
  struct stat now {};
  const bool shorterNow = ::fstat(handle_.fd(), &now) == 0 &&
                          static_cast<std::uint64_t>(now.st_size) < sizeAtOpen &&
                          static_cast<std::uint64_t>(now.st_size) < end;
  if (end < sizeAtOpen || shorterNow) {
    throw FileError::ReadFailure(path(), 0, "the file became shorter while it was read");
  }
}

}  // namespace tessary
