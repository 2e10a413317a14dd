#include "framework/icon.h"

#include <QApplication>
#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QStyle>
#include <map>
#include <memory>

#include "framework/qt/handles.h"
#include "framework/resources.h"

namespace afx {
namespace {

// Owned by the QApplication, so the images go before the application does.
class IconCache : public QObject {
 public:
  explicit IconCache(QObject* parent) : QObject(parent) {}
  std::map<UINT, std::unique_ptr<Icon>> icons;
};

IconCache& Cache() {
  static QPointer<IconCache> cache;
  if (cache.isNull()) cache = new IconCache(qApp);
  return *cache;
}

}  // namespace

HICON AfxLoadIcon(UINT id) {
  auto& icons = Cache().icons;
  if (auto found = icons.find(id); found != icons.end()) return found->second.get();
  for (const IconResource& resource : AfxGetResourceTable().icons) {
    if (resource.id != id) continue;
    QIcon icon;
    for (const char* image : resource.images)
      icon.addFile(QString::fromUtf8(image));
    return (icons[id] = std::make_unique<Icon>(icon)).get();
  }
  return nullptr;
}

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXICON:
    case SM_CYICON:
      return QApplication::style()->pixelMetric(QStyle::PM_LargeIconSize);
    default:
      return 0;
  }
}

}  // namespace afx
