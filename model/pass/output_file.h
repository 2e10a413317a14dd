// Writes model text byte for byte through a buffer to a file it does not own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "model/pass/byte_buffer.h"
#include "model/pass/pass_control.h"
#include "platform/file.h"

namespace tessary {

class OutputFile {
 public:
  static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 20;

  /// Writes to `file` (kept by reference), named `name` in messages. `control` (optional,
  /// kept by reference) can cancel a wait for a pipe's reader. The capacity is at least 4096
  /// bytes.
  OutputFile(platform::File& file, std::string name, const PassControl* control = nullptr,
             std::size_t capacity = kDefaultCapacity);
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  /// Writes out what is still buffered, so that a pass that ends early by an error leaves
  /// what it had produced; errors are ignored here.
  ~OutputFile();

  /// Returns room for `size` bytes (at most the capacity); Commit says how many were used.
  char* Reserve(std::size_t size);
  void Commit(char* end) { used_ = static_cast<std::size_t>(end - buffer_.data()); }

  /// Writes `text` as it is.
  void Write(std::string_view text);
  /// The same for a large text: straight from `text`, without copying it into the buffer.
  void WriteThrough(std::string_view text);

  /// The position of the next byte, to come back to with RewindTo.
  std::uint64_t Mark() const { return flushed_ + used_; }
  /// Takes back everything written after `mark`. Data still in the buffer is simply dropped;
  /// data already written needs a seekable file (the end is then cut at Finish), and anything
  /// else, such as a pipe, gets a FileError.
  void RewindTo(std::uint64_t mark);

  /// For an output that will be synced to disk at the end: after each `bytes` written, a
  /// thread puts what was written on disk while the pass goes on, so that the final sync is
  /// short.
  void StartWritebackEvery(std::uint64_t bytes) { writebackStep_ = bytes; }

  /// Writes out what is buffered and, after a rewind, cuts the file where writing ended.
  /// Throws FileError when writing fails, PassCancelled when cancelled while waiting.
  void Finish();

  const std::string& name() const { return name_; }
  /// Bytes passed to the writer so far, buffered ones included.
  std::uint64_t bytes_written() const { return flushed_ + used_; }

 private:
  void Flush();
  void WriteAll(const char* data, std::size_t size);
  void WaitUntilWritable();
  void StartWriteback();

  platform::File& file_;
  std::string name_;
  const PassControl* control_;
  bool mayWait_;  // a pipe, FIFO, socket or terminal, whose reader may keep a write waiting
  bool rewound_ = false;
  std::size_t capacity_;
  ByteBuffer buffer_;
  std::size_t used_ = 0;
  std::uint64_t flushed_ = 0;  // offset of the buffer's first byte in the output
  class BackgroundSync;
  std::uint64_t writebackStep_ = 0;
  std::uint64_t writebackFrom_ = 0;  // written since the last call for a sync
  std::unique_ptr<BackgroundSync> backgroundSync_;
};

}  // namespace tessary
