#include "framework/dialog.h"

#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/app.h"
#include "framework/control_text.h"
#include "framework/resources.h"
#include "framework/win32/dialog_template.h"
#include "framework/win32/window_procedure.h"
#include "framework/win32/windows_api.h"

namespace afx {

// Between the system's dialog manager and a CDialog: creates the dialog from its template and
// hands it to the CDialog when the system has made it.
class DialogWindow {
 public:
  static INT_PTR Run(CDialog& dialog) {
    const DialogTemplate* found = AfxFindDialogTemplate(dialog.templateId_);
    if (found == nullptr) {
      throw std::logic_error("no dialog template " + std::to_string(dialog.templateId_));
    }
    const std::vector<std::uint16_t> bytes = SystemDialogTemplate(*found);
    Start start{dialog, nullptr};
    const INT_PTR result = ::DialogBoxIndirectParamW(
        ::GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()),
        OwnerOf(dialog), &Procedure, reinterpret_cast<LPARAM>(&start));
    if (start.failure) std::rethrow_exception(start.failure);
    return result;
  }

 private:
  // The window a dialog belongs to: its parent, or else the application's main window, so
  // that a dialog opened from the main window is modal to it.
  static ::HWND OwnerOf(const CDialog& dialog) {
    if (dialog.parent_ != nullptr) return Native(dialog.parent_->GetSafeHwnd());
    const CWinApp* app = AfxGetApp();
    const CWnd* main = app != nullptr ? app->m_pMainWnd : nullptr;
    return main != nullptr && main != &dialog ? Native(main->GetSafeHwnd()) : nullptr;
  }

  // What the dialog manager hands on to the dialog's start.
  struct Start {
    CDialog& dialog;
    std::exception_ptr failure;
  };

  static INT_PTR CALLBACK Procedure(::HWND window, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG) return FALSE;  // the dialog manager's own handling
    auto& start = *reinterpret_cast<Start*>(lParam);
    CDialog& dialog = start.dialog;
    dialog.m_hWnd = HandleOf(window);
    Subclass(window, &dialog);
    Describe(window, *AfxFindDialogTemplate(dialog.templateId_));
    Center(window);
    try {
      if (!dialog.OnInitDialog()) return FALSE;  // the dialog gave the focus itself
      // The first control in tab order takes the focus through the dialog manager, which
      // makes a push button that takes it the default one, as moving to it with Tab does.
      if (const ::HWND first = ::GetNextDlgTabItem(window, nullptr, FALSE)) {
        ::SendMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
        return FALSE;
      }
      return TRUE;
    } catch (...) {  // not through the system's frames: ended here, thrown by Run
      start.failure = std::current_exception();
      ::EndDialog(window, -1);
      return FALSE;
    }
  }

  // In the middle of the owner, or of the screen's work area.
  static void Center(::HWND window) {
    RECT area{};
    const ::HWND owner = ::GetWindow(window, GW_OWNER);
    if (owner != nullptr && ::IsWindowVisible(owner) && !::IsIconic(owner)) {
      ::GetWindowRect(owner, &area);
    } else {
      ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    }
    RECT own{};
    ::GetWindowRect(window, &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    ::SetWindowPos(window, nullptr, area.left + (area.right - area.left - width) / 2,
                   area.top + (area.bottom - area.top - height) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  // Names each control for assistive technology and gives it its tooltip, as the template
  // describes it (see DescribeControl).
  static void Describe(::HWND window, const DialogTemplate& dialog) {
    IAccPropServices* services = nullptr;
    ::CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                       reinterpret_cast<void**>(&services));
    ::HWND tips = nullptr;
    ::HWND control = ::GetWindow(window, GW_CHILD);
    for (std::size_t index = 0; index < dialog.controls.size() && control != nullptr;
         ++index, control = ::GetWindow(control, GW_HWNDNEXT)) {
      const ControlDescription description = DescribeControl(dialog.controls, index);
      if (services != nullptr && !description.name.empty()) {
        std::wstring name = Wide(description.name);
        services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                 PROPID_ACC_NAME, name.data());
        if (!description.description.empty()) {
          std::wstring text = Wide(description.description);
          services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                   PROPID_ACC_DESCRIPTION, text.data());
        }
      }
      if (!description.toolTip.empty()) {
        if (tips == nullptr) {
          tips = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                   window, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        }
        std::wstring tip = Wide(description.toolTip);
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = window;
        tool.uId = reinterpret_cast<UINT_PTR>(control);
        tool.lpszText = tip.data();
        ::SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
      }
    }
    if (services != nullptr) services->Release();
  }
};

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : templateId_(nIDTemplate), parent_(pParentWnd) {}

CDialog::~CDialog() = default;

INT_PTR CDialog::DoModal() {
  // However the dialog ends, it lets go of the window that is gone.
  struct WindowRelease {
    CDialog& dialog;
    ~WindowRelease() { dialog.ReleaseWindow(); }
  } release{*this};
  return DialogWindow::Run(*this);
}

// Alt+Space opens the system menu on Windows itself; a right click beside the controls opens
// it here, as on the title bar.
void CDialog::ShowSystemMenu(int globalX, int globalY) {
  const ::HWND window = Native(m_hWnd);
  const ::HMENU menu = window != nullptr ? ::GetSystemMenu(window, FALSE) : nullptr;
  if (menu == nullptr) return;
  const BOOL chosen =
      ::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, globalX, globalY, 0, window, nullptr);
  if (chosen != 0) SendMessage(WM_SYSCOMMAND, static_cast<WPARAM>(chosen));
}

void CDialog::EndDialog(int nResult) {
  if (m_hWnd != nullptr) ::EndDialog(Native(m_hWnd), nResult);
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const ::HWND window = Native(m_hWnd);
  if (message == WM_CONTEXTMENU && reinterpret_cast<::HWND>(wParam) == window) {
    // Screen coordinates, which are signed on a screen left of or above the primary one.
    ::POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    const bool fromKeyboard = point.x == -1 && point.y == -1;
    if (fromKeyboard) {  // at the window's corner
      point = {};
      ::ClientToScreen(window, &point);
    }
    ::POINT client = point;
    ::ScreenToClient(window, &client);
    RECT area{};
    ::GetClientRect(window, &area);
    // On the title bar or the frame, the system shows its menu itself.
    if (!::PtInRect(&area, client)) return CWnd::DefWindowProc(message, wParam, lParam);
    const CWnd* under = ChildWindowFromPoint(POINT{client.x, client.y});
    if (fromKeyboard || under == this || IsGroupBox(Native(under->GetSafeHwnd()))) {
      ShowSystemMenu(point.x, point.y);
    }
    return 0;
  }
  if (message == WM_COMMAND) {
    if (LOWORD(wParam) == IDOK) {
      OnOK();
      return 0;
    }
    if (LOWORD(wParam) == IDCANCEL) {
      OnCancel();
      return 0;
    }
    LRESULT result = 0;
    if (CWinApp* app = AfxGetApp()) {  // commands go on to the application
      if (app->OnMessage(message, wParam, lParam, result)) return result;
    }
  }
  return CWnd::DefWindowProc(message, wParam, lParam);
}

}  // namespace afx
