// Reads model text line by line, as a text-mode stream of the original system would.
//
// Lines end at a line feed, and a carriage return just before it belongs to the terminator.
// A last line without a terminator is still a line. A byte 0x1A (Ctrl-Z) ends the input as if
// the file ended there. Lines may have any length; every other byte, NUL and 0x80-0xFF
// included, is an ordinary character.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "model/file_handle.h"

namespace tessary {

class InputFile {
 public:
  InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile();

  /// Opens and locks `path`; returns 0 or the system's error number. See FileHandle.
  int Open(const std::string& path);
  /// Reads from a descriptor the caller keeps open, such as standard input.
  void Borrow(int fd, std::string name);

  /// Reads the next line, without its terminator, into `line`, a view that stays valid until
  /// the next call. Returns false at the end of the input. Throws FileError when reading fails.
  bool ReadLine(std::string_view& line);

  /// Closes the file; throws FileError on failure.
  void Close();

  const std::string& path() const { return handle_.path(); }
  std::uint64_t bytes_read() const { return bytesRead_; }

 private:
  void Fill();

  FileHandle handle_;
  std::unique_ptr<char[]> buffer_;
  std::size_t begin_ = 0;  // first unread byte in buffer_
  std::size_t end_ = 0;    // one past the last byte read into buffer_
  bool atEnd_ = false;     // nothing more to read from the file
  std::string longLine_;   // a line that spans more than one buffer fill
  std::uint64_t bytesRead_ = 0;
};

}  // namespace tessary
