// Resource and control identifiers of pallisar.exe, grouped by number range.
#pragma once

// Icons (1-99). The first icon group is the program's icon in Explorer.
#define IDI_PALLISAR 1

// Menus (100-199)
#define IDM_MAINMENU1 100
#define IDM_POPUPMENU1 101
#define IDM_TRAYPOPUP 102

// Main window controls (1000-1099)
#define IDC_BTN_ADD_ICON 1001
#define IDC_BTN_EDIT_GAME 1002
#define IDC_BTN_RUN 1003
#define IDC_BTN_EXIT 1004
#define IDC_BTN_ABOUT 1005
#define IDC_LISTVIEW 1010
#define IDC_STATUSBAR1 1011

// Main menu commands (2000-2099)
#define IDM_FILE_NEW 2001
#define IDM_FILE_RUN 2002
#define IDM_FILE_EDIT 2003
#define IDM_FILE_SHORTCUT 2004
#define IDM_FILE_DELETE 2005
#define IDM_FILE_EXIT 2006
#define IDM_EDIT_OPTIONS 2010
#define IDM_HELP_ABOUT 2020

// List pop-up menu commands (2100-2199)
#define IDM_POPUP_NEW 2101
#define IDM_POPUP_RUN 2102
#define IDM_POPUP_EDIT 2103
#define IDM_POPUP_SHORTCUT 2104
#define IDM_VIEW_LARGE_ICONS 2110
#define IDM_VIEW_SMALL_ICONS 2111
#define IDM_VIEW_LIST 2112
#define IDM_VIEW_DETAILS 2113
#define IDM_POPUP_REFRESH 2120
#define IDM_POPUP_DELETE 2121

// Tray menu commands (2200-2299); its game items take 3000 + their menu position
#define IDM_TRAY_DUMMY 2201
#define IDM_TRAY_RESTORE 2202
#define IDM_TRAY_EXIT 2203
#define IDM_TRAY_GAME_FIRST 3000
#define IDM_TRAY_GAME_LAST 3999
