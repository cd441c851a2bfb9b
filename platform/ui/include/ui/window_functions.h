// The window functions the system calls on handles. Each takes any window
// of the process; an unknown or destroyed handle fails (FALSE, 0 or null)
// with the last error ERROR_INVALID_WINDOW_HANDLE.
#pragma once

#include "ui/window_types.h"

#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOWMAXIMIZED 3
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWNA 8
#define SW_RESTORE 9

#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_NOACTIVATE 0x0010
#define SWP_SHOWWINDOW 0x0040
#define SWP_HIDEWINDOW 0x0080

BOOL IsWindow(HWND hwnd);
// Sends WM_DESTROY to the window and its children, destroys the top-level
// windows it owns first, then its widget; the handle is no window after.
BOOL DestroyWindow(HWND hwnd);
// The parent of a child window, the owner of a top-level one; null for
// none.
HWND GetParent(HWND hwnd);

// TRUE when the window was visible before.
BOOL ShowWindow(HWND hwnd, int command);
BOOL IsWindowVisible(HWND hwnd);
// TRUE when the window is minimised.
BOOL IsIconic(HWND hwnd);
// TRUE when the window was disabled before.
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsWindowEnabled(HWND hwnd);
// Paints what waits to be painted, now.
BOOL UpdateWindow(HWND hwnd);

BOOL SetWindowTextW(HWND hwnd, LPCWSTR text);
// Copies at most size - 1 units and a terminator; returns the units copied.
int GetWindowTextW(HWND hwnd, LPWSTR buffer, int size);
int GetWindowTextLengthW(HWND hwnd);

// The window's outer rectangle in screen coordinates.
BOOL GetWindowRect(HWND hwnd, LPRECT rect);
// Moves and sizes as the flags allow (x, y in the parent's client
// coordinates for a child, in screen coordinates otherwise). The Z order
// argument is not used: Qt stacks windows itself.
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);

// A top-level window of this process of class `className` (and title
// `windowName` when not null); else, with a null title, a window of another
// process published under that class name (ui::Window::
// PublishToOtherProcesses), to which SendMessageW delivers WM_COPYDATA.
// Null when none.
HWND FindWindowW(LPCWSTR className, LPCWSTR windowName);

// The active top-level window of this process (Qt's active window), or null.
HWND GetActiveWindow();
// Activates and raises the window's top-level window; returns the window
// that was active.
HWND SetActiveWindow(HWND hwnd);
// The process only knows its own windows: the foreground window is the
// active window, and making one the foreground activates and raises it.
HWND GetForegroundWindow();
BOOL SetForegroundWindow(HWND hwnd);
// The top-level window owned by `hwnd` that was active last, when it still
// exists, is visible and enabled; else `hwnd` itself.
HWND GetLastActivePopup(HWND hwnd);
