#include "ui/window.h"

#include "copy_data_internal.h"
#include "handle_table.h"
#include "icon_internal.h"
#include "message_queue_internal.h"
#include "text_conversion.h"
#include "window_class_internal.h"
#include "window_events.h"
#include "window_state.h"
#include "ui/message_queue.h"
#include "ui/window_class.h"
#include "ui/window_styles.h"
#include "ui/window_functions.h"
#include "ui/window_messages.h"
#include "winapi/errors.h"

#include <QApplication>
#include <QFrame>
#include <QWidget>

#include <algorithm>

namespace ui {
namespace detail {

bool WidgetsAvailable() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) return true;
    // Without the application (a program that never made one) a widget
    // would end the process: creating the window fails instead.
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
}

int CopyToBuffer(const std::u16string& text, LPWSTR buffer, int size) {
    if (!buffer || size <= 0) return 0;
    int count = std::min<int>(static_cast<int>(text.size()), size - 1);
    std::copy_n(text.data(), count, buffer);
    buffer[count] = u'\0';
    return count;
}

namespace {

// A plain window's widget: a frame, so WS_BORDER and WS_EX_CLIENTEDGE can
// draw one (none at first). Its events reach the window as messages
// (window_events.h), closing it from the title bar too.
class PlainWindowWidget : public QFrame {
public:
    PlainWindowWidget(QWidget* parent, Qt::WindowFlags flags) : QFrame(parent, flags) {}
};

}  // namespace
}  // namespace detail

using namespace detail;

void DestroyWindowObject(Window& window) {
    HWND hwnd = window.handle_;
    if (!hwnd) return;
    if (WindowState* state = StateOf(hwnd)) state->destroying = true;
    // Owned top-level windows go first, as their owner still exists.
    for (HWND other : AllWindows()) {
        Window* owned = LookupWindow(other);
        if (owned && owned->parent_ == hwnd && !owned->child_) DestroyWindowObject(*owned);
    }
    // A parent being destroyed itself is not told of its children going.
    WindowState* parentState = window.child_ ? StateOf(window.parent_) : nullptr;
    if (parentState && !parentState->destroying) {
        WindowState* state = StateOf(hwnd);
        if (!state || !(state->exStyle & WS_EX_NOPARENTNOTIFY))
            SendMessageW(window.parent_, WM_PARENTNOTIFY,
                         MAKEWPARAM(WM_DESTROY, static_cast<WORD>(state ? state->id : 0)),
                         reinterpret_cast<LPARAM>(hwnd));
    }
    window.WindowProc(WM_DESTROY, 0, 0);
    for (HWND other : AllWindows()) {
        Window* child = LookupWindow(other);
        if (child && child->parent_ == hwnd && child->child_) DestroyWindowObject(*child);
    }
    window.listener_.reset();
    KillTimersOf(hwnd);
    DiscardMessagesFor(hwnd);
    RemoveWindow(hwnd);
    window.handle_ = nullptr;
    WindowDestroyed(hwnd);
    if (QWidget* widget = window.widget_) {
        window.widget_ = nullptr;
        // The widget may be the one whose event handler is running now (a
        // button that closes its dialog), so it goes when Qt is back in
        // its loop. Its handlers find no window behind their handle.
        widget->hide();
        widget->deleteLater();
    }
    // The window's last message: objects that delete themselves with their
    // window (the framework's frames and views) may do so here, so nothing
    // touches the object after it.
    window.WindowProc(WM_NCDESTROY, 0, 0);
}

Window::Window() = default;

Window::~Window() { DestroyWindowObject(*this); }

HWND Window::Attach(QWidget* widget, HWND parent, bool child, std::u16string className) {
    if (handle_) return nullptr;
    HWND hwnd = AddWindow(this);
    if (!hwnd) {
        delete widget;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    handle_ = hwnd;
    widget_ = widget;
    parent_ = parent;
    child_ = child;
    className_ = std::move(className);
    InitWindowState(hwnd, child);
    ApplyClassOf(hwnd, className_);
    if (widget) WatchWindowEvents(widget, hwnd);
    return hwnd;
}

HWND Window::Create(HWND parent, std::u16string className, const RECT& rect, DWORD style, std::u16string_view title,
                    DWORD exStyle, LONG_PTR id, LPVOID createParams, HINSTANCE instance) {
    if (handle_ || !WidgetsAvailable()) return nullptr;
    bool child = (style & WS_CHILD) != 0;
    QWidget* parentWidget = nullptr;
    if (parent) {
        Window* parentWindow = WindowOrError(parent);
        if (!parentWindow || !parentWindow->Widget()) return nullptr;
        parentWidget = child ? parentWindow->ClientWidget() : parentWindow->Widget();
    } else if (child) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* widget = new PlainWindowWidget(parentWidget, child ? Qt::Widget : Qt::Window);
    widget->setGeometry(rect.left, rect.top, std::max<LONG>(rect.right - rect.left, 0),
                        std::max<LONG>(rect.bottom - rect.top, 0));
    widget->setWindowTitle(ToQString(title));
    widget->setEnabled((style & WS_DISABLED) == 0);
    HWND hwnd = Attach(widget, parent, child, std::move(className));
    if (!hwnd) return nullptr;
    if (WindowState* state = StateOf(hwnd)) {
        state->style = style | (child ? WS_CHILD : 0);
        state->exStyle = exStyle;
        state->id = id;
    }
    ApplyStyles(hwnd);
    // A registered class's icon is the window's until WM_SETICON changes it.
    if (HICON icon = ClassIcon(className_.c_str())) SetWindowIcon(widget, ICON_BIG, icon);
    std::u16string titleText(title);
    CREATESTRUCTW create{createParams,
                         instance,
                         reinterpret_cast<HMENU>(id),
                         parent,
                         static_cast<int>(rect.bottom - rect.top),
                         static_cast<int>(rect.right - rect.left),
                         static_cast<int>(rect.top),
                         static_cast<int>(rect.left),
                         static_cast<LONG>(style),
                         titleText.c_str(),
                         className_.c_str(),
                         exStyle};
    if (SendMessageW(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        if (IsWindow(hwnd)) DestroyWindow(hwnd);
        return nullptr;
    }
    if (!IsWindow(hwnd)) return nullptr;
    if (style & WS_VISIBLE) widget->show();
    if (child && !(exStyle & WS_EX_NOPARENTNOTIFY))
        SendMessageW(parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, static_cast<WORD>(id)),
                     reinterpret_cast<LPARAM>(hwnd));
    return IsWindow(hwnd) ? hwnd : nullptr;
}

LRESULT Window::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return handle_ ? DefWindowProcW(handle_, message, wParam, lParam) : 0;
}

std::u16string Window::Text() const { return widget_ ? FromQString(widget_->windowTitle()) : std::u16string(); }

void Window::SetText(std::u16string_view text) {
    if (widget_) widget_->setWindowTitle(ToQString(text));
}

}  // namespace ui
