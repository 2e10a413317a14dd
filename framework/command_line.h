// The program's command line: at most one file, and the options that answer without a window.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "framework/types.h"

namespace afx {

/// What the command line asks of the application; CWinApp::ParseCommandLine fills it in.
class CCommandLineInfo {
 public:
  enum ShellCommand { FileNew, FileOpen };
  /// FileOpen when a file was named.
  ShellCommand m_nShellCommand = FileNew;
  CString m_strFileName;
};

/// The arguments read: run the program (with a file or without), answer --help or --version,
/// or refuse them.
struct CommandLine {
  enum class Action { Run, Help, Version, Error };
  Action action = Action::Run;
  CString fileName;   ///< for Run
  std::string error;  ///< for Error
};

/// Reads the arguments (without the program's name): -h or --help, -V or --version (either
/// wins over anything else before "--"), and at most one file. "--" ends the options.
CommandLine ParseArguments(std::span<const std::string> arguments);

/// What --help prints: the string resource AFX_IDS_COMMAND_LINE_HELP, or a usage line.
std::string CommandLineHelp();

/// What --version prints: the program's name and its product version.
std::string VersionLine();

}  // namespace afx
