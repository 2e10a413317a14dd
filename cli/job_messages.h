// The lines tessary-scale prints about each file, all made from the driver's record of what
// became of it (a JobResult), and the line of a run that was interrupted.
#pragma once

#include <cstddef>
#include <string>

#include "cli/batch_plan.h"
#include "cli/command_line.h"
#include "model/job/scale_job.h"

namespace tessary::cli {

/// "MESSAGE (PATH: REASON)" when a file could not be opened, "MESSAGE (REASON)" when reading
/// or writing failed, such as "Unable to open input file. (a.mdl: No such file or
/// directory)"; empty for a job that succeeded, was cancelled or found no factors. Names are
/// shown as NameText shows them.
std::string FailureText(const JobResult& result);

/// FailureText, or OutOfMemoryText for `input` when the record names neither a file nor a reason
/// (it was made when memory ran out).
std::string FailureText(const std::string& input, const JobResult& result);

/// The line for a failed job of `file`: FailureText, or for --fit without factors "Unable to
/// fit the model to z=1.8. (INPUT: REASON)".
std::string FileFailureText(const PlannedFile& file, const ScaleCommand& command,
                            const JobResult& result);

/// With --fit, what --verbose says of a file done: "INPUT: scaled by F to span L along z".
std::string FitNoteText(const PlannedFile& file, const ScaleCommand& command,
                        const JobResult& result);

/// What an interrupted run says of a file it finished before it stopped: "replaced INPUT"
/// with -i, "scaled INPUT into OUTPUT" otherwise ("-" is standard input or output).
std::string FinishedText(const PlannedFile& file, Placement placement);

/// The last line of an interrupted run that finished `finished` (at least 1) of its `files`
/// files, after a FinishedText line for each: "interrupted: 2 of 5 models were replaced
/// (listed above); the others are as they were".
std::string InterruptedText(std::size_t finished, std::size_t files, Placement placement);

/// What is said, whatever became of the file, of what was found beside an output that an
/// earlier run may have left: "removed PATH, left by an earlier run that did not finish" for
/// a file this program made, otherwise "left PATH as it is: ...".
std::string LeftoverText(const platform::Leftover& leftover);

/// What is said of a file done whose new version could not keep all of the old one's access:
/// "OUTPUT: lost its set-group-ID bit, ...".
std::string AccessNoteText(const PlannedFile& file, const JobResult& result);

/// What is said of `file` when memory ran out: as memory, never as a fault of the file.
std::string OutOfMemoryText(const std::string& file);

/// `text` as printed: "tessary-scale: " before it and a line feed after it, with any control
/// character left in it escaped (see ControlsEscaped).
std::string ProgramLine(const std::string& text);

/// Prints `text` as a line of the program on standard error.
void PrintProgramLine(const std::string& text);

}  // namespace tessary::cli
