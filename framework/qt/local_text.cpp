#include "framework/qt/local_text.h"

namespace afx {

CString Printable(const CString& text) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  CString shown;
  for (std::size_t at = 0; at < text.size();) {
    // The character here, when one of up to four bytes decodes; otherwise the byte, in hex.
    std::size_t length = 0;
    for (std::size_t n = 1; n <= 4 && at + n <= text.size() && length == 0; ++n) {
      if (ShownExactly(text.substr(at, n))) length = n;
    }
    if (length != 0) {
      shown.append(text, at, length);
      at += length;
      continue;
    }
    const auto byte = static_cast<unsigned char>(text[at++]);
    shown += "\\x";
    shown += kDigits[byte >> 4];
    shown += kDigits[byte & 15];
  }
  return shown;
}

}  // namespace afx
