// Window classes and windows made by class name: RegisterClassW,
// CreateWindowExW, and the default window procedure.
//
// A registered class is a record {name, style, window procedure, icon,
// background brush}: the name is what FindWindowW and the framework's
// PreCreateWindow name, CS_DBLCLKS lets WM_LBUTTONDBLCLK through (windows
// of other classes get double clicks too: the built-in controls and the
// framework's and toolkit's classes all have it), the brush erases the
// background in DefWindowProcW's WM_ERASEBKGND.
//
// CreateWindowExW makes a window the layer owns (freed after
// DestroyWindow): of a registered class, a plain window whose messages go
// to the class's procedure; of a built-in class, the control: "Static"
// (QLabel), "Edit" (QLineEdit), "Button" (QPushButton), "msctls_progress32"
// (QProgressBar), which notify their parent with WM_COMMAND as a dialog's
// controls do.
#pragma once

#include "ui/window_types.h"

#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define CS_DBLCLKS 0x0008
#define CS_OWNDC 0x0020
#define CS_CLASSDC 0x0040
#define CS_PARENTDC 0x0080
#define CS_NOCLOSE 0x0200
#define CS_SAVEBITS 0x0800

typedef LRESULT (*WNDPROC)(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
typedef WORD ATOM;

struct WNDCLASSW {
    UINT style;
    WNDPROC lpfnWndProc;  // null: DefWindowProcW
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;  // a brush, or a system colour index + 1
    LPCWSTR lpszMenuName;
    LPCWSTR lpszClassName;
};

// What WM_CREATE's lParam points to (also in CreateWindowExW's WM_NCCREATE).
struct CREATESTRUCTW {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCWSTR lpszName;
    LPCWSTR lpszClass;
    DWORD dwExStyle;
};
typedef CREATESTRUCTW* LPCREATESTRUCTW;

// Registers a class under its name (compared without case); an atom
// (nonzero) on success, 0 when the name is taken or missing.
ATOM RegisterClassW(const WNDCLASSW* windowClass);
BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance);
// The registered class's record; FALSE for an unknown class.
BOOL GetClassInfoW(HINSTANCE instance, LPCWSTR className, WNDCLASSW* windowClass);
// The icon of a registered class (null for none or no such class).
HICON ClassIcon(LPCWSTR className);

#define CW_USEDEFAULT (static_cast<int>(0x80000000))

// Makes a window of a registered or built-in class (see above); `menu` is
// a child's control id. WM_CREATE gets a CREATESTRUCTW; -1 from it
// destroys the window and gives null. A child's parent gets
// WM_PARENTNOTIFY (WM_CREATE) unless WS_EX_NOPARENTNOTIFY. Null for an
// unknown class (last error ERROR_CANNOT_FIND_WND_CLASS) or parent.
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);

// The default handling of a message: WM_CLOSE destroys the window;
// WM_ERASEBKGND fills the client area with the class's brush (1) or does
// nothing (0) for a class without one; WM_MOUSEACTIVATE asks the parent
// first, else MA_ACTIVATE; WM_GETTEXT/WM_SETTEXT/WM_GETTEXTLENGTH work on
// the window's text. A message the layer translated from a Qt event
// (input, paint) gets Qt's own handling of that event once WindowProc
// returns. Everything else gives 0. ui::Window::WindowProc's default calls
// it.
LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
