// The message ids the system's windows send and receive. Ids from WM_USER
// (0x0400) up to 0x7FFF are each window class's own; 0xC000-0xFFFF are
// registered messages (ui/message_queue.h, RegisterWindowMessageW).
#pragma once

#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_ACTIVATE 0x0006
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_ENABLE 0x000A
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_ERASEBKGND 0x0014
#define WM_SHOWWINDOW 0x0018
#define WM_COPYDATA 0x004A
#define WM_NOTIFY 0x004E
#define WM_SETICON 0x0080
#define WM_NCDESTROY 0x0082
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_TIMER 0x0113
#define WM_USER 0x0400
#define WM_APP 0x8000

// WM_COMMAND notification codes in the high word of wParam.
#define BN_CLICKED 0
#define EN_CHANGE 0x0300

// Commands of the standard dialog buttons.
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

// Progress bar messages (the "msctls_progress32" control).
#define PBM_SETRANGE 0x0401
#define PBM_SETPOS 0x0402
#define PBM_SETRANGE32 0x0406
#define PBM_GETRANGE 0x0407
#define PBM_GETPOS 0x0408
