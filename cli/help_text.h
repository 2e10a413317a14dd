// What tessary-scale says about itself: the text of --help and of --version.
#pragma once

#include <string>

namespace tessary::cli {

/// The text printed by --help: usage, the keywords from the keyword table, every option of
/// the option table, exit status.
std::string HelpText();

/// The text printed by --version: name and version, then the copyright and licence lines.
std::string VersionText();

}  // namespace tessary::cli
