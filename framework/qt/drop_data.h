// The files a drop carries, as Qt gives them. Internal to the Qt implementation and its tests.
#pragma once

#include <QMimeData>
#include <vector>

#include "framework/drop_files.h"

namespace afx {

/// The local paths that `data` carries, as the bytes its addresses spell (which need not be
/// valid UTF-8), or none unless it carries local files only: remote addresses (a file on
/// another host included) and text are not files; a file on "localhost" is local. A
/// text/uri-list's comment lines are skipped.
std::vector<CString> LocalFilesOf(const QMimeData& data);

}  // namespace afx
