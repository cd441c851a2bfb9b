#include "ui/window.h"

#include "copy_data_internal.h"
#include "handle_table.h"
#include "icon_internal.h"
#include "message_queue_internal.h"
#include "text_conversion.h"
#include "ui/message_queue.h"
#include "ui/window_functions.h"
#include "ui/window_messages.h"
#include "winapi/errors.h"

#include <QApplication>
#include <QCloseEvent>
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

// A plain window's widget: closing it from the title bar is a WM_CLOSE
// for the window to handle.
class PlainWindowWidget : public QWidget {
public:
    PlainWindowWidget(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {}
    HWND hwnd = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        if (IsWindow(hwnd)) SendMessageW(hwnd, WM_CLOSE, 0, 0);
    }
};

}  // namespace
}  // namespace detail

using namespace detail;

void DestroyWindowObject(Window& window) {
    HWND hwnd = window.handle_;
    if (!hwnd) return;
    // Owned top-level windows go first, as their owner still exists.
    for (HWND other : AllWindows()) {
        Window* owned = LookupWindow(other);
        if (owned && owned->parent_ == hwnd && !owned->child_) DestroyWindowObject(*owned);
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
    return hwnd;
}

HWND Window::Create(HWND parent, std::u16string className, const RECT& rect, DWORD style, std::u16string_view title) {
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
    widget->hwnd = hwnd;
    if (WindowProc(WM_CREATE, 0, 0) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if (style & WS_VISIBLE) widget->show();
    return hwnd;
}

LRESULT Window::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) DestroyWindow(handle_);
    if (message == WM_SETICON && widget_)
        return reinterpret_cast<LRESULT>(SetWindowIcon(widget_, wParam, reinterpret_cast<HICON>(lParam)));
    return 0;
}

std::u16string Window::Text() const { return widget_ ? FromQString(widget_->windowTitle()) : std::u16string(); }

void Window::SetText(std::u16string_view text) {
    if (widget_) widget_->setWindowTitle(ToQString(text));
}

}  // namespace ui
