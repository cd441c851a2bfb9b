#include "window_state.h"

#include "input_internal.h"
#include "window_class_internal.h"
#include "window_events.h"
#include "ui/window.h"

#include <unordered_map>

namespace ui::detail {
namespace {

std::unordered_map<HWND, WindowState>& States() {
    static std::unordered_map<HWND, WindowState> states;
    return states;
}

}  // namespace

WindowState* StateOf(HWND hwnd) {
    auto found = States().find(hwnd);
    return found == States().end() ? nullptr : &found->second;
}

WindowState& InitWindowState(HWND hwnd, bool child) {
    WindowState& state = States()[hwnd];
    state = WindowState{};
    state.style = child ? WS_CHILD : WS_OVERLAPPED;
    return state;
}

void ForgetWindowState(HWND hwnd) { States().erase(hwnd); }

void WindowDestroyed(HWND hwnd) {
    StopWatchingWindow(hwnd);
    ForgetCapture(hwnd);
    ForgetWindowState(hwnd);
    ReleaseLayerOwnedWindow(hwnd);
}

}  // namespace ui::detail
