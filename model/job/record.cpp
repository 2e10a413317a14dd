#include "model/job/record.h"

#include "model/pass/messages.h"

namespace tessary {

JobFile JobFile::Standard(platform::File::Standard which) {
  const bool input = which == platform::File::Standard::Input;
  JobFile file =
      Opened(platform::File::Borrow(which).handle(), input ? "standard input" : "standard output");
  file.standard = true;
  return file;
}

std::string JobResult::Message() const {
  switch (status) {
    case JobStatus::Done:
      return MessageText(Message::Done);
    case JobStatus::InputNotOpened:
      return MessageText(Message::InputNotOpened);
    case JobStatus::OutputNotOpened:
      return MessageText(Message::OutputNotOpened);
    case JobStatus::Failed:
      return MessageText(
          cause == FileErrorCause::DiskFull ? Message::DiskFull : Message::UnknownError, path);
    case JobStatus::Written:
    case JobStatus::Cancelled:
    case JobStatus::NoFactors:
      break;
  }
  return {};
}

}  // namespace tessary
