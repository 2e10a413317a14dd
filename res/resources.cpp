// Tessary's resources: dialog templates (in dialog units), the string table and the icon.
#include "framework/resources.h"

#include "res/resource.h"
#include "tessary_version.h"

namespace afx {
namespace {

constexpr unsigned long kEdit = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr int kNone = -1;

constexpr ControlTemplate kMainControls[] = {
    {ControlKind::PushButton, IDOK, "Exit", 202, 87, 50, 14, WS_TABSTOP},
    {ControlKind::GroupBox, kNone, "Model", 7, 7, 245, 28, 0},
    {ControlKind::Edit, IDC_MODEL, "", 13, 16, 203, 14, kEdit},
    {ControlKind::PushButton, IDC_BROWSE_MODEL, "...", 219, 16, 28, 14, WS_TABSTOP},
    {ControlKind::DefPushButton, IDC_SCALE, "Scale", 202, 70, 50, 14, WS_TABSTOP},
    {ControlKind::GroupBox, kNone, "Scale X", 7, 71, 53, 30, 0},
    {ControlKind::Edit, IDC_SCALE_X, "", 13, 81, 40, 14, kEdit},
    {ControlKind::GroupBox, kNone, "Output", 7, 38, 245, 28, 0},
    {ControlKind::Edit, IDC_OUTPUT, "", 13, 48, 203, 14, kEdit},
    {ControlKind::PushButton, IDC_BROWSE_OUTPUT, "...", 219, 48, 28, 14, WS_TABSTOP},
    {ControlKind::GroupBox, kNone, "Scale Y", 66, 71, 53, 30, 0},
    {ControlKind::Edit, IDC_SCALE_Y, "", 72, 81, 40, 14, kEdit},
    {ControlKind::GroupBox, kNone, "Scale Z", 125, 71, 53, 30, 0},
    {ControlKind::Edit, IDC_SCALE_Z, "", 131, 81, 40, 14, kEdit},
};

constexpr ControlTemplate kAboutControls[] = {
    {ControlKind::Icon, kNone, nullptr, 7, 7, 21, 20, 0, IDR_MAINFRAME},
    {ControlKind::Text, kNone, "Tessary Version 0.1", 34, 7, 119, 8, SS_NOPREFIX},
    {ControlKind::Text, kNone, "Copyright (C) 2026 The Tessary developers", 34, 16, 144, 8, 0},
    {ControlKind::DefPushButton, IDOK, "OK", 178, 7, 50, 14, WS_TABSTOP},
    {ControlKind::Text, kNone, "tessary@example.org", 34, 26, 88, 8, 0},
    {ControlKind::Text, kNone, "https://tessary.example.org/", 34, 36, 144, 8, 0},
};

constexpr DialogTemplate kDialogs[] = {
    {IDD_MAIN, "Tessary", 259, 108, "MS Sans Serif", 8,
     WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, WS_EX_APPWINDOW,
     kMainControls},
    {IDD_ABOUTBOX, "About Tessary", 235, 51, "MS Sans Serif", 8,
     WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, kAboutControls},
};

constexpr StringResource kStrings[] = {
    {IDS_ABOUTBOX, "&About Tessary..."},
    {IDS_SCALING, "Scaling the model..."},
    {IDR_MAINFRAME, "Tessary"},
    {IDC_BROWSE_MODEL, "Choose the model file to read\nChoose model file"},
    {AFX_IDS_COMMAND_LINE_HELP,
     "Usage: tessary [options] [MODEL]\n"
     "Open Tessary's window to rescale a 3-D model kept as ASCII model text (.mdl), with MODEL\n"
     "in the Model field when given.\n"
     "\n"
     "Options:\n"
     "  -h, --help      print this help and exit\n"
     "  -V, --version   print the version and exit\n"
     "\n"
     "tessary-scale does the same from the command line.\n"},
    {IDC_BROWSE_OUTPUT, "Choose the file to write the scaled model to\nChoose output file"},
};

// Every size up to 256 pixels, so that a screen at any scale factor gets a sharp image.
constexpr const char* kMainIconImages[] = {":/res/tessary-256.png", ":/res/tessary-128.png",
                                           ":/res/tessary-64.png",  ":/res/tessary-48.png",
                                           ":/res/tessary-32.png",  ":/res/tessary-24.png",
                                           ":/res/tessary-16.png"};
constexpr IconResource kIcons[] = {{IDR_MAINFRAME, kMainIconImages}};

constexpr ResourceTable kResources{
    kDialogs,
    kStrings,
    kIcons,
    {TESSARY_VERSION, TESSARY_VERSION, "Tessary", TESSARY_DESCRIPTION},
    TESSARY_APP_ID};

}  // namespace

const ResourceTable& AfxGetResourceTable() {
  return kResources;
}

}  // namespace afx
