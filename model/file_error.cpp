#include "model/file_error.h"

#include <cerrno>

namespace tessary {
namespace {

std::string MessageFor(FileErrorCause cause, const std::string& path) {
  switch (cause) {
    case FileErrorCause::DiskFull:
      return "Disk full while accessing " + path + ".";
    case FileErrorCause::Generic:
      break;
  }
  return "An unknown error occurred while accessing " + path + ".";
}

}  // namespace

FileError::FileError(FileErrorCause cause, std::string path, int systemError)
    : std::runtime_error(MessageFor(cause, path)),
      cause_(cause),
      path_(std::move(path)),
      systemError_(systemError) {}

FileErrorCause FileError::CauseOf(int systemError) {
  switch (systemError) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return FileErrorCause::DiskFull;
    default:
      return FileErrorCause::Generic;
  }
}

}  // namespace tessary
