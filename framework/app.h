// The application object and the program's start.
#pragma once

#include "framework/cmd_target.h"
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

  /// The application's main window, if any.
  CWnd* m_pMainWnd = nullptr;

 protected:
  /// The framework's help command handler. Tessary has no help file, so it shows nothing.
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

/// The program's start: sets up the window system, then runs the application object's
/// InitInstance. Command-line arguments are left to the window system.
int AfxWinMain(int argc, char** argv);

}  // namespace afx
