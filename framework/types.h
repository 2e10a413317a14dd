// The basic types, messages and constants of the application framework, as the app uses them.
#pragma once

#include <cstdint>
#include <string>

namespace afx {

using BOOL = int;
inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;
using UINT = unsigned int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using INT_PTR = std::intptr_t;
using LPCTSTR = const char*;
using LPTSTR = char*;

/// Text is 8-bit: the system's local encoding, as typed or chosen.
using CString = std::string;

/// A point in a window's client area, in pixels.
struct POINT {
  long x = 0;
  long y = 0;
};

/// Handles of the window system: a window, a menu and a device context to draw with. Opaque
/// to the application; each implementation of the framework gives them their meaning.
struct HWND__;
using HWND = HWND__*;
struct HMENU__;
using HMENU = HMENU__*;
struct HDC__;
using HDC = HDC__*;

class Icon;
/// A loaded icon, owned by the application for its whole run.
using HICON = const Icon*;
using HCURSOR = HICON;

struct DropFiles;
/// The files of a drop, as WM_DROPFILES carries them.
using HDROP = const DropFiles*;

constexpr UINT LOWORD(WPARAM value) {
  return static_cast<UINT>(value & 0xFFFF);
}
constexpr UINT HIWORD(WPARAM value) {
  return static_cast<UINT>((value >> 16) & 0xFFFF);
}
constexpr WPARAM MAKEWPARAM(UINT low, UINT high) {
  return (WPARAM{high} << 16) | (low & 0xFFFF);
}

// Window messages.
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_PAINT = 0x000F;
inline constexpr UINT WM_ICONERASEBKGND = 0x0027;
inline constexpr UINT WM_QUERYDRAGICON = 0x0037;
inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr UINT WM_SYSCOMMAND = 0x0112;
inline constexpr UINT WM_DROPFILES = 0x0233;
inline constexpr UINT BN_CLICKED = 0;

// Command and control identifiers.
inline constexpr UINT IDOK = 1;
inline constexpr UINT IDCANCEL = 2;
inline constexpr UINT ID_HELP = 0xE146;
inline constexpr UINT SC_CLOSE = 0xF060;
/// The bits of a system command's id that name the command; the low four are the system's.
inline constexpr UINT SC_COMMAND_MASK = 0xFFF0;

// Message boxes.
inline constexpr UINT MB_OK = 0x0000;
inline constexpr UINT MB_ICONSTOP = 0x0010;

// Menus.
inline constexpr UINT MF_STRING = 0x0000;
inline constexpr UINT MF_SEPARATOR = 0x0800;

// System metrics.
inline constexpr int SM_CXICON = 11;
inline constexpr int SM_CYICON = 12;

// File dialog options.
inline constexpr unsigned long OFN_OVERWRITEPROMPT = 0x0002;
inline constexpr unsigned long OFN_HIDEREADONLY = 0x0004;
inline constexpr unsigned long OFN_PATHMUSTEXIST = 0x0800;
inline constexpr unsigned long OFN_FILEMUSTEXIST = 0x1000;

}  // namespace afx
