// The name of the new file that replaces a file: hidden, beside it, and its own.
#pragma once

#include <string>

namespace tessary::platform {

/// ".NAME.tessary-XXXXXX" for a file named NAME, with six random letters and digits; NAME is
/// cut to 200 bytes (never inside a UTF-8 character), so that the name stays within the
/// limits of every file system.
std::string TemporaryName(const std::string& name);

/// Whether `candidate` is a name that TemporaryName gives for `name`.
bool IsTemporaryNameOf(const std::string& candidate, const std::string& name);

}  // namespace tessary::platform
