// The Win32 API for the framework's Windows implementation. Include it after the framework's
// own headers: windows.h defines macros named like the framework's functions and constants
// (MessageBox, SendMessage, WM_PAINT, ...), which must not rename their declarations. The
// function-like names it would rename in the framework's sources are taken back here; the
// framework calls the W functions by their own names.
#pragma once

// Every declaration of the framework first, before the macros come.
#include "framework/afxwin.h"

#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <commdlg.h>
#include <oleacc.h>
#include <shellapi.h>

#undef AppendMenu
#undef DefWindowProc
#undef DragQueryFile
#undef GetDlgItemText
#undef LoadIcon
#undef LoadString
#undef MessageBox
#undef OPENFILENAME
#undef SendMessage
#undef SetDlgItemText

#include <string>
#include <string_view>

#include "platform/windows/text.h"

namespace afx {

/// The framework's handles as the system's, and back.
inline ::HWND Native(HWND window) {
  return reinterpret_cast<::HWND>(window);
}
inline HWND HandleOf(::HWND window) {
  return reinterpret_cast<HWND>(window);
}
inline ::HMENU Native(HMENU menu) {
  return reinterpret_cast<::HMENU>(menu);
}
inline ::HDC Native(HDC dc) {
  return reinterpret_cast<::HDC>(dc);
}

/// The framework's 8-bit text (UTF-8 on Windows, so that any file name goes through) as the
/// system's UTF-16, and back.
using tessary::platform::Narrow;
inline std::wstring Wide(std::string_view text) {
  return tessary::platform::Widen(text);
}

/// The text of a window, such as an edit control's, in UTF-8.
std::string TextOf(::HWND window);

/// An icon with its images at the system's large and small sizes, as loaded from the program's
/// resources. Icons live as long as the program.
class Icon {
 public:
  ::HICON big = nullptr;
  ::HICON little = nullptr;
};

}  // namespace afx
