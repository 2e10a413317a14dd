// What the application object is on every system: the one instance, its icon, its command line.
#include "framework/app.h"

#include "framework/command_line.h"
#include "framework/icon.h"

namespace afx {
namespace {

CWinApp* theApplication = nullptr;

}  // namespace

CWinApp::CWinApp() {
  theApplication = this;
}

CWinApp::~CWinApp() {
  if (theApplication == this) theApplication = nullptr;
}

BOOL CWinApp::InitInstance() {
  return TRUE;
}

HICON CWinApp::LoadIcon(UINT id) const {
  return AfxLoadIcon(id);
}

void CWinApp::ParseCommandLine(CCommandLineInfo& rCmdInfo) const {
  const CommandLine line = ParseArguments(m_arguments);
  if (line.action != CommandLine::Action::Run || line.fileName.empty()) return;
  rCmdInfo.m_nShellCommand = CCommandLineInfo::FileOpen;
  rCmdInfo.m_strFileName = line.fileName;
}

void CWinApp::OnHelp() {}

CWinApp* AfxGetApp() {
  return theApplication;
}

}  // namespace afx
