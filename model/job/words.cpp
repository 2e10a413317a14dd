#include "model/job/words.h"

#include "model/numbers/shortest_text.h"
#include "model/pass/messages.h"
#include "platform/error.h"

namespace tessary {

std::string FitText(const FitRequest& fit) {
  return std::string(1, AxisName(fit.axis)) + "=" + ShortestText(fit.length);
}

std::string OutOfMemorySentence(std::string_view file, const NameStyle& names) {
  const platform::Error noMemory = platform::ErrorOf(platform::ErrorKind::NoMemory);
  return "not enough memory to scale " + names.shown(file) + ": nothing was changed (" +
         platform::ErrorText(noMemory) + ")";
}

std::string FailureSentence(const JobResult& record, const NameStyle& names) {
  switch (record.status) {
    case JobStatus::InputNotOpened:
    case JobStatus::OutputNotOpened:
      return record.Message() + " (" + names.shown(record.path) + ": " + record.reason + ")";
    case JobStatus::Failed:
      // A record that names neither a file nor a reason was made when even that ran out.
      if ((record.path.empty() && record.reason.empty()) ||
          platform::IsKind(record.systemError, platform::ErrorKind::NoMemory)) {
        return OutOfMemorySentence(record.path.empty() ? record.input.shown() : record.path, names);
      }
      if (record.cause == FileErrorCause::NotReplaced) {
        return "Unable to replace " + names.shown(record.path) + ": it " + record.reason + ".";
      }
      return MessageText(record.cause == FileErrorCause::DiskFull ? Message::DiskFull
                                                                  : Message::UnknownError,
                         names.shown(record.path)) +
             " (" + record.reason + ")";
    case JobStatus::NoFactors:
      if (!record.fit) break;
      return "Unable to fit the model to " + FitText(*record.fit) + ". (" +
             names.shown(record.input.shown()) + ": " + record.reason + ")";
    case JobStatus::Done:
    case JobStatus::Written:
    case JobStatus::Cancelled:
      break;
  }
  return {};
}

std::string LeftoverSentence(const platform::Leftover& leftover, const NameStyle& names) {
  return MessageText(leftover.removed ? Message::LeftoverRemoved : Message::LeftoverKept,
                     names.shown(leftover.path));
}

std::string AccessNoteSentence(const JobResult& record, const NameStyle& names) {
  if (record.status != JobStatus::Done || record.accessNote.empty()) return {};
  return names.shown(record.output.shown()) + ": " + record.accessNote;
}

std::string FitNoteSentence(const JobResult& record, const NameStyle& names) {
  if (record.status != JobStatus::Done || !record.fit) return {};
  return names.shown(record.input.shown()) + ": scaled by " + ShortestText(record.factors.x) +
         " to span " + ShortestText(record.fit->length) + " along " + AxisName(record.fit->axis);
}

}  // namespace tessary
