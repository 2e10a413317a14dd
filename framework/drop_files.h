// Files dropped on a window: what WM_DROPFILES carries and how a handler reads it.
#pragma once

#include <vector>

#include "framework/types.h"

namespace afx {

struct DropFiles {
  std::vector<CString> files;  ///< local paths, in the system's encoding
  POINT point;                 ///< where they were dropped, in the window's client area
};

/// With `iFile` 0xFFFFFFFF, the number of files dropped. Otherwise copies the path of file
/// `iFile` into `lpszFile` (at most `cch` characters with the terminating zero) and returns its
/// length without the zero; with a null `lpszFile`, just returns that length.
UINT DragQueryFile(HDROP hDrop, UINT iFile, LPTSTR lpszFile, UINT cch);

/// Where the files were dropped, in the window's client area. Returns TRUE.
BOOL DragQueryPoint(HDROP hDrop, POINT* ppt);

/// Ends the handling of a drop. The drop belongs to the window that delivered it, so this does
/// nothing; it is kept so that handlers read as on the original platform.
void DragFinish(HDROP hDrop);

}  // namespace afx
