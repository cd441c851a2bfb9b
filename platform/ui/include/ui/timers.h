// Window timers over Qt timers. A timer puts WM_TIMER in the queue when it
// elapses, at most one at a time per timer, as the system expects: a slow
// handler is not flooded with the ticks it missed.
#pragma once

#include "ui/window_types.h"

// Starts (or, for the same hwnd and id, restarts) a timer of `elapseMs`
// milliseconds (at least 10). With a window the result is `idEvent` and
// WM_TIMER goes to the window (or to `timerProc` when given); without a
// window, a new id is made and `timerProc` is called. 0 when hwnd is not a
// window or a window-less timer has no procedure.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR idEvent, UINT elapseMs, TIMERPROC timerProc);
// Stops the timer and removes its WM_TIMER still waiting in the queue.
// FALSE when there is no such timer.
BOOL KillTimer(HWND hwnd, UINT_PTR idEvent);
