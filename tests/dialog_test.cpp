// The desktop application driven through its real windows, as a user would: the same tests
// for the framework on Qt (its offscreen platform) and on Win32 (under Wine).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <thread>

#include "app/about_dlg.h"
#include "app/tessary_app.h"
#include "app/tessary_dlg.h"
#include "framework/afxwin.h"
#include "platform/file.h"
#include "tessary_version.h"
#include "tests/support/files.h"
#include "tests/support/gate.h"
#include "tests/support/table.h"
#include "tests/support/ui.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;
namespace ui = testing::ui;
using testing::Gate;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

const std::string kMain = "Tessary";
const std::string kAbout = "About Tessary";

// Presses Scale and returns the message box it showed.
ui::MessageBoxSeen PressScale(ui::Window dialog) {
  ui::MessageBoxSeen shown;
  ui::WhenMessageBoxShows([&shown](const ui::MessageBoxSeen& box) { shown = box; });
  ui::Click(dialog, IDC_SCALE);
  return shown;
}

void FillForm(ui::Window dialog, const std::string& model, const std::string& output, const char* x,
              const char* y, const char* z) {
  ui::Type(dialog, IDC_MODEL, model);
  ui::Type(dialog, IDC_OUTPUT, output);
  ui::Type(dialog, IDC_SCALE_X, x);
  ui::Type(dialog, IDC_SCALE_Y, y);
  ui::Type(dialog, IDC_SCALE_Z, z);
}

class MainDialog : public ::testing::Test {
 protected:
  void SetUp() override { WriteFile(model_, "position 1 2 4\nnode\n"); }

  // Runs the main dialog; `steps` drives it once it shows and must end it.
  afx::INT_PTR Run(std::function<void(ui::Window)> steps) {
    ui::WhenShows(kMain, std::move(steps));
    return dialog_.DoModal();
  }

  TempDir dir_;
  std::string model_ = dir_.File("in.mdl");
  std::string output_ = dir_.File("out.mdl");
  CTessaryDlg dialog_;
};

TEST_F(MainDialog, ScalesAndSaysDone) {
  ui::MessageBoxSeen shown;
  Run([&](ui::Window window) {
    FillForm(window, model_, output_, "2", "3", "0.5");
    shown = PressScale(window);
    ui::Press(window, ui::Key::Escape);
  });
  EXPECT_EQ(shown.text, "Done!");
  EXPECT_EQ(shown.title, afx::AfxGetAppName());
  EXPECT_FALSE(shown.stopIcon);
  EXPECT_EQ(ReadFile(output_), "position 2.00000000000 6.00000000000 2.00000000000\r\nnode\r\n");
  EXPECT_EQ(dialog_.m_strScaleY, "3");
}

TEST_F(MainDialog, EmptyFormCannotOpenTheInputAndCreatesNothing) {
  const fs::path previous = fs::current_path();
  fs::current_path(dir_.path());
  ui::MessageBoxSeen shown;
  Run([&](ui::Window window) {
    shown = PressScale(window);
    ui::Press(window, ui::Key::Escape);
  });
  fs::current_path(previous);
  EXPECT_EQ(shown.text, "Unable to open input file.");
  EXPECT_EQ(shown.title, "app_test");
  EXPECT_FALSE(shown.stopIcon);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator{}), 1);
}

TEST_F(MainDialog, OutputThatCannotBeOpened) {
  ui::MessageBoxSeen shown;
  Run([&](ui::Window window) {
    FillForm(window, model_, model_, "1", "1", "1");
    shown = PressScale(window);
    ui::Press(window, ui::Key::Escape);
  });
  EXPECT_EQ(shown.text, "Unable to open output file.");
  EXPECT_EQ(ReadFile(model_), "position 1 2 4\nnode\n");
}

// A file beside the output whose name is that of a new file an unfinished run leaves is said
// before the result: here one the user made, which stays.
TEST_F(MainDialog, WhatAnEarlierRunMayHaveLeftIsToldFirst) {
  const std::string users = dir_.File(".out.mdl.tessary-backup");
  WriteFile(users, "notes");
  ui::MessageBoxWatch messages;
  Run([&](ui::Window window) {
    FillForm(window, model_, output_, "2", "3", "0.5");
    ui::Click(window, IDC_SCALE);
    ui::Press(window, ui::Key::Escape);
  });
  const std::vector<std::string> texts = messages.texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].rfind("Left ", 0), 0u) << texts[0];
  EXPECT_NE(texts[0].find(".out.mdl.tessary-backup as it is: its name is that of a file an "
                          "unfinished run leaves, but nothing shows that Tessary made it."),
            std::string::npos)
      << texts[0];
  EXPECT_EQ(texts[1], "Done!");
  EXPECT_EQ(ReadFile(users), "notes");
}

#ifndef _WIN32  // a disk that is always full
TEST_F(MainDialog, FileErrorIsReportedWithTheStopIconAndTheDialogGoesOn) {
  ui::MessageBoxSeen diskFull;
  ui::MessageBoxSeen afterwards;
  Run([&](ui::Window window) {
    FillForm(window, model_, "/dev/full", "1", "1", "1");
    diskFull = PressScale(window);
    EXPECT_TRUE(ui::IsVisible(window));
    ui::Type(window, IDC_OUTPUT, output_);
    afterwards = PressScale(window);
    ui::Press(window, ui::Key::Escape);
  });
  EXPECT_EQ(diskFull.text, "Disk full while accessing /dev/full.");
  EXPECT_TRUE(diskFull.stopIcon);
  EXPECT_EQ(diskFull.title, "app_test");
  EXPECT_EQ(diskFull.ownerTitle, kMain);
  EXPECT_EQ(afterwards.text, "Done!");
}
#endif

TEST_F(MainDialog, EnterPressesScale) {
  ui::MessageBoxSeen shown;
  Run([&](ui::Window window) {
    FillForm(window, model_, output_, "1", "1", "1");
    ui::WhenMessageBoxShows([&shown](const ui::MessageBoxSeen& box) { shown = box; });
    ui::Focus(window, IDC_SCALE_Z);
    ui::Press(window, ui::Key::Enter);
    ui::Press(window, ui::Key::Escape);
  });
  EXPECT_EQ(shown.text, "Done!");
}

TEST_F(MainDialog, TabVisitsTheControlsInTemplateOrderFromExit) {
  std::vector<int> visited;
  Run([&](ui::Window window) {
    for (int i = 0; i < 10; ++i) {
      visited.push_back(ui::FocusedId(window));
      ui::Press(window, ui::Key::Tab);
    }
    ui::Press(window, ui::Key::Escape);
  });
  EXPECT_EQ(visited,
            (std::vector<int>{afx::IDOK, IDC_MODEL, IDC_BROWSE_MODEL, IDC_SCALE, IDC_SCALE_X,
                              IDC_OUTPUT, IDC_BROWSE_OUTPUT, IDC_SCALE_Y, IDC_SCALE_Z, afx::IDOK}));
}

TEST_F(MainDialog, ExitEndsWithOkAndStoresTheForm) {
  int focused = 0;
  const afx::INT_PTR result = Run([&](ui::Window window) {
    focused = ui::FocusedId(window);
    ui::Type(window, IDC_SCALE_X, "4");
    ui::Click(window, afx::IDOK);
  });
  EXPECT_EQ(focused, afx::IDOK);
  EXPECT_EQ(result, afx::IDOK);
  EXPECT_EQ(dialog_.m_strScaleX, "4");
}

TEST_F(MainDialog, EnterOnOpeningPressesExitWhichHasTheFocus) {
  const ui::MessageBoxWatch messages;
  const afx::INT_PTR result = Run([](ui::Window window) {
    ui::Press(window, ui::Key::Enter);
    if (ui::IsVisible(window)) ui::Press(window, ui::Key::Escape);
  });
  EXPECT_EQ(result, afx::IDOK);
  EXPECT_EQ(messages.texts(), std::vector<std::string>{});
}

TEST_F(MainDialog, EscapeAndCloseEndWithCancel) {
  EXPECT_EQ(Run([](ui::Window window) { ui::Press(window, ui::Key::Escape); }), afx::IDCANCEL);
  EXPECT_EQ(Run([](ui::Window window) { ui::Close(window); }), afx::IDCANCEL);
}

TEST_F(MainDialog, TypedFactorSurvivesChoosingAFile) {
  std::string model;
  std::string factor;
  Run([&](ui::Window window) {
    ui::Type(window, IDC_SCALE_X, "2.5");
    ui::WhenShows("Open", [&](ui::Window chooser) { ui::ChooseFile(chooser, model_); });
    ui::Click(window, IDC_BROWSE_MODEL);
    model = ui::TextOf(window, IDC_MODEL);
    factor = ui::TextOf(window, IDC_SCALE_X);
    ui::Press(window, ui::Key::Escape);
  });
  EXPECT_EQ(platform::FullPath(model), platform::FullPath(model_));
  EXPECT_EQ(factor, "2.5");
}

TEST_F(MainDialog, CancelledChooserLeavesTheFieldAsItWas) {
  std::string output;
  Run([&](ui::Window window) {
    ui::Type(window, IDC_OUTPUT, "typed.mdl");
    ui::WhenShows("Save As", [](ui::Window chooser) { ui::CancelChooser(chooser); });
    ui::Click(window, IDC_BROWSE_OUTPUT);
    output = ui::TextOf(window, IDC_OUTPUT);
    ui::Press(window, ui::Key::Escape);
  });
  EXPECT_EQ(output, "typed.mdl");
}

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
    return *name != '\0' ? dir_.File(name) : std::string();
  };
  std::string folder;
  Run([&](ui::Window window) {
    ui::Type(window, IDC_MODEL, pathOf(row.model));
    ui::Type(window, IDC_OUTPUT, pathOf(row.output));
    ui::WhenShows({}, [&](ui::Window chooser) {
      folder = ui::ChooserFolder(chooser);
      ui::CancelChooser(chooser);
    });
    ui::Click(window, row.button);
    ui::Press(window, ui::Key::Escape);
  });
  EXPECT_EQ(platform::FullPath(folder), platform::FullPath(pathOf(row.folder)));
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

// A drop of local files on the main dialog: where, what, and what the two path fields hold
// afterwards. Files are named inside the test's folder; `kTyped` stands for what the fields
// held before.
struct DropRow {
  const char* name;
  int on;  // a control id, or 0 for a spot beside the controls
  std::vector<const char*> files;
  const char* model;   // file name, or kTyped
  const char* output;  // file name, or kTyped
};

constexpr char kTyped[] = "typed.mdl";

class DropOnMainDialog : public MainDialog, public ::testing::WithParamInterface<DropRow> {};

TEST_P(DropOnMainDialog, SetsTheFieldItWasDroppedOn) {
  const DropRow& row = GetParam();
  std::vector<std::string> files;
  for (const char* file : row.files)
    files.push_back(dir_.File(file));
  const auto expected = [&](const char* name) {
    return name == kTyped ? std::string(kTyped) : dir_.File(name);
  };
  std::string model;
  std::string output;
  Run([&](ui::Window window) {
    ui::Type(window, IDC_MODEL, kTyped);
    ui::Type(window, IDC_OUTPUT, kTyped);
    ui::DropFiles(window, row.on, files);
    model = ui::TextOf(window, IDC_MODEL);
    output = ui::TextOf(window, IDC_OUTPUT);
    ui::Press(window, ui::Key::Escape);
  });
  EXPECT_EQ(model, expected(row.model));
  EXPECT_EQ(output, expected(row.output));
}

INSTANTIATE_TEST_SUITE_P(
    MainDialog, DropOnMainDialog,
    ::testing::Values(
        DropRow{"FileOnModel", IDC_MODEL, {"crate.mdl"}, "crate.mdl", kTyped},
        DropRow{"FileOnOutput", IDC_OUTPUT, {"big.mdl"}, kTyped, "big.mdl"},
        DropRow{"FileOnScaleY", IDC_SCALE_Y, {"crate.mdl"}, "crate.mdl", kTyped},
        DropRow{"FileOnOutputsButton", IDC_BROWSE_OUTPUT, {"crate.mdl"}, "crate.mdl", kTyped},
        DropRow{"FileBesideTheControls", 0, {"crate.mdl"}, "crate.mdl", kTyped},
        DropRow{"FileWithBlanksAndAccents",
                IDC_MODEL,
                {"my crate \u00e9t\u00e9 #1.mdl"},
                "my crate \u00e9t\u00e9 #1.mdl",
                kTyped},
        DropRow{"TwoFilesOnOutput", IDC_OUTPUT, {"a.mdl", "b.mdl"}, kTyped, kTyped}),
    testing::RowName());

TEST_F(MainDialog, SystemMenuEndsWithTheAboutEntryThatOpensTheAboutBox) {
  std::vector<std::string> entries;
  bool aboutShown = false;
  Run([&](ui::Window window) {
    entries = ui::SystemMenuEntries(window);
    ui::WhenShows(kAbout, [&](ui::Window about) {
      aboutShown = true;
      ui::Press(about, ui::Key::Escape);
    });
    ui::ChooseSystemMenuEntry(window, entries.size() - 1);
    ui::Press(window, ui::Key::Escape);
  });
  ASSERT_GE(entries.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(entries.end() - 2, entries.end()),
            (std::vector<std::string>{"-", "&About Tessary..."}));
  EXPECT_EQ(std::count(entries.begin(), entries.end(), "&About Tessary..."), 1);
  EXPECT_NE(std::find_if(entries.begin(), entries.end(),
                         [](const std::string& entry) { return entry.rfind("&Close", 0) == 0; }),
            entries.end());
  EXPECT_TRUE(aboutShown);
}

TEST_F(MainDialog, SystemMenuCloseEndsWithCancel) {
  const afx::INT_PTR result = Run([](ui::Window window) {
    const std::vector<std::string> entries = ui::SystemMenuEntries(window);
    const auto close = std::find_if(entries.begin(), entries.end(), [](const std::string& entry) {
      return entry.rfind("&Close", 0) == 0;
    });
    if (close == entries.end()) {
      ADD_FAILURE() << "no Close entry";
      ui::Press(window, ui::Key::Escape);
      return;
    }
    ui::ChooseSystemMenuEntry(window, static_cast<std::size_t>(close - entries.begin()));
  });
  EXPECT_EQ(result, afx::IDCANCEL);
}

TEST_F(MainDialog, EveryControlHasAnAccessibleNameAndTheChooseButtonsATooltip) {
  std::map<int, std::string> names;
  std::map<int, std::string> toolTips;
  Run([&](ui::Window window) {
    for (const int id : {int{afx::IDOK}, IDC_MODEL, IDC_BROWSE_MODEL, IDC_SCALE, IDC_SCALE_X,
                         IDC_OUTPUT, IDC_BROWSE_OUTPUT, IDC_SCALE_Y, IDC_SCALE_Z}) {
      names[id] = ui::AccessibleName(window, id);
      toolTips[id] = ui::ToolTipOf(window, id);
    }
    ui::Press(window, ui::Key::Escape);
  });
  EXPECT_EQ(toolTips[IDC_BROWSE_MODEL], "Choose model file");
  EXPECT_EQ(toolTips[IDC_BROWSE_OUTPUT], "Choose output file");
  if (const std::string why = ui::AccessibleNamesUnavailable(); !why.empty()) GTEST_SKIP() << why;
  EXPECT_EQ(names, (std::map<int, std::string>{{afx::IDOK, "Exit"},
                                               {IDC_MODEL, "Model"},
                                               {IDC_BROWSE_MODEL, "Choose model file"},
                                               {IDC_SCALE, "Scale"},
                                               {IDC_SCALE_X, "Scale X"},
                                               {IDC_OUTPUT, "Output"},
                                               {IDC_BROWSE_OUTPUT, "Choose output file"},
                                               {IDC_SCALE_Y, "Scale Y"},
                                               {IDC_SCALE_Z, "Scale Z"}}));
}

TEST(AboutBox, ShowsItsTextsAndClosesOnOk) {
  std::vector<std::string> texts;
  std::vector<std::string> names;
  ui::WhenShows(kAbout, [&](ui::Window window) {
    texts = ui::StaticTexts(window);
    names = ui::AccessibleNames(window);
    ui::Click(window, afx::IDOK);
  });
  CAboutDlg about;
  EXPECT_EQ(about.DoModal(), afx::IDOK);
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "Tessary Version 0.1", "Copyright (C) 2026 The Tessary developers",
                       "tessary@example.org", "https://tessary.example.org/"}));
  if (const std::string why = ui::AccessibleNamesUnavailable(); !why.empty()) GTEST_SKIP() << why;
  EXPECT_EQ(names,
            (std::vector<std::string>{"Tessary", "Tessary Version 0.1",
                                      "Copyright (C) 2026 The Tessary developers", "OK",
                                      "tessary@example.org", "https://tessary.example.org/"}));
}

TEST(Application, OpensWithTheModelNamedOnTheCommandLine) {
  CTessaryApp app;
  app.m_arguments = {"/home/ada/models/crate \u00e9t\u00e9.mdl"};
  std::string model;
  std::string output;
  ui::WhenShows(kMain, [&](ui::Window window) {
    model = ui::TextOf(window, IDC_MODEL);
    output = ui::TextOf(window, IDC_OUTPUT);
    ui::Press(window, ui::Key::Escape);
  });
  app.InitInstance();
  EXPECT_EQ(model, "/home/ada/models/crate \u00e9t\u00e9.mdl");
  EXPECT_EQ(output, "");
}

TEST(Application, RunsTheMainDialogOnceAndEnds) {
  CTessaryApp app;
  bool shown = false;
  ui::WhenShows(kMain, [&](ui::Window window) {
    shown = true;
    EXPECT_NE(app.m_pMainWnd, nullptr);
    ui::Click(window, afx::IDOK);
  });
  EXPECT_FALSE(app.InitInstance());
  EXPECT_TRUE(shown);
  EXPECT_EQ(app.m_pMainWnd, nullptr);
}

#ifndef _WIN32
// The pass runs while the window paints; a named pipe as the model lets the test hold the
// pass for as long as it wants to look at it.
class MainDialogDuringAPass : public MainDialog {
 protected:
  void SetUp() override {
    testing::MakeFifo(fifo_);
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
  const testing::FifoWriter writer(fifo_, [&](int fd) {
    gate.Wait();
    testing::WriteAll(fd, "position 1 2 4\nnode\n");
  });
  bool moving = false;
  ui::MessageBoxSeen shown;
  Run([&](ui::Window window) {
    FillForm(window, fifo_, output_, "2", "3", "0.5");
    ui::WhenProgressShows([&](ui::Window progress) {
      moving = ui::ProgressIsMoving(progress);
      gate.Open();
    });
    shown = PressScale(window);
    ui::Press(window, ui::Key::Escape);
  });
  EXPECT_TRUE(moving);
  EXPECT_EQ(shown.text, "Done!");
  EXPECT_EQ(ReadFile(output_), "position 2.00000000000 6.00000000000 2.00000000000\r\nnode\r\n");
}

TEST_F(MainDialogDuringAPass, ScaleEnterAndEscapeDoNothingWhileThePassRuns) {
  Gate gate;
  const testing::FifoWriter writer(fifo_, [&](int fd) {
    gate.Wait();
    testing::WriteAll(fd, "position 1 2 4\n");
  });
  ui::MessageBoxWatch messages;
  bool open = false;
  Run([&](ui::Window window) {
    FillForm(window, fifo_, output_, "1", "1", "1");
    ui::WhenProgressShows([&](ui::Window) {
      ui::Click(window, IDC_SCALE);
      ui::Focus(window, IDC_SCALE_Z);
      ui::Press(window, ui::Key::Enter);
      ui::Press(window, ui::Key::Escape);
      gate.Open();
    });
    ui::Click(window, IDC_SCALE);
    open = ui::IsVisible(window);
    ui::Press(window, ui::Key::Escape);
  });
  EXPECT_TRUE(open);
  EXPECT_EQ(messages.texts(), std::vector<std::string>{"Done!"});
}

TEST_F(MainDialogDuringAPass, CancelStopsThePassLeavingTheOutputAsItWasAndSaysNothing) {
  // An endless model, or sixteen megabytes of it at four a second should Cancel not stop it.
  const testing::FifoWriter writer(fifo_, [](int fd) {
    std::string lines;
    while (lines.size() < 4096)
      lines += "position 1 2 4\n";
    for (int i = 0; i < 4096 && testing::WriteAll(fd, lines); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  ui::MessageBoxWatch messages;
  bool open = false;
  Run([&](ui::Window window) {
    FillForm(window, fifo_, output_, "2", "2", "2");
    ui::WhenProgressShows([](ui::Window progress) { ui::Click(progress, afx::IDCANCEL); });
    ui::Click(window, IDC_SCALE);
    open = ui::IsVisible(window);
    ui::Press(window, ui::Key::Escape);
  });
  EXPECT_TRUE(open);
  EXPECT_EQ(messages.texts(), std::vector<std::string>());
  ExpectOutputAsBefore();
}

TEST_F(MainDialogDuringAPass, CancelStopsAPassThatWaitsForThePipesWriter) {
  std::atomic<bool> returned{false};
  // Should Cancel not stop the pass, a writer comes after ten seconds and writes nothing, so
  // that the pass and the test end.
  const std::jthread lateWriter([&] {
    for (int i = 0; i < 10'000 && !returned; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!returned) testing::FifoWriter(fifo_, [](int) {});
  });
  ui::MessageBoxWatch messages;
  Run([&](ui::Window window) {
    FillForm(window, fifo_, output_, "2", "2", "2");
    ui::WhenProgressShows([](ui::Window progress) { ui::Click(progress, afx::IDCANCEL); });
    ui::Click(window, IDC_SCALE);
    returned = true;
    ui::Press(window, ui::Key::Escape);
  });
  EXPECT_EQ(messages.texts(), std::vector<std::string>());
  ExpectOutputAsBefore();
}
#endif

// The program itself: what it says about itself without opening a window, and how it ends.
struct ProgramRow {
  const char* name;
  std::vector<std::string> arguments;
  int exitCode;
  const char* out;  // the start of standard output
};

class Program : public ::testing::TestWithParam<ProgramRow> {};

TEST_P(Program, AnswersWithoutAWindow) {
  const ProgramRow& row = GetParam();
  // With no display: the window system could not start.
  testing::ProgramSetup setup;
  setup.environment = {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"};
  const testing::ProgramResult result = testing::RunProgram(TESSARY_PATH, row.arguments, setup);
  EXPECT_EQ(result.exitCode, row.exitCode);
  EXPECT_EQ(result.out.substr(0, std::strlen(row.out)), row.out);
  EXPECT_EQ(result.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Application, Program,
    ::testing::Values(ProgramRow{"Help", {"--help"}, 0, "Usage: tessary [options] [MODEL]\n"},
                      ProgramRow{
                          "HelpAmongOtherArguments", {"a.mdl", "-h", "b.mdl"}, 0, "Usage: tessary"},
                      ProgramRow{"Version", {"--version"}, 0, "tessary " TESSARY_VERSION "\n"},
                      ProgramRow{"ShortVersion", {"-V"}, 0, "tessary " TESSARY_VERSION "\n"}),
    testing::RowName());

}  // namespace
}  // namespace tessary
