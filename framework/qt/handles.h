// The framework's handles as the Qt objects they stand for, and the icon as Qt holds it.
// Internal to the Qt implementation and its tests.
#pragma once

#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QWidget>

#include "framework/types.h"

namespace afx {

inline QWidget* WidgetOf(HWND window) {
  return reinterpret_cast<QWidget*>(window);
}
inline HWND HandleOf(QWidget* widget) {
  return reinterpret_cast<HWND>(widget);
}
inline QMenu* MenuOf(HMENU menu) {
  return reinterpret_cast<QMenu*>(menu);
}
inline QPainter* PainterOf(HDC dc) {
  return reinterpret_cast<QPainter*>(dc);
}
inline HDC HandleOf(QPainter* painter) {
  return reinterpret_cast<HDC>(painter);
}

/// An icon with all its images. Icons live as long as the application.
class Icon {
 public:
  explicit Icon(QIcon icon) : icon_(std::move(icon)) {}
  const QIcon& icon() const { return icon_; }

 private:
  QIcon icon_;
};

}  // namespace afx
