#include "app/tessary_app.h"

#include "app/tessary_dlg.h"

using namespace afx;

CTessaryApp::CTessaryApp() = default;

CTessaryApp::~CTessaryApp() = default;

const MessageMap* CTessaryApp::GetMessageMap() const {
  static const MessageMapEntry entries[] = {
      ON_COMMAND(ID_HELP, &CTessaryApp::OnHelp),
  };
  static const MessageMap map{CWinApp::GetThisMessageMap(), entries};
  return &map;
}

// Runs the main dialog and returns FALSE, so that the program ends when the dialog closes. A
// model named on the command line ("Open with Tessary") fills the Model field.
BOOL CTessaryApp::InitInstance() {
  AfxEnableControlContainer();

  CCommandLineInfo cmdInfo;
  ParseCommandLine(cmdInfo);

  CTessaryDlg dlg;
  if (cmdInfo.m_nShellCommand == CCommandLineInfo::FileOpen) dlg.m_strModel = cmdInfo.m_strFileName;
  m_pMainWnd = &dlg;
  dlg.DoModal();
  m_pMainWnd = nullptr;
  return FALSE;
}
