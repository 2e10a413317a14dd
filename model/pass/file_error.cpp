#include "model/pass/file_error.h"

#include "model/pass/messages.h"
#include "platform/error.h"

namespace tessary {
namespace {

Message MessageOf(FileErrorCause cause) {
  return cause == FileErrorCause::DiskFull ? Message::DiskFull : Message::UnknownError;
}

}  // namespace

FileError::FileError(FileErrorCause cause, std::string path, int systemError, std::string reason)
    : std::runtime_error(MessageText(MessageOf(cause), path)),
      cause_(cause),
      path_(std::move(path)),
      systemError_(systemError),
      reason_(reason.empty() ? platform::ErrorText(systemError) : std::move(reason)) {}

FileError FileError::ReadFailure(std::string path, int systemError, std::string reason) {
  return FileError(FileErrorCause::Generic, std::move(path), systemError, std::move(reason));
}

FileError FileError::WriteFailure(std::string path, int systemError) {
  const bool full = platform::IsKind(systemError, platform::ErrorKind::DiskFull);
  return FileError(full ? FileErrorCause::DiskFull : FileErrorCause::Generic, std::move(path),
                   systemError);
}

}  // namespace tessary
