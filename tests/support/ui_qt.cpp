// The test driver on Qt: windows are the framework's QWidgets, input goes through QTest.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "framework/qt/handles.h"
#include "tests/support/drag_drop.h"
#include "tests/support/ui.h"

namespace tessary::testing::ui {
namespace {

using afx::HandleOf;
using afx::WidgetOf;

// Polls for a window that `find` returns, then calls `action` with it.
void WhenFound(std::function<QWidget*()> find, std::function<void(QWidget*)> action) {
  auto* timer = new QTimer(qApp);
  auto* clock = new QElapsedTimer;
  clock->start();
  QObject::connect(timer, &QTimer::timeout, [timer, clock, find, action] {
    if (QWidget* window = find()) {
      timer->stop();
      timer->deleteLater();
      delete clock;
      action(window);
    } else if (clock->elapsed() > 10'000) {
      timer->stop();
      timer->deleteLater();
      delete clock;
      ADD_FAILURE() << "the expected window did not show";
      while (QWidget* modal = QApplication::activeModalWidget())
        modal->close();
    }
  });
  timer->start(5);
}

QWidget* Control(Window window, int id) {
  return WidgetOf(window)->findChild<QWidget*>(QString::number(id));
}

std::string Text(const QString& text) {
  return text.toStdString();
}

// Calls `action` with the window's own menu, opened as a user opens it: Alt+Space in the
// active window. (After a menu closes, the window becomes active again a little later; the
// key would be lost before then.)
void WithSystemMenu(Window window, std::function<void(QMenu*)> action) {
  WhenFound([] { return QApplication::activePopupWidget(); },
            [action](QWidget* popup) { action(static_cast<QMenu*>(popup)); });
  QWidget* widget = WidgetOf(window);
  widget->activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowActive(widget));
  Press(window, Key::AltSpace);
}

}  // namespace

void WhenShows(const std::string& title, std::function<void(Window)> action) {
  const QString wanted = QString::fromStdString(title);
  WhenFound(
      [wanted]() -> QWidget* {
        QWidget* modal = QApplication::activeModalWidget();
        return modal != nullptr && modal->isVisible() &&
                       (wanted.isEmpty() || modal->windowTitle() == wanted)
                   ? modal
                   : nullptr;
      },
      [action](QWidget* window) {
        // Active, so that keys go to it, as to a window that a user works in.
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        action(HandleOf(window));
      });
}

void WhenMessageBoxShows(std::function<void(const MessageBoxSeen&)> action) {
  WhenFound(
      []() -> QWidget* { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); },
      [action](QWidget* window) {
        auto* box = static_cast<QMessageBox*>(window);
        const QWidget* owner = box->parentWidget();
        action({Text(box->text()), Text(box->windowTitle()),
                owner != nullptr ? Text(owner->windowTitle()) : std::string(),
                box->icon() == QMessageBox::Critical});
        box->button(QMessageBox::Ok)->click();
      });
}

struct MessageBoxWatch::State {
  std::vector<std::string> texts;
  QTimer timer;
};

MessageBoxWatch::MessageBoxWatch() : state_(std::make_unique<State>()) {
  QObject::connect(&state_->timer, &QTimer::timeout, [state = state_.get()] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      state->texts.push_back(Text(box->text()));
      box->button(QMessageBox::Ok)->click();
    }
  });
  state_->timer.start(5);
}

MessageBoxWatch::~MessageBoxWatch() = default;

std::vector<std::string> MessageBoxWatch::texts() const {
  return state_->texts;
}

void WhenProgressShows(std::function<void(Window)> action) {
  WhenFound(
      []() -> QWidget* {
        QWidget* modal = QApplication::activeModalWidget();
        return modal != nullptr && modal->isVisible() && modal->findChild<QProgressBar*>()
                   ? modal
                   : nullptr;
      },
      [action](QWidget* window) { action(HandleOf(window)); });
}

void Click(Window window, int id) {
  auto* button = qobject_cast<QAbstractButton*>(Control(window, id));
  ASSERT_NE(button, nullptr) << "no button " << id;
  QTest::mouseClick(button, Qt::LeftButton);
}

void Press(Window window, Key key) {
  QWidget* focus = QApplication::focusWidget();
  QWidget* target =
      focus != nullptr && focus->window() == WidgetOf(window) ? focus : WidgetOf(window);
  switch (key) {
    case Key::Tab:
      QTest::keyClick(target, Qt::Key_Tab);
      break;
    case Key::Enter:
      QTest::keyClick(target, Qt::Key_Return);
      break;
    case Key::Escape:
      QTest::keyClick(target, Qt::Key_Escape);
      break;
    case Key::AltSpace:
      QTest::keyClick(target, Qt::Key_Space, Qt::AltModifier);
      break;
  }
}

void Focus(Window window, int id) {
  Control(window, id)->setFocus();
}

int FocusedId(Window window) {
  const QWidget* focus = QApplication::focusWidget();
  return focus != nullptr && focus->window() == WidgetOf(window) ? focus->objectName().toInt() : 0;
}

void Type(Window window, int id, const std::string& text) {
  auto* edit = qobject_cast<QLineEdit*>(Control(window, id));
  ASSERT_NE(edit, nullptr) << "no edit " << id;
  edit->setText(QString::fromStdString(text));
}

std::string TextOf(Window window, int id) {
  const QWidget* control = Control(window, id);
  if (const auto* edit = qobject_cast<const QLineEdit*>(control)) return Text(edit->text());
  if (const auto* button = qobject_cast<const QAbstractButton*>(control)) {
    return Text(button->text());
  }
  if (const auto* label = qobject_cast<const QLabel*>(control)) return Text(label->text());
  return "<no control " + std::to_string(id) + ">";
}

std::string TitleOf(Window window) {
  return Text(WidgetOf(window)->windowTitle());
}

bool IsVisible(Window window) {
  return WidgetOf(window)->isVisible();
}

void Close(Window window) {
  WidgetOf(window)->close();
}

Window OwnerOf(Window window) {
  return HandleOf(WidgetOf(window)->parentWidget());
}

void Repaint(Window window) {
  WidgetOf(window)->repaint();
}

void Soon(std::function<void()> action) {
  QTimer::singleShot(0, std::move(action));
}

std::vector<std::string> SystemMenuEntries(Window window) {
  std::vector<std::string> entries;
  WithSystemMenu(window, [&entries](QMenu* menu) {
    for (const QAction* action : menu->actions())
      entries.push_back(action->isSeparator() ? "-" : Text(action->text()));
    menu->close();
  });
  return entries;
}

void ChooseSystemMenuEntry(Window window, std::size_t index) {
  WithSystemMenu(window, [index](QMenu* menu) {
    menu->setActiveAction(menu->actions().at(static_cast<qsizetype>(index)));
    QTest::keyClick(menu, Qt::Key_Return);
  });
}

std::string AccessibleNamesUnavailable() {
  return {};
}

std::string AccessibleName(Window window, int id) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(Control(window, id));
  return accessible != nullptr ? Text(accessible->text(QAccessible::Name)) : std::string();
}

std::vector<std::string> StaticTexts(Window window) {
  std::vector<std::string> texts;
  for (const QLabel* label : WidgetOf(window)->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
    if (!label->text().isEmpty()) texts.push_back(Text(label->text()));
  }
  return texts;
}

std::vector<std::string> AccessibleNames(Window window) {
  std::vector<std::string> names;
  for (QWidget* control : WidgetOf(window)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
    names.push_back(accessible != nullptr ? Text(accessible->text(QAccessible::Name)) : "");
  }
  return names;
}

std::string ToolTipOf(Window window, int id) {
  return Text(Control(window, id)->toolTip());
}

void DropFiles(Window window, int id, const std::vector<std::string>& files) {
  QList<QUrl> urls;
  for (const std::string& file : files)
    urls << QUrl::fromLocalFile(QString::fromStdString(file));
  QWidget* widget = WidgetOf(window);
  // Beside the controls: below the Model group, left of Scale X.
  const QPoint spot = id != 0 ? CentreOf(widget, id) : QPoint(4, widget->height() - 4);
  DropOn(widget, spot, urls);
}

std::string ProgressText(Window progress) {
  std::string text;
  for (const QLabel* label : WidgetOf(progress)->findChildren<QLabel*>())
    text += Text(label->text());
  return text;
}

bool ProgressIsMoving(Window progress) {
  return WidgetOf(progress)->findChild<QProgressBar*>()->maximum() == 0;
}

int ProgressPermille(Window progress) {
  return WidgetOf(progress)->findChild<QProgressBar*>()->value();
}

bool CancelEnabled(Window progress) {
  return WidgetOf(progress)->findChild<QPushButton*>()->isEnabled();
}

std::string ChooserFolder(Window chooser) {
  return Text(static_cast<QFileDialog*>(WidgetOf(chooser))->directory().absolutePath());
}

void ChooseFile(Window chooser, const std::string& path) {
  auto* files = static_cast<QFileDialog*>(WidgetOf(chooser));
  auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  ASSERT_NE(name, nullptr);
  name->setText(QString::fromStdString(path));  // typed into the file name box
  QMetaObject::invokeMethod(files, "accept");
}

void CancelChooser(Window chooser) {
  static_cast<QFileDialog*>(WidgetOf(chooser))->reject();
}

}  // namespace tessary::testing::ui
