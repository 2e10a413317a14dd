// Writes model text byte for byte through a buffer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "model/file_handle.h"

namespace tessary {

class OutputFile {
 public:
  OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  /// Writes out what is still buffered and closes the file; errors are ignored.
  ~OutputFile();

  /// Opens or creates and locks `path`, then truncates it; returns 0 or the system's error
  /// number. See FileHandle.
  int Open(const std::string& path);
  /// Writes to a descriptor the caller keeps open, such as standard output.
  void Borrow(int fd, std::string name);

  /// Most bytes that Reserve may be asked for.
  static constexpr std::size_t kMaxReserve = 4096;
  /// Returns room for `size` (at most kMaxReserve) bytes; Commit says how many were used.
  char* Reserve(std::size_t size);
  void Commit(char* end) { used_ = static_cast<std::size_t>(end - buffer_.get()); }

  /// Writes `text` as it is.
  void Write(std::string_view text);

  /// Writes out what is buffered and closes the file. Throws FileError on failure.
  void Close();

  const std::string& path() const { return handle_.path(); }
  /// Bytes passed to the file so far, buffered ones included.
  std::uint64_t bytes_written() const { return bytesWritten_ + used_; }

 private:
  void Flush();
  void WriteAll(const char* data, std::size_t size);

  FileHandle handle_;
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
  std::uint64_t bytesWritten_ = 0;
};

}  // namespace tessary
