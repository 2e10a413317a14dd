#include "framework/qt/drop_data.h"

#include <QFile>
#include <QMimeData>
#include <QUrl>

namespace afx {

std::vector<CString> LocalFilesOf(const QMimeData& data) {
  std::vector<CString> files;
  for (const QUrl& url : data.urls()) {
    const QString path = url.toLocalFile();
    if (path.isEmpty()) return {};
    files.push_back(QFile::encodeName(path).toStdString());
  }
  return files;
}

}  // namespace afx
