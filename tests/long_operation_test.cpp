// Long operations driven through a real window, with synthetic work; the same on Qt and on
// Win32.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "framework/afxwin.h"
#include "res/resource.h"
#include "tests/support/gate.h"
#include "tests/support/table.h"
#include "tests/support/ui.h"

namespace tessary {
namespace {

using namespace afx;
using testing::Gate;
namespace ui = testing::ui;

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
  INT_PTR Run(std::function<void(ui::Window)> steps) {
    ui::WhenShows("About Tessary", std::move(steps));
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

TEST(LongOperation, ReturnsWhatTheWorkReturned) {
  EXPECT_EQ(AfxRunLongOperation(nullptr, "Working...", [](CLongOperation&) { return 42; }), 42);
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
  ui::Soon([&] {
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
  int permille;  // the share shown, for a known size; 0 for the moving bar of an unknown one
};

class ProgressDialog : public ::testing::TestWithParam<ProgressRow> {};

TEST_P(ProgressDialog, ShowsTheProgressForTheWindow) {
  const ProgressRow& row = GetParam();
  Gate gate;
  WorkDialog dialog;
  dialog.work = [&](CLongOperation& operation) {
    operation.SetProgress(row.done, row.total);
    gate.Wait();
  };
  std::string owner;
  std::string title;
  std::string text;
  bool moving = false;
  int permille = -1;
  dialog.Run([&](ui::Window window) {
    ui::WhenProgressShows([&](ui::Window progress) {
      owner = ui::TitleOf(ui::OwnerOf(progress));
      title = ui::TitleOf(progress);
      text = ui::ProgressText(progress);
      // The dialog reads the progress a little after it shows.
      for (int i = 0; i < 200 && ui::ProgressPermille(progress) != row.permille; ++i) {
        ui::Repaint(progress);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ui::Soon([] {});
      }
      moving = ui::ProgressIsMoving(progress);
      permille = moving ? 0 : ui::ProgressPermille(progress);
      gate.Open();
    });
    ui::Click(window, IDOK);
    ui::Press(window, ui::Key::Escape);
  });
  EXPECT_EQ(owner, "About Tessary");
  EXPECT_EQ(title, AfxGetAppName());
  EXPECT_EQ(text, "Working...");
  EXPECT_EQ(moving, row.total == 0);
  EXPECT_EQ(permille, row.permille);
  EXPECT_EQ(dialog.ended, 1);
}

INSTANTIATE_TEST_SUITE_P(LongOperation, ProgressDialog,
                         ::testing::Values(ProgressRow{"KnownSize", 1, 4, 250},
                                           ProgressRow{"HalfOfTwoGiB", 1u << 30, 2u << 30, 500},
                                           ProgressRow{"UnknownSize", 5000, 0, 0}),
                         testing::RowName());

// How the user asks the progress dialog to stop.
struct CancelRow {
  const char* name;
  std::function<void(ui::Window progress)> press;
};

class CancelProgress : public ::testing::TestWithParam<CancelRow> {};

TEST_P(CancelProgress, StopsTheWorkAndEndsTheHandlerWithoutAMessage) {
  WorkDialog dialog;
  dialog.work = UntilCancelled;
  bool stoppingShown = false;
  bool stillRunning = false;
  ui::MessageBoxWatch messages;
  dialog.Run([&](ui::Window window) {
    ui::WhenProgressShows([&](ui::Window progress) {
      GetParam().press(progress);
      stoppingShown = !ui::CancelEnabled(progress);
      stillRunning = ui::IsVisible(window);
    });
    ui::Click(window, IDOK);
    ui::Press(window, ui::Key::Escape);
  });
  EXPECT_TRUE(stoppingShown);
  EXPECT_TRUE(stillRunning);
  EXPECT_EQ(dialog.started, 1);
  EXPECT_EQ(dialog.ended, 0);
  EXPECT_EQ(messages.texts(), std::vector<std::string>());
}

INSTANTIATE_TEST_SUITE_P(
    LongOperation, CancelProgress,
    ::testing::Values(
        CancelRow{"CancelButton", [](ui::Window progress) { ui::Click(progress, IDCANCEL); }},
        CancelRow{"Escape", [](ui::Window progress) { ui::Press(progress, ui::Key::Escape); }},
        CancelRow{"CloseBox", [](ui::Window progress) { ui::Close(progress); }}),
    testing::RowName());

TEST(LongOperation, AnErrorFromTheWorkIsReportedWithTheStopIconByTheWindow) {
  WorkDialog dialog;
  dialog.work = [](CLongOperation&) { throw std::runtime_error("Disk full while accessing /x."); };
  ui::MessageBoxSeen shown;
  dialog.Run([&](ui::Window window) {
    ui::WhenMessageBoxShows([&](const ui::MessageBoxSeen& box) { shown = box; });
    ui::Click(window, IDOK);
    ui::Press(window, ui::Key::Escape);
  });
  EXPECT_EQ(shown.text, "Disk full while accessing /x.");
  EXPECT_TRUE(shown.stopIcon);
  EXPECT_EQ(shown.ownerTitle, "About Tessary");
  EXPECT_EQ(dialog.ended, 0);
}

TEST(LongOperation, TheWindowTakesNoInputButKeepsPaintingWhileTheWorkRuns) {
  Gate gate;
  WorkDialog dialog;
  dialog.work = [&](CLongOperation&) { gate.Wait(); };
  bool repainted = false;
  bool openAfterClose = false;
  bool visibleAfterwards = false;
  const INT_PTR result = dialog.Run([&](ui::Window window) {
    ui::WhenProgressShows([&](ui::Window) {
      // The mouse on the window's button and its close box, as a user would try.
      ui::Click(window, IDOK);
      ui::Close(window);
      openAfterClose = ui::IsVisible(window);
      const int paints = dialog.paints;
      ui::Repaint(window);
      repainted = dialog.paints > paints;
      gate.Open();
    });
    ui::Click(window, IDOK);
    visibleAfterwards = ui::IsVisible(window);
    ui::Press(window, ui::Key::Escape);  // input reaches the window again
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
