// The process's window handle table: HWND -> the ui::Window it names.
#pragma once

#include "ui/window.h"

#include <vector>

namespace ui::detail {

// A new handle for `window`: 32-bit, never null, never reused. Null when the
// handle space is used up.
HWND AddWindow(Window* window);
void RemoveWindow(HWND hwnd);
Window* LookupWindow(HWND hwnd);
// Every window in order of creation.
std::vector<HWND> AllWindows();

// The window a handle names; else null with the last error
// ERROR_INVALID_WINDOW_HANDLE.
Window* WindowOrError(HWND hwnd);

}  // namespace ui::detail
