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

// Game editor dialog (1100-1299): the dialog, its pages, the Properties page (1110-),
// the tweak boxes (1130-1169) and their labels (1170-1209), presets and gamma (1220-)
#define IDD_EDITOR 1100
#define IDC_EDITOR_TABS 1101
#define IDD_EDITOR_PROPERTIES 1102
#define IDD_EDITOR_GLIDE 1103
#define IDD_EDITOR_D3D 1104
#define IDD_EDITOR_GAMMA 1105
#define IDC_IMGICON 1110
#define IDC_BTNCHANGEICON 1111
#define IDC_EDTITLE 1112
#define IDC_EDPATH 1113
#define IDC_BTNEDPATH 1114
#define IDC_EDCOMMANDLINE 1115
#define IDC_CHKCONFIG 1116
#define IDC_CHKGAMEONLY 1117
#define IDC_LBL_TITLE 1118
#define IDC_LBL_PATH 1119
#define IDC_LBL_COMMANDLINE 1120
#define IDC_CHKFOLLOWSTARTED 1121
// The tweak boxes and their labels are made by the view, one of each per box of the
// tweak rows, numbered from these in the order of EditorBoxes() (win32/tweak_box_ids.h).
#define IDC_TWEAK_BOXES 1130
#define IDC_TWEAK_LABELS 1170
#define IDC_GRP_GLIDEPRESETS 1220
#define IDC_CBXGLIDEPRESETS 1221
#define IDC_BTNSAVEPRESETGLIDE 1222
#define IDC_BTNDELETEPRESETGLIDE 1223
#define IDC_GRP_D3DPRESETS 1224
#define IDC_CBXD3DPRESETS 1225
#define IDC_BTNSAVEPRESETD3D 1226
#define IDC_BTNDELETEPRESETD3D 1227
#define IDC_SLRGAMMA 1230
#define IDC_SLGGAMMA 1231
#define IDC_SLBGAMMA 1232
#define IDC_LBLRGAMMA 1233
#define IDC_LBLGGAMMA 1234
#define IDC_LBLBGAMMA 1235
#define IDC_LBL_RED 1236
#define IDC_LBL_GREEN 1237
#define IDC_LBL_BLUE 1238
#define IDC_CHKLOCKGAMMASLIDERS 1239
#define IDC_BTNDEFAULTGAMMA 1240
// Options dialog (1300-1399)
#define IDD_OPTIONS 1300
#define IDC_CHKRESTOREPREV 1301
#define IDC_CHKAUTOSTART 1302
#define IDC_CHKLOG 1303
#define IDC_LBL_LODRANGE 1304
#define IDC_EDLODLOW 1305
#define IDC_LBL_LODTO 1306
#define IDC_EDLODHIGH 1307
#define IDC_LBL_CHANGEICON 1308
#define IDC_OPTIONS_BTNEDPATH 1309
#define IDC_LBL_RESETCARD 1310
#define IDC_BUTTON1 1311
#define IDC_OPTIONS_RULE 1312
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
