#include "framework/long_operation.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <exception>
#include <memory>
#include <thread>

#include "framework/app.h"
#include "framework/qt/handles.h"
#include "framework/qt/local_text.h"
#include "framework/qt/progress_window.h"
#include "framework/wnd.h"

namespace afx {
namespace {

// How long an operation runs before its progress dialog shows, and how often the dialog reads
// the operation's progress.
constexpr int kProgressDelayMs = 500;
constexpr int kProgressRefreshMs = 50;

bool operationRunning = false;  // touched on the window thread only

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::Close:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
      return true;
    default:
      return false;
  }
}

// Keeps input away from every window but the progress dialog while an operation runs, so
// that nothing the user does can start a second operation or close the window under the
// first. Painting, timers and the progress dialog go on.
class InputBlocker : public QObject {
 public:
  InputBlocker() { qApp->installEventFilter(this); }
  InputBlocker(const InputBlocker&) = delete;
  InputBlocker& operator=(const InputBlocker&) = delete;
  ~InputBlocker() override { qApp->removeEventFilter(this); }

  void Allow(QWidget* window) { allowed_ = window; }

 protected:
  bool eventFilter(QObject* receiver, QEvent* event) override {
    if (!IsUserInput(event->type()) || IsAllowed(receiver)) return false;
    if (event->type() == QEvent::Close && !IsMainOrDialogWindow(receiver)) return false;
    event->ignore();  // a close that is not accepted leaves the window open
    return true;
  }

 private:
  // Closing tooltips and popups is no input of the user's.
  static bool IsMainOrDialogWindow(QObject* receiver) {
    if (receiver->isWindowType()) return true;
    const auto* widget = qobject_cast<QWidget*>(receiver);
    return widget != nullptr && widget->isWindow() && widget->windowType() != Qt::ToolTip &&
           widget->windowType() != Qt::Popup;
  }

  bool IsAllowed(QObject* receiver) const {
    if (allowed_.isNull()) return false;
    if (receiver->isWindowType()) return receiver == allowed_->windowHandle();
    // A widget, or an object such as a shortcut that belongs to one.
    for (QObject* object = receiver; object != nullptr; object = object->parent()) {
      if (object == allowed_) return true;
    }
    return false;
  }

  QPointer<QWidget> allowed_;
};

// The busy cursor, for as long as it lives.
class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::BusyCursor); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

class RunningFlag {
 public:
  RunningFlag() { operationRunning = true; }
  RunningFlag(const RunningFlag&) = delete;
  RunningFlag& operator=(const RunningFlag&) = delete;
  ~RunningFlag() { operationRunning = false; }
};

}  // namespace

void AfxRunLongOperation(CWnd* owner, LPCTSTR text,
                         const std::function<void(CLongOperation&)>& work) {
  if (operationRunning) AfxThrowUserException();
  const RunningFlag running;
  const BusyCursor busy;
  InputBlocker blocker;

  CLongOperation operation;
  std::unique_ptr<ProgressWindow> progress;
  QTimer showProgress;
  showProgress.setSingleShot(true);
  QObject::connect(&showProgress, &QTimer::timeout, [&] {
    QWidget* window = owner != nullptr ? WidgetOf(owner->GetSafeHwnd()) : nullptr;
    progress = std::make_unique<ProgressWindow>(window, FromLocal(AfxGetAppName()), FromLocal(text),
                                                [&operation] { operation.RequestCancel(); });
    progress->SetProgress(operation.done(), operation.total());
    blocker.Allow(progress.get());
    progress->show();
  });
  QTimer refresh;
  QObject::connect(&refresh, &QTimer::timeout, [&] {
    if (progress != nullptr) progress->SetProgress(operation.done(), operation.total());
  });

  QEventLoop loop;
  std::exception_ptr failure;
  showProgress.start(kProgressDelayMs);
  refresh.start(kProgressRefreshMs);
  {
    // Joined before the loop goes; the loop ends when the worker has posted its last word.
    const std::jthread worker([&] {
      try {
        work(operation);
      } catch (...) {
        failure = std::current_exception();
      }
      QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace afx
