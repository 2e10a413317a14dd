#include "model/pass/output_file.h"

#include <algorithm>
#include <cassert>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "model/pass/file_error.h"

namespace tessary {
namespace {

constexpr int kWaitSliceMs = 100;
// Room for the longest rewritten line, whatever capacity is asked for.
constexpr std::size_t kMinCapacity = 4096;

// Whether a write may have to wait for another program: a pipe, FIFO or socket.
bool MayWait(const platform::File& file) {
  const platform::FileKind kind = file.Status().kind;
  return kind == platform::FileKind::Pipe || kind == platform::FileKind::Other;
}

}  // namespace

OutputFile::OutputFile(platform::File& file, std::string name, const PassControl* control,
                       std::size_t capacity)
    : file_(file),
      name_(std::move(name)),
      control_(control),
      mayWait_(MayWait(file)),
      capacity_(std::max(capacity, kMinCapacity)),
      buffer_(capacity_) {}

OutputFile::~OutputFile() {
  try {
    Flush();
  } catch (...) {  // reported by whoever ended the pass, if anyone
  }
  backgroundSync_.reset();
}

char* OutputFile::Reserve(std::size_t size) {
  assert(size <= capacity_);
  if (capacity_ - used_ < size) Flush();
  buffer_.PrepareGrowing(used_ + size);
  return buffer_.data() + used_;
}

void OutputFile::Write(std::string_view text) {
  if (capacity_ - used_ < text.size()) {
    Flush();
    if (text.size() > capacity_) {
      WriteAll(text.data(), text.size());
      return;
    }
  }
  buffer_.PrepareGrowing(used_ + text.size());
  std::memcpy(buffer_.data() + used_, text.data(), text.size());
  used_ += text.size();
}

void OutputFile::WriteThrough(std::string_view text) {
  Flush();
  WriteAll(text.data(), text.size());
}

void OutputFile::RewindTo(std::uint64_t mark) {
  assert(mark <= Mark());
  if (mark >= flushed_) {
    used_ = static_cast<std::size_t>(mark - flushed_);
    return;
  }
  if (mayWait_ || file_.Seek(mark) != 0) {
    throw FileError(FileErrorCause::Generic, name_,
                    platform::ErrorOf(platform::ErrorKind::CannotSeek),
                    "a line starts with more blanks than can be taken back from it");
  }
  flushed_ = mark;
  used_ = 0;
  rewound_ = true;
}

void OutputFile::Flush() {
  const std::size_t size = used_;
  used_ = 0;  // dropped even if the write fails, so nothing is written twice
  WriteAll(buffer_.data(), size);
}

void OutputFile::WriteAll(const char* data, std::size_t size) {
  while (size > 0) {
    if (control_ != nullptr && control_->cancelled()) throw PassCancelled();
    if (mayWait_) WaitUntilWritable();
    std::size_t count = 0;
    if (const platform::Error error = file_.Write(data, size, count); error != 0) {
      if (platform::IsKind(error, platform::ErrorKind::Interrupted)) continue;
      throw FileError::WriteFailure(name_, error);
    }
    data += count;
    size -= count;
    flushed_ += count;
  }
  StartWriteback();
}

// Puts the data of a file on disk while it is being written, so that the final sync finds
// little left to do: each Kick() wakes a thread that asks the system to start writing the
// data, and every few kicks to write it and wait until the disk has it. Starting alone is not
// enough: a disk may take the data into its own cache at once and need as long again to flush
// it, which would all fall to the final sync; waiting on this thread spreads those flushes
// over the pass. Kicks that come while the thread waits count as one. A failure that a wait
// reports is the output's failure: the final sync may not report it again.
class OutputFile::BackgroundSync {
 public:
  explicit BackgroundSync(platform::File& file) : thread_([this, &file] { Run(file); }) {}
  BackgroundSync(const BackgroundSync&) = delete;
  BackgroundSync& operator=(const BackgroundSync&) = delete;
  ~BackgroundSync() { Stop(); }

  void Kick() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      pending_ = true;
    }
    wake_.notify_one();
  }

  /// Ends the thread, after the call it is making; returns the first failure a wait
  /// reported, or 0.
  platform::Error Stop() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
    return error_;
  }

 private:
  void Run(platform::File& file) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return pending_ || stopping_; });
      if (stopping_) return;
      pending_ = false;
      lock.unlock();
      const platform::Error error = file.SyncDataSoon(++kicks_ % kKicksPerWait == 0);
      lock.lock();
      if (error_ == 0) error_ = error;
    }
  }

  static constexpr int kKicksPerWait = 2;

  std::mutex mutex_;
  std::condition_variable wake_;
  bool pending_ = false;
  bool stopping_ = false;
  int kicks_ = 0;  // seen by the thread
  platform::Error error_ = 0;
  std::thread thread_;  // last: it starts running at once
};

void OutputFile::Finish() {
  Flush();
  if (backgroundSync_) {
    const platform::Error error = backgroundSync_->Stop();
    backgroundSync_.reset();
    if (error != 0) throw FileError::WriteFailure(name_, error);
  }
  if (rewound_) {
    if (const platform::Error error = file_.Truncate(flushed_); error != 0) {
      throw FileError::WriteFailure(name_, error);
    }
  }
}

void OutputFile::StartWriteback() {
  if (writebackStep_ == 0 || flushed_ - writebackFrom_ < writebackStep_) return;
  if (!backgroundSync_) {
    try {
      backgroundSync_ = std::make_unique<BackgroundSync>(file_);
    } catch (const std::system_error&) {
      writebackStep_ = 0;  // no thread to spare: the final fsync does it all
      return;
    }
  }
  backgroundSync_->Kick();
  writebackFrom_ = flushed_;
}

void OutputFile::WaitUntilWritable() {
  while (!file_.WaitToWrite(control_ != nullptr ? kWaitSliceMs : -1)) {
    if (control_ != nullptr && control_->cancelled()) throw PassCancelled();
  }
}

}  // namespace tessary
