// Errors as the operating system reports them, and the few kinds the program tells apart.
#pragma once

#include <string>

namespace tessary::platform {

/// An error as the system numbers it: errno on POSIX, GetLastError()'s value on Windows.
/// 0 is no error.
using Error = int;

/// The errors that the program handles differently, whatever number the system gives them.
enum class ErrorKind {
  NotFound,     ///< no such file or folder
  IsFolder,     ///< a folder where a file was wanted
  NotRegular,   ///< something other than a regular file where one is needed
  InUse,        ///< another program holds the file: a lock, or a share mode on Windows
  NoReader,     ///< a pipe that no program reads
  Interrupted,  ///< the call was interrupted or would have waited: try again
  NoMemory,
  DiskFull,    ///< the disk or the quota is full, or the file is over the size limit
  CannotSeek,  ///< the file cannot be read or written again from an earlier place
};

/// The system's number for an error of `kind`, for errors the program finds itself.
Error ErrorOf(ErrorKind kind) noexcept;

/// Whether `error` is of `kind`.
bool IsKind(Error error, ErrorKind kind) noexcept;

/// The system's reason in words, such as "No such file or directory".
std::string ErrorText(Error error);

}  // namespace tessary::platform
