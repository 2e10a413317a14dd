// Names of files (and other text from the user or the system) as tessary-scale prints them:
// a control character in a name must not act on the terminal (a line feed would start a line
// that looks like one of ours, ESC [2K CR would wipe one), so it is shown as a shell reads it,
// as the GNU tools do: "a<LF>b" is shown as 'a'$'\n''b'.
#pragma once

#include <string>
#include <string_view>

namespace tessary::cli {

/// `name` unchanged when every character of it can be shown as it is, otherwise quoted for a
/// POSIX shell: printable runs in single quotes, control characters (C0, DEL, C1) and bytes
/// that are not UTF-8 as $'...' escapes (\n, \t, \r, ... or three octal digits).
std::string NameText(std::string_view name);

/// `name` always in single quotes, as in "target directory 'out'"; quoted as NameText does
/// when it needs to be.
std::string QuotedNameText(std::string_view name);

/// `text` with each run of control characters or bytes that are not UTF-8 replaced by its
/// $'...' escape, and nothing else changed: the last guard of every line printed, for text
/// that is not known to be a name (a reason that mentions a folder, an argument echoed in a
/// usage error).
std::string ControlsEscaped(std::string_view text);

}  // namespace tessary::cli
