#include "framework/command_line.h"

#include "framework/app.h"
#include "framework/resources.h"

namespace afx {

CommandLine ParseArguments(std::span<const std::string> arguments) {
  CommandLine result;
  for (const std::string& argument : arguments) {
    if (argument == "--") break;
    if (argument == "-h" || argument == "--help") return {CommandLine::Action::Help, {}, {}};
    if (argument == "-V" || argument == "--version") return {CommandLine::Action::Version, {}, {}};
  }
  bool optionsEnded = false;
  for (const std::string& argument : arguments) {
    if (!optionsEnded && argument == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
      return {CommandLine::Action::Error, {}, "unknown option '" + argument + "'"};
    } else if (argument.empty()) {
      return {CommandLine::Action::Error, {}, "the file name is empty"};
    } else if (!result.fileName.empty()) {
      return {CommandLine::Action::Error, {}, "expected at most one file"};
    } else {
      result.fileName = argument;
    }
  }
  return result;
}

std::string CommandLineHelp() {
  const CString help = LoadString(AFX_IDS_COMMAND_LINE_HELP);
  if (!help.empty()) return help;
  return std::string("Usage: ") + AfxGetAppName() + " [options] [FILE]\n";
}

std::string VersionLine() {
  return std::string(AfxGetAppName()) + " " + AfxGetResourceTable().version.productVersion + "\n";
}

}  // namespace afx
