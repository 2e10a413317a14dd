// Driving the program's windows from a test as a user would, with the same calls whichever
// implementation of the framework shows them: Qt's (on its offscreen platform) or Win32's
// (under Wine). A test arranges what to do once a window shows, then opens it: the action runs
// on the window thread, from inside the window's modal loop. Waiting for a window gives up
// after ten seconds, failing the test and closing the program's modal windows.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/types.h"

namespace tessary::testing::ui {

/// A window of the program: a dialog, a message box, a progress dialog or a file chooser.
using Window = afx::HWND;

/// Calls `action` with the first modal window titled `title` (any title when empty) once it
/// shows.
void WhenShows(const std::string& title, std::function<void(Window)> action);

/// What a message box showed.
struct MessageBoxSeen {
  std::string text;
  std::string title;
  std::string ownerTitle;  ///< the title of the window that owns it; empty for none
  bool stopIcon = false;
};

/// Calls `action` with what the first message box shows, then presses its OK button.
void WhenMessageBoxShows(std::function<void(const MessageBoxSeen&)> action);

/// The text of every message box that shows while it lives, each answered with OK.
class MessageBoxWatch {
 public:
  MessageBoxWatch();
  MessageBoxWatch(const MessageBoxWatch&) = delete;
  MessageBoxWatch& operator=(const MessageBoxWatch&) = delete;
  ~MessageBoxWatch();

  std::vector<std::string> texts() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

/// Calls `action` with the progress dialog of a long operation once it shows.
void WhenProgressShows(std::function<void(Window)> action);

/// The keys a test presses.
enum class Key { Tab, Enter, Escape, AltSpace };

/// Clicks the push button `id` of `window` with the mouse.
void Click(Window window, int id);
/// Presses `key` where the keyboard's focus is.
void Press(Window window, Key key);
/// Gives control `id` the keyboard's focus.
void Focus(Window window, int id);
/// The id of the control that has the keyboard's focus; 0 for none.
int FocusedId(Window window);
/// Replaces the text of edit control `id`, as typing would.
void Type(Window window, int id, const std::string& text);
/// The text of control `id`.
std::string TextOf(Window window, int id);
std::string TitleOf(Window window);
bool IsVisible(Window window);
/// Presses the window's close box.
void Close(Window window);
/// The window that owns `window` (a dialog's, a message box's), or null.
Window OwnerOf(Window window);
/// Has the window painted again, now.
void Repaint(Window window);
/// Calls `action` on the window thread as soon as the thread is free, from whatever loop runs.
void Soon(std::function<void()> action);

/// The entries of the window's own menu (its system menu), "-" for a separator.
std::vector<std::string> SystemMenuEntries(Window window);
/// Chooses entry `index` of that menu.
void ChooseSystemMenuEntry(Window window, std::size_t index);

/// The texts of the window's static text controls, in template order.
std::vector<std::string> StaticTexts(Window window);
/// What assistive technology calls each control of the window, in template order.
std::vector<std::string> AccessibleNames(Window window);
/// Why assistive technology cannot be asked for the names the program gives its controls
/// here, or empty when it can.
std::string AccessibleNamesUnavailable();

/// What assistive technology calls control `id`, and its tooltip.
std::string AccessibleName(Window window, int id);
std::string ToolTipOf(Window window, int id);

/// Drops `files` (local paths) on control `id` of `window`, or beside its controls when `id`
/// is 0, as a file manager would.
void DropFiles(Window window, int id, const std::vector<std::string>& files);

/// The progress dialog: its text, whether the bar moves for an unknown size (rather than
/// showing a share), the share shown in tenths of a percent, and its Cancel button.
std::string ProgressText(Window progress);
bool ProgressIsMoving(Window progress);
int ProgressPermille(Window progress);
bool CancelEnabled(Window progress);

/// A file chooser: the folder it shows, and the file chosen (typed into its name box, then
/// accepted) or Cancel.
std::string ChooserFolder(Window chooser);
void ChooseFile(Window chooser, const std::string& path);
void CancelChooser(Window chooser);

}  // namespace tessary::testing::ui
