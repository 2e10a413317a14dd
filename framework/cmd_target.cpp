#include "framework/cmd_target.h"

namespace afx {
namespace {

bool Matches(const MessageMapEntry& entry, UINT message, WPARAM wParam) {
  if (entry.message != message) return false;
  if (message != WM_COMMAND) return true;
  return entry.id == LOWORD(wParam) && HIWORD(wParam) == BN_CLICKED;
}

}  // namespace

CCmdTarget::~CCmdTarget() = default;

const MessageMap* CCmdTarget::GetThisMessageMap() {
  static const MessageMap map{nullptr, {}};
  return &map;
}

const MessageMap* CCmdTarget::GetMessageMap() const {
  return GetThisMessageMap();
}

bool CCmdTarget::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  for (const MessageMap* map = GetMessageMap(); map != nullptr; map = map->base) {
    for (const MessageMapEntry& entry : map->entries) {
      if (!Matches(entry, message, wParam)) continue;
      result = 0;
      if (const auto* handler = std::get_if<VoidHandler>(&entry.handler)) {
        (this->**handler)();
      } else if (const auto* sysCommand = std::get_if<SysCommandHandler>(&entry.handler)) {
        (this->**sysCommand)(static_cast<UINT>(wParam), lParam);
      } else if (const auto* dropFiles = std::get_if<DropFilesHandler>(&entry.handler)) {
        (this->**dropFiles)(reinterpret_cast<HDROP>(wParam));
      } else {
        const HCURSOR icon = (this->*std::get<QueryIconHandler>(entry.handler))();
        result = reinterpret_cast<LRESULT>(icon);
      }
      return true;
    }
  }
  return false;
}

}  // namespace afx
