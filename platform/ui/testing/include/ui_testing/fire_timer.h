// Delivering a window's timer in a test without waiting for it.
#pragma once

#include "ui/window_types.h"

namespace ui_testing {

// Delivers the WM_TIMER of the window's timer `id` now, as if it had
// elapsed (a waiting WM_TIMER of it is taken from the queue first). Fails
// the test when that timer is not running (never set, killed, or gone with
// its window).
void FireTimer(HWND hwnd, UINT_PTR id);

}  // namespace ui_testing
