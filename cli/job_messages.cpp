#include "cli/job_messages.h"

#include "cli/fit.h"
#include "cli/format.h"
#include "cli/name_text.h"
#include "cli/number_text.h"
#include "model/pass/messages.h"
#include "platform/error.h"
#include "platform/process.h"

namespace tessary::cli {
namespace {

std::string FileArgumentText(const std::string& argument, const char* standard) {
  return argument == "-" ? standard : NameText(argument);
}

std::string FitText(const FitRequest& fit) {
  return std::string(1, AxisName(fit.axis)) + "=" + ShortestText(fit.length);
}

}  // namespace

std::string FailureText(const JobResult& result) {
  switch (result.status) {
    case JobStatus::InputNotOpened:
    case JobStatus::OutputNotOpened:
      return result.Message() + " (" + NameText(result.path) + ": " + result.reason + ")";
    case JobStatus::Failed:
      if (platform::IsKind(result.systemError, platform::ErrorKind::NoMemory)) {
        return OutOfMemoryText(result.path);
      }
      if (result.cause == FileErrorCause::NotReplaced) {
        return "Unable to replace " + NameText(result.path) + ": it " + result.reason + ".";
      }
      return MessageText(result.cause == FileErrorCause::DiskFull ? Message::DiskFull
                                                                  : Message::UnknownError,
                         NameText(result.path)) +
             " (" + result.reason + ")";
    case JobStatus::NoFactors:  // the caller knows what it asked for
    case JobStatus::Done:
    case JobStatus::Written:
    case JobStatus::Cancelled:
      break;
  }
  return {};
}

std::string FailureText(const std::string& input, const JobResult& result) {
  if (result.status == JobStatus::Failed && result.path.empty() && result.reason.empty()) {
    return OutOfMemoryText(input);
  }
  return FailureText(result);
}

std::string FileFailureText(const PlannedFile& file, const ScaleCommand& command,
                            const JobResult& result) {
  if (result.status == JobStatus::NoFactors && command.fit) {
    return "Unable to fit the model to " + FitText(*command.fit) + ". (" + NameText(file.input) +
           ": " + result.reason + ")";
  }
  return FailureText(file.input, result);
}

std::string FitNoteText(const PlannedFile& file, const ScaleCommand& command,
                        const JobResult& result) {
  if (!command.fit) return {};
  return NameText(file.input) + ": scaled by " + ShortestText(result.factors.x) + " to span " +
         ShortestText(command.fit->length) + " along " + AxisName(command.fit->axis);
}

std::string FinishedText(const PlannedFile& file, Placement placement) {
  if (placement == Placement::InPlace) return "replaced " + NameText(file.input);
  return "scaled " + FileArgumentText(file.input, "standard input") + " into " +
         FileArgumentText(file.output, "standard output");
}

std::string InterruptedText(std::size_t finished, std::size_t files, Placement placement) {
  const bool inPlace = placement == Placement::InPlace;
  const char* noun = inPlace ? (files == 1 ? "model" : "models") : (files == 1 ? "file" : "files");
  const char* verb = finished == 1 ? "was" : "were";
  std::string text = Format("interrupted: %zu of %zu %s %s %s (listed above)", finished, files,
                            noun, verb, inPlace ? "replaced" : "scaled");
  if (finished < files) text += "; the others are as they were";
  return text;
}

std::string LeftoverText(const platform::Leftover& leftover) {
  return MessageText(leftover.removed ? Message::LeftoverRemoved : Message::LeftoverKept,
                     NameText(leftover.path));
}

std::string AccessNoteText(const PlannedFile& file, const JobResult& result) {
  return NameText(file.output) + ": " + result.accessNote;
}

std::string OutOfMemoryText(const std::string& file) {
  const platform::Error noMemory = platform::ErrorOf(platform::ErrorKind::NoMemory);
  return "not enough memory to scale " + NameText(file) + ": nothing was changed (" +
         platform::ErrorText(noMemory) + ")";
}

std::string ProgramLine(const std::string& text) {
  return "tessary-scale: " + ControlsEscaped(text) + "\n";
}

void PrintProgramLine(const std::string& text) {
  platform::WriteText(platform::Stream::Error, ProgramLine(text));
}

}  // namespace tessary::cli
