#include "app/about_dlg.h"

using namespace afx;

CAboutDlg::CAboutDlg() : CDialog(IDD) {}

CAboutDlg::~CAboutDlg() = default;

const MessageMap* CAboutDlg::GetMessageMap() const {
  static const MessageMap map{CDialog::GetThisMessageMap(), {}};
  return &map;
}

void CAboutDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
}
