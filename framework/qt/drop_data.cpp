#include "framework/qt/drop_data.h"

#include <QByteArray>
#include <QList>
#include <QMimeData>
#include <QUrl>
#include <optional>

namespace afx {
namespace {

// The path of a file on this machine, as the bytes the address spells, or nothing.
// "file:///m/a.mdl" and "file://localhost/m/a.mdl" name the local /m/a.mdl; with any other
// host the file is on another machine (Qt would give "//host/m/a.mdl", a different local
// path). The bytes come from the address's own percent-encoding, so that a name that is not
// valid UTF-8 ("bad%FF.mdl") is not turned into another.
std::optional<CString> LocalPathOf(const QUrl& url) {
  if (!url.isValid() || !url.isLocalFile()) return std::nullopt;
  if (!url.host().isEmpty() &&
      url.host().compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0) {
    return std::nullopt;
  }
  const QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
  if (path.isEmpty()) return std::nullopt;
  return path.toStdString();
}

// The addresses of a text/uri-list: one a line, lines that start with '#' being comments.
QList<QUrl> UriList(const QByteArray& list) {
  QList<QUrl> urls;
  for (QByteArray line : list.split('\n')) {
    line = line.trimmed();
    if (line.isEmpty() || line.startsWith('#')) continue;
    urls.push_back(QUrl::fromEncoded(line, QUrl::StrictMode));
  }
  return urls;
}

}  // namespace

std::vector<CString> LocalFilesOf(const QMimeData& data) {
  const QString uriList = QStringLiteral("text/uri-list");
  const QList<QUrl> urls = data.hasFormat(uriList) ? UriList(data.data(uriList)) : data.urls();
  std::vector<CString> files;
  for (const QUrl& url : urls) {
    std::optional<CString> path = LocalPathOf(url);
    if (!path) return {};
    files.push_back(std::move(*path));
  }
  return files;
}

}  // namespace afx
