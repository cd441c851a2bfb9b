#include "ui/window_styles.h"

#include "handle_table.h"
#include "window_state.h"
#include "ui/message_queue.h"
#include "ui/window_functions.h"
#include "ui/window_messages.h"
#include "winapi/errors.h"

#include <QFrame>
#include <QWidget>

namespace ui::detail {

void ApplyStyleChange(HWND hwnd, DWORD oldStyle, DWORD oldExStyle) {
    Window* window = LookupWindow(hwnd);
    WindowState* state = StateOf(hwnd);
    if (!window || !state || !window->Widget()) return;
    QWidget* widget = window->Widget();
    DWORD changed = oldStyle ^ state->style;
    DWORD changedEx = oldExStyle ^ state->exStyle;
    if (auto* frame = qobject_cast<QFrame*>(widget);
        frame && ((changed & WS_BORDER) || (changedEx & WS_EX_CLIENTEDGE))) {
        if (state->exStyle & WS_EX_CLIENTEDGE) {
            frame->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        } else if (state->style & WS_BORDER) {
            frame->setFrameStyle(QFrame::Box | QFrame::Plain);
            frame->setLineWidth(1);
        } else {
            frame->setFrameStyle(QFrame::NoFrame);
        }
    }
    if (changed & WS_TABSTOP) {
        int policy = widget->focusPolicy();
        policy = (state->style & WS_TABSTOP) ? (policy | Qt::TabFocus) : (policy & ~Qt::TabFocus);
        widget->setFocusPolicy(static_cast<Qt::FocusPolicy>(policy));
    }
}

}  // namespace ui::detail

using namespace ui::detail;

namespace {

DWORD CurrentStyle(ui::Window& window, const WindowState& state) {
    DWORD style = state.style & ~(WS_VISIBLE | WS_DISABLED | WS_MINIMIZE | WS_MAXIMIZE);
    QWidget* widget = window.Widget();
    if (!widget) return state.style;
    // A child is visible when it would show with its parent.
    bool visible = widget->isWindow() ? widget->isVisible() : widget->isVisibleTo(widget->parentWidget());
    if (visible) style |= WS_VISIBLE;
    if (widget->testAttribute(Qt::WA_ForceDisabled)) style |= WS_DISABLED;
    if (widget->isWindow() && widget->isMinimized()) style |= WS_MINIMIZE;
    if (widget->isWindow() && widget->isMaximized()) style |= WS_MAXIMIZE;
    return style;
}

LONG_PTR SetStyle(HWND hwnd, int index, DWORD value) {
    ui::Window* window = WindowOrError(hwnd);
    WindowState* state = StateOf(hwnd);
    if (!window || !state) return 0;
    DWORD oldStyle = CurrentStyle(*window, *state);
    DWORD oldExStyle = state->exStyle;
    DWORD old = index == GWL_STYLE ? oldStyle : oldExStyle;
    if (index == GWL_STYLE) {
        // WS_CHILD is what the window is; it cannot be changed here.
        state->style = (value & ~WS_CHILD) | (oldStyle & WS_CHILD);
        if (QWidget* widget = window->Widget()) {
            if ((oldStyle ^ value) & WS_DISABLED) widget->setEnabled((value & WS_DISABLED) == 0);
            if ((oldStyle ^ value) & WS_VISIBLE) widget->setVisible((value & WS_VISIBLE) != 0);
        }
    } else {
        state->exStyle = value;
    }
    ApplyStyleChange(hwnd, oldStyle, oldExStyle);
    STYLESTRUCT change{old, value};
    SendMessageW(hwnd, WM_STYLECHANGED, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&change));
    return static_cast<LONG>(old);
}

}  // namespace

LONG_PTR GetWindowLongPtrW(HWND hwnd, int index) {
    ui::Window* window = WindowOrError(hwnd);
    WindowState* state = StateOf(hwnd);
    if (!window || !state) return 0;
    switch (index) {
    case GWL_STYLE:
        return static_cast<LONG>(CurrentStyle(*window, *state));
    case GWL_EXSTYLE:
        return static_cast<LONG>(state->exStyle);
    case GWL_ID:
        return state->id;
    case GWLP_USERDATA:
        return state->userData;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
}

LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value) {
    WindowState* state = WindowOrError(hwnd) ? StateOf(hwnd) : nullptr;
    if (!state) return 0;
    switch (index) {
    case GWL_STYLE:
    case GWL_EXSTYLE:
        return SetStyle(hwnd, index, static_cast<DWORD>(value));
    case GWL_ID:
        return std::exchange(state->id, value);
    case GWLP_USERDATA:
        return std::exchange(state->userData, value);
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
}

LONG GetWindowLongW(HWND hwnd, int index) { return static_cast<LONG>(GetWindowLongPtrW(hwnd, index)); }

LONG SetWindowLongW(HWND hwnd, int index, LONG value) {
    LONG_PTR wide =
        (index == GWL_STYLE || index == GWL_EXSTYLE) ? static_cast<LONG_PTR>(static_cast<DWORD>(value)) : value;
    return static_cast<LONG>(SetWindowLongPtrW(hwnd, index, wide));
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
    ui::Window* window = WindowOrError(hwnd);
    if (!window || !window->Widget() || !rect) return FALSE;
    QSize size = window->Widget()->contentsRect().size();
    *rect = RECT{0, 0, size.width(), size.height()};
    return TRUE;
}

namespace ui {

namespace {

// The one change of a style word: FALSE when nothing changes.
BOOL ModifyStyleWord(HWND hwnd, int index, DWORD remove, DWORD add) {
    if (!WindowOrError(hwnd)) return FALSE;
    auto old = static_cast<DWORD>(GetWindowLongW(hwnd, index));
    DWORD style = (old & ~remove) | add;
    if (style == old) return FALSE;
    SetWindowLongW(hwnd, index, static_cast<LONG>(style));
    return TRUE;
}

}  // namespace

BOOL ModifyStyle(HWND hwnd, DWORD remove, DWORD add) { return ModifyStyleWord(hwnd, GWL_STYLE, remove, add); }

BOOL ModifyStyleEx(HWND hwnd, DWORD remove, DWORD add) { return ModifyStyleWord(hwnd, GWL_EXSTYLE, remove, add); }

}  // namespace ui
