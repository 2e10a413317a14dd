// Errors in the browser: the C library's numbers, which the page never sees; a file the page
// cannot read or keep is reported as an input or output error with its reason in words.
#include "platform/error.h"

#include <cerrno>
#include <cstring>

namespace tessary::platform {

Error ErrorOf(ErrorKind kind) noexcept {
  switch (kind) {
    case ErrorKind::NotFound:
      return ENOENT;
    case ErrorKind::IsFolder:
      return EISDIR;
    case ErrorKind::NotRegular:
      return EINVAL;
    case ErrorKind::InUse:
      return EWOULDBLOCK;
    case ErrorKind::NoReader:
      return ENXIO;
    case ErrorKind::Interrupted:
      return EINTR;
    case ErrorKind::NoMemory:
      return ENOMEM;
    case ErrorKind::DiskFull:
      return ENOSPC;
    case ErrorKind::CannotSeek:
      return ESPIPE;
  }
  return EINVAL;
}

bool IsKind(Error error, ErrorKind kind) noexcept {
  switch (kind) {
    case ErrorKind::InUse:
      return error == EWOULDBLOCK || error == EAGAIN;
    case ErrorKind::Interrupted:
      return error == EINTR || error == EAGAIN;
    case ErrorKind::DiskFull:
      return error == ENOSPC || error == EDQUOT || error == EFBIG;
    default:
      return error == ErrorOf(kind);
  }
}

std::string ErrorText(Error error) {
  return std::strerror(error);
}

}  // namespace tessary::platform
