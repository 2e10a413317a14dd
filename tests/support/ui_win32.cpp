// The test driver on Win32: windows are found among this thread's, and a user's input is given
// as the system would give it: by the dialog manager's own handling of keys and clicks, and
// never to a window that is disabled (as the owner of a modal window is).
#include "tests/support/ui.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <optional>

// After the framework's headers, whose names windows.h's macros would change.
#include "framework/win32/windows_api.h"
// After windows.h, which they need.
#include <dlgs.h>
#include <shlobj.h>

namespace tessary::testing::ui {
namespace {

using afx::HandleOf;
using afx::Narrow;
using afx::Native;
using afx::Wide;

constexpr UINT kPollMs = 5;
constexpr ULONGLONG kGiveUpMs = 10'000;

// Windows that tests wait for: polled by one timer of the window thread, which fires from
// whatever modal loop runs.
struct Watcher {
  std::function<std::optional<::HWND>()> find;
  std::function<void(::HWND)> action;
  ULONGLONG start;
  bool forever;  // a watch that lasts until removed, rather than until found once
  bool done = false;
};
std::list<Watcher> watchers;
UINT_PTR timer = 0;

std::string ClassOf(::HWND window) {
  wchar_t name[64];
  const int length = ::GetClassNameW(window, name, 64);
  return Narrow(std::wstring_view(name, static_cast<std::size_t>(length > 0 ? length : 0)));
}

std::vector<::HWND> ThreadWindows() {
  std::vector<::HWND> windows;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](::HWND window, LPARAM found) {
        reinterpret_cast<std::vector<::HWND>*>(found)->push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  return windows;
}

std::vector<::HWND> ChildrenOf(::HWND window) {
  std::vector<::HWND> children;
  for (::HWND child = ::GetWindow(window, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

bool IsDialog(::HWND window) {
  return ClassOf(window) == "#32770" && ::IsWindowVisible(window);
}

// A dialog of the framework's own has its object attached; a message box, a progress dialog
// or a file chooser has none.
bool IsFrameworkDialog(::HWND window) {
  return ::GetPropW(window, L"Tessary.Object") != nullptr;
}

bool HasChildOfClass(::HWND window, const std::string& name) {
  const std::vector<::HWND> children = ChildrenOf(window);
  return std::any_of(children.begin(), children.end(),
                     [&](::HWND child) { return ClassOf(child) == name; });
}

bool IsMessageBox(::HWND window) {
  return IsDialog(window) && !IsFrameworkDialog(window) && ::GetDlgItem(window, IDOK) != nullptr &&
         !HasChildOfClass(window, "Edit") && !HasChildOfClass(window, "ComboBox") &&
         !HasChildOfClass(window, "ComboBoxEx32") && !HasChildOfClass(window, "SysListView32") &&
         !HasChildOfClass(window, "msctls_progress32");
}

// The program's modal windows are closed, so that a test that waits in vain ends.
void CloseModalWindows() {
  for (::HWND window : ThreadWindows()) {
    if (!IsDialog(window)) continue;
    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ::PostMessageW(window, WM_CLOSE, 0, 0);
  }
}

// Actions may run modal loops, in which the timer fires again: only the outermost poll removes
// watchers, so that none goes while its action runs.
void CALLBACK Poll(::HWND, UINT, UINT_PTR, DWORD) {
  static int depth = 0;
  ++depth;
  for (Watcher& watcher : watchers) {
    if (watcher.done) continue;
    if (const std::optional<::HWND> found = watcher.find()) {
      if (!watcher.forever) watcher.done = true;
      watcher.action(*found);
      break;  // watchers added meanwhile wait for the next tick
    }
    if (!watcher.forever && ::GetTickCount64() - watcher.start > kGiveUpMs) {
      watcher.done = true;
      ADD_FAILURE() << "the expected window did not show";
      CloseModalWindows();
    }
  }
  if (--depth > 0) return;
  watchers.remove_if([](const Watcher& watcher) { return watcher.done; });
  if (watchers.empty() && timer != 0) {
    ::KillTimer(nullptr, timer);
    timer = 0;
  }
}

Watcher& Watch(std::function<std::optional<::HWND>()> find, std::function<void(::HWND)> action,
               bool forever = false) {
  watchers.push_back({std::move(find), std::move(action), ::GetTickCount64(), forever});
  if (timer == 0) timer = ::SetTimer(nullptr, 0, kPollMs, &Poll);
  return watchers.back();
}

// The first visible dialog of this thread that takes input (the modal one) and `matches`.
std::optional<::HWND> FindDialog(const std::function<bool(::HWND)>& matches) {
  for (::HWND window : ThreadWindows()) {
    if (IsDialog(window) && ::IsWindowEnabled(window) && matches(window)) return window;
  }
  return std::nullopt;
}

::HWND Control(Window window, int id) {
  return ::GetDlgItem(Native(window), id);
}

bool IsStaticText(::HWND window) {
  return ClassOf(window) == "Static" &&
         (::GetWindowLongPtrW(window, GWL_STYLE) & SS_TYPEMASK) != SS_ICON;
}

// Gives `window` a key as the dialog manager's loop would: down, then up.
void GiveKey(::HWND window, UINT virtualKey) {
  const ::HWND root = ::GetAncestor(window, GA_ROOT);
  const UINT scan = ::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
  for (const UINT message : {WM_KEYDOWN, WM_KEYUP}) {
    const LPARAM flags =
        1 | (static_cast<LPARAM>(scan) << 16) | (message == WM_KEYUP ? (LPARAM{3} << 30) : 0);
    MSG key{window, message, virtualKey, flags, 0, {}};
    if (!::IsDialogMessageW(root, &key)) {
      ::TranslateMessage(&key);
      ::DispatchMessageW(&key);
    }
  }
}

std::string AccessibleNameOf(::HWND control) {
  IAccessible* accessible = nullptr;
  if (FAILED(::AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT),
                                          __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&accessible))) ||
      accessible == nullptr) {
    return {};
  }
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  std::string result;
  if (SUCCEEDED(accessible->get_accName(self, &name)) && name != nullptr) {
    result = Narrow(name);
    ::SysFreeString(name);
  }
  accessible->Release();
  return result;
}

}  // namespace

void WhenShows(const std::string& title, std::function<void(Window)> action) {
  Watch(
      [title] {
        return FindDialog(
            [&](::HWND window) { return title.empty() || afx::TextOf(window) == title; });
      },
      [action](::HWND window) { action(HandleOf(window)); });
}

void WhenMessageBoxShows(std::function<void(const MessageBoxSeen&)> action) {
  Watch([] { return FindDialog(IsMessageBox); },
        [action](::HWND box) {
          MessageBoxSeen seen;
          for (::HWND child : ChildrenOf(box)) {
            if (IsStaticText(child) && !afx::TextOf(child).empty()) seen.text += afx::TextOf(child);
            if (ClassOf(child) == "Static" &&
                (::GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
                ::SendMessageW(child, STM_GETICON, 0, 0) != 0) {
              seen.stopIcon = true;
            }
          }
          seen.title = afx::TextOf(box);
          const ::HWND owner = ::GetWindow(box, GW_OWNER);
          seen.ownerTitle = owner != nullptr ? afx::TextOf(owner) : std::string();
          action(seen);
          ::SendMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(::GetDlgItem(box, IDOK)));
        });
}

struct MessageBoxWatch::State {
  std::vector<std::string> texts;
  Watcher* watcher = nullptr;
};

MessageBoxWatch::MessageBoxWatch() : state_(std::make_unique<State>()) {
  state_->watcher = &Watch([] { return FindDialog(IsMessageBox); },
                           [state = state_.get()](::HWND box) {
                             std::string text;
                             for (::HWND child : ChildrenOf(box)) {
                               if (IsStaticText(child)) text += afx::TextOf(child);
                             }
                             state->texts.push_back(text);
                             ::SendMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                                            reinterpret_cast<LPARAM>(::GetDlgItem(box, IDOK)));
                           },
                           true);
}

MessageBoxWatch::~MessageBoxWatch() {
  state_->watcher->done = true;
}

std::vector<std::string> MessageBoxWatch::texts() const {
  return state_->texts;
}

void WhenProgressShows(std::function<void(Window)> action) {
  Watch(
      [] {
        return FindDialog(
            [](::HWND window) { return HasChildOfClass(window, "msctls_progress32"); });
      },
      [action](::HWND window) { action(HandleOf(window)); });
}

void Click(Window window, int id) {
  const ::HWND button = Control(window, id);
  ASSERT_NE(button, nullptr) << "no button " << id;
  if (!::IsWindowEnabled(Native(window)) || !::IsWindowEnabled(button)) return;
  ::SendMessageW(button, BM_CLICK, 0, 0);
}

void Press(Window window, Key key) {
  const ::HWND root = Native(window);
  if (!::IsWindowEnabled(root)) return;
  const ::HWND focus = ::GetFocus();
  const ::HWND target = focus != nullptr && ::IsChild(root, focus) ? focus : root;
  switch (key) {
    case Key::Tab:
      GiveKey(target, VK_TAB);
      break;
    case Key::Enter:
      GiveKey(target, VK_RETURN);
      break;
    case Key::Escape:
      GiveKey(target, VK_ESCAPE);
      break;
    case Key::AltSpace:
      ::SendMessageW(root, WM_SYSCOMMAND, SC_KEYMENU, ' ');
      break;
  }
}

void Focus(Window window, int id) {
  ::SendMessageW(Native(window), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Control(window, id)),
                 TRUE);
}

int FocusedId(Window window) {
  const ::HWND focus = ::GetFocus();
  return focus != nullptr && ::IsChild(Native(window), focus) ? ::GetDlgCtrlID(focus) : 0;
}

void Type(Window window, int id, const std::string& text) {
  ASSERT_TRUE(::SetDlgItemTextW(Native(window), id, Wide(text).c_str())) << "no control " << id;
}

std::string TextOf(Window window, int id) {
  const ::HWND control = Control(window, id);
  return control != nullptr ? afx::TextOf(control) : "<no control " + std::to_string(id) + ">";
}

std::string TitleOf(Window window) {
  return window != nullptr ? afx::TextOf(Native(window)) : std::string();
}

bool IsVisible(Window window) {
  return ::IsWindowVisible(Native(window));
}

void Close(Window window) {
  if (!::IsWindowEnabled(Native(window))) return;
  ::SendMessageW(Native(window), WM_SYSCOMMAND, SC_CLOSE, 0);
}

Window OwnerOf(Window window) {
  return HandleOf(::GetWindow(Native(window), GW_OWNER));
}

void Repaint(Window window) {
  ::RedrawWindow(Native(window), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void Soon(std::function<void()> action) {
  Watch([] { return std::optional<::HWND>(::GetDesktopWindow()); }, [action](::HWND) { action(); });
}

std::vector<std::string> SystemMenuEntries(Window window) {
  std::vector<std::string> entries;
  const ::HMENU menu = ::GetSystemMenu(Native(window), FALSE);
  for (int i = 0; menu != nullptr && i < ::GetMenuItemCount(menu); ++i) {
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE;
    ::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item);
    if ((item.fType & MFT_SEPARATOR) != 0) {
      entries.push_back("-");
      continue;
    }
    wchar_t text[256];
    const int length = ::GetMenuStringW(menu, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
    entries.push_back(Narrow(std::wstring_view(text, static_cast<std::size_t>(length))));
  }
  return entries;
}

void ChooseSystemMenuEntry(Window window, std::size_t index) {
  const ::HMENU menu = ::GetSystemMenu(Native(window), FALSE);
  const UINT id = ::GetMenuItemID(menu, static_cast<int>(index));
  ::SendMessageW(Native(window), WM_SYSCOMMAND, id, 0);
}

std::vector<std::string> StaticTexts(Window window) {
  std::vector<std::string> texts;
  for (::HWND child : ChildrenOf(Native(window))) {
    if (IsStaticText(child) && !afx::TextOf(child).empty()) texts.push_back(afx::TextOf(child));
  }
  return texts;
}

std::vector<std::string> AccessibleNames(Window window) {
  std::vector<std::string> names;
  for (::HWND child : ChildrenOf(Native(window))) {
    if (ClassOf(child) != "tooltips_class32") names.push_back(AccessibleNameOf(child));
  }
  return names;
}

// Wine's Active Accessibility accepts names annotated on a window but keeps none of them.
std::string AccessibleNamesUnavailable() {
  const HMODULE system = ::GetModuleHandleW(L"ntdll.dll");
  return system != nullptr && ::GetProcAddress(system, "wine_get_version") != nullptr
             ? "Wine keeps no names annotated for assistive technology"
             : std::string();
}

std::string AccessibleName(Window window, int id) {
  return AccessibleNameOf(Control(window, id));
}

std::string ToolTipOf(Window window, int id) {
  const ::HWND control = Control(window, id);
  for (::HWND tips : ThreadWindows()) {
    if (ClassOf(tips) != "tooltips_class32" || ::GetWindow(tips, GW_OWNER) != Native(window)) {
      continue;
    }
    wchar_t text[256] = {};
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = Native(window);
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = text;
    ::SendMessageW(tips, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
    if (text[0] != L'\0') return Narrow(text);
  }
  return {};
}

void DropFiles(Window window, int id, const std::vector<std::string>& files) {
  const ::HWND target = Native(window);
  RECT client{};
  ::GetClientRect(target, &client);
  ::POINT point{4, client.bottom - 4};  // beside the controls
  if (id != 0) {
    RECT place{};
    ::GetWindowRect(Control(window, id), &place);
    point = {(place.left + place.right) / 2, (place.top + place.bottom) / 2};
    ::ScreenToClient(target, &point);
  }
  std::wstring names;
  for (const std::string& file : files)
    names += Wide(file) + L'\0';
  names += L'\0';
  const std::size_t size = sizeof(DROPFILES) + names.size() * sizeof(wchar_t);
  const HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  auto* drop = static_cast<DROPFILES*>(::GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->pt = point;
  drop->fWide = TRUE;
  std::copy(names.begin(), names.end(), reinterpret_cast<wchar_t*>(drop + 1));
  ::GlobalUnlock(memory);
  ::SendMessageW(target, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);  // frees it
}

std::string ProgressText(Window progress) {
  std::string text;
  for (const std::string& part : StaticTexts(progress))
    text += part;
  return text;
}

bool ProgressIsMoving(Window progress) {
  const ::HWND bar = ::FindWindowExW(Native(progress), nullptr, PROGRESS_CLASSW, nullptr);
  return (::GetWindowLongPtrW(bar, GWL_STYLE) & PBS_MARQUEE) != 0;
}

int ProgressPermille(Window progress) {
  const ::HWND bar = ::FindWindowExW(Native(progress), nullptr, PROGRESS_CLASSW, nullptr);
  return static_cast<int>(::SendMessageW(bar, PBM_GETPOS, 0, 0));
}

bool CancelEnabled(Window progress) {
  return ::IsWindowEnabled(Control(progress, IDCANCEL));
}

std::string ChooserFolder(Window chooser) {
  wchar_t folder[MAX_PATH] = {};
  ::SendMessageW(Native(chooser), CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
  return Narrow(folder);
}

void ChooseFile(Window chooser, const std::string& path) {
  // The file name box: an edit control in the system's chooser, a combo box's in older ones.
  const ::HWND name = ::GetDlgItem(Native(chooser), edt1) != nullptr
                          ? ::GetDlgItem(Native(chooser), edt1)
                          : ::GetDlgItem(Native(chooser), cmb13);
  ASSERT_NE(name, nullptr);
  ::SetWindowTextW(name, Wide(path).c_str());
  ::SendMessageW(Native(chooser), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void CancelChooser(Window chooser) {
  ::SendMessageW(Native(chooser), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

}  // namespace tessary::testing::ui
