#include "model/pass/messages.h"

namespace tessary {

const char* MessageTemplate(Message message) {
  switch (message) {
    case Message::Done:
      return "Done!";
    case Message::InputNotOpened:
      return "Unable to open input file.";
    case Message::OutputNotOpened:
      return "Unable to open output file.";
    case Message::UnknownError:
      return "An unknown error occurred while accessing %1.";
    case Message::DiskFull:
      return "Disk full while accessing %1.";
    case Message::LeftoverRemoved:
      return "removed %1, left by an earlier run that did not finish";
    case Message::LeftoverKept:
      return "left %1 as it is: its name is that of a file an unfinished run leaves, but "
             "nothing shows that Tessary made it";
  }
  return "";
}

std::string MessageText(Message message, std::string_view path) {
  std::string text = MessageTemplate(message);
  if (const std::size_t at = text.find("%1"); at != std::string::npos) text.replace(at, 2, path);
  return text;
}

}  // namespace tessary
