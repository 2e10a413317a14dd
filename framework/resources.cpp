#include "framework/resources.h"

#include "framework/app.h"

namespace afx {

const DialogTemplate* AfxFindDialogTemplate(UINT id) {
  for (const DialogTemplate& dialog : AfxGetResourceTable().dialogs) {
    if (dialog.id == id) return &dialog;
  }
  return nullptr;
}

CString LoadString(UINT id) {
  for (const StringResource& string : AfxGetResourceTable().strings) {
    if (string.id == id) return string.text;
  }
  return {};
}

}  // namespace afx
