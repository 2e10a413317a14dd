// The About box: the icon, the version, the copyright and where to find Tessary.
#pragma once

#include "framework/afxwin.h"
#include "res/resource.h"

class CAboutDlg : public afx::CDialog {
 public:
  CAboutDlg();
  ~CAboutDlg() override;

  enum { IDD = IDD_ABOUTBOX };

 protected:
  const afx::MessageMap* GetMessageMap() const override;
  void DoDataExchange(afx::CDataExchange* pDX) override;
};
