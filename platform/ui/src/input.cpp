#include "ui/input.h"

#include "handle_table.h"
#include "input_internal.h"
#include "virtual_keys.h"
#include "window_events.h"
#include "ui/message_queue.h"
#include "ui/window.h"
#include "ui/window_functions.h"
#include "ui/window_messages.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>

#include <utility>

namespace ui::detail {

namespace {

ui::KeyStateSource& Source() {
    static ui::KeyStateSource source;
    return source;
}

bool DefaultKeyDown(int key) {
    if (!QCoreApplication::instance()) return false;
    switch (key) {
    case VK_SHIFT:
        return QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier;
    case VK_CONTROL:
        return QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier;
    case VK_MENU:
        return QGuiApplication::queryKeyboardModifiers() & Qt::AltModifier;
    case VK_LBUTTON:
        return QGuiApplication::mouseButtons() & Qt::LeftButton;
    case VK_RBUTTON:
        return QGuiApplication::mouseButtons() & Qt::RightButton;
    case VK_MBUTTON:
        return QGuiApplication::mouseButtons() & Qt::MiddleButton;
    default:
        return KeyNotedDown(key);
    }
}

SHORT KeyState(int key) {
    bool down = Source() ? Source()(key) : DefaultKeyDown(key);
    return down ? static_cast<SHORT>(0x8000) : 0;
}

HWND captureWindow = nullptr;

QWidget* WidgetOf(HWND hwnd) {
    Window* window = WindowOrError(hwnd);
    return window ? window->Widget() : nullptr;
}

}  // namespace

void ForgetCapture(HWND hwnd) {
    if (captureWindow != hwnd) return;
    captureWindow = nullptr;
    if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
}

}  // namespace ui::detail

using namespace ui::detail;

SHORT GetKeyState(int virtualKey) { return KeyState(virtualKey); }
SHORT GetAsyncKeyState(int virtualKey) { return KeyState(virtualKey); }

HWND GetFocus() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return nullptr;
    return WindowOfWidget(QApplication::focusWidget());
}

HWND SetFocus(HWND hwnd) {
    HWND previous = GetFocus();
    if (!hwnd) {
        if (QWidget* focus = QApplication::focusWidget()) focus->clearFocus();
        return previous;
    }
    QWidget* widget = WidgetOf(hwnd);
    if (!widget) return nullptr;
    widget->setFocus(Qt::OtherFocusReason);
    return previous;
}

HWND SetCapture(HWND hwnd) {
    QWidget* widget = WidgetOf(hwnd);
    if (!widget) return nullptr;
    HWND previous = IsWindow(captureWindow) ? captureWindow : nullptr;
    if (previous == hwnd) return previous;
    captureWindow = hwnd;
    widget->grabMouse();
    if (previous) SendMessageW(previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
    return previous;
}

BOOL ReleaseCapture() {
    HWND previous = IsWindow(captureWindow) ? captureWindow : nullptr;
    captureWindow = nullptr;
    if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
    if (previous) SendMessageW(previous, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture() {
    if (IsWindow(captureWindow)) return captureWindow;
    return nullptr;
}

BOOL GetCursorPos(POINT* point) {
    if (!point || !QCoreApplication::instance()) return FALSE;
    QPoint position = QCursor::pos();
    *point = POINT{position.x(), position.y()};
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    if (!QCoreApplication::instance()) return FALSE;
    QCursor::setPos(x, y);
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* point) {
    QWidget* widget = WidgetOf(hwnd);
    if (!widget || !point) return FALSE;
    QPoint mapped = widget->mapFromGlobal(QPoint(point->x, point->y));
    *point = POINT{mapped.x(), mapped.y()};
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* point) {
    QWidget* widget = WidgetOf(hwnd);
    if (!widget || !point) return FALSE;
    QPoint mapped = widget->mapToGlobal(QPoint(point->x, point->y));
    *point = POINT{mapped.x(), mapped.y()};
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
    QPoint origin(0, 0);
    if (from) {
        QWidget* widget = WidgetOf(from);
        if (!widget) return 0;
        origin = widget->mapToGlobal(QPoint(0, 0));
    }
    QPoint target(0, 0);
    if (to) {
        QWidget* widget = WidgetOf(to);
        if (!widget) return 0;
        target = widget->mapToGlobal(QPoint(0, 0));
    }
    QPoint offset = origin - target;
    for (UINT i = 0; points && i < count; ++i) {
        points[i].x += offset.x();
        points[i].y += offset.y();
    }
    return MAKELONG(static_cast<WORD>(static_cast<short>(offset.x())),
                    static_cast<WORD>(static_cast<short>(offset.y())));
}

namespace ui {

KeyStateSource SetKeyStateSource(KeyStateSource source) { return std::exchange(Source(), std::move(source)); }

}  // namespace ui
