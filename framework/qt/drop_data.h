// The files a drop carries, as Qt gives them. Internal to the Qt implementation and its tests.
#pragma once

#include <QMimeData>
#include <vector>

#include "framework/drop_files.h"

namespace afx {

/// The local paths that `data` carries, or none unless it carries local files only: remote
/// addresses and text are not files.
std::vector<CString> LocalFilesOf(const QMimeData& data);

}  // namespace afx
