#include "framework/win32/windows_api.h"

namespace afx {

std::string TextOf(::HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return Narrow(text);
}

}  // namespace afx
