#include "framework/long_operation.h"

#include <algorithm>
#include <exception>
#include <thread>

#include "framework/app.h"
#include "framework/win32/dialog_template.h"
#include "framework/win32/window_procedure.h"
#include "framework/win32/windows_api.h"
#include "framework/wnd.h"

namespace afx {
namespace {

// How long an operation runs before its progress dialog shows, and how often the dialog reads
// the operation's progress.
constexpr ULONGLONG kProgressDelayMs = 500;
constexpr DWORD kProgressRefreshMs = 50;
// The bar counts in tenths of a percent, so that it moves smoothly on big inputs.
constexpr int kSteps = 1000;

constexpr int kTextId = 100;
constexpr int kBarId = 101;

// The progress dialog: the operation's text, a bar and Cancel, in dialog units.
constexpr ControlTemplate kProgressControls[] = {
    {ControlKind::Text, kTextId, "", 7, 7, 172, 9, SS_NOPREFIX},
    {ControlKind::PushButton, IDCANCEL, "Cancel", 129, 36, 50, 14, WS_TABSTOP},
};

// What the progress dialog and the loop that waits share.
struct Progress {
  CLongOperation& operation;
  std::wstring text;
  ::HWND window = nullptr;
  ::HWND bar = nullptr;
  bool marquee = false;
};

Progress* running = nullptr;  // the operation that runs, if any; touched on the window thread only

// Says on the progress dialog, when it shows, that the operation is stopping.
void ShowStopping(const Progress& progress) {
  if (progress.window == nullptr || !progress.operation.CancelRequested().load()) return;
  ::EnableWindow(::GetDlgItem(progress.window, IDCANCEL), FALSE);
  ::SetDlgItemTextW(progress.window, kTextId, L"Stopping...");
}

void Cancel(Progress& progress) {
  progress.operation.RequestCancel();
  ShowStopping(progress);
}

// Whether `message` is the user's keyboard or mouse input for `owner` or one of its controls.
// The owner is disabled while an operation runs, but the keyboard focus can stay on one of its
// controls, which would otherwise still take keys.
bool IsInputFor(const MSG& message, ::HWND owner) {
  const UINT kind = message.message;
  const bool input = (kind >= WM_KEYFIRST && kind <= WM_KEYLAST) ||
                     (kind >= WM_MOUSEFIRST && kind <= WM_MOUSELAST) ||
                     (kind >= WM_NCMOUSEMOVE && kind <= WM_NCXBUTTONDBLCLK);
  return input && owner != nullptr && (message.hwnd == owner || ::IsChild(owner, message.hwnd));
}

void ShowProgress(Progress& progress) {
  const std::uint64_t total = progress.operation.total();
  const bool unknown = total == 0;
  if (unknown != progress.marquee) {  // a moving bar while the size is unknown
    const LONG_PTR style = ::GetWindowLongPtrW(progress.bar, GWL_STYLE);
    ::SetWindowLongPtrW(progress.bar, GWL_STYLE,
                        unknown ? style | PBS_MARQUEE : style & ~LONG_PTR{PBS_MARQUEE});
    ::SendMessageW(progress.bar, PBM_SETMARQUEE, unknown ? TRUE : FALSE, 30);
    progress.marquee = unknown;
  }
  if (unknown) return;
  const double fraction =
      std::min(1.0, static_cast<double>(progress.operation.done()) / static_cast<double>(total));
  ::SendMessageW(progress.bar, PBM_SETPOS, static_cast<WPARAM>(fraction * kSteps), 0);
}

INT_PTR CALLBACK ProgressProcedure(::HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* progress = reinterpret_cast<Progress*>(::GetWindowLongPtrW(window, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      progress = reinterpret_cast<Progress*>(lParam);
      ::SetWindowLongPtrW(window, DWLP_USER, lParam);
      progress->window = window;
      ::SetDlgItemTextW(window, kTextId, progress->text.c_str());
      RECT place{7, 21, 7 + 172, 21 + 10};
      ::MapDialogRect(window, &place);
      progress->bar =
          ::CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE, place.left,
                            place.top, place.right - place.left, place.bottom - place.top, window,
                            reinterpret_cast<::HMENU>(static_cast<INT_PTR>(kBarId)),
                            ::GetModuleHandleW(nullptr), nullptr);
      ::SendMessageW(progress->bar, PBM_SETRANGE32, 0, kSteps);
      ShowProgress(*progress);
      ShowStopping(*progress);
      RECT area{};
      RECT own{};
      const ::HWND owner = ::GetWindow(window, GW_OWNER);
      if (owner != nullptr) {
        ::GetWindowRect(owner, &area);
      } else {
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
      }
      ::GetWindowRect(window, &own);
      ::SetWindowPos(window, nullptr,
                     area.left + (area.right - area.left - (own.right - own.left)) / 2,
                     area.top + (area.bottom - area.top - (own.bottom - own.top)) / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER);
      return TRUE;
    }
    case WM_COMMAND:  // Cancel, or Escape
      if (LOWORD(wParam) == IDCANCEL && progress != nullptr) Cancel(*progress);
      return TRUE;
    case WM_CLOSE:
      if (progress != nullptr) Cancel(*progress);
      return TRUE;
    default:
      return FALSE;
  }
}

class RunningFlag {
 public:
  explicit RunningFlag(Progress& progress) { running = &progress; }
  RunningFlag(const RunningFlag&) = delete;
  RunningFlag& operator=(const RunningFlag&) = delete;
  ~RunningFlag() { running = nullptr; }
};

// The owner takes no input while the operation runs; it still paints.
class DisabledWindow {
 public:
  explicit DisabledWindow(::HWND window) : window_(window) {
    if (window_ != nullptr) ::EnableWindow(window_, FALSE);
  }
  DisabledWindow(const DisabledWindow&) = delete;
  DisabledWindow& operator=(const DisabledWindow&) = delete;
  ~DisabledWindow() {
    if (window_ != nullptr) ::EnableWindow(window_, TRUE);
  }

 private:
  ::HWND window_;
};

class Event {
 public:
  Event() : handle_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;
  ~Event() { ::CloseHandle(handle_); }
  HANDLE handle() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

bool LongOperationRunning() {
  return running != nullptr;
}

void CancelLongOperation() {
  if (running != nullptr) Cancel(*running);
}

void AfxRunLongOperation(CWnd* owner, LPCTSTR text,
                         const std::function<void(CLongOperation&)>& work) {
  if (running != nullptr) AfxThrowUserException();
  ::SetCursor(::LoadCursorW(nullptr, IDC_APPSTARTING));
  const ::HWND ownerWindow = owner != nullptr ? Native(owner->GetSafeHwnd()) : nullptr;

  CLongOperation operation;
  Progress progress{operation, Wide(text != nullptr ? text : "")};
  const RunningFlag flag(progress);
  std::exception_ptr failure;
  const Event finished;
  bool quit = false;
  WPARAM quitCode = 0;
  {
    const DisabledWindow disabled(ownerWindow);
    // Joined before the progress dialog goes; the loop ends when the work has ended.
    std::thread worker([&] {
      try {
        work(operation);
      } catch (...) {
        failure = std::current_exception();
      }
      ::SetEvent(finished.handle());
    });
    const ULONGLONG start = ::GetTickCount64();
    const HANDLE handle = finished.handle();
    while (::MsgWaitForMultipleObjects(1, &handle, FALSE, kProgressRefreshMs, QS_ALLINPUT) !=
           WAIT_OBJECT_0) {
      MSG message;
      while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
          quit = true;
          quitCode = message.wParam;
          continue;
        }
        if (IsInputFor(message, ownerWindow)) continue;
        if (progress.window != nullptr && ::IsDialogMessageW(progress.window, &message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
      }
      if (progress.window == nullptr && ::GetTickCount64() - start >= kProgressDelayMs) {
        const DialogTemplate dialog{0,
                                    AfxGetAppName(),
                                    186,
                                    57,
                                    "MS Sans Serif",
                                    8,
                                    WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
                                    0,
                                    kProgressControls};
        const std::vector<std::uint16_t> bytes = SystemDialogTemplate(dialog);
        ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr),
                                     reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()), ownerWindow,
                                     &ProgressProcedure, reinterpret_cast<LPARAM>(&progress));
        if (progress.window != nullptr) ::ShowWindow(progress.window, SW_SHOW);
      } else if (progress.window != nullptr) {
        ShowProgress(progress);
      }
    }
    worker.join();
  }  // the owner takes input again before the progress dialog goes, and keeps the focus
  if (progress.window != nullptr) ::DestroyWindow(progress.window);
  if (quit) ::PostQuitMessage(static_cast<int>(quitCode));
  if (failure) std::rethrow_exception(failure);
}

}  // namespace afx
