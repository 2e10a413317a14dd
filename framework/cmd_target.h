// Objects that receive messages and commands through a message map.
//
// A message map is a declarative table of (message, control id, handler) entries, searched
// in order, then in the base class's map. Each class that has one overrides GetMessageMap:
//
//   const MessageMap* CMyDlg::GetMessageMap() const {
//     static const MessageMapEntry entries[] = {
//         ON_WM_PAINT(&CMyDlg::OnPaint),
//         ON_BN_CLICKED(IDC_GO, &CMyDlg::OnGo),
//     };
//     static const MessageMap map{CDialog::GetThisMessageMap(), entries};
//     return &map;
//   }
#pragma once

#include <span>
#include <variant>

#include "framework/types.h"

namespace afx {

class CCmdTarget;

using VoidHandler = void (CCmdTarget::*)();
using SysCommandHandler = void (CCmdTarget::*)(UINT, LPARAM);
using QueryIconHandler = HCURSOR (CCmdTarget::*)();
using DropFilesHandler = void (CCmdTarget::*)(HDROP);

struct MessageMapEntry {
  UINT message;
  UINT id;  ///< the control or command id for WM_COMMAND, otherwise 0
  std::variant<VoidHandler, SysCommandHandler, QueryIconHandler, DropFilesHandler> handler;
};

struct MessageMap {
  const MessageMap* base;
  std::span<const MessageMapEntry> entries;
};

class CCmdTarget {
 public:
  virtual ~CCmdTarget();

  /// This object's message map; the default map is empty.
  virtual const MessageMap* GetMessageMap() const;
  static const MessageMap* GetThisMessageMap();

  /// Calls the handler mapped to the message, if any. Returns whether one was found.
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
};

template <typename T>
MessageMapEntry ON_WM_SYSCOMMAND(void (T::*handler)(UINT, LPARAM)) {
  return {WM_SYSCOMMAND, 0, static_cast<SysCommandHandler>(handler)};
}
template <typename T>
MessageMapEntry ON_WM_PAINT(void (T::*handler)()) {
  return {WM_PAINT, 0, static_cast<VoidHandler>(handler)};
}
template <typename T>
MessageMapEntry ON_WM_QUERYDRAGICON(HCURSOR (T::*handler)()) {
  return {WM_QUERYDRAGICON, 0, static_cast<QueryIconHandler>(handler)};
}
/// Files dropped on a window that accepts them (CWnd::DragAcceptFiles).
template <typename T>
MessageMapEntry ON_WM_DROPFILES(void (T::*handler)(HDROP)) {
  return {WM_DROPFILES, 0, static_cast<DropFilesHandler>(handler)};
}
/// A command: a button click or a menu or accelerator command with id `id`.
template <typename T>
MessageMapEntry ON_COMMAND(UINT id, void (T::*handler)()) {
  return {WM_COMMAND, id, static_cast<VoidHandler>(handler)};
}
template <typename T>
MessageMapEntry ON_BN_CLICKED(UINT id, void (T::*handler)()) {
  return ON_COMMAND(id, handler);
}

}  // namespace afx
