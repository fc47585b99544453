// Resource and control identifiers of pallisar.exe, one number range per window or
// dialog. The command ids of the main window's buttons and menus are shared with the
// models (ui/command_ids.h).
#pragma once

#include "ui/command_ids.h"

// Icons (1-99). The first icon group is the program's icon in Explorer.
#define IDI_PALLISAR 1

// Main window controls (1010-1099); its buttons are commands (1001-1009).
#define IDC_LISTVIEW 1010
#define IDC_STATUSBAR1 1011

// Game editor dialog (1100-1299)
// Options dialog (1300-1399)
// Change-icon dialog (1400-1499)
#define IDD_CHANGEICON 1400
#define IDC_CHANGEICON_FILENAME_LABEL 1401
#define IDC_CHANGEICON_FILENAME 1402
#define IDC_CHANGEICON_BROWSE 1403
#define IDC_CHANGEICON_ICONS_LABEL 1404
#define IDC_CHANGEICON_ICONS 1405
// Input box (1500-1549)
#define IDD_INPUTBOX 1500
#define IDC_INPUTBOX_PROMPT 1501
#define IDC_INPUTBOX_TEXT 1502
// Slider control bitmaps and cursor (1550-1599)
// Menus and the tray menu: ui/command_ids.h (2000-3999)
