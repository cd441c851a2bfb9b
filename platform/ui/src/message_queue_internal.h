// The message queue's inner calls for the rest of the layer.
#pragma once

#include "ui/window_types.h"

namespace ui::detail {

// Appends a message and wakes Qt's loop to dispatch it.
void Enqueue(const MSG& msg);
// Drops every waiting message for hwnd (a destroyed window).
void DiscardMessagesFor(HWND hwnd);
// Drops the waiting WM_TIMER of one timer.
void DiscardTimerMessage(HWND hwnd, UINT_PTR idEvent);
// Takes a waiting quit request: true with its exit code.
bool TakeQuitRequest(int* exitCode);
// Empties the queue and forgets a quit request (between tests).
void ResetQueue();
// Milliseconds since the layer started (MSG::time, WM_TIMER's time).
DWORD TickCount();

// Told by the queue when a timer's WM_TIMER leaves it (ui/timers.cpp).
void TimerMessageTaken(HWND hwnd, UINT_PTR idEvent);
// Stops every timer of a destroyed window.
void KillTimersOf(HWND hwnd);
// Delivers the timer's WM_TIMER now (its waiting one is taken from the
// queue), as if it had elapsed; false when the timer is not running.
bool FireTimerNow(HWND hwnd, UINT_PTR idEvent);

}  // namespace ui::detail
