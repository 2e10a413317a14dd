// The sentences that say what became of a file, the same for every front end that says more
// than the desktop program's few messages: one function for each thing said, the names in them
// shown as the front end shows names (quoted for a shell, as they are in a window).
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "model/job/record.h"
#include "platform/replacement.h"

namespace tessary {

/// How a front end shows a file's name in its sentences.
struct NameStyle {
  /// As it stands in a sentence: "crate.mdl", quoted only where it must be.
  std::function<std::string(std::string_view)> shown = [](std::string_view name) {
    return std::string(name);
  };
  /// Always quoted: "'models/'".
  std::function<std::string(std::string_view)> quoted = [](std::string_view name) {
    std::string text(1, '\'');
    text.append(name).push_back('\'');
    return text;
  };
};

/// Why a file failed, or empty for one that did not (done, written, cancelled):
///   "Unable to open input file. (a.mdl: No such file or directory)", the same for output;
///   "An unknown error occurred while accessing PATH. (REASON)", "Disk full while accessing
///   PATH. (REASON)" when reading or writing failed;
///   "Unable to replace PATH: it REASON." when another program changed or holds it;
///   "Unable to fit the model to z=1.8. (INPUT: REASON)" when a fit found no factor;
///   "not enough memory to scale INPUT: nothing was changed (REASON)" when memory ran out.
std::string FailureSentence(const JobResult& record, const NameStyle& names);

/// What is said of a file found beside an output that an earlier run may have left: "removed
/// PATH, left by an earlier run that did not finish", or "left PATH as it is: ...".
std::string LeftoverSentence(const platform::Leftover& leftover, const NameStyle& names);

/// For a file done whose new version could not keep all of the old one's access: "OUTPUT:
/// lost its set-group-ID bit, ..."; empty otherwise.
std::string AccessNoteSentence(const JobResult& record, const NameStyle& names);

/// For a file done with a fit: "INPUT: scaled by 0.5 to span 1.8 along z"; empty otherwise.
std::string FitNoteSentence(const JobResult& record, const NameStyle& names);

/// What is said of `file` when memory ran out: as memory, never as a fault of the file.
std::string OutOfMemorySentence(std::string_view file, const NameStyle& names);

/// "z=1.8"
std::string FitText(const FitRequest& fit);

}  // namespace tessary
