#pragma once
// Command ids of the main window: its buttons, its menus and the tray menu. The
// models dispatch on them and the views give them to the real controls and menu
// items. Plain macros, so that the resource compiler can read this file too.

// Main window buttons (1000-1009)
#define IDC_BTN_ADD_ICON 1001
#define IDC_BTN_EDIT_GAME 1002
#define IDC_BTN_RUN 1003
#define IDC_BTN_EXIT 1004
#define IDC_BTN_ABOUT 1005

// Main menu (2000-2099)
#define IDM_FILE_NEW 2001
#define IDM_FILE_RUN 2002
#define IDM_FILE_EDIT 2003
#define IDM_FILE_SHORTCUT 2004
#define IDM_FILE_DELETE 2005
#define IDM_FILE_EXIT 2006
#define IDM_FILE_STOP_WAITING 2007
#define IDM_EDIT_OPTIONS 2010
#define IDM_HELP_ABOUT 2020

// The list's pop-up menu (2100-2199); the four View entries are consecutive, in the
// order of the view styles' stored numbers.
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

// Tray menu (2200-2299); its game items take 3000 + their position in the menu.
#define IDM_TRAY_DUMMY 2201
#define IDM_TRAY_RESTORE 2202
#define IDM_TRAY_EXIT 2203
#define IDM_TRAY_STOP_WAITING 2204
#define IDM_TRAY_GAME_FIRST 3000
#define IDM_TRAY_GAME_LAST 3999
