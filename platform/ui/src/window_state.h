// What the layer keeps for each window beside its widget: the styles for
// GetWindowLongW, its class's style and background brush, its control id
// and user data.
#pragma once

#include "ui/window_types.h"

namespace ui::detail {

struct WindowState {
    DWORD style = 0;  // WS_VISIBLE and WS_DISABLED are read from the widget
    DWORD exStyle = 0;
    UINT classStyle = 0;
    HBRUSH background = nullptr;  // the class's brush; null: no erasing
    bool doubleClicks = true;     // the class has CS_DBLCLKS
    LONG_PTR id = 0;              // a child's control id
    LONG_PTR userData = 0;        // GWLP_USERDATA
    HWND lastActivePopup = nullptr;
};

// The state of a window; null for no window. Cost: one map lookup.
WindowState* StateOf(HWND hwnd);
// Made with the window's handle (Window::Attach); a child starts with
// WS_CHILD.
WindowState& InitWindowState(HWND hwnd, bool child);
void ForgetWindowState(HWND hwnd);

// Brings the widget in line with the styles kept for it, for the bits that
// differ from `oldStyle` and `oldExStyle` (all of them for a new window:
// pass 0, 0).
void ApplyStyleChange(HWND hwnd, DWORD oldStyle, DWORD oldExStyle);
inline void ApplyStyles(HWND hwnd) { ApplyStyleChange(hwnd, 0, 0); }

// Everything the layer keeps for a window goes with it (its state, event
// translation, capture, and the window object when the layer owns it).
void WindowDestroyed(HWND hwnd);

}  // namespace ui::detail
