// The lines tessary-scale prints about a file whose job did not succeed.
#pragma once

#include <string>

#include "model/scale_job.h"

namespace tessary::cli {

/// "MESSAGE (PATH: REASON)" when a file could not be opened, "MESSAGE (REASON)" when reading
/// or writing failed, such as "Unable to open input file. (a.mdl: No such file or
/// directory)"; empty for a job that succeeded or was cancelled.
std::string FailureText(const JobResult& result);

/// `text` as printed: "tessary-scale: " before it and a line feed after it.
std::string ProgramLine(const std::string& text);

}  // namespace tessary::cli
