#include "cli/job_messages.h"

#include "platform/error.h"
#include "platform/process.h"

namespace tessary::cli {

std::string FailureText(const JobResult& result) {
  switch (result.status) {
    case JobStatus::InputNotOpened:
    case JobStatus::OutputNotOpened:
      return result.Message() + " (" + result.path + ": " + result.reason + ")";
    case JobStatus::Failed:
      return result.Message() + " (" + result.reason + ")";
    case JobStatus::NoFactors:  // the caller knows what it asked for
    case JobStatus::Done:
    case JobStatus::Cancelled:
      break;
  }
  return {};
}

std::string OutOfMemoryText(const std::string& file) {
  const platform::Error noMemory = platform::ErrorOf(platform::ErrorKind::NoMemory);
  return "An unknown error occurred while accessing " + file + ". (" +
         platform::ErrorText(noMemory) + ")";
}

std::string ProgramLine(const std::string& text) {
  return "tessary-scale: " + text + "\n";
}

void PrintProgramLine(const std::string& text) {
  platform::WriteText(platform::Stream::Error, ProgramLine(text));
}

}  // namespace tessary::cli
