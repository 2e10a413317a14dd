// The application object and the program's start.
#pragma once

#include <vector>

#include "framework/cmd_target.h"
#include "framework/command_line.h"
#include "framework/types.h"

namespace afx {

class CWnd;

/// The one application object. Construct it as a global; AfxWinMain then calls InitInstance.
class CWinApp : public CCmdTarget {
 public:
  CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;
  ~CWinApp() override;

  /// Starts the application's work. Returning FALSE ends the program without a message loop.
  virtual BOOL InitInstance();

  HICON LoadIcon(UINT id) const;

  /// Fills `rCmdInfo` in from the program's arguments: the file named, if any.
  void ParseCommandLine(CCommandLineInfo& rCmdInfo) const;

  /// The application's main window, if any.
  CWnd* m_pMainWnd = nullptr;

  /// The program's arguments without its name, once the window system took its own options
  /// (such as -platform); set by AfxWinMain.
  std::vector<std::string> m_arguments;

 protected:
  /// The framework's help command handler. The framework has no help system, so it shows
  /// nothing; an application that has help maps ID_HELP to a handler of its own.
  void OnHelp();
};

/// The application object, or null when there is none.
CWinApp* AfxGetApp();

/// The application's title: the executable's file name without its extension.
LPCTSTR AfxGetAppName();

/// Enables hosting of ActiveX controls in dialogs. There are no such controls on Linux, so this
/// does nothing; it is kept so that start-up reads as on the original platform.
void AfxEnableControlContainer();

/// Loads string resource `id`; empty when there is none.
CString LoadString(UINT id);

/// Gives the running application the program's identity: its desktop entry, by which docks and
/// task bars match its windows to the entry.
void AfxSetUpApplication();

/// The program's start. Answers --help and --version on standard output without a window (and
/// without a display); otherwise sets up the window system, which takes its own options, refuses
/// other options and more than one file on standard error (exit status 2), and runs the
/// application object's InitInstance.
int AfxWinMain(int argc, char** argv);

}  // namespace afx
