#include "tests/support/modal.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace tessary::testing {
namespace {

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

}  // namespace

void WhenModalShows(const QString& title, std::function<void(QWidget*)> action) {
  WhenFound(
      [title]() -> QWidget* {
        QWidget* modal = QApplication::activeModalWidget();
        return modal != nullptr && modal->isVisible() &&
                       (title.isEmpty() || modal->windowTitle() == title)
                   ? modal
                   : nullptr;
      },
      std::move(action));
}

void WhenMessageBoxShows(std::function<void(QMessageBox*)> action) {
  WhenFound(
      []() -> QWidget* { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); },
      [action](QWidget* window) {
        auto* box = static_cast<QMessageBox*>(window);
        action(box);
        box->button(QMessageBox::Ok)->click();
      });
}

void WhenProgressShows(std::function<void(QWidget*)> action) {
  WhenFound(
      []() -> QWidget* {
        QWidget* modal = QApplication::activeModalWidget();
        return modal != nullptr && modal->isVisible() && modal->findChild<QProgressBar*>()
                   ? modal
                   : nullptr;
      },
      std::move(action));
}

MessageBoxWatch::MessageBoxWatch() : timer_(new QTimer) {
  QObject::connect(timer_, &QTimer::timeout, [this] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      texts_ << box->text();
      box->button(QMessageBox::Ok)->click();
    }
  });
  timer_->start(5);
}

MessageBoxWatch::~MessageBoxWatch() {
  delete timer_;
}

void WhenPopupShows(std::function<void(QWidget*)> action) {
  WhenFound([] { return QApplication::activePopupWidget(); }, std::move(action));
}

void ClickControl(QWidget* dialog, int id) {
  auto* button = dialog->findChild<QPushButton*>(QString::number(id));
  ASSERT_NE(button, nullptr) << "no button " << id;
  button->click();
}

void TypeInto(QWidget* dialog, int id, const QString& text) {
  auto* edit = dialog->findChild<QLineEdit*>(QString::number(id));
  ASSERT_NE(edit, nullptr) << "no edit " << id;
  edit->setText(text);
}

QString TextOf(QWidget* dialog, int id) {
  auto* edit = dialog->findChild<QLineEdit*>(QString::number(id));
  return edit != nullptr ? edit->text() : QStringLiteral("<no edit>");
}

}  // namespace tessary::testing
