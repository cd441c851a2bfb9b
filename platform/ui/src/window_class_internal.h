// The window classes' part in making and destroying windows.
#pragma once

#include "ui/window_types.h"

#include <string>

namespace ui::detail {

// Gives a new window its registered class's style and brush (nothing for a
// class that is not registered).
void ApplyClassOf(HWND hwnd, const std::u16string& className);
// Frees, once Qt is back in its loop, a destroyed window that
// CreateWindowExW made; nothing for other windows.
void ReleaseLayerOwnedWindow(HWND hwnd);

}  // namespace ui::detail
