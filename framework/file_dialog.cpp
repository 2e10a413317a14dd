// The common file dialog as the caller sets it up, the same on every system.
#include "framework/file_dialog.h"

namespace afx {

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt, LPCTSTR lpszFileName,
                         unsigned long dwFlags, LPCTSTR lpszFilter, CWnd* pParentWnd)
    : open_(bOpenFileDialog),
      defaultExtension_(lpszDefExt != nullptr ? lpszDefExt : ""),
      fileName_(lpszFileName != nullptr ? lpszFileName : ""),
      flags_(dwFlags),
      filter_(lpszFilter != nullptr ? lpszFilter : ""),
      parent_(pParentWnd) {}

}  // namespace afx
