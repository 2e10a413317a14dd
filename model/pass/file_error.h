// The error raised when reading, writing or closing an open model file fails.
#pragma once

#include <stdexcept>
#include <string>

namespace tessary {

enum class FileErrorCause {
  Generic,   ///< "An unknown error occurred while accessing %1."
  DiskFull,  ///< "Disk full while accessing %1."
  /// The output was written whole but not put in place, as another program changed or holds
  /// the file it replaces: shown as Generic, the reason saying what happened.
  NotReplaced,
};

/// Carries the cause, the file's full path (resolved when it was opened), the system's error
/// (see platform::Error) and the reason in words. what() is the message shown to the user, with the
/// path in place of %1.
class FileError : public std::runtime_error {
 public:
  /// `reason` defaults to the system's text for `systemError`.
  FileError(FileErrorCause cause, std::string path, int systemError, std::string reason = {});

  /// A failed read: always the generic cause, whatever the system says.
  static FileError ReadFailure(std::string path, int systemError, std::string reason = {});
  /// A failed write, flush or close: DiskFull when the system reports that the disk or the
  /// quota is full or the file too large, generic otherwise.
  static FileError WriteFailure(std::string path, int systemError);

  FileErrorCause cause() const { return cause_; }
  const std::string& path() const { return path_; }
  int systemError() const { return systemError_; }
  /// Why it failed, in words, such as "No space left on device".
  const std::string& reason() const { return reason_; }

 private:
  FileErrorCause cause_;
  std::string path_;
  int systemError_;
  std::string reason_;
};

}  // namespace tessary
