// Windows on Win32: the window procedure that feeds the message map, message boxes, icons,
// the system menu, painting, drops and child controls.
#include "framework/wnd.h"

#include "framework/app.h"
#include "framework/drop_files.h"
#include "framework/icon.h"
#include "framework/win32/window_procedure.h"
#include "framework/win32/windows_api.h"

namespace afx {
namespace {

constexpr const wchar_t* kObjectProperty = L"Tessary.Object";
constexpr const wchar_t* kProcedureProperty = L"Tessary.Procedure";

// The files of a drop as the framework hands them to a handler.
DropFiles DropOf(::HDROP drop) {
  DropFiles files;
  const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    std::wstring path(::DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
    path.resize(::DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
    files.files.push_back(Narrow(path));
  }
  ::POINT point{};
  ::DragQueryPoint(drop, &point);
  files.point = {point.x, point.y};
  return files;
}

LRESULT CALLBACK WindowProcedure(::HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* object = static_cast<CWnd*>(::GetPropW(window, kObjectProperty));
  const WNDPROC original = OriginalProcedure(window);
  if (object == nullptr || message == WM_NCDESTROY) {
    ::RemovePropW(window, kObjectProperty);
    ::RemovePropW(window, kProcedureProperty);
    ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    return ::CallWindowProcW(original, window, message, wParam, lParam);
  }
  switch (message) {
    case WM_SETCURSOR:
      if (!LongOperationRunning()) break;
      ::SetCursor(::LoadCursorW(nullptr, IDC_APPSTARTING));
      return TRUE;
    // While an operation runs its window takes no commands, whoever sends them; closing it,
    // from the task bar or by another program (the close command ends in WM_CLOSE), stops the
    // operation instead.
    case WM_CLOSE:
      if (!LongOperationRunning()) break;
      CancelLongOperation();
      return 0;
    case WM_SYSCOMMAND:  // the application's own, such as About
      if (LongOperationRunning() && wParam < 0xF000) return 0;
      break;
    case WM_COMMAND:  // a button's click, a menu's or an accelerator's command
      if (LongOperationRunning() && HIWORD(wParam) <= 1) return 0;
      break;
    case WM_DROPFILES: {  // taken, as other input, only while no operation runs
      const auto drop = reinterpret_cast<::HDROP>(wParam);
      if (!LongOperationRunning()) {
        const DropFiles files = DropOf(drop);
        object->SendMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(&files));
      }
      ::DragFinish(drop);
      return 0;
    }
    case WM_QUERYDRAGICON: {
      const auto icon = reinterpret_cast<HICON>(object->SendMessage(message, wParam, lParam));
      return icon != nullptr ? reinterpret_cast<LRESULT>(icon->big) : 0;
    }
    case WM_HELP:  // F1: the Help command, as an accelerator gives it
      object->SendMessage(WM_COMMAND, MAKEWPARAM(ID_HELP, 0));
      return TRUE;
    default:
      break;
  }
  return object->SendMessage(message, wParam, lParam);
}

}  // namespace

void Subclass(::HWND window, CWnd* object) {
  ::SetPropW(window, kProcedureProperty,
             reinterpret_cast<HANDLE>(::GetWindowLongPtrW(window, GWLP_WNDPROC)));
  ::SetPropW(window, kObjectProperty, object);
  ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProcedure));
}

WNDPROC OriginalProcedure(::HWND window) {
  return reinterpret_cast<WNDPROC>(::GetPropW(window, kProcedureProperty));
}

CMenu::CMenu() = default;

CMenu::~CMenu() = default;  // the system's menu goes with its window

BOOL CMenu::AppendMenu(UINT flags, UINT id, LPCTSTR text) {
  return ::AppendMenuW(
      Native(m_hMenu), flags, id,
      (flags & MF_SEPARATOR) != 0 || text == nullptr ? nullptr : Wide(text).c_str());
}

BOOL CDC::DrawIcon(int x, int y, HICON icon) {
  return icon != nullptr && ::DrawIcon(Native(m_hDC), x, y, icon->big);
}

struct CPaintDC::Painting {
  ::HWND window;
  PAINTSTRUCT paint;
};

CPaintDC::CPaintDC(CWnd* window) : painting_(new Painting{Native(window->GetSafeHwnd()), {}}) {
  m_hDC = reinterpret_cast<HDC>(::BeginPaint(painting_->window, &painting_->paint));
}

CPaintDC::~CPaintDC() {
  ::EndPaint(painting_->window, &painting_->paint);
}

CWnd::CWnd() = default;

CWnd::~CWnd() = default;

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const ::HWND window = Native(m_hWnd);
  if (window == nullptr) return 0;
  if (const WNDPROC original = OriginalProcedure(window)) {
    return ::CallWindowProcW(original, window, message, wParam, lParam);
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

int CWnd::MessageBox(LPCTSTR text, LPCTSTR caption, UINT type) {
  const std::wstring title = Wide(caption != nullptr ? caption : AfxGetAppName());
  ::MessageBoxW(Native(m_hWnd), Wide(text != nullptr ? text : "").c_str(), title.c_str(),
                MB_OK | (type & MB_ICONSTOP));
  return IDOK;
}

CMenu* CWnd::GetSystemMenu(BOOL revert) {
  const ::HMENU menu = m_hWnd != nullptr ? ::GetSystemMenu(Native(m_hWnd), revert) : nullptr;
  if (menu == nullptr) return nullptr;
  if (m_systemMenu == nullptr) m_systemMenu = std::make_unique<CMenu>();
  m_systemMenu->m_hMenu = reinterpret_cast<HMENU>(menu);
  return m_systemMenu.get();
}

HICON CWnd::SetIcon(HICON icon, BOOL bigIcon) {
  HICON& slot = bigIcon ? bigIcon_ : smallIcon_;
  const HICON previous = slot;
  slot = icon;
  if (m_hWnd != nullptr && icon != nullptr) {
    ::SendMessageW(Native(m_hWnd), WM_SETICON, bigIcon ? ICON_BIG : ICON_SMALL,
                   reinterpret_cast<LPARAM>(bigIcon ? icon->big : icon->little));
  }
  return previous;
}

BOOL CWnd::IsIconic() const {
  return m_hWnd != nullptr && ::IsIconic(Native(m_hWnd));
}

void CWnd::GetClientRect(CRect* rect) const {
  RECT client{};
  if (m_hWnd != nullptr) ::GetClientRect(Native(m_hWnd), &client);
  *rect = CRect{client.left, client.top, client.right, client.bottom};
}

CString CWnd::GetDlgItemText(int id) const {
  const ::HWND item = m_hWnd != nullptr ? ::GetDlgItem(Native(m_hWnd), id) : nullptr;
  return item != nullptr ? TextOf(item) : CString();
}

void CWnd::SetDlgItemText(int id, const CString& text) {
  if (m_hWnd != nullptr) ::SetDlgItemTextW(Native(m_hWnd), id, Wide(text).c_str());
}

void CWnd::DragAcceptFiles(BOOL bAccept) {
  if (m_hWnd != nullptr) ::DragAcceptFiles(Native(m_hWnd), bAccept);
}

bool IsGroupBox(::HWND window) {
  wchar_t name[16];
  return ::GetClassNameW(window, name, 16) > 0 && ::lstrcmpiW(name, L"Button") == 0 &&
         (::GetWindowLongPtrW(window, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

namespace {

// The visible child under `point` (in `parent`'s client coordinates): a control before the
// group box around it, as clicks find them. Not every system's RealChildWindowFromPoint
// looks through group boxes, so the children are searched here.
::HWND ChildAt(::HWND parent, ::POINT point) {
  ::HWND box = nullptr;
  for (::HWND child = ::GetWindow(parent, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    RECT place{};
    ::GetWindowRect(child, &place);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<::POINT*>(&place), 2);
    if (!::IsWindowVisible(child) || !::PtInRect(&place, point)) continue;
    if (!IsGroupBox(child)) return child;
    if (box == nullptr) box = child;
  }
  return box;
}

}  // namespace

CWnd* CWnd::ChildWindowFromPoint(POINT point) {
  if (m_hWnd == nullptr) return this;
  const ::HWND child = ChildAt(Native(m_hWnd), ::POINT{point.x, point.y});
  return child != nullptr ? ChildObject(HandleOf(child)) : this;
}

int CWnd::GetDlgCtrlID() const {
  return m_hWnd != nullptr ? ::GetDlgCtrlID(Native(m_hWnd)) : 0;
}

}  // namespace afx
