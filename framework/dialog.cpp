// What a dialog does on every system: data exchange on opening, OK and Cancel.
#include "framework/dialog.h"

namespace afx {

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
  CDataExchange exchange(this, bSaveAndValidate);
  DoDataExchange(&exchange);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() {
  EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) {}

}  // namespace afx
