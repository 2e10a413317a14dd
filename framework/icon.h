// Icons loaded from the program's resources.
#pragma once

#include "framework/types.h"

namespace afx {

/// The icon resource `id`, loaded once; null if there is none.
HICON AfxLoadIcon(UINT id);

/// The platform's metric `index`: SM_CXICON and SM_CYICON give the large icon size.
int GetSystemMetrics(int index);

}  // namespace afx
