// Keyboard and mouse: the input messages a window's WindowProc gets (from
// the Qt events of its widget), virtual keys, the keys' state, focus,
// mouse capture and the cursor's position.
//
// Mouse messages carry the client point in lParam (x low word, y high
// word, signed) and the MK_* keys and buttons in wParam; WM_MOUSEWHEEL
// carries the screen point and the distance (120 per notch) in wParam's
// high word. Key messages carry the virtual key in wParam; WM_CHAR follows
// WM_KEYDOWN for a key that types text, one per UTF-16 unit.
#pragma once

#include "ui/window_types.h"

#include <functional>

#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_RBUTTONDBLCLK 0x0206
#define WM_MBUTTONDOWN 0x0207
#define WM_MBUTTONUP 0x0208
#define WM_MBUTTONDBLCLK 0x0209
#define WM_MOUSEWHEEL 0x020A

#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define MK_SHIFT 0x0004
#define MK_CONTROL 0x0008
#define MK_MBUTTON 0x0010

#define WHEEL_DELTA 120
#define GET_X_LPARAM(lp) (static_cast<int>(static_cast<short>(LOWORD(lp))))
#define GET_Y_LPARAM(lp) (static_cast<int>(static_cast<short>(HIWORD(lp))))
#define GET_WHEEL_DELTA_WPARAM(wp) (static_cast<short>(HIWORD(wp)))
#define GET_KEYSTATE_WPARAM(wp) (LOWORD(wp))

// Virtual keys. Letters and digits are their upper-case characters.
#define VK_LBUTTON 0x01
#define VK_RBUTTON 0x02
#define VK_MBUTTON 0x04
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_PAUSE 0x13
#define VK_CAPITAL 0x14
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_INSERT 0x2D
#define VK_DELETE 0x2E
#define VK_LWIN 0x5B
#define VK_APPS 0x5D
#define VK_NUMPAD0 0x60
#define VK_MULTIPLY 0x6A
#define VK_ADD 0x6B
#define VK_SUBTRACT 0x6D
#define VK_DECIMAL 0x6E
#define VK_DIVIDE 0x6F
#define VK_F1 0x70
#define VK_F2 0x71
#define VK_F3 0x72
#define VK_F4 0x73
#define VK_F5 0x74
#define VK_F10 0x79
#define VK_F12 0x7B
#define VK_NUMLOCK 0x90
#define VK_SCROLL 0x91
#define VK_OEM_1 0xBA
#define VK_OEM_PLUS 0xBB
#define VK_OEM_COMMA 0xBC
#define VK_OEM_MINUS 0xBD
#define VK_OEM_PERIOD 0xBE
#define VK_OEM_2 0xBF
#define VK_OEM_3 0xC0
#define VK_OEM_4 0xDB
#define VK_OEM_5 0xDC
#define VK_OEM_6 0xDD
#define VK_OEM_7 0xDE

// The high bit (the result is negative) when the key or mouse button is
// down now. Shift, Ctrl and Alt and the mouse buttons come from Qt; other
// keys are down between their WM_KEYDOWN and WM_KEYUP in a window of the
// process. The toggle bit is never set. Tests hold keys with
// ui_testing::HoldKeys, as an offscreen display has no keyboard.
SHORT GetKeyState(int virtualKey);
SHORT GetAsyncKeyState(int virtualKey);

// The window with the keyboard focus (the one whose widget, or a widget
// inside it, has Qt's focus); null when none of this process has it.
HWND GetFocus();
// Gives the window the focus (its widget's setFocus); WM_KILLFOCUS goes to
// the window losing it, then WM_SETFOCUS to this one, as Qt moves the
// focus (only within the active window). Returns the window that had the
// focus; null for no window.
HWND SetFocus(HWND hwnd);

// Sends the mouse's input to the window until ReleaseCapture; the window
// that had the capture gets WM_CAPTURECHANGED (lParam the new one). Returns
// the previous capture window.
HWND SetCapture(HWND hwnd);
// Ends the capture; its window gets WM_CAPTURECHANGED (lParam 0).
BOOL ReleaseCapture();
// The window that has the capture, or null.
HWND GetCapture();

// The cursor's position in screen coordinates.
BOOL GetCursorPos(POINT* point);
BOOL SetCursorPos(int x, int y);
// Maps a point between the window's client coordinates and the screen's.
BOOL ScreenToClient(HWND hwnd, POINT* point);
BOOL ClientToScreen(HWND hwnd, POINT* point);
// Maps `count` points from one window's client coordinates to another's
// (null: the screen); returns the last offset packed as x low, y high.
int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);

namespace ui {

// Where GetKeyState and GetAsyncKeyState read the keys from: a function
// that says whether a virtual key is down. The default asks Qt and the
// keys seen by the windows. Returns the source replaced (null: the
// default); setting null restores the default.
using KeyStateSource = std::function<bool(int virtualKey)>;
KeyStateSource SetKeyStateSource(KeyStateSource source);

}  // namespace ui
