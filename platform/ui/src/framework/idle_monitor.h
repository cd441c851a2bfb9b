// The idle pass: when the GUI thread's loop is about to wait and something
// happened since the last pass (input, a posted message, a command), the
// application's OnIdle runs - at most every 100 ms, from a single-shot
// timer. A loop that waits with nothing new runs no pass and no timer, so an
// idle program uses no CPU.
#pragma once

namespace ui::detail {

// Starts watching the loop (once; needs the QApplication).
void EnsureIdleMonitor();
// The passes run so far (tests count them).
int IdlePassCount();
// Runs the pass's work: CWinApp::OnIdle, or without an application the
// frames' update-UI (WM_IDLEUPDATECMDUI to every frame window).
void RunIdlePass();
// Sends WM_IDLEUPDATECMDUI (TRUE) to every frame window that is visible.
void SendIdleUpdateToFrames();

}  // namespace ui::detail
