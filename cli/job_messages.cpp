#include "cli/job_messages.h"

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

std::string ProgramLine(const std::string& text) {
  return "tessary-scale: " + text + "\n";
}

}  // namespace tessary::cli
