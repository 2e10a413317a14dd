// Resource identifiers of Tessary's dialogs, controls, strings, icon and menu commands.
#pragma once

#define IDM_ABOUTBOX 0x0010
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN 102
#define IDS_SCALING 103
#define IDR_MAINFRAME 128
#define IDC_MODEL 1000
#define IDC_BROWSE_MODEL 1001
#define IDC_SCALE 1002
#define IDC_SCALE_X 1003
#define IDC_OUTPUT 1004
#define IDC_BROWSE_OUTPUT 1005
#define IDC_SCALE_Y 1006
#define IDC_SCALE_Z 1007
