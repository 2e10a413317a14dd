// What a window does on every system: the top-level dispatch of its messages, where an error
// that escapes a handler is reported, and what it does by default.
#include "framework/wnd.h"

#include <exception>
#include <memory>

#include "framework/user_exception.h"

namespace afx {

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    LRESULT result = 0;
    if (OnMessage(message, wParam, lParam, result)) return result;
    return DefWindowProc(message, wParam, lParam);
  } catch (const CUserException&) {
    // The user stopped the handler's work: there is nothing to report.
  } catch (const std::exception& error) {
    MessageBox(error.what(), nullptr, MB_ICONSTOP);
  } catch (...) {
    MessageBox("An unknown error occurred.", nullptr, MB_ICONSTOP);
  }
  return 0;
}

void CWnd::ReleaseWindow() {
  m_hWnd = nullptr;
  m_systemMenu.reset();
  children_.clear();
}

CWnd* CWnd::ChildObject(HWND child) {
  std::unique_ptr<CWnd>& object = children_[child];
  if (object == nullptr) {
    object = std::make_unique<CWnd>();
    object->m_hWnd = child;
  }
  return object.get();
}

void CWnd::OnSysCommand(UINT nID, LPARAM lParam) {
  DefWindowProc(WM_SYSCOMMAND, nID, lParam);
}

void CWnd::OnPaint() {
  DefWindowProc(WM_PAINT, 0, 0);
}

}  // namespace afx
