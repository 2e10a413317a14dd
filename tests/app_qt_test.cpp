// What only the framework on Qt has: its file chooser's own checks, settings and filters,
// painting a minimised window, images for the screen's scale factor, dialog units by Qt's
// fonts, the busy cursor, the desktop entry, Qt's options, and drops of what is not a local
// file. The behaviour both implementations share is tested in dialog_test.cpp,
// framework_test.cpp and long_operation_test.cpp.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "app/about_dlg.h"
#include "app/tessary_dlg.h"
#include "framework/afxwin.h"
#include "framework/qt/dialog_units.h"
#include "framework/qt/drop_data.h"
#include "framework/qt/file_filter.h"
#include "framework/qt/handles.h"
#include "tests/support/drag_drop.h"
#include "tests/support/files.h"
#include "tests/support/gate.h"
#include "tests/support/table.h"
#include "tests/support/ui.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;
using afx::HandleOf;
using afx::WidgetOf;
using testing::CentreOf;
using testing::DropOn;
using testing::TempDir;
using testing::WriteFile;
namespace ui = testing::ui;

// Calls `action` with the Qt window of the modal window titled `title` once it shows.
void WhenShows(const std::string& title, std::function<void(QWidget*)> action) {
  ui::WhenShows(title, [action](ui::Window window) { action(WidgetOf(window)); });
}

class QtMainDialog : public ::testing::Test {
 protected:
  void SetUp() override { WriteFile(model_, "position 1 2 4\nnode\n"); }

  // Runs the main dialog; `steps` drives it once it shows and must end it.
  afx::INT_PTR Run(std::function<void(QWidget*)> steps) {
    WhenShows("Tessary", steps);
    return dialog_.DoModal();
  }

  TempDir dir_;
  std::string model_ = dir_.File("in.mdl");
  std::string output_ = dir_.File("out.mdl");
  CTessaryDlg dialog_;
};

// The test runner gives the tests a home of their own: what Qt remembers of the file chooser
// goes to its configuration folder, and nothing at all lands under $HOME.
TEST_F(QtMainDialog, ChoosingAFileWritesNothingUnderHome) {
  Run([&](QWidget* window) {
    WhenShows("Open", [&](QWidget* chooser) {
      static_cast<QFileDialog*>(chooser)->selectFile(QString::fromStdString(model_));
      QMetaObject::invokeMethod(chooser, "accept");
    });
    ui::Click(HandleOf(window), IDC_BROWSE_MODEL);
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

TEST_F(QtMainDialog, SaveAsRefusesAFileInAMissingFolder) {
  std::string warning;
  std::string output;
  Run([&](QWidget* window) {
    WhenShows("Save As", [&](QWidget* chooser) {
      auto* files = static_cast<QFileDialog*>(chooser);
      ui::WhenMessageBoxShows([&](const ui::MessageBoxSeen& box) { warning = box.text; });
      // Typed into the file name box, as a user would.
      auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      ASSERT_NE(name, nullptr);
      name->setText(QString::fromStdString(dir_.File("missing/out.mdl")));
      QMetaObject::invokeMethod(files, "accept");
      files->reject();
    });
    ui::Click(HandleOf(window), IDC_BROWSE_OUTPUT);
    output = ui::TextOf(HandleOf(window), IDC_OUTPUT);
    QTest::keyClick(window, Qt::Key_Escape);
  });
  EXPECT_EQ(warning, "The folder " + dir_.File("missing") + " does not exist.");
  EXPECT_EQ(output, "");
}

TEST_F(QtMainDialog, MinimisedWindowShowsOnlyTheIconCentred) {
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

TEST_F(QtMainDialog, HasTheTemplateCaptionSizeAndNoMinimiseOrMaximise) {
  Run([&](QWidget* window) {
    EXPECT_EQ(window->windowTitle(), "Tessary");
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_GT(window->width(), window->height() * 2);
    QTest::keyClick(window, Qt::Key_Escape);
  });
}

// Drops of what a file manager may send that is not a local file change nothing.
struct ForeignDropRow {
  const char* name;
  QList<QUrl> urls;
  const char* text;  // plain text instead of addresses, or null
};

class ForeignDrop : public QtMainDialog, public ::testing::WithParamInterface<ForeignDropRow> {};

TEST_P(ForeignDrop, IsRefusedAndChangesNothing) {
  bool taken = true;
  std::string model;
  Run([&](QWidget* window) {
    ui::Type(HandleOf(window), IDC_MODEL, "typed.mdl");
    const QString text = GetParam().text != nullptr ? GetParam().text : QString();
    taken = DropOn(window, CentreOf(window, IDC_MODEL), GetParam().urls, text);
    model = ui::TextOf(HandleOf(window), IDC_MODEL);
    QTest::keyClick(window, Qt::Key_Escape);
  });
  EXPECT_FALSE(taken);
  EXPECT_EQ(model, "typed.mdl");
}

INSTANTIATE_TEST_SUITE_P(
    QtMainDialog, ForeignDrop,
    ::testing::Values(
        ForeignDropRow{"RemoteAddress", {QUrl("https://example.org/crate.mdl")}, nullptr},
        ForeignDropRow{"FileOnAnotherHost", {QUrl("file://example.org/tmp/c.mdl")}, nullptr},
        ForeignDropRow{"FileAndRemoteAddress",
                       {QUrl::fromLocalFile("/tmp/crate.mdl"), QUrl("sftp://example.org/c.mdl")},
                       nullptr},
        ForeignDropRow{"Text", {}, "/tmp/crate.mdl"}),
    testing::RowName());

// The paths a drop's addresses give, rows named by the address: only files on this machine,
// which "localhost" is.
struct DropAddressRow {
  const char* name;
  const char* address;
  const char* path;  // empty: not a local file, and the drop is refused
};

class DropAddress : public ::testing::TestWithParam<DropAddressRow> {};

TEST_P(DropAddress, GivesTheLocalPathOrNone) {
  QMimeData data;
  const QByteArray address = GetParam().address;
  if (address.contains('\n')) {
    data.setData(QStringLiteral("text/uri-list"), address);  // a list as a file manager sends
  } else {
    data.setUrls({QUrl::fromEncoded(address)});
  }
  const std::vector<afx::CString> files = afx::LocalFilesOf(data);
  if (*GetParam().path == '\0') {
    EXPECT_TRUE(files.empty()) << files.front();
  } else {
    EXPECT_EQ(files, std::vector<afx::CString>{GetParam().path});
  }
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, DropAddress,
    ::testing::Values(
        DropAddressRow{"LocalFile", "file:///tmp/crate.mdl", "/tmp/crate.mdl"},
        DropAddressRow{"Localhost", "file://localhost/tmp/crate.mdl", "/tmp/crate.mdl"},
        DropAddressRow{"LocalhostInCapitals", "file://LocalHost/tmp/a%20b.mdl", "/tmp/a b.mdl"},
        DropAddressRow{"AnotherHost", "file://example.org/tmp/crate.mdl", ""},
        DropAddressRow{"AnotherHostNamedLikeLocalhost",
                       "file://localhost.example.org/tmp/crate.mdl", ""},
        DropAddressRow{"RemoteAddress", "sftp://localhost/tmp/crate.mdl", ""},
        // The bytes the address spells, even where they are no UTF-8.
        DropAddressRow{"NameNotUtf8", "file:///tmp/bad%FF.mdl", "/tmp/bad\xFF.mdl"},
        DropAddressRow{"ListWithAComment", "# from a file manager\r\nfile:///tmp/crate.mdl\r\n",
                       "/tmp/crate.mdl"}),
    testing::RowName());

// Runs at the scale factor of the test's screen; ctest runs it at 1 and at 2 (QT_SCALE_FACTOR).
TEST(SharpIcon, TheAboutBoxShowsTheImageMadeForTheScreensPixels) {
  QImage shown;
  qreal ratio = 0;
  WhenShows("About Tessary", [&](QWidget* window) {
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

TEST(Application, TellsTheWindowSystemItsDesktopEntry) {
  afx::AfxSetUpApplication();
  EXPECT_EQ(QGuiApplication::desktopFileName(), "org.example.Tessary");
}

// A name that a field cannot hold exactly would come back from it as another file's name: such
// a file is refused, dropped or named on the command line, and the form keeps what it had.
TEST_F(QtMainDialog, DroppedFileWhoseNameIsNotUtf8IsRefusedWithAMessage) {
  ui::MessageBoxWatch messages;
  std::string model;
  Run([&](QWidget* window) {
    ui::Type(HandleOf(window), IDC_MODEL, "typed.mdl");
    DropOn(window, CentreOf(window, IDC_MODEL), {QUrl::fromEncoded("file:///tmp/bad%FF.mdl")});
    model = ui::TextOf(HandleOf(window), IDC_MODEL);
    QTest::keyClick(window, Qt::Key_Escape);
  });
  EXPECT_EQ(model, "typed.mdl");
  EXPECT_EQ(messages.texts(),
            std::vector<std::string>{"Tessary cannot take /tmp/bad\\xFF.mdl: its name is not "
                                     "valid UTF-8, so it could not be shown and used as it is. "
                                     "Rename the file, then drop it again."});
}

TEST(Application, RefusesAFileWhoseNameIsNotUtf8) {
  const testing::ProgramResult result =
      testing::RunProgram(TESSARY_PATH, {"-platform", "offscreen", "bad\xFF.mdl"});
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_NE(result.err.find("tessary: cannot take the file bad\\xFF.mdl: its name is not valid "
                            "UTF-8"),
            std::string::npos)
      << result.err;
}

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

TEST(LongOperation, ShowsTheBusyCursorAtOnce) {
  testing::Gate gate;
  Qt::CursorShape shape = Qt::ArrowCursor;
  QTimer::singleShot(0, [&] {
    if (const QCursor* cursor = QApplication::overrideCursor()) shape = cursor->shape();
    gate.Open();
  });
  afx::AfxRunLongOperation(nullptr, "Working...", [&](afx::CLongOperation&) { gate.Wait(); });
  EXPECT_EQ(shape, Qt::BusyCursor);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(Resources, TheIconHasEveryImageFrom16To256Pixels) {
  EXPECT_EQ(
      afx::AfxLoadIcon(IDR_MAINFRAME)->icon().availableSizes(),
      (QList<QSize>{{256, 256}, {128, 128}, {64, 64}, {48, 48}, {32, 32}, {24, 24}, {16, 16}}));
}

TEST(FileFilter, BecomesQtNameFilters) {
  EXPECT_EQ(afx::ConvertFileFilter("MDL Files (*.mdl)|*.mdl||"),
            std::vector<std::string>{"MDL Files (*.mdl)"});
  EXPECT_EQ(afx::ConvertFileFilter("Models|*.mdl;*.txt|All|*||"),
            (std::vector<std::string>{"Models (*.mdl *.txt)", "All (*)"}));
  EXPECT_TRUE(afx::ConvertFileFilter(nullptr).empty());
}

TEST(DialogUnits, ScaleByTheFontsAverageWidthAndHeight) {
  const afx::DialogBaseUnits units{6, 13};
  EXPECT_EQ(afx::MapDialogRect(units, 4, 8, 50, 14), QRect(6, 13, 75, 23));
  EXPECT_EQ(afx::MapDialogRect(units, 259, 108, 0, 0).topLeft(), QPoint(389, 176));
  const afx::DialogBaseUnits real = afx::BaseUnitsOf(afx::DialogFont("MS Sans Serif", 8));
  EXPECT_GT(real.averageWidth, 2);
  EXPECT_GT(real.height, 6);
}

}  // namespace
}  // namespace tessary
