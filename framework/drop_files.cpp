#include "framework/drop_files.h"

#include <algorithm>
#include <cstring>

namespace afx {

UINT DragQueryFile(HDROP hDrop, UINT iFile, LPTSTR lpszFile, UINT cch) {
  if (iFile == 0xFFFFFFFF) return static_cast<UINT>(hDrop->files.size());
  if (iFile >= hDrop->files.size()) return 0;
  const CString& path = hDrop->files[iFile];
  if (lpszFile == nullptr) return static_cast<UINT>(path.size());
  if (cch == 0) return 0;
  const std::size_t length = std::min<std::size_t>(path.size(), cch - 1);
  std::memcpy(lpszFile, path.data(), length);
  lpszFile[length] = '\0';
  return static_cast<UINT>(length);
}

BOOL DragQueryPoint(HDROP hDrop, POINT* ppt) {
  *ppt = hDrop->point;
  return TRUE;
}

void DragFinish(HDROP) {}

}  // namespace afx
