#include "framework/icon.h"

#include <map>

#include "framework/win32/windows_api.h"

namespace afx {

HICON AfxLoadIcon(UINT id) {
  static std::map<UINT, Icon> icons;  // loaded once, for the program's whole run
  if (auto found = icons.find(id); found != icons.end()) return &found->second;
  const HINSTANCE module = ::GetModuleHandleW(nullptr);
  const auto load = [&](int width, int height) {
    return static_cast<::HICON>(
        ::LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON, width, height, LR_DEFAULTCOLOR));
  };
  Icon icon;
  icon.big = load(::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON));
  icon.little = load(::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON));
  if (icon.big == nullptr) return nullptr;
  return &(icons[id] = icon);
}

int GetSystemMetrics(int index) {
  return ::GetSystemMetrics(index);
}

}  // namespace afx
