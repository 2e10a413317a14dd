// An open file descriptor with the name that messages give it.
#pragma once

#include <string>

namespace tessary {

/// Owns a descriptor (closed on destruction) or borrows one that the caller keeps open, such
/// as standard input or output. Movable, not copyable.
class FileHandle {
 public:
  FileHandle() = default;
  FileHandle(FileHandle&& other) noexcept;
  FileHandle& operator=(FileHandle&& other) noexcept;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  /// Closes an owned descriptor; errors are ignored.
  ~FileHandle();

  /// Takes ownership of `fd`, letting go of any descriptor held before.
  static FileHandle Own(int fd, std::string name);
  /// Uses `fd` without ever closing it.
  static FileHandle Borrow(int fd, std::string name);

  /// Closes an owned descriptor (a borrowed one is only let go); throws FileError with the
  /// write cause when closing fails, since a failed close can lose written data.
  void Close();
  /// Closes without reporting anything, for the way out after an error.
  void Reset() noexcept;

  bool is_open() const { return fd_ >= 0; }
  bool owned() const { return owned_; }
  int fd() const { return fd_; }
  /// The name used in messages: the full path, or a borrowed descriptor's name.
  const std::string& name() const { return name_; }

 private:
  int fd_ = -1;
  bool owned_ = false;
  std::string name_;
};

/// The path as a user reads it in a message: absolute and lexically normalised, with symbolic
/// links left as named.
std::string FullPath(const std::string& path);

}  // namespace tessary
