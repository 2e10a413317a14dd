#include "framework/qt/dialog_units.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>

namespace afx {
namespace {

// a * b / c rounded to the nearest integer.
int MulDiv(int a, int b, int c) {
  return static_cast<int>((2LL * a * b + c) / (2LL * c));
}

}  // namespace

QFont DialogFont(const char* family, int pointSize) {
  QFont font(QString::fromLatin1(family), pointSize);
  if (!QFontInfo(font).exactMatch()) {
    font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(pointSize);
  }
  return font;
}

DialogBaseUnits BaseUnitsOf(const QFont& font) {
  const QFontMetrics metrics(font);
  const int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return {(letters + 26) / 52, metrics.height()};
}

QRect MapDialogRect(const DialogBaseUnits& units, int x, int y, int cx, int cy) {
  return QRect(MulDiv(x, units.averageWidth, 4), MulDiv(y, units.height, 8),
               MulDiv(cx, units.averageWidth, 4), MulDiv(cy, units.height, 8));
}

}  // namespace afx
