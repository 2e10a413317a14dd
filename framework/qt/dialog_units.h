// Dialog units: template coordinates scaled by the dialog font, as the original platform does.
#pragma once

#include <QFont>
#include <QRect>

namespace afx {

struct DialogBaseUnits {
  int averageWidth;  ///< average advance of the 52 letters A-Z and a-z, rounded
  int height;        ///< the font's line height
};

/// The font a template names, or the system's sans-serif face at the same size when it is not
/// installed.
QFont DialogFont(const char* family, int pointSize);

DialogBaseUnits BaseUnitsOf(const QFont& font);

/// x and width scale by averageWidth / 4, y and height by height / 8, rounded.
QRect MapDialogRect(const DialogBaseUnits& units, int x, int y, int cx, int cy);

}  // namespace afx
