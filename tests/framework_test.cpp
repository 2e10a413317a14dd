// The framework layer on its own: message maps, the top-level error report, drops, control
// descriptions, the command line, resources; the same on Qt and on Win32.
#include <gtest/gtest.h>

#include <stdexcept>

#include "framework/afxwin.h"
#include "framework/control_text.h"
#include "res/resource.h"
#include "tessary_version.h"
#include "tests/support/table.h"
#include "tests/support/ui.h"

namespace tessary {
namespace {

using namespace afx;

class Target : public CWnd {
 public:
  std::vector<std::string> calls;

  void OnPaint() { calls.push_back("paint"); }
  void OnSysCommand(UINT id, LPARAM) { calls.push_back("sys " + std::to_string(id)); }
  HCURSOR OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(this); }
  void OnGo() { calls.push_back("go"); }
  void OnFail() { throw std::runtime_error("Disk full while accessing /x."); }

 protected:
  const MessageMap* GetMessageMap() const override {
    static const MessageMapEntry entries[] = {
        ON_WM_PAINT(&Target::OnPaint),
        ON_WM_SYSCOMMAND(&Target::OnSysCommand),
        ON_WM_QUERYDRAGICON(&Target::OnQueryDragIcon),
        ON_BN_CLICKED(7, &Target::OnGo),
        ON_BN_CLICKED(8, &Target::OnFail),
    };
    static const MessageMap map{CWnd::GetThisMessageMap(), entries};
    return &map;
  }
};

TEST(MessageMap, CallsTheHandlerOfEachMessageAndCommand) {
  Target target;
  target.SendMessage(WM_PAINT);
  target.SendMessage(WM_SYSCOMMAND, 0x0010, 0);
  target.SendMessage(WM_COMMAND, MAKEWPARAM(7, BN_CLICKED));
  target.SendMessage(WM_COMMAND, MAKEWPARAM(9, BN_CLICKED));  // not in the map
  EXPECT_EQ(target.calls, (std::vector<std::string>{"paint", "sys 16", "go"}));
  EXPECT_EQ(target.SendMessage(WM_QUERYDRAGICON), reinterpret_cast<LRESULT>(&target));
}

TEST(MessageMap, ReportsAnEscapingErrorWithTheStopIcon) {
  Target target;
  testing::ui::MessageBoxSeen shown;
  testing::ui::WhenMessageBoxShows([&](const testing::ui::MessageBoxSeen& box) { shown = box; });
  EXPECT_EQ(target.SendMessage(WM_COMMAND, MAKEWPARAM(8, BN_CLICKED)), 0);
  EXPECT_EQ(shown.text, "Disk full while accessing /x.");
  EXPECT_TRUE(shown.stopIcon);
}

TEST(DropFiles, QueryGivesTheCountEachPathAndThePoint) {
  const DropFiles drop{{"/m/crate.mdl", "/m/b.mdl"}, {3, 4}};
  EXPECT_EQ(DragQueryFile(&drop, 0xFFFFFFFF, nullptr, 0), 2u);
  EXPECT_EQ(DragQueryFile(&drop, 0, nullptr, 0), 12u);
  char buffer[8];
  EXPECT_EQ(DragQueryFile(&drop, 1, buffer, sizeof buffer), 7u);
  EXPECT_STREQ(buffer, "/m/b.md");  // cut to the buffer, with its terminating zero
  EXPECT_EQ(DragQueryFile(&drop, 2, buffer, sizeof buffer), 0u);
  POINT point;
  EXPECT_TRUE(DragQueryPoint(&drop, &point));
  EXPECT_EQ(point.x, 3);
  EXPECT_EQ(point.y, 4);
}

// One control described in a template of its own: the control is the last one, after
// `before`. Ids 1001 and 128 have string resources in the program's table ("...\nChoose model
// file" and "Tessary"); 3000 and up have none.
struct DescribeRow {
  const char* name;
  std::vector<ControlTemplate> before;
  ControlTemplate control;
  const char* expectedName;
  const char* expectedToolTip;
};

class DescribeControlTest : public ::testing::TestWithParam<DescribeRow> {};

TEST_P(DescribeControlTest, NamesItAsTheTemplateSuggests) {
  std::vector<ControlTemplate> controls = GetParam().before;
  controls.push_back(GetParam().control);
  const ControlDescription description = DescribeControl(controls, controls.size() - 1);
  EXPECT_EQ(description.name, GetParam().expectedName);
  EXPECT_EQ(description.toolTip, GetParam().expectedToolTip);
}

constexpr ControlTemplate kEdit{ControlKind::Edit, 3001, "", 13, 16, 40, 14, WS_TABSTOP};
constexpr ControlTemplate kOuterGroup{ControlKind::GroupBox, -1, "&Size", 0, 0, 200, 100, 0};
constexpr ControlTemplate kInnerGroup{ControlKind::GroupBox, -1, "Width", 7, 7, 53, 30, 0};
constexpr ControlTemplate kFarGroup{ControlKind::GroupBox, -1, "Depth", 100, 7, 53, 30, 0};
constexpr ControlTemplate kLabel{ControlKind::Text, -1, "&Height:", 0, 50, 30, 8, 0};

INSTANTIATE_TEST_SUITE_P(
    Resources, DescribeControlTest,
    ::testing::Values(
        DescribeRow{"EditInAGroupBox", {kFarGroup, kInnerGroup}, kEdit, "Width", ""},
        DescribeRow{"EditInNestedGroupBoxes", {kOuterGroup, kInnerGroup}, kEdit, "Width", ""},
        DescribeRow{"EditInAGroupBoxWithAMnemonic", {kOuterGroup}, kEdit, "Size", ""},
        DescribeRow{"EditAfterAStaticText", {kLabel, kFarGroup}, kEdit, "Height:", ""},
        DescribeRow{"EditWithNothingToGoBy", {kFarGroup}, kEdit, "", ""},
        DescribeRow{"ButtonWithAMnemonic",
                    {kOuterGroup},
                    {ControlKind::PushButton, 3002, "Save && &Go", 1, 1, 50, 14, 0},
                    "Save & Go",
                    ""},
        DescribeRow{"ButtonWithAStringResource",
                    {},
                    {ControlKind::PushButton, 1001, "...", 1, 1, 28, 14, 0},
                    "Choose model file",
                    "Choose model file"},
        DescribeRow{"StaticTextWithoutPrefixes",
                    {},
                    {ControlKind::Text, -1, "A & B", 1, 1, 28, 8, SS_NOPREFIX},
                    "A & B",
                    ""},
        DescribeRow{"IconWithAStringResource",
                    {},
                    {ControlKind::Icon, -1, nullptr, 1, 1, 21, 20, 0, 128},
                    "Tessary",
                    ""}),
    testing::RowName());

struct ArgumentsRow {
  const char* name;
  std::vector<std::string> arguments;
  CommandLine::Action action;
  const char* fileName;
  const char* error;
};

class ParseArgumentsTest : public ::testing::TestWithParam<ArgumentsRow> {};

TEST_P(ParseArgumentsTest, ReadsAtMostOneFileAndTheOptionsThatAnswerWithoutAWindow) {
  const CommandLine line = ParseArguments(GetParam().arguments);
  EXPECT_EQ(line.action, GetParam().action);
  EXPECT_EQ(line.fileName, GetParam().fileName);
  EXPECT_EQ(line.error, GetParam().error);
}

using Action = CommandLine::Action;
INSTANTIATE_TEST_SUITE_P(
    CommandLine, ParseArgumentsTest,
    ::testing::Values(
        ArgumentsRow{"Nothing", {}, Action::Run, "", ""},
        ArgumentsRow{"OneFile", {"crate.mdl"}, Action::Run, "crate.mdl", ""},
        ArgumentsRow{"Help", {"--help"}, Action::Help, "", ""},
        ArgumentsRow{"ShortHelp", {"-h"}, Action::Help, "", ""},
        ArgumentsRow{"Version", {"--version"}, Action::Version, "", ""},
        ArgumentsRow{"ShortVersion", {"-V"}, Action::Version, "", ""},
        ArgumentsRow{"HelpAfterTwoFiles", {"a.mdl", "b.mdl", "--help"}, Action::Help, "", ""},
        ArgumentsRow{
            "HelpAfterAWindowSystemOption", {"-platform", "xcb", "--help"}, Action::Help, "", ""},
        ArgumentsRow{
            "TwoFiles", {"a.mdl", "b.mdl"}, Action::Error, "", "expected at most one file"},
        ArgumentsRow{"UnknownOption", {"-x"}, Action::Error, "", "unknown option '-x'"},
        ArgumentsRow{"EmptyFile", {""}, Action::Error, "", "the file name is empty"},
        ArgumentsRow{"FileLikeAnOptionAfterDashes", {"--", "-x.mdl"}, Action::Run, "-x.mdl", ""},
        ArgumentsRow{"HelpAsAFileAfterDashes", {"--", "--help"}, Action::Run, "--help", ""},
        ArgumentsRow{"DashForAFile", {"-"}, Action::Run, "-", ""}),
    testing::RowName());

TEST(CommandLine, VersionLineNamesTheProgramAndItsVersion) {
  EXPECT_EQ(VersionLine(), "app_test " TESSARY_VERSION "\n");
}

TEST(Dialog, LetsGoOfItsWindowWhenInitialisationFails) {
  class FailingDialog : public CDialog {
   public:
    FailingDialog() : CDialog(IDD_ABOUTBOX) {}
    BOOL OnInitDialog() override {
      CDialog::OnInitDialog();
      throw std::runtime_error("no resources");
    }
  };
  FailingDialog dialog;
  EXPECT_THROW(dialog.DoModal(), std::runtime_error);
  EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
  EXPECT_EQ(dialog.GetSystemMenu(FALSE), nullptr);
}

TEST(Resources, HoldTheStringsIconAndTemplates) {
  EXPECT_EQ(LoadString(IDS_ABOUTBOX), "&About Tessary...");
  EXPECT_EQ(LoadString(9999), "");
  ASSERT_NE(AfxLoadIcon(IDR_MAINFRAME), nullptr);
  EXPECT_EQ(AfxLoadIcon(IDR_MAINFRAME), AfxLoadIcon(IDR_MAINFRAME));
  EXPECT_EQ(AfxFindDialogTemplate(1234), nullptr);
  EXPECT_STREQ(AfxGetResourceTable().version.fileVersion, TESSARY_VERSION);
  EXPECT_STREQ(AfxGetResourceTable().version.productName, "Tessary");
}

}  // namespace
}  // namespace tessary
