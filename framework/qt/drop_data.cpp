#include "framework/qt/drop_data.h"

#include <QFile>
#include <QMimeData>
#include <QUrl>

namespace afx {
namespace {

// The path of a file: address on this machine, or an empty string. "file:///m/a.mdl" and
// "file://localhost/m/a.mdl" name the local /m/a.mdl; with any other host the file is on
// another machine (Qt would give "//host/m/a.mdl", a different local path).
QString LocalPathOf(const QUrl& url) {
  if (!url.isLocalFile()) return {};
  if (url.host().isEmpty()) return url.toLocalFile();
  if (url.host().compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0) return {};
  QUrl local(url);
  local.setHost(QString());
  return local.toLocalFile();
}

}  // namespace

std::vector<CString> LocalFilesOf(const QMimeData& data) {
  std::vector<CString> files;
  for (const QUrl& url : data.urls()) {
    const QString path = LocalPathOf(url);
    if (path.isEmpty()) return {};
    files.push_back(QFile::encodeName(path).toStdString());
  }
  return files;
}

}  // namespace afx
