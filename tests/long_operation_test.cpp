// Long operations driven through a real window on Qt's offscreen platform, with synthetic work.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "framework/afxwin.h"
#include "framework/qt/handles.h"
#include "res/resource.h"
#include "tests/support/gate.h"
#include "tests/support/modal.h"
#include "tests/support/table.h"

namespace tessary {
namespace {

using namespace afx;
using testing::ClickControl;
using testing::Gate;
using testing::MessageBoxWatch;
using testing::WhenMessageBoxShows;
using testing::WhenModalShows;
using testing::WhenProgressShows;

// Waits for the user's Cancel, then stops as an operation should.
void UntilCancelled(CLongOperation& operation) {
  for (int i = 0; i < 60'000 && !operation.CancelRequested(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  if (operation.CancelRequested()) AfxThrowUserException();
}

// The About box's template, whose OK button runs `work` as a long operation.
class WorkDialog : public CDialog {
 public:
  WorkDialog() : CDialog(IDD_ABOUTBOX) {}

  std::function<void(CLongOperation&)> work;
  int started = 0;
  int ended = 0;
  int paints = 0;

  // Runs the dialog; `steps` gets its window once it shows.
  INT_PTR Run(std::function<void(QWidget*)> steps) {
    WhenModalShows(QStringLiteral("About Tessary"), std::move(steps));
    return DoModal();
  }

 protected:
  const MessageMap* GetMessageMap() const override {
    static const MessageMapEntry entries[] = {
        ON_BN_CLICKED(IDOK, &WorkDialog::OnGo),
        ON_WM_PAINT(&WorkDialog::OnPaint),
    };
    static const MessageMap map{CDialog::GetThisMessageMap(), entries};
    return &map;
  }

 private:
  void OnGo() {
    ++started;
    AfxRunLongOperation(this, "Working...", work);
    ++ended;
  }
  void OnPaint() {
    ++paints;
    CWnd::OnPaint();
  }
};

QProgressBar* BarOf(QWidget* progress) {
  return progress->findChild<QProgressBar*>();
}

QPushButton* CancelOf(QWidget* progress) {
  return progress->findChild<QPushButton*>();
}

TEST(LongOperation, ReturnsWhatTheWorkReturnedAndRestoresTheCursor) {
  EXPECT_EQ(AfxRunLongOperation(nullptr, "Working...", [](CLongOperation&) { return 42; }), 42);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(LongOperation, ShowsTheBusyCursorAtOnce) {
  Gate gate;
  Qt::CursorShape shape = Qt::ArrowCursor;
  QTimer::singleShot(0, [&] {
    if (const QCursor* cursor = QApplication::overrideCursor()) shape = cursor->shape();
    gate.Open();
  });
  AfxRunLongOperation(nullptr, "Working...", [&](CLongOperation&) { gate.Wait(); });
  EXPECT_EQ(shape, Qt::BusyCursor);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(LongOperation, ThrowsTheWorksErrorOnTheCallersThread) {
  const std::thread::id caller = std::this_thread::get_id();
  std::thread::id worker;
  EXPECT_THROW(AfxRunLongOperation(nullptr, "Working...",
                                   [&](CLongOperation&) {
                                     worker = std::this_thread::get_id();
                                     throw std::runtime_error("broken");
                                   }),
               std::runtime_error);
  EXPECT_NE(worker, caller);
}

TEST(LongOperation, DoesNotStartASecondOperationInsideTheFirst) {
  Gate gate;
  bool secondRan = false;
  bool refused = false;
  QTimer::singleShot(0, [&] {
    try {
      AfxRunLongOperation(nullptr, "Again", [&](CLongOperation&) { secondRan = true; });
    } catch (const CUserException&) {
      refused = true;
    }
    gate.Open();
  });
  AfxRunLongOperation(nullptr, "Working...", [&](CLongOperation&) { gate.Wait(); });
  EXPECT_TRUE(refused);
  EXPECT_FALSE(secondRan);
}

// What the progress dialog shows for a given progress report.
struct ProgressRow {
  const char* name;
  std::uint64_t done;
  std::uint64_t total;
  int maximum;       // 0 for the moving bar of an unknown size
  const char* text;  // the percentage, for a known size
};

class ProgressDialog : public ::testing::TestWithParam<ProgressRow> {};

TEST_P(ProgressDialog, ShowsTheProgressModallyForTheWindow) {
  const ProgressRow& row = GetParam();
  Gate gate;
  WorkDialog dialog;
  dialog.work = [&](CLongOperation& operation) {
    operation.SetProgress(row.done, row.total);
    gate.Wait();
  };
  QWidget* owner = nullptr;
  QWidget* parent = nullptr;
  Qt::WindowModality modality = Qt::NonModal;
  QString title;
  QString text;
  int maximum = -1;
  QString percentage;
  dialog.Run([&](QWidget* window) {
    owner = window;
    WhenProgressShows([&](QWidget* progress) {
      parent = progress->parentWidget();
      modality = progress->windowModality();
      title = progress->windowTitle();
      for (const QLabel* label : progress->findChildren<QLabel*>())
        text += label->text();
      QProgressBar* bar = BarOf(progress);
      EXPECT_TRUE(QTest::qWaitFor([&] { return bar->maximum() == row.maximum; }));
      maximum = bar->maximum();
      if (row.maximum != 0) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return bar->text() == row.text; }));
        percentage = bar->text();
      }
      gate.Open();
    });
    ClickControl(window, IDOK);
    QTest::keyClick(window, Qt::Key_Escape);
  });
  EXPECT_EQ(parent, owner);
  EXPECT_EQ(modality, Qt::WindowModal);
  EXPECT_EQ(title, AfxGetAppName());
  EXPECT_EQ(text, "Working...");
  EXPECT_EQ(maximum, row.maximum);
  EXPECT_EQ(percentage, row.text);
  EXPECT_EQ(dialog.ended, 1);
}

INSTANTIATE_TEST_SUITE_P(LongOperation, ProgressDialog,
                         ::testing::Values(ProgressRow{"KnownSize", 1, 4, 1000, "25%"},
                                           ProgressRow{"HalfOfTwoGiB", 1u << 30, 2u << 30, 1000,
                                                       "50%"},
                                           ProgressRow{"UnknownSize", 5000, 0, 0, ""}),
                         testing::RowName());

// How the user asks the progress dialog to stop.
struct CancelRow {
  const char* name;
  std::function<void(QWidget* progress)> press;
};

class CancelProgress : public ::testing::TestWithParam<CancelRow> {};

TEST_P(CancelProgress, StopsTheWorkAndEndsTheHandlerWithoutAMessage) {
  WorkDialog dialog;
  dialog.work = UntilCancelled;
  bool stoppingShown = false;
  bool stillRunning = false;
  MessageBoxWatch messages;
  dialog.Run([&](QWidget* window) {
    WhenProgressShows([&](QWidget* progress) {
      GetParam().press(progress);
      stoppingShown = !CancelOf(progress)->isEnabled();
      stillRunning = window->isVisible();
    });
    ClickControl(window, IDOK);
    QTest::keyClick(window, Qt::Key_Escape);
  });
  EXPECT_TRUE(stoppingShown);
  EXPECT_TRUE(stillRunning);
  EXPECT_EQ(dialog.started, 1);
  EXPECT_EQ(dialog.ended, 0);
  EXPECT_EQ(messages.texts(), QStringList());
}

INSTANTIATE_TEST_SUITE_P(
    LongOperation, CancelProgress,
    ::testing::Values(
        CancelRow{"CancelButton",
                  [](QWidget* progress) { QTest::mouseClick(CancelOf(progress), Qt::LeftButton); }},
        CancelRow{"Escape", [](QWidget* progress) { QTest::keyClick(progress, Qt::Key_Escape); }},
        CancelRow{"CloseBox", [](QWidget* progress) { progress->close(); }}),
    testing::RowName());

TEST(LongOperation, AnErrorFromTheWorkIsReportedWithTheStopIconByTheWindow) {
  WorkDialog dialog;
  dialog.work = [](CLongOperation&) { throw std::runtime_error("Disk full while accessing /x."); };
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  const QWidget* owner = nullptr;
  const QWidget* boxOwner = nullptr;
  dialog.Run([&](QWidget* window) {
    owner = window;
    WhenMessageBoxShows([&](QMessageBox* box) {
      text = box->text();
      icon = box->icon();
      boxOwner = box->parentWidget();
    });
    ClickControl(window, IDOK);
    QTest::keyClick(window, Qt::Key_Escape);
  });
  EXPECT_EQ(text, "Disk full while accessing /x.");
  EXPECT_EQ(icon, QMessageBox::Critical);
  EXPECT_EQ(boxOwner, owner);
  EXPECT_EQ(dialog.ended, 0);
}

TEST(LongOperation, TheWindowTakesNoInputButKeepsPaintingWhileTheWorkRuns) {
  Gate gate;
  WorkDialog dialog;
  dialog.work = [&](CLongOperation&) { gate.Wait(); };
  bool repainted = false;
  bool openAfterClose = false;
  bool visibleAfterwards = false;
  const INT_PTR result = dialog.Run([&](QWidget* window) {
    WhenProgressShows([&](QWidget*) {
      auto* ok = window->findChild<QPushButton*>(QString::number(IDOK));
      QTest::mouseClick(ok, Qt::LeftButton);
      QTest::keyClick(ok, Qt::Key_Return);
      QTest::keyClick(ok, Qt::Key_Space);
      QTest::keyClick(window, Qt::Key_Escape);
      QTest::keyClick(window, Qt::Key_Space, Qt::AltModifier);
      openAfterClose = !window->close() && window->isVisible();
      const int paints = dialog.paints;
      window->update();
      repainted = QTest::qWaitFor([&] { return dialog.paints > paints; });
      gate.Open();
    });
    ClickControl(window, IDOK);
    visibleAfterwards = window->isVisible();
    QTest::keyClick(window, Qt::Key_Escape);  // input reaches the window again
  });
  EXPECT_TRUE(repainted);
  EXPECT_TRUE(openAfterClose);
  EXPECT_TRUE(visibleAfterwards);
  EXPECT_EQ(dialog.started, 1);
  EXPECT_EQ(dialog.ended, 1);
  EXPECT_EQ(result, IDCANCEL);
}

}  // namespace
}  // namespace tessary
