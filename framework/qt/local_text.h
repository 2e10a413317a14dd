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

/// Whether `text` comes back the same from a control that shows it: a path that is not valid
/// in the local encoding (UTF-8) would come back as another path.
inline bool ShownExactly(const CString& text) {
  return ToLocal(FromLocal(text)) == text;
}

/// `text` as a message can show it: bytes that are not valid in the local encoding written
/// as \xFF.
CString Printable(const CString& text);

}  // namespace afx
