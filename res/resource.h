// Resource and control identifiers, grouped by kind. Shared by the .rc and the C++ code.
#pragma once

// ---- Menus (IDR_) ----
#define IDR_MAINMENU1 100

// ---- Main window components (IDC_): child-window control IDs ----
#define IDC_PANEL1 1001
#define IDC_IMAGE1 1002  // child of Panel1
#define IDC_STATUSBAR1 1003

// ---- Menu commands (IDM_), named after the menu items ----
#define IDM_OPEN1 40001   // mOpen1
#define IDM_EXIT1 40002   // mExit1
#define IDM_RESIZE 40003  // mResize
#define IDM_SHORT 40004   // mshort
#define IDM_HELP1 40005   // Help1
#define IDM_ABOUT1 40006  // About1

// ---- Icons and the version resource: defined with the About box in version.rc2 ----
// The application icon is the named resource MAINICON (also the main window's caption icon).
#define IDI_MAINICON "MAINICON"
