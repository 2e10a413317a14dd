// The lines tessary-scale prints about a file whose job did not succeed.
#pragma once

#include <string>

#include "model/job/scale_job.h"

namespace tessary::cli {

/// "MESSAGE (PATH: REASON)" when a file could not be opened, "MESSAGE (REASON)" when reading
/// or writing failed, such as "Unable to open input file. (a.mdl: No such file or
/// directory)"; empty for a job that succeeded or was cancelled.
std::string FailureText(const JobResult& result);

/// What is said of `file` when there was not even the memory to say more.
std::string OutOfMemoryText(const std::string& file);

/// `text` as printed: "tessary-scale: " before it and a line feed after it.
std::string ProgramLine(const std::string& text);

/// Prints `text` as a line of the program on standard error.
void PrintProgramLine(const std::string& text);

}  // namespace tessary::cli
