// The main dialog: the form (model, output, three factors), the file choosers, Scale, the
// About entry of the system menu and the icon while minimised.
#pragma once

#include "framework/afxwin.h"
#include "res/resource.h"

class CTessaryDlg : public afx::CDialog {
 public:
  explicit CTessaryDlg(afx::CWnd* pParent = nullptr);
  ~CTessaryDlg() override;

  enum { IDD = IDD_MAIN };

  afx::CString m_strModel;
  afx::CString m_strOutput;
  afx::CString m_strScaleX;
  afx::CString m_strScaleY;
  afx::CString m_strScaleZ;

 protected:
  const afx::MessageMap* GetMessageMap() const override;
  void DoDataExchange(afx::CDataExchange* pDX) override;
  afx::BOOL OnInitDialog() override;

  void OnSysCommand(afx::UINT nID, afx::LPARAM lParam);
  void OnPaint();
  afx::HCURSOR OnQueryDragIcon();
  void OnBrowseModel();
  void OnScale();
  void OnBrowseOutput();
  void OnDropFiles(afx::HDROP hDropInfo);

  afx::HICON m_hIcon;
};
