#include "framework/dialog.h"

namespace afx {

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
  if (pDX->m_bSaveAndValidate) {
    value = pDX->m_pDlgWnd->GetDlgItemText(nIDC);
  } else {
    pDX->m_pDlgWnd->SetDlgItemText(nIDC, value);
  }
}

}  // namespace afx
