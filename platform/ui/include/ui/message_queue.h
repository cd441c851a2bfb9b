// The thread's message queue over Qt's event loop.
//
// SendMessageW calls the window's WindowProc at once. PostMessageW appends
// the message to the layer's own queue and posts a Qt event that dispatches
// the front of that queue when Qt's loop (any loop: the application's, a
// modal dialog's exec, a pump) gets to it; so posted messages arrive in the
// order they were posted, also inside modal loops. PeekMessageW takes from
// the same queue, after letting Qt deliver its waiting input, paint and
// timer events.
//
// WM_QUIT is never queued: PostQuitMessage records the request, and the
// application's loop (ui::Application::Run) or PeekMessageW hands it out
// once no other posted message is waiting. A pump that takes it must post
// it again so the loop above still ends: ui::PumpWaitingMessages does.
//
// Everything runs on the GUI thread; the queue also works without a
// QApplication (then only PeekMessageW delivers).
#pragma once

#include "ui/window_types.h"

#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001

LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// FALSE (last error ERROR_INVALID_WINDOW_HANDLE) when hwnd is not a window
// of this process. A null hwnd posts a thread message, which
// DispatchMessageW does not deliver.
BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Takes the first waiting message for hwnd (null: any window or none) whose
// id lies in [filterMin, filterMax] (0, 0: any) and fills *msg; FALSE when
// none waits. PM_REMOVE removes it from the queue (a WM_QUIT too: the quit
// request is then taken).
BOOL PeekMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
// Keyboard translation is Qt's: nothing to do. Kept for the callers' loops.
BOOL TranslateMessage(const MSG* msg);
// Calls the message's window's WindowProc (or a WM_TIMER's TIMERPROC).
LRESULT DispatchMessageW(const MSG* msg);
// Asks the application's loop to end with `exitCode`.
void PostQuitMessage(int exitCode);

// The same id for the same name (compared without case), always within
// 0xC000-0xFFFF; 0 for a null or empty name or when the ids are used up.
// Ids are the process's own.
UINT RegisterWindowMessageW(LPCWSTR name);

namespace ui {

// Delivers every message waiting now (input, paint, timers, posted
// messages) and returns when the queue is empty. A quit request met on the
// way is posted again, not lost, and ends the pump.
void PumpWaitingMessages();

}  // namespace ui
