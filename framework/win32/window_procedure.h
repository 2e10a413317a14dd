// How the framework's objects receive the messages of their windows: a window is subclassed,
// so that its messages reach its CWnd's message map first and the window's own procedure only
// through CWnd::DefWindowProc. Internal to the Win32 implementation.
#pragma once

#include "framework/win32/windows_api.h"
#include "framework/wnd.h"

namespace afx {

/// Makes `object` receive the messages of `window`, until the window is destroyed.
void Subclass(::HWND window, CWnd* object);

/// The procedure `window` had before Subclass, or null.
WNDPROC OriginalProcedure(::HWND window);

/// Whether `window` is a group box, which only frames other controls.
bool IsGroupBox(::HWND window);

/// Whether a long operation runs, during which every window shows the busy cursor.
bool LongOperationRunning();

/// Asks the long operation that runs, if any, to stop, as its Cancel button does.
void CancelLongOperation();

}  // namespace afx
