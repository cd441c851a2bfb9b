// The framework's own ids: standard commands, strings, window ids of a
// frame's parts, and the framework's private messages.
#pragma once

// Commands.
#define ID_FILE_NEW 0xE100         // 57600
#define ID_FILE_OPEN 0xE101        // 57601
#define ID_FILE_CLOSE 0xE102       // 57602
#define ID_FILE_NEW_FRAME 0xE10D   // 57613
#define ID_EDIT_COPY 0xE122        // 57634
#define ID_EDIT_CUT 0xE123         // 57635
#define ID_EDIT_PASTE 0xE125       // 57637
#define ID_EDIT_SELECT_ALL 0xE12A  // 57642
#define ID_APP_ABOUT 0xE140        // 57664
#define ID_APP_EXIT 0xE141         // 57665

// Strings of the framework's string table (ui/string_table.h).
#define AFX_IDS_APP_TITLE 0xE000             // 57344, the application's title when the program gives one
#define AFX_IDS_IDLEMESSAGE 0xE001           // 57345 "Ready"
#define ID_INDICATOR_CAPS 0xE701             // 59137 "CAP"
#define ID_INDICATOR_NUM 0xE702              // 59138 "NUM"
#define ID_INDICATOR_SCRL 0xE703             // 59139 "SCRL"
#define AFX_IDS_UNTITLED 0xF003              // 61443 "Untitled"
#define AFX_IDP_FAILED_TO_OPEN_DOC 0xF101    // 61697 "Failed to open document."
#define AFX_IDP_FAILED_TO_CREATE_DOC 0xF104  // 61700 "Failed to create empty document."

// Child window ids of a frame's parts.
#define AFX_IDW_TOOLBAR 0xE800     // 59392
#define AFX_IDW_STATUS_BAR 0xE801  // 59393
#define AFX_IDW_PANE_FIRST 0xE900  // 59648, the pane that fills the client area
#define AFX_IDW_PANE_LAST 0xE9FF

// The framework's private messages.
#define WM_SETMESSAGESTRING 0x0362  // wParam a string id, or 0 with lParam the text: the status line
#define WM_IDLEUPDATECMDUI 0x0363   // wParam TRUE: the idle update-UI pass of a frame's bars
#define WM_INITIALUPDATE 0x0364     // sent to a frame's descendants by InitialUpdateFrame

// Sent to a frame before a menu or submenu shows: wParam the HMENU, lParam
// MAKELPARAM(index, is the window menu).
#ifndef WM_INITMENUPOPUP
#define WM_INITMENUPOPUP 0x0117
#endif

// The status bar's message (SB_SETTEXTW, wParam the pane, lParam the text).
#ifndef SB_SETTEXTW
#define SB_SETTEXTW 0x040B
#endif
