#include "handle_table.h"
#include "window_events.h"
#include "window_state.h"
#include "ui/window.h"
#include "ui/window_functions.h"

#include <QApplication>
#include <QWidget>

using namespace ui::detail;

namespace {

bool HaveWidgets() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

}  // namespace

HWND GetActiveWindow() { return HaveWidgets() ? WindowOfWidget(QApplication::activeWindow()) : nullptr; }

HWND SetActiveWindow(HWND hwnd) {
    ui::Window* window = WindowOrError(hwnd);
    if (!window || !window->Widget()) return nullptr;
    HWND previous = GetActiveWindow();
    QWidget* topLevel = window->Widget()->window();
    topLevel->activateWindow();
    topLevel->raise();
    return previous;
}

HWND GetForegroundWindow() { return GetActiveWindow(); }

BOOL SetForegroundWindow(HWND hwnd) {
    ui::Window* window = WindowOrError(hwnd);
    if (!window || !window->Widget()) return FALSE;
    SetActiveWindow(hwnd);
    return TRUE;
}

HWND GetLastActivePopup(HWND hwnd) {
    WindowState* state = WindowOrError(hwnd) ? StateOf(hwnd) : nullptr;
    if (!state) return nullptr;
    HWND popup = state->lastActivePopup;
    ui::Window* window = LookupWindow(popup);
    if (window && window->Widget() && window->Widget()->isVisible() && window->Widget()->isEnabled()) return popup;
    return hwnd;
}
