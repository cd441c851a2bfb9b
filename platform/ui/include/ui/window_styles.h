// Window styles and the values kept on a window (GetWindowLongW): styles
// are kept as given, and the ones Qt can show act on the widget -
// WS_VISIBLE, WS_DISABLED, WS_TABSTOP (Qt::TabFocus), WS_BORDER (a plain
// frame) and WS_EX_CLIENTEDGE (a sunken frame around the client area) on a
// window whose widget has a frame (plain windows do). WS_CLIPCHILDREN and
// WS_CLIPSIBLINGS change nothing: Qt always clips. A change sends
// WM_STYLECHANGED (wParam GWL_STYLE or GWL_EXSTYLE, lParam a STYLESTRUCT).
#pragma once

#include "ui/window.h"
#include "ui/window_types.h"

#define WS_MAXIMIZEBOX 0x00010000L
#define WS_MINIMIZEBOX 0x00020000L
#define WS_THICKFRAME 0x00040000L
#define WS_HSCROLL 0x00100000L
#define WS_VSCROLL 0x00200000L
#define WS_DLGFRAME 0x00400000L
#define WS_MAXIMIZE 0x01000000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_MINIMIZE 0x20000000L
#define WS_OVERLAPPEDWINDOW (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)

#define WS_EX_DLGMODALFRAME 0x00000001L
#define WS_EX_NOPARENTNOTIFY 0x00000004L
#define WS_EX_TOPMOST 0x00000008L
#define WS_EX_TOOLWINDOW 0x00000080L
#define WS_EX_WINDOWEDGE 0x00000100L
#define WS_EX_CLIENTEDGE 0x00000200L
#define WS_EX_STATICEDGE 0x00020000L
#define WS_EX_APPWINDOW 0x00040000L

#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWL_ID (-12)
#define GWLP_ID GWL_ID
#define GWLP_USERDATA (-21)

struct STYLESTRUCT {
    DWORD styleOld;
    DWORD styleNew;
};
typedef STYLESTRUCT* LPSTYLESTRUCT;

// GWL_STYLE (WS_VISIBLE, WS_DISABLED, WS_MINIMIZE and WS_MAXIMIZE as the
// widget is now), GWL_EXSTYLE, GWL_ID (a child's control id),
// GWLP_USERDATA; 0 for no window or another index.
LONG GetWindowLongW(HWND hwnd, int index);
// Sets one of them and returns the old value; a style change acts on the
// widget and sends WM_STYLECHANGED.
LONG SetWindowLongW(HWND hwnd, int index, LONG value);
LONG_PTR GetWindowLongPtrW(HWND hwnd, int index);
LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value);
// The client area: 0, 0 and the widget's size inside its frame.
BOOL GetClientRect(HWND hwnd, LPRECT rect);

namespace ui {

// Removes and adds style bits (the framework's CWnd::ModifyStyle); FALSE
// when nothing changes, else TRUE after WM_STYLECHANGED.
BOOL ModifyStyle(HWND hwnd, DWORD remove, DWORD add);
BOOL ModifyStyleEx(HWND hwnd, DWORD remove, DWORD add);

}  // namespace ui
