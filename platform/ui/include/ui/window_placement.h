// Centring a window over its owner, and the screens' work areas.
#pragma once

#include "ui/window_types.h"

// A top-level window's state and normal (restored) rectangle, as the
// system saves and restores its frames.
struct WINDOWPLACEMENT {
    UINT length;  // sizeof(WINDOWPLACEMENT), 44: set before either call
    UINT flags;
    UINT showCmd;  // SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED
    POINT ptMinPosition;
    POINT ptMaxPosition;
    RECT rcNormalPosition;  // the restored client rectangle, screen coordinates
};
static_assert(sizeof(WINDOWPLACEMENT) == 44);

// FALSE for no window, a null record or a wrong length.
BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* placement);
// Gives the window its normal rectangle, then the state of showCmd (as
// ShowWindow).
BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* placement);

namespace ui {

// The work area (the screen without panels and docks) of the screen
// nearest to the window, or of the primary screen for a null hwnd.
RECT NearestWorkArea(HWND hwnd);

// Where a window of rectangle `window` goes when centred over `owner`, or
// in `workArea` when `owner` is null. Either way the result is moved
// inside `workArea` (its top-left corner wins when the window is larger).
RECT CenteredRect(const RECT& window, const RECT* owner, const RECT& workArea);

// Centres the window over `owner` (null: the window's own owner or
// parent). When there is no owner, or it is hidden or minimised, the
// window is centred in the work area of the nearest screen instead. The
// window stays inside the work area of the screen nearest to what it is
// centred on. A child window is centred over its parent's client area.
bool CenterWindow(HWND hwnd, HWND owner = nullptr);

}  // namespace ui
