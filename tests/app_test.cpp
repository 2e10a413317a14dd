// The desktop application driven through its real windows on Qt's offscreen platform.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>
#include <QAccessible>
#include <QApplication>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "app/about_dlg.h"
#include "app/tessary_app.h"
#include "app/tessary_dlg.h"
#include "framework/afxwin.h"
#include "framework/qt/handles.h"
#include "tessary_version.h"
#include "tests/support/drag_drop.h"
#include "tests/support/files.h"
#include "tests/support/gate.h"
#include "tests/support/modal.h"
#include "tests/support/table.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;
using testing::CentreOf;
using testing::ClickControl;
using testing::DropOn;
using testing::FifoWriter;
using testing::Gate;
using testing::MakeFifo;
using testing::MessageBoxWatch;
using testing::ReadFile;
using testing::TempDir;
using testing::TextOf;
using testing::TypeInto;
using testing::WhenMessageBoxShows;
using testing::WhenModalShows;
using testing::WhenPopupShows;
using testing::WhenProgressShows;
using testing::WriteAll;
using testing::WriteFile;

const QString kMain = QStringLiteral("Tessary");
const QString kAbout = QStringLiteral("About Tessary");

// What a message box showed.
struct Shown {
  QString text;
  QString title;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString ownerTitle;
};

// Presses Scale and returns the message box it showed.
Shown PressScale(QWidget* dialog) {
  Shown shown;
  WhenMessageBoxShows([&shown](QMessageBox* box) {
    const QWidget* owner = box->parentWidget();
    shown = {box->text(), box->windowTitle(), box->icon(),
             owner != nullptr ? owner->windowTitle() : QString()};
  });
  ClickControl(dialog, IDC_SCALE);
  return shown;
}

void FillForm(QWidget* dialog, const std::string& model, const std::string& output, const char* x,
              const char* y, const char* z) {
  TypeInto(dialog, IDC_MODEL, QString::fromStdString(model));
  TypeInto(dialog, IDC_OUTPUT, QString::fromStdString(output));
  TypeInto(dialog, IDC_SCALE_X, x);
  TypeInto(dialog, IDC_SCALE_Y, y);
  TypeInto(dialog, IDC_SCALE_Z, z);
}

class MainDialog : public ::testing::Test {
 protected:
  void SetUp() override { WriteFile(model_, "position 1 2 4\nnode\n"); }

  // Runs the main dialog; `steps` drives it once it shows and must end it.
  afx::INT_PTR Run(std::function<void(QWidget*)> steps) {
    WhenModalShows(kMain, [steps](QWidget* window) {
      window->activateWindow();
      EXPECT_TRUE(QTest::qWaitForWindowActive(window));
      steps(window);
    });
    return dialog_.DoModal();
  }

  TempDir dir_;
  std::string model_ = dir_.File("in.mdl");
  std::string output_ = dir_.File("out.mdl");
  CTessaryDlg dialog_;
};

TEST_F(MainDialog, ScalesAndSaysDone) {
  Shown shown;
  Run([&](QWidget* window) {
    FillForm(window, model_, output_, "2", "3", "0.5");
    shown = PressScale(window);
    QTest::keyClick(window, Qt::Key_Escape);
  });
  EXPECT_EQ(shown.text, "Done!");
  EXPECT_EQ(shown.title, afx::AfxGetAppName());
  EXPECT_EQ(shown.icon, QMessageBox::NoIcon);
  EXPECT_EQ(ReadFile(output_), "position 2.00000000000 6.00000000000 2.00000000000\r\nnode\r\n");
  EXPECT_EQ(dialog_.m_strScaleY, "3");
}

TEST_F(MainDialog, EmptyFormCannotOpenTheInputAndCreatesNothing) {
  const fs::path previous = fs::current_path();
  fs::current_path(dir_.path());
  Shown shown;
  Run([&](QWidget* window) {
    shown = PressScale(window);
    QTest::keyClick(window, Qt::Key_Escape);
  });
  fs::current_path(previous);
  EXPECT_EQ(shown.text, "Unable to open input file.");
  EXPECT_EQ(shown.title, "app_test");
  EXPECT_EQ(shown.icon, QMessageBox::NoIcon);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator{}), 1);
}

TEST_F(MainDialog, OutputThatCannotBeOpened) {
  Shown shown;
  Run([&](QWidget* window) {
    FillForm(window, model_, model_, "1", "1", "1");
    shown = PressScale(window);
    QTest::keyClick(window, Qt::Key_Escape);
  });
  EXPECT_EQ(shown.text, "Unable to open output file.");
  EXPECT_EQ(ReadFile(model_), "position 1 2 4\nnode\n");
}

TEST_F(MainDialog, FileErrorIsReportedWithTheStopIconAndTheDialogGoesOn) {
  Shown diskFull;
  Shown afterwards;
  Run([&](QWidget* window) {
    FillForm(window, model_, "/dev/full", "1", "1", "1");
    diskFull = PressScale(window);
    EXPECT_TRUE(window->isVisible());
    TypeInto(window, IDC_OUTPUT, QString::fromStdString(output_));
    afterwards = PressScale(window);
    QTest::keyClick(window, Qt::Key_Escape);
  });
  EXPECT_EQ(diskFull.text, "Disk full while accessing /dev/full.");
  EXPECT_EQ(diskFull.icon, QMessageBox::Critical);
  EXPECT_EQ(diskFull.title, "app_test");
  EXPECT_EQ(diskFull.ownerTitle, kMain);
  EXPECT_EQ(afterwards.text, "Done!");
}

TEST_F(MainDialog, EnterPressesScale) {
  Shown shown;
  Run([&](QWidget* window) {
    FillForm(window, model_, output_, "1", "1", "1");
    WhenMessageBoxShows([&shown](QMessageBox* box) { shown.text = box->text(); });
    auto* edit = window->findChild<QLineEdit*>(QString::number(IDC_SCALE_Z));
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(window, Qt::Key_Escape);
  });
  EXPECT_EQ(shown.text, "Done!");
}

TEST_F(MainDialog, TabVisitsTheControlsInTemplateOrderFromExit) {
  QStringList visited;
  Run([&](QWidget* window) {
    for (int i = 0; i < 10; ++i) {
      const QWidget* focus = QApplication::focusWidget();
      visited << (focus != nullptr ? focus->objectName() : QStringLiteral("none"));
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QTest::keyClick(window, Qt::Key_Escape);
  });
  const auto id = [](int control) { return QString::number(control); };
  EXPECT_EQ(visited, (QStringList{id(afx::IDOK), id(IDC_MODEL), id(IDC_BROWSE_MODEL), id(IDC_SCALE),
                                  id(IDC_SCALE_X), id(IDC_OUTPUT), id(IDC_BROWSE_OUTPUT),
                                  id(IDC_SCALE_Y), id(IDC_SCALE_Z), id(afx::IDOK)}));
}

TEST_F(MainDialog, ExitEndsWithOkAndStoresTheForm) {
  const afx::INT_PTR result = Run([&](QWidget* window) {
    EXPECT_EQ(window->focusWidget(), window->findChild<QPushButton*>(QString::number(afx::IDOK)));
    TypeInto(window, IDC_SCALE_X, "4");
    ClickControl(window, afx::IDOK);
  });
  EXPECT_EQ(result, afx::IDOK);
  EXPECT_EQ(dialog_.m_strScaleX, "4");
}

TEST_F(MainDialog, EscapeAndCloseEndWithCancel) {
  EXPECT_EQ(Run([](QWidget* window) { QTest::keyClick(window, Qt::Key_Escape); }), afx::IDCANCEL);
  EXPECT_EQ(Run([](QWidget* window) { window->close(); }), afx::IDCANCEL);
}

TEST_F(MainDialog, TypedFactorSurvivesChoosingAFile) {
  QString model;
  QString factor;
  Run([&](QWidget* window) {
    TypeInto(window, IDC_SCALE_X, "2.5");
    WhenModalShows("Open", [&](QWidget* chooser) {
      auto* files = static_cast<QFileDialog*>(chooser);
      EXPECT_EQ(files->defaultSuffix(), "mdl");
      EXPECT_EQ(files->nameFilters(), QStringList{"MDL Files (*.mdl)"});
      files->selectFile(QString::fromStdString(model_));
      QMetaObject::invokeMethod(files, "accept");
    });
    ClickControl(window, IDC_BROWSE_MODEL);
    model = TextOf(window, IDC_MODEL);
    factor = TextOf(window, IDC_SCALE_X);
    QTest::keyClick(window, Qt::Key_Escape);
  });
  EXPECT_EQ(model.toStdString(), model_);
  EXPECT_EQ(factor, "2.5");
}

TEST_F(MainDialog, CancelledChooserLeavesTheFieldAsItWas) {
  QString output;
  Run([&](QWidget* window) {
    TypeInto(window, IDC_OUTPUT, "typed.mdl");
    WhenModalShows("Save As", [](QWidget* chooser) {
      EXPECT_EQ(static_cast<QFileDialog*>(chooser)->acceptMode(), QFileDialog::AcceptSave);
      static_cast<QFileDialog*>(chooser)->reject();
    });
    ClickControl(window, IDC_BROWSE_OUTPUT);
    output = TextOf(window, IDC_OUTPUT);
    QTest::keyClick(window, Qt::Key_Escape);
  });
  EXPECT_EQ(output, "typed.mdl");
}

// The test runner gives the tests a home of their own: what Qt remembers of the file chooser
// goes to its configuration folder, and nothing at all lands under $HOME.
TEST_F(MainDialog, ChoosingAFileWritesNothingUnderHome) {
  Run([&](QWidget* window) {
    WhenModalShows("Open", [&](QWidget* chooser) {
      static_cast<QFileDialog*>(chooser)->selectFile(QString::fromStdString(model_));
      QMetaObject::invokeMethod(chooser, "accept");
    });
    ClickControl(window, IDC_BROWSE_MODEL);
    QTest::keyClick(window, Qt::Key_Escape);
  });
  const fs::path home = qgetenv("HOME").toStdString();
  const fs::path config = qgetenv("XDG_CONFIG_HOME").toStdString();
  EXPECT_EQ(home.parent_path(), config.parent_path());
  EXPECT_TRUE(fs::exists(config / "QtProject.conf"));
  std::vector<std::string> written;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(home))
    written.push_back(entry.path().string());
  EXPECT_EQ(written, std::vector<std::string>());
}

TEST_F(MainDialog, SaveAsRefusesAFileInAMissingFolder) {
  QString warning;
  QString output;
  Run([&](QWidget* window) {
    WhenModalShows("Save As", [&](QWidget* chooser) {
      auto* files = static_cast<QFileDialog*>(chooser);
      WhenMessageBoxShows([&](QMessageBox* box) { warning = box->text(); });
      // Typed into the file name box, as a user would.
      auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      ASSERT_NE(name, nullptr);
      name->setText(QString::fromStdString(dir_.File("missing/out.mdl")));
      QMetaObject::invokeMethod(files, "accept");
      files->reject();
    });
    ClickControl(window, IDC_BROWSE_OUTPUT);
    output = TextOf(window, IDC_OUTPUT);
    QTest::keyClick(window, Qt::Key_Escape);
  });
  EXPECT_EQ(warning.toStdString(), "The folder " + dir_.File("missing") + " does not exist.");
  EXPECT_EQ(output, "");
}

// The pass runs while the window paints; a named pipe as the model lets the test hold the
// pass for as long as it wants to look at it.
class MainDialogDuringAPass : public MainDialog {
 protected:
  void SetUp() override {
    MakeFifo(fifo_);
    WriteFile(output_, kOldOutput);
  }

  void ExpectOutputAsBefore() const {
    const std::string now = ReadFile(output_);
    EXPECT_TRUE(now == kOldOutput) << "the output now holds " << now.size() << " bytes";
  }

  static constexpr char kOldOutput[] = "what was there before\r\n";
  std::string fifo_ = dir_.File("model.fifo");
};

TEST_F(MainDialogDuringAPass, ShowsAMovingBarWhileAModelOfUnknownSizeArrivesThenSaysDone) {
  Gate gate;
  const FifoWriter writer(fifo_, [&](int fd) {
    gate.Wait();
    WriteAll(fd, "position 1 2 4\nnode\n");
  });
  int maximum = -1;
  Shown shown;
  Run([&](QWidget* window) {
    FillForm(window, fifo_, output_, "2", "3", "0.5");
    WhenProgressShows([&](QWidget* progress) {
      maximum = progress->findChild<QProgressBar*>()->maximum();
      gate.Open();
    });
    shown = PressScale(window);
    QTest::keyClick(window, Qt::Key_Escape);
  });
  EXPECT_EQ(maximum, 0);
  EXPECT_EQ(shown.text, "Done!");
  EXPECT_EQ(ReadFile(output_), "position 2.00000000000 6.00000000000 2.00000000000\r\nnode\r\n");
}

TEST_F(MainDialogDuringAPass, ScaleEnterAndEscapeDoNothingWhileThePassRuns) {
  Gate gate;
  const FifoWriter writer(fifo_, [&](int fd) {
    gate.Wait();
    WriteAll(fd, "position 1 2 4\n");
  });
  MessageBoxWatch messages;
  bool open = false;
  Run([&](QWidget* window) {
    FillForm(window, fifo_, output_, "1", "1", "1");
    WhenProgressShows([&](QWidget*) {
      auto* scale = window->findChild<QPushButton*>(QString::number(IDC_SCALE));
      QTest::mouseClick(scale, Qt::LeftButton);
      QTest::keyClick(window->findChild<QLineEdit*>(QString::number(IDC_SCALE_Z)), Qt::Key_Return);
      QTest::keyClick(window, Qt::Key_Escape);
      gate.Open();
    });
    ClickControl(window, IDC_SCALE);
    open = window->isVisible();
    QTest::keyClick(window, Qt::Key_Escape);
  });
  EXPECT_TRUE(open);
  EXPECT_EQ(messages.texts(), QStringList{"Done!"});
}

// Needs the model's cancellation between lines: passes once the model stops at Cancel.
TEST_F(MainDialogDuringAPass, CancelStopsThePassLeavingTheOutputAsItWasAndSaysNothing) {
  // An endless model, or sixteen megabytes of it at four a second should Cancel not stop it.
  const FifoWriter writer(fifo_, [](int fd) {
    std::string lines;
    while (lines.size() < 4096)
      lines += "position 1 2 4\n";
    for (int i = 0; i < 4096 && WriteAll(fd, lines); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  MessageBoxWatch messages;
  bool open = false;
  Run([&](QWidget* window) {
    FillForm(window, fifo_, output_, "2", "2", "2");
    WhenProgressShows([](QWidget* progress) {
      QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
    });
    ClickControl(window, IDC_SCALE);
    open = window->isVisible();
    QTest::keyClick(window, Qt::Key_Escape);
  });
  EXPECT_TRUE(open);
  EXPECT_EQ(messages.texts(), QStringList());
  ExpectOutputAsBefore();
}

// Needs the model's cancellation while it waits for a pipe's writer: passes once the model
// stops there.
TEST_F(MainDialogDuringAPass, CancelStopsAPassThatWaitsForThePipesWriter) {
  std::atomic<bool> returned{false};
  // Should Cancel not stop the pass, a writer comes after ten seconds and writes nothing, so
  // that the pass and the test end.
  const std::jthread lateWriter([&] {
    for (int i = 0; i < 10'000 && !returned; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (returned) return;
    const int fd = ::open(fifo_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) ::close(fd);
  });
  MessageBoxWatch messages;
  Run([&](QWidget* window) {
    FillForm(window, fifo_, output_, "2", "2", "2");
    WhenProgressShows([](QWidget* progress) {
      QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
    });
    ClickControl(window, IDC_SCALE);
    returned = true;
    QTest::keyClick(window, Qt::Key_Escape);
  });
  EXPECT_EQ(messages.texts(), QStringList());
  ExpectOutputAsBefore();
}

// A drop on the main dialog: where, what, and what the two path fields hold afterwards. Files
// are named inside the test's folder; `kTyped` stands for what the fields held before.
struct DropRow {
  const char* name;
  int on;  // a control id, or 0 for a spot beside the controls
  std::vector<const char*> files;
  const char* remote;  // an address that is not a local file, or null
  const char* text;    // plain text instead of files, or null
  bool taken;
  const char* model;   // file name, or kTyped
  const char* output;  // file name, or kTyped
};

constexpr char kTyped[] = "typed.mdl";

class DropOnMainDialog : public MainDialog, public ::testing::WithParamInterface<DropRow> {};

TEST_P(DropOnMainDialog, SetsTheFieldItWasDroppedOn) {
  const DropRow& row = GetParam();
  QList<QUrl> urls;
  for (const char* file : row.files)
    urls << QUrl::fromLocalFile(QString::fromStdString(dir_.File(file)));
  if (row.remote != nullptr) urls << QUrl(QString::fromLatin1(row.remote));
  const auto expected = [&](const char* name) {
    return name == kTyped ? QString(kTyped) : QString::fromStdString(dir_.File(name));
  };
  bool taken = false;
  QString model;
  QString output;
  Run([&](QWidget* window) {
    TypeInto(window, IDC_MODEL, kTyped);
    TypeInto(window, IDC_OUTPUT, kTyped);
    // Beside the controls: below the Model group, left of Scale X.
    const QPoint spot = row.on != 0 ? CentreOf(window, row.on) : QPoint(4, window->height() - 4);
    taken =
        DropOn(window, spot, urls, row.text != nullptr ? QString::fromLatin1(row.text) : QString());
    model = TextOf(window, IDC_MODEL);
    output = TextOf(window, IDC_OUTPUT);
    QTest::keyClick(window, Qt::Key_Escape);
  });
  EXPECT_EQ(taken, row.taken);
  EXPECT_EQ(model, expected(row.model));
  EXPECT_EQ(output, expected(row.output));
}

INSTANTIATE_TEST_SUITE_P(
    MainDialog, DropOnMainDialog,
    ::testing::Values(
        DropRow{
            "FileOnModel", IDC_MODEL, {"crate.mdl"}, nullptr, nullptr, true, "crate.mdl", kTyped},
        DropRow{"FileOnOutput", IDC_OUTPUT, {"big.mdl"}, nullptr, nullptr, true, kTyped, "big.mdl"},
        DropRow{"FileOnScaleY",
                IDC_SCALE_Y,
                {"crate.mdl"},
                nullptr,
                nullptr,
                true,
                "crate.mdl",
                kTyped},
        DropRow{"FileOnOutputsButton",
                IDC_BROWSE_OUTPUT,
                {"crate.mdl"},
                nullptr,
                nullptr,
                true,
                "crate.mdl",
                kTyped},
        DropRow{
            "FileBesideTheControls", 0, {"crate.mdl"}, nullptr, nullptr, true, "crate.mdl", kTyped},
        DropRow{"FileWithBlanksAndAccents",
                IDC_MODEL,
                {"my crate \u00e9t\u00e9 #1.mdl"},
                nullptr,
                nullptr,
                true,
                "my crate \u00e9t\u00e9 #1.mdl",
                kTyped},
        DropRow{"TwoFilesOnOutput",
                IDC_OUTPUT,
                {"a.mdl", "b.mdl"},
                nullptr,
                nullptr,
                true,
                kTyped,
                kTyped},
        DropRow{"RemoteAddressOnModel",
                IDC_MODEL,
                {},
                "https://example.org/crate.mdl",
                nullptr,
                false,
                kTyped,
                kTyped},
        DropRow{"FileAndRemoteAddressOnModel",
                IDC_MODEL,
                {"crate.mdl"},
                "sftp://example.org/crate.mdl",
                nullptr,
                false,
                kTyped,
                kTyped},
        DropRow{"TextOnModel", IDC_MODEL, {}, nullptr, "/tmp/crate.mdl", false, kTyped, kTyped}),
    testing::RowName());

// Where a file chooser starts, for what the two fields hold. Paths are inside the test's
// folder, which has the folders "models" and "outputs".
struct ChooserRow {
  const char* name;
  const char* model;
  const char* output;
  int button;
  const char* folder;
};

class ChooserStart : public MainDialog, public ::testing::WithParamInterface<ChooserRow> {};

TEST_P(ChooserStart, IsTheFolderOfTheFieldsPathOrElseOfTheOtherField) {
  const ChooserRow& row = GetParam();
  fs::create_directory(dir_.path() / "models");
  fs::create_directory(dir_.path() / "outputs");
  const auto pathOf = [&](const char* name) {
    return *name != '\0' ? QString::fromStdString(dir_.File(name)) : QString();
  };
  QString folder;
  Run([&](QWidget* window) {
    TypeInto(window, IDC_MODEL, pathOf(row.model));
    TypeInto(window, IDC_OUTPUT, pathOf(row.output));
    WhenModalShows(QString(), [&](QWidget* chooser) {
      folder = static_cast<QFileDialog*>(chooser)->directory().absolutePath();
      static_cast<QFileDialog*>(chooser)->reject();
    });
    ClickControl(window, row.button);
    QTest::keyClick(window, Qt::Key_Escape);
  });
  EXPECT_EQ(folder, pathOf(row.folder));
}

INSTANTIATE_TEST_SUITE_P(
    MainDialog, ChooserStart,
    ::testing::Values(ChooserRow{"ModelInItsFolder", "models/crate.mdl", "outputs/big.mdl",
                                 IDC_BROWSE_MODEL, "models"},
                      ChooserRow{"NoModelInTheOutputsFolder", "", "outputs/big.mdl",
                                 IDC_BROWSE_MODEL, "outputs"},
                      ChooserRow{"ModelInAMissingFolderInTheOutputsFolder", "gone/crate.mdl",
                                 "outputs/big.mdl", IDC_BROWSE_MODEL, "outputs"},
                      ChooserRow{"OutputInItsFolder", "models/crate.mdl", "outputs/big.mdl",
                                 IDC_BROWSE_OUTPUT, "outputs"},
                      ChooserRow{"NoOutputInTheModelsFolder", "models/crate.mdl", "",
                                 IDC_BROWSE_OUTPUT, "models"}),
    testing::RowName());

TEST_F(MainDialog, SystemMenuEndsWithTheAboutEntryThatOpensTheAboutBox) {
  QStringList entries;
  bool aboutShown = false;
  Run([&](QWidget* window) {
    WhenPopupShows([&](QWidget* popup) {
      auto* menu = static_cast<QMenu*>(popup);
      for (const QAction* action : menu->actions()) {
        entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
      }
      WhenModalShows(kAbout, [&](QWidget* about) {
        aboutShown = true;
        QTest::keyClick(about, Qt::Key_Escape);
      });
      menu->setActiveAction(menu->actions().last());
      QTest::keyClick(menu, Qt::Key_Return);
    });
    QTest::keyClick(window, Qt::Key_Space, Qt::AltModifier);
    QTest::keyClick(window, Qt::Key_Escape);
  });
  EXPECT_EQ(entries, (QStringList{"&Close\tAlt+F4", "-", "&About Tessary..."}));
  EXPECT_TRUE(aboutShown);
}

TEST_F(MainDialog, SystemMenuCloseEndsWithCancel) {
  const afx::INT_PTR result = Run([](QWidget* window) {
    WhenPopupShows([](QWidget* popup) {
      auto* menu = static_cast<QMenu*>(popup);
      menu->setActiveAction(menu->actions().first());
      QTest::keyClick(menu, Qt::Key_Return);
    });
    QTest::keyClick(window, Qt::Key_Space, Qt::AltModifier);
  });
  EXPECT_EQ(result, afx::IDCANCEL);
}

TEST_F(MainDialog, MinimisedWindowShowsOnlyTheIconCentred) {
  // The window's own painting, without its controls: all that shows of a minimised window.
  const auto paintingOf = [](QWidget* window) {
    QImage image(window->size(), QImage::Format_ARGB32_Premultiplied);
    window->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    return image;
  };
  QImage minimised;
  QImage normal;
  Run([&](QWidget* window) {
    normal = paintingOf(window);
    window->showMinimized();
    minimised = paintingOf(window);
    window->showNormal();
    QTest::keyClick(window, Qt::Key_Escape);
  });
  const int size = afx::GetSystemMetrics(afx::SM_CXICON);
  QImage expected(minimised.size(), minimised.format());
  expected.fill(minimised.pixel(0, 0));
  {
    QPainter painter(&expected);
    painter.drawPixmap((expected.width() - size + 1) / 2, (expected.height() - size + 1) / 2,
                       afx::AfxLoadIcon(IDR_MAINFRAME)->icon().pixmap(size, size));
  }
  EXPECT_EQ(minimised, expected);
  EXPECT_NE(normal, expected);
}

TEST_F(MainDialog, HasTheTemplateCaptionSizeAndNoMinimiseOrMaximise) {
  Run([&](QWidget* window) {
    EXPECT_EQ(window->windowTitle(), kMain);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_GT(window->width(), window->height() * 2);
    QTest::keyClick(window, Qt::Key_Escape);
  });
}

// What assistive technology reads of each control, through Qt's accessibility interface.
QString AccessibleName(QWidget* widget) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
  return accessible != nullptr ? accessible->text(QAccessible::Name) : QString();
}

TEST_F(MainDialog, EveryControlHasAnAccessibleNameAndTheChooseButtonsATooltip) {
  std::map<int, QString> names;
  std::map<int, QString> toolTips;
  QStringList groups;
  Run([&](QWidget* window) {
    for (const int id : {int{afx::IDOK}, IDC_MODEL, IDC_BROWSE_MODEL, IDC_SCALE, IDC_SCALE_X,
                         IDC_OUTPUT, IDC_BROWSE_OUTPUT, IDC_SCALE_Y, IDC_SCALE_Z}) {
      QWidget* control = window->findChild<QWidget*>(QString::number(id));
      names[id] = AccessibleName(control);
      toolTips[id] = control->toolTip();
    }
    for (QGroupBox* group : window->findChildren<QGroupBox*>())
      groups << AccessibleName(group);
    QTest::keyClick(window, Qt::Key_Escape);
  });
  EXPECT_EQ(names, (std::map<int, QString>{{afx::IDOK, "Exit"},
                                           {IDC_MODEL, "Model"},
                                           {IDC_BROWSE_MODEL, "Choose model file"},
                                           {IDC_SCALE, "Scale"},
                                           {IDC_SCALE_X, "Scale X"},
                                           {IDC_OUTPUT, "Output"},
                                           {IDC_BROWSE_OUTPUT, "Choose output file"},
                                           {IDC_SCALE_Y, "Scale Y"},
                                           {IDC_SCALE_Z, "Scale Z"}}));
  EXPECT_EQ(toolTips[IDC_BROWSE_MODEL], "Choose model file");
  EXPECT_EQ(toolTips[IDC_BROWSE_OUTPUT], "Choose output file");
  EXPECT_EQ(groups, (QStringList{"Model", "Scale X", "Output", "Scale Y", "Scale Z"}));
}

TEST(AboutBox, EveryControlHasAnAccessibleName) {
  QStringList names;
  WhenModalShows(kAbout, [&](QWidget* window) {
    for (QWidget* control : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      names << AccessibleName(control);
    QTest::keyClick(window, Qt::Key_Escape);
  });
  CAboutDlg about;
  about.DoModal();
  EXPECT_EQ(names, (QStringList{"Tessary", "Tessary Version 0.1",
                                "Copyright (C) 2026 The Tessary developers", "OK",
                                "tessary@example.org", "https://tessary.example.org/"}));
}

TEST(AboutBox, ShowsItsTextsAndClosesOnOk) {
  QStringList texts;
  WhenModalShows(kAbout, [&](QWidget* window) {
    for (const QLabel* label : window->findChildren<QLabel*>()) {
      if (!label->text().isEmpty()) texts << label->text();
    }
    ClickControl(window, afx::IDOK);
  });
  CAboutDlg about;
  EXPECT_EQ(about.DoModal(), afx::IDOK);
  EXPECT_EQ(texts, (QStringList{"Tessary Version 0.1", "Copyright (C) 2026 The Tessary developers",
                                "tessary@example.org", "https://tessary.example.org/"}));
}

// Runs at the scale factor of the test's screen; ctest runs it at 1 and at 2 (QT_SCALE_FACTOR).
TEST(SharpIcon, TheAboutBoxShowsTheImageMadeForTheScreensPixels) {
  QImage shown;
  qreal ratio = 0;
  WhenModalShows(kAbout, [&](QWidget* window) {
    for (const QLabel* label : window->findChildren<QLabel*>()) {
      if (!label->pixmap().isNull()) shown = label->pixmap().toImage();
    }
    ratio = window->devicePixelRatioF();
    QTest::keyClick(window, Qt::Key_Escape);
  });
  CAboutDlg about;
  about.DoModal();
  const int pixels = qRound(afx::GetSystemMetrics(afx::SM_CXICON) * ratio);
  const QImage expected(QStringLiteral(":/res/tessary-%1.png").arg(pixels));
  ASSERT_FALSE(expected.isNull()) << "no image of " << pixels << " pixels";
  EXPECT_EQ(shown.devicePixelRatio(), ratio);
  // Premultiplied, so that the colour of a transparent pixel does not count.
  EXPECT_EQ(shown.convertToFormat(QImage::Format_ARGB32_Premultiplied),
            expected.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

TEST(Application, OpensWithTheModelNamedOnTheCommandLine) {
  CTessaryApp app;
  app.m_arguments = {"/home/ada/models/crate \u00e9t\u00e9.mdl"};
  QString model;
  QString output;
  WhenModalShows(kMain, [&](QWidget* window) {
    model = TextOf(window, IDC_MODEL);
    output = TextOf(window, IDC_OUTPUT);
    QTest::keyClick(window, Qt::Key_Escape);
  });
  app.InitInstance();
  EXPECT_EQ(model, "/home/ada/models/crate \u00e9t\u00e9.mdl");
  EXPECT_EQ(output, "");
}

TEST(Application, TellsTheWindowSystemItsDesktopEntry) {
  afx::AfxSetUpApplication();
  EXPECT_EQ(QGuiApplication::desktopFileName(), "org.example.Tessary");
}

// The program itself, started without any display: what it prints and how it ends.
struct ProgramRow {
  const char* name;
  std::vector<std::string> arguments;
  int exitCode;
  const char* out;  // the start of standard output
  const char* err;  // standard error
};

class Program : public ::testing::TestWithParam<ProgramRow> {};

TEST_P(Program, AnswersWithoutAWindow) {
  const ProgramRow& row = GetParam();
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  const QByteArray display = qgetenv("DISPLAY");
  qunsetenv("QT_QPA_PLATFORM");  // with no display, the window system could not start
  qunsetenv("DISPLAY");
  qunsetenv("WAYLAND_DISPLAY");
  const testing::ProgramResult result = testing::RunProgram(TESSARY_PATH, row.arguments);
  qputenv("QT_QPA_PLATFORM", platform);
  if (!display.isEmpty()) qputenv("DISPLAY", display);
  EXPECT_EQ(result.exitCode, row.exitCode);
  EXPECT_EQ(result.out.substr(0, std::strlen(row.out)), row.out);
  EXPECT_EQ(result.err, row.err);
}

INSTANTIATE_TEST_SUITE_P(
    Application, Program,
    ::testing::Values(
        ProgramRow{"Help", {"--help"}, 0, "Usage: tessary [options] [MODEL]\n", ""},
        ProgramRow{"HelpAmongOtherArguments", {"a.mdl", "-h", "b.mdl"}, 0, "Usage: tessary", ""},
        ProgramRow{"Version", {"--version"}, 0, "tessary " TESSARY_VERSION "\n", ""},
        ProgramRow{"ShortVersion", {"-V"}, 0, "tessary " TESSARY_VERSION "\n", ""}),
    testing::RowName());

TEST(Application, RefusesTwoFilesAndUnknownOptionsOnStandardError) {
  const testing::ProgramResult twoFiles =
      testing::RunProgram(TESSARY_PATH, {"-platform", "offscreen", "a.mdl", "b.mdl"});
  EXPECT_EQ(twoFiles.exitCode, 2);
  EXPECT_EQ(twoFiles.out, "");
  EXPECT_NE(twoFiles.err.find("tessary: expected at most one file (see 'tessary --help')\n"),
            std::string::npos);
  const testing::ProgramResult unknown =
      testing::RunProgram(TESSARY_PATH, {"-platform", "offscreen", "--open"});
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_NE(unknown.err.find("tessary: unknown option '--open'"), std::string::npos);
}

TEST(Application, RunsTheMainDialogOnceAndEnds) {
  CTessaryApp app;
  bool shown = false;
  WhenModalShows(kMain, [&](QWidget* window) {
    shown = true;
    EXPECT_NE(app.m_pMainWnd, nullptr);
    ClickControl(window, afx::IDOK);
  });
  EXPECT_FALSE(app.InitInstance());
  EXPECT_TRUE(shown);
  EXPECT_EQ(app.m_pMainWnd, nullptr);
}

}  // namespace
}  // namespace tessary
