// An open file descriptor with its exclusive lock, owned for the duration of a pass.
#pragma once

#include <string>

namespace tessary {

class FileHandle {
 public:
  FileHandle() = default;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  /// Closes the descriptor if it is still open; errors are ignored.
  ~FileHandle();

  /// Opens an existing file for reading and takes an exclusive lock on it without waiting.
  /// Returns 0 or the system's error number (EWOULDBLOCK when another opener holds a lock,
  /// EISDIR for a folder).
  int OpenForReading(const std::string& path);

  /// Opens or creates a file for writing, takes an exclusive lock on it without waiting and
  /// only then truncates it, so a file locked by someone else (including this process's own
  /// input) is left untouched. Returns 0 or the system's error number.
  int OpenForWriting(const std::string& path);

  /// Uses a descriptor that stays open after the pass, such as standard input or output.
  /// `name` stands in for the path in error messages.
  void Borrow(int fd, std::string name);

  /// Closes the descriptor (a borrowed one is only let go); throws FileError on failure.
  void Close();

  bool is_open() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  /// The absolute path used in error messages, or the borrowed descriptor's name.
  const std::string& path() const { return path_; }

 private:
  int Adopt(int fd, const std::string& path);

  int fd_ = -1;
  bool owned_ = false;
  std::string path_;
};

}  // namespace tessary
