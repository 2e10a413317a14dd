// The standard Open and Save As dialogs.
#pragma once

#include <string>

#include "framework/types.h"

namespace afx {

class CWnd;

/// The options of a file dialog that a caller may set before DoModal.
struct OPENFILENAME {
  /// The folder to start in when the file name has no folder that exists; may be null.
  LPCTSTR lpstrInitialDir = nullptr;
};

class CFileDialog {
 public:
  /// `filter` pairs descriptions and patterns with "|" and ends with "||", as in
  /// "MDL Files (*.mdl)|*.mdl||". Options: OFN_HIDEREADONLY (there is no read-only box to
  /// hide), OFN_OVERWRITEPROMPT, OFN_PATHMUSTEXIST (the chosen file's folder must exist),
  /// OFN_FILEMUSTEXIST.
  CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt = nullptr, LPCTSTR lpszFileName = nullptr,
              unsigned long dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
              LPCTSTR lpszFilter = nullptr, CWnd* pParentWnd = nullptr);

  /// Shows the dialog, in the folder of the file name when that folder exists, or else in
  /// m_ofn.lpstrInitialDir, with the file name's last part typed in. IDOK when a file was
  /// chosen, IDCANCEL otherwise.
  INT_PTR DoModal();
  /// The chosen file's full path.
  CString GetPathName() const { return pathName_; }

  OPENFILENAME m_ofn;

 private:
  BOOL open_;
  CString defaultExtension_;
  CString fileName_;
  unsigned long flags_;
  CString filter_;
  CWnd* parent_;
  CString pathName_;
};

}  // namespace afx
