// Where each input of a batch is written, and the checks made before anything is written:
// two inputs must not write one output, and no output may be one of the inputs.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/job/words.h"

namespace tessary {

/// Where the output of each input goes.
enum class Placement {
  Output,           ///< the one output named with the input
  TargetDirectory,  ///< a folder, under the input's own file name
  Suffix,           ///< beside the input, a suffix before its extension
  InPlace,          ///< the input itself, replaced
};

/// One input and the path its output goes to ("-": standard input or output).
struct PlannedFile {
  std::string input;
  std::string output;
};

/// The output path of `input` under `placement`: DIR/NAME for TargetDirectory, the input's
/// folder and NAME with `destination` before its extension for Suffix ("crate.mdl" with "-x2"
/// gives "crate-x2.mdl"), the input itself for InPlace, `destination` for Output. Empty when
/// the input names no file ("models/").
std::string OutputPathFor(const std::string& input, Placement placement,
                          const std::string& destination);

/// Every input with its output.
std::vector<PlannedFile> PlanFiles(const std::vector<std::string>& inputs, Placement placement,
                                   const std::string& destination);

/// Why `folder` cannot take the outputs (it does not exist, or is no folder), or nothing.
std::optional<std::string> CheckTargetDirectory(const std::string& folder, const NameStyle& names);

/// Why `input` names no file, where a name cannot hold a wildcard (Windows, whose programs
/// expand them themselves) and it holds one that matched nothing: "'*.mdl' names no file: no
/// file matches it". Nothing otherwise.
std::optional<std::string> UnmatchedPattern(const std::string& input, const NameStyle& names);

/// One sentence for each problem that must stop the batch before it starts: an input that
/// names no file (see also UnmatchedPattern), two inputs that would write the same output, an
/// output that would be one of the inputs. Files are compared by identity (device and inode), so
/// that two names of one file (links, "./a.mdl" and "a.mdl") count as one; a file that does not
/// exist yet (an output, or an input that an earlier input would write) is compared by its folder's
/// identity and its name. With `inPlace` each input is its own output
/// and only two names of one file are a problem. Empty when there is none.
std::vector<std::string> FindConflicts(const std::vector<PlannedFile>& files, bool inPlace,
                                       const NameStyle& names);

}  // namespace tessary
