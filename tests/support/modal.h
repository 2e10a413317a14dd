// Driving modal windows from a test: act on a window once it shows, from inside its loop.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <ostream>

class QWidget;
class QMessageBox;
class QTimer;

/// Lets GoogleTest print Qt strings in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}

namespace tessary::testing {

/// Calls `action` with the first active modal window whose title is `title` (any title when
/// empty), as soon as it shows. Gives up, failing the test and closing modal windows, after
/// ten seconds.
void WhenModalShows(const QString& title, std::function<void(QWidget*)> action);

/// Calls `action` with the first message box that shows, then presses its OK button.
void WhenMessageBoxShows(std::function<void(QMessageBox*)> action);

/// Calls `action` with the first progress dialog that shows, while its operation runs.
void WhenProgressShows(std::function<void(QWidget*)> action);

/// Collects the text of every message box that shows while it lives, pressing OK on each.
class MessageBoxWatch {
 public:
  MessageBoxWatch();
  MessageBoxWatch(const MessageBoxWatch&) = delete;
  MessageBoxWatch& operator=(const MessageBoxWatch&) = delete;
  ~MessageBoxWatch();

  const QStringList& texts() const { return texts_; }

 private:
  QStringList texts_;
  QTimer* timer_;
};

/// Calls `action` with the first popup menu that shows.
void WhenPopupShows(std::function<void(QWidget*)> action);

/// Clicks the push button with control id `id` in `dialog`.
void ClickControl(QWidget* dialog, int id);

/// Replaces the text of the edit control `id` in `dialog`, as typing would.
void TypeInto(QWidget* dialog, int id, const QString& text);
QString TextOf(QWidget* dialog, int id);

}  // namespace tessary::testing
