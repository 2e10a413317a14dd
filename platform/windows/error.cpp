#include "platform/error.h"

#include <windows.h>

#include "platform/windows/own_errors.h"
#include "platform/windows/text.h"

namespace tessary::platform {
namespace {

// Codes that MinGW-w64's headers do not name.
constexpr Error kDirectoryNotSupported = 336;  // ERROR_DIRECTORY_NOT_SUPPORTED
constexpr Error kDiskQuotaExceeded = 1295;     // ERROR_DISK_QUOTA_EXCEEDED

}  // namespace

Error ErrorOf(ErrorKind kind) noexcept {
  switch (kind) {
    case ErrorKind::NotFound:
      return ERROR_FILE_NOT_FOUND;
    case ErrorKind::IsFolder:
      return kDirectoryNotSupported;
    case ErrorKind::NotRegular:
      return ERROR_BAD_FILE_TYPE;
    case ErrorKind::InUse:
      return ERROR_SHARING_VIOLATION;
    case ErrorKind::NoReader:
      return ERROR_NO_DATA;
    case ErrorKind::Interrupted:
      return ERROR_OPERATION_ABORTED;
    case ErrorKind::NoMemory:
      return ERROR_NOT_ENOUGH_MEMORY;
    case ErrorKind::DiskFull:
      return ERROR_DISK_FULL;
    case ErrorKind::CannotSeek:
      return ERROR_SEEK_ON_DEVICE;
  }
  return ERROR_INVALID_PARAMETER;
}

bool IsKind(Error error, ErrorKind kind) noexcept {
  switch (kind) {
    case ErrorKind::NotFound:
      return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
             error == ERROR_INVALID_NAME;
    case ErrorKind::InUse:
      return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
    case ErrorKind::NoReader:
      return error == ERROR_NO_DATA || error == ERROR_PIPE_NOT_CONNECTED ||
             error == ERROR_BROKEN_PIPE;
    case ErrorKind::NoMemory:
      return error == ERROR_NOT_ENOUGH_MEMORY || error == ERROR_OUTOFMEMORY;
    case ErrorKind::DiskFull:
      return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ||
             error == ERROR_FILE_TOO_LARGE || error == kDiskQuotaExceeded;
    case ErrorKind::IsFolder:
    case ErrorKind::NotRegular:
    case ErrorKind::Interrupted:
    case ErrorKind::CannotSeek:
      break;
  }
  return error == ErrorOf(kind);
}

// The system's text, as "The system cannot find the file specified" (without the final
// full stop and line break, as a reason in brackets is written).
std::string ErrorText(Error error) {
  switch (error) {  // the program's own, which no system knows
    case kNamesStream:
      return "The name is that of a stream of a file (after the colon), not of a file";
    case kChangedMeanwhile:
      return "The file was changed by another program meanwhile; it is left as that program "
             "left it";
    case kNeitherInPlace:
      return "The new file could not be put in place, nor the old one back: both are kept "
             "beside it under hidden names";
    case kReadOnly:  // follows the file's name, as a reason that keeps a file from being replaced
      return "is read-only, so it cannot be replaced";
    case kOldKeptAside:
      return "The new file could not be put in place, nor the old one back under its name: the "
             "old one is kept beside it under a hidden name ending in \".old\"";
    default:
      break;
  }
  wchar_t* text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (length == 0 || text == nullptr) {
    // The texts of codes that the program raises itself, where the system has none.
    if (error == kDirectoryNotSupported) return "An operation is not supported on a directory";
    return "error " + std::to_string(error);
  }
  std::wstring message(text, length);
  ::LocalFree(text);
  while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' ||
                              message.back() == L' ' || message.back() == L'.')) {
    message.pop_back();
  }
  return Narrow(message);
}

}  // namespace tessary::platform
