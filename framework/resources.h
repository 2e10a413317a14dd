// Resources as data: dialog templates, strings and icons, linked into the program.
//
// The program defines AfxGetResourceTable() once; the framework looks resources up by id.
#pragma once

#include <span>

#include "framework/types.h"

namespace afx {

// Window styles used by dialog templates.
inline constexpr unsigned long WS_POPUP = 0x80000000;
inline constexpr unsigned long WS_VISIBLE = 0x10000000;
inline constexpr unsigned long WS_CAPTION = 0x00C00000;
inline constexpr unsigned long WS_SYSMENU = 0x00080000;
inline constexpr unsigned long WS_MINIMIZEBOX = 0x00020000;
inline constexpr unsigned long WS_MAXIMIZEBOX = 0x00010000;
inline constexpr unsigned long DS_MODALFRAME = 0x00000080;
inline constexpr unsigned long WS_EX_APPWINDOW = 0x00040000;
// Control styles.
inline constexpr unsigned long WS_TABSTOP = 0x00010000;
inline constexpr unsigned long WS_BORDER = 0x00800000;
inline constexpr unsigned long ES_AUTOHSCROLL = 0x0080;
inline constexpr unsigned long SS_NOPREFIX = 0x0080;

enum class ControlKind { PushButton, DefPushButton, GroupBox, Edit, Text, Icon };

/// One control; position and size are in dialog units.
struct ControlTemplate {
  ControlKind kind;
  int id;            ///< -1 for none
  const char* text;  ///< for an Icon control, unused
  int x, y, cx, cy;
  unsigned long style;
  UINT iconId = 0;  ///< for an Icon control
};

/// A dialog; controls are in creation order, which is also the tab order.
struct DialogTemplate {
  UINT id;
  const char* caption;
  int cx, cy;  ///< client size in dialog units
  const char* fontName;
  int fontPointSize;
  unsigned long style;
  unsigned long exStyle;
  std::span<const ControlTemplate> controls;
};

struct StringResource {
  UINT id;
  const char* text;
};

/// An icon with its images, as resource paths of the program (large image first).
struct IconResource {
  UINT id;
  std::span<const char* const> images;
};

/// The program's version record.
struct VersionInfo {
  const char* fileVersion;  ///< four numbers, as "0.1.1.0"
  const char* productVersion;
  const char* productName;
  const char* fileDescription;
};

struct ResourceTable {
  std::span<const DialogTemplate> dialogs;
  std::span<const StringResource> strings;
  std::span<const IconResource> icons;
  VersionInfo version;
  /// The name of the program's desktop entry without ".desktop", such as
  /// "org.example.Tessary", by which docks and task bars match its windows to the entry.
  const char* desktopEntry = nullptr;
};

/// The string resource that --help prints.
inline constexpr UINT AFX_IDS_COMMAND_LINE_HELP = 0xEF00;

/// The program's resources; defined by the program.
const ResourceTable& AfxGetResourceTable();

/// The dialog template `id`, or null.
const DialogTemplate* AfxFindDialogTemplate(UINT id);

}  // namespace afx
