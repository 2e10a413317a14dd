#include "model/pass/input_file.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "model/pass/file_error.h"

namespace tessary {
namespace {

using platform::ErrorKind;
using platform::FileKind;

constexpr char kEndOfFileMark = '\x1A';
// How often a wait for a pipe looks at the cancel flag, in milliseconds.
constexpr int kWaitSliceMs = 100;

}  // namespace

InputFile::InputFile(const PassControl* control, std::size_t capacity)
    : control_(control), capacity_(capacity), buffer_(capacity) {}

InputFile::~InputFile() = default;

void InputFile::StopReading() noexcept {
  buffer_ = ByteBuffer();
  capacity_ = begin_ = end_ = 0;
  atEnd_ = true;
  control_ = nullptr;
}

platform::Error InputFile::Open(const std::string& path) {
  platform::File file;
  if (const platform::Error error = platform::File::OpenToRead(path, file); error != 0) {
    return error;
  }
  const platform::FileStatus status = file.Status();
  Attach(std::move(file), platform::FullPath(path));
  status_ = status;
  return 0;
}

void InputFile::Read(platform::File file, std::string name) {
  const platform::FileStatus status = file.Status();
  std::uint64_t offset = 0;
  // Reading starts where the caller's file stands.
  if (status.kind == FileKind::Regular && file.Position(offset) != 0) offset = 0;
  Attach(std::move(file), std::move(name));
  status_ = status;
  startOffset_ = offset;
}

void InputFile::Attach(platform::File file, std::string name) {
  file_ = std::move(file);
  name_ = std::move(name);
  begin_ = end_ = 0;
  atEnd_ = false;
  lineComplete_ = true;
  rawRead_ = taken_ = startOffset_ = readBefore_ = 0;
  memory_ = nullptr;
}

void InputFile::Close() {
  if (const platform::Error error = file_.Close(); error != 0) {
    throw FileError::WriteFailure(path(), error);
  }
}

std::uint64_t InputFile::size() const {
  return is_regular() && status_.size > startOffset_ ? status_.size - startOffset_ : 0;
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

bool InputFile::ReadLineFromBuffer(std::string_view& line) {
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
      std::memmove(buffer_.data(), buffer_.data() + begin_, available);
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

void InputFile::Fill(std::size_t most) {
  const std::size_t room = std::min(capacity_ - end_, most);
  // A regular file's buffer is made ready as far as the file's bytes still to come will fill
  // it; other files' buffers are touched as they come.
  if (is_regular()) {
    const std::uint64_t left = size() > rawRead_ ? size() - rawRead_ : 0;
    buffer_.Prepare(end_ + static_cast<std::size_t>(std::min<std::uint64_t>(room, left)));
  }
  end_ += Accept(buffer_.data() + end_, ReadSome(buffer_.data() + end_, room));
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

std::string_view InputFile::Peek(std::size_t size) {
  assert(lineComplete_ && size <= capacity_);
  while (end_ - begin_ < size && !atEnd_) {
    if (begin_ > 0 && capacity_ - begin_ < size) {  // make room after what is kept
      std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
      end_ -= begin_;
      begin_ = 0;
    }
    Fill(size - (end_ - begin_));  // no more: the rest may go straight where it is wanted
  }
  return {data() + begin_, std::min(size, end_ - begin_)};
}

void InputFile::PushBack(std::string_view text) {
  const std::size_t available = end_ - begin_;
  assert(lineComplete_ && text.size() + available <= capacity_);
  std::memmove(buffer_.data() + text.size(), buffer_.data() + begin_, available);
  std::memcpy(buffer_.data(), text.data(), text.size());
  begin_ = 0;
  end_ = text.size() + available;
}

bool InputFile::Rewind() {
  if (!is_regular() || !file_.is_open()) return false;
  if (const platform::Error error = file_.Seek(startOffset_); error != 0) {
    throw FileError::ReadFailure(path(), error);
  }
  readBefore_ += rawRead_;
  rawRead_ = taken_ = 0;
  begin_ = end_ = 0;
  atEnd_ = false;
  lineComplete_ = true;
  return true;
}

void InputFile::UseText(std::string_view text) {
  Attach(platform::File(), {});
  status_ = {};
  memory_ = text.data();
  end_ = text.size();
  atEnd_ = true;
}

std::size_t InputFile::ReadSome(char* into, std::size_t size) {
  const bool mayWait = !is_regular();
  for (;;) {
    if (control_ != nullptr && control_->cancelled()) throw PassCancelled();
    if (mayWait) WaitUntilReadable();
    std::size_t count = 0;
    if (const platform::Error error = file_.Read(into, size, count); error != 0) {
      if (platform::IsKind(error, ErrorKind::Interrupted)) continue;
      throw FileError::ReadFailure(path(), error);
    }
    rawRead_ += count;
    return count;
  }
}

// A pipe, a FIFO or a terminal may keep the pass waiting; the wait looks at the cancel flag
// every so often. (A FIFO opened before its writer reports nothing until the writer comes.)
void InputFile::WaitUntilReadable() {
  while (!file_.WaitToRead(control_ != nullptr ? kWaitSliceMs : -1)) {
    if (control_ != nullptr && control_->cancelled()) throw PassCancelled();
  }
}

// A regular file that ends before the size it had when opened, or that is now shorter than
// both that size and what was read, was cut by someone else during the pass: what was read is
// not the model. (Files of /proc and /sys report a size of 0 and are never taken as cut.)
void InputFile::CheckNotShrunk() {
  if (!is_regular()) return;
  const std::uint64_t sizeAtOpen = status_.size;
  const std::uint64_t end = startOffset_ + rawRead_;
  const platform::FileStatus now = file_.Status();
  const bool shorterNow = now.kind == FileKind::Regular && now.size < sizeAtOpen && now.size < end;
  if (end < sizeAtOpen || shorterNow) {
    throw FileError::ReadFailure(path(), 0, "the file became shorter while it was read");
  }
}

}  // namespace tessary
