// Text between the framework's 8-bit strings (the system's local encoding, as typed or chosen)
// and Qt's strings. Internal to the framework.
#pragma once

#include <QString>

#include "framework/types.h"

namespace afx {

/// A null text is empty.
inline QString FromLocal(LPCTSTR text) {
  return QString::fromLocal8Bit(text != nullptr ? text : "");
}

/// All of `text`, NUL bytes included.
inline QString FromLocal(const CString& text) {
  return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

inline CString ToLocal(const QString& text) {
  return text.toLocal8Bit().toStdString();
}

}  // namespace afx
