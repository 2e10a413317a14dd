// Windows: message dispatch with the top-level error report, message boxes, the system menu,
// icons and painting.
#pragma once

#include <map>
#include <memory>

#include "framework/cmd_target.h"
#include "framework/types.h"

namespace afx {

class CWnd;

struct CRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

/// A window's own system menu. A dialog's starts with "Close"; choosing an entry sends
/// WM_SYSCOMMAND with the entry's id to the window. The window's CMenu stands for the system's
/// menu, which lives as long as the window.
class CMenu {
 public:
  CMenu();
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;
  ~CMenu();

  /// Appends a separator (MF_SEPARATOR) or a string entry (MF_STRING) with `id` and `text`;
  /// '&' marks the mnemonic.
  BOOL AppendMenu(UINT flags, UINT id = 0, LPCTSTR text = nullptr);

  HMENU m_hMenu = nullptr;
};

/// A device context for drawing in a window.
class CDC {
 public:
  explicit CDC(HDC dc = nullptr) : m_hDC(dc) {}
  /// Draws `icon` at its large size with its top left corner at (x, y).
  BOOL DrawIcon(int x, int y, HICON icon);
  /// The context as a message parameter, as WM_ICONERASEBKGND carries it.
  WPARAM GetSafeHdc() const { return reinterpret_cast<WPARAM>(m_hDC); }

  HDC m_hDC;
};

/// The device context for painting a window inside its WM_PAINT handler.
class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd* window);
  CPaintDC(const CPaintDC&) = delete;
  CPaintDC& operator=(const CPaintDC&) = delete;
  ~CPaintDC();

 private:
  struct Painting;  // what the window system needs between the start and the end of painting
  std::unique_ptr<Painting> painting_;
};

class CWnd : public CCmdTarget {
 public:
  CWnd();
  ~CWnd() override;

  /// Handles a message now: the message map first, then the default handling. An exception
  /// that a handler lets out is reported here, in a message box with the stop icon owned by
  /// this window, and the message counts as handled; a CUserException ends the handler
  /// without a report.
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

  /// A modal message box owned by this window, captioned with the application's title unless
  /// `caption` is given. MB_ICONSTOP shows the stop icon. Returns IDOK.
  int MessageBox(LPCTSTR text, LPCTSTR caption = nullptr, UINT type = MB_OK);

  /// The window's system menu, or null when its template has none.
  CMenu* GetSystemMenu(BOOL revert);

  /// Sets the large or small window icon; returns the previous one.
  HICON SetIcon(HICON icon, BOOL bigIcon);
  BOOL IsIconic() const;
  void GetClientRect(CRect* rect) const;

  CString GetDlgItemText(int id) const;
  void SetDlgItemText(int id, const CString& text);

  /// Lets the window take files dropped from a file manager: each drop of local files sends
  /// WM_DROPFILES to the window; other drops are refused. Edit controls take no dropped text.
  void DragAcceptFiles(BOOL bAccept = TRUE);

  /// The child control that contains `point` (in the client area), or this window when none
  /// does. Objects for child controls belong to this window.
  CWnd* ChildWindowFromPoint(POINT point);

  /// The window's control id, or 0 when it has none.
  int GetDlgCtrlID() const;

  /// The window, or null while it does not exist.
  HWND GetSafeHwnd() const { return m_hWnd; }

 protected:
  /// The default handling of a message no map entry took.
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

  void OnSysCommand(UINT nID, LPARAM lParam);
  void OnPaint();

  /// Lets go of the window once it is gone: its handle, its system menu and the objects of
  /// its child controls.
  void ReleaseWindow();

  /// The object for the child control `child`, made the first time it is asked for; it
  /// belongs to this window.
  CWnd* ChildObject(HWND child);

  HWND m_hWnd = nullptr;
  std::unique_ptr<CMenu> m_systemMenu;

 private:
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  std::map<HWND, std::unique_ptr<CWnd>> children_;
};

}  // namespace afx
