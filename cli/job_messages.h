// What tessary-scale says of each file, made from the run's record of it (model/job/run.h)
// with the names quoted for a shell, and the lines of a run that was interrupted.
#pragma once

#include <cstddef>
#include <string>

#include "cli/command_line.h"
#include "model/job/run.h"

namespace tessary::cli {

/// Names as tessary-scale prints them: quoted only where a shell or a terminal needs it (see
/// NameText), or always (QuotedNameText).
const NameStyle& CliNames();

/// The line for a failed file, such as "Unable to open input file. (a.mdl: No such file or
/// directory)" (see FailureSentence); empty for one that did not fail.
std::string FailureText(const JobResult& record);

/// What an interrupted run says of a file it finished before it stopped: "replaced INPUT"
/// with -i, "scaled INPUT into OUTPUT" otherwise (standard input and output named so).
std::string FinishedText(const JobResult& record, Placement placement);

/// The last line of an interrupted run that finished `finished` (at least 1) of its `files`
/// files, after a FinishedText line for each: "interrupted: 2 of 5 models were replaced
/// (listed above); the others are as they were".
std::string InterruptedText(std::size_t finished, std::size_t files, Placement placement);

/// `text` as printed: "tessary-scale: " before it and a line feed after it, with any control
/// character left in it escaped (see ControlsEscaped).
std::string ProgramLine(const std::string& text);

/// Prints `text` as a line of the program on standard error.
void PrintProgramLine(const std::string& text);

}  // namespace tessary::cli
