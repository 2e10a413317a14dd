// The error raised when reading, writing or closing an open model file fails.
#pragma once

#include <stdexcept>
#include <string>

namespace tessary {

enum class FileErrorCause {
  Generic,   ///< "An unknown error occurred while accessing %1."
  DiskFull,  ///< "Disk full while accessing %1."
};

/// Carries the cause, the file's full path (resolved when it was opened) and the system's
/// error number. what() is the message shown to the user, with the path in place of %1.
class FileError : public std::runtime_error {
 public:
  FileError(FileErrorCause cause, std::string path, int systemError);

  /// The cause for a failed write, read or close: DiskFull only when the system reports that
  /// the disk or the quota is full or the file too large (ENOSPC, EDQUOT, EFBIG).
  static FileErrorCause CauseOf(int systemError);

  FileErrorCause cause() const { return cause_; }
  const std::string& path() const { return path_; }
  int systemError() const { return systemError_; }

 private:
  FileErrorCause cause_;
  std::string path_;
  int systemError_;
};

}  // namespace tessary
