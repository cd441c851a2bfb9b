// Centring a window over its owner, and the screens' work areas.
#pragma once

#include "ui/window_types.h"

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
