// Modal dialogs built from templates, with data exchange between fields and controls.
#pragma once

#include <memory>

#include "framework/wnd.h"

namespace afx {

class CDialog;

/// The direction of one data exchange: from the controls into the fields when saving.
class CDataExchange {
 public:
  CDataExchange(CDialog* dialog, BOOL saveAndValidate)
      : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}
  BOOL m_bSaveAndValidate;
  CDialog* m_pDlgWnd;
};

/// Exchanges `value` with the text of control `nIDC`, without validation.
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);

class CDialog : public CWnd {
 public:
  /// A dialog built from template `nIDTemplate`, owned by `pParentWnd` (null: no owner).
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  ~CDialog() override;

  /// Builds the window, calls OnInitDialog, runs until EndDialog and returns its result.
  /// When OnInitDialog returns TRUE the first tab stop gets the keyboard focus.
  virtual INT_PTR DoModal();

  /// Loads the controls from the fields (UpdateData(FALSE)); returns TRUE.
  virtual BOOL OnInitDialog();

  /// Stores the controls into the fields (TRUE) or loads them from the fields (FALSE).
  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

  /// Ends the modal loop with `nResult`.
  void EndDialog(int nResult);

 protected:
  virtual void DoDataExchange(CDataExchange* pDX);
  /// The Exit or OK button: stores the form and ends with IDOK.
  virtual void OnOK();
  /// Escape, the close box and the system menu's Close: ends with IDCANCEL.
  virtual void OnCancel();

  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  friend class DialogWindow;
  void ShowSystemMenu(int globalX, int globalY);

  UINT templateId_;
  CWnd* parent_;
};

}  // namespace afx
