// The texts the user sees for the outcome of a pass, in one table.
#pragma once

#include <string>
#include <string_view>

namespace tessary {

enum class Message {
  Done,             ///< "Done!"
  InputNotOpened,   ///< "Unable to open input file."
  OutputNotOpened,  ///< "Unable to open output file."
  UnknownError,     ///< "An unknown error occurred while accessing %1."
  DiskFull,         ///< "Disk full while accessing %1."
  /// What is said of files found beside an output that an earlier run may have left:
  LeftoverRemoved,  ///< "removed %1, left by an earlier run that did not finish"
  LeftoverKept,     ///< "left %1 as it is: its name is that of a file ..."
};

/// The text as it stands in the table, with "%1" where a file's path goes.
const char* MessageTemplate(Message message);

/// The text with `path` in place of "%1".
std::string MessageText(Message message, std::string_view path = {});

}  // namespace tessary
