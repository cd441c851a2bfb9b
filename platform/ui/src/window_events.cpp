#include "window_events.h"

#include "device_context_internal.h"
#include "handle_table.h"
#include "virtual_keys.h"
#include "window_state.h"
#include "ui/input.h"
#include "ui/message_queue.h"
#include "ui/window.h"
#include "ui/window_functions.h"
#include "ui/window_messages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QHash>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QWheelEvent>
#include <QWidget>

namespace ui::detail {
namespace {

// The message being translated from a Qt event now, innermost first: a
// handler's DefWindowProcW marks it as passed on to Qt.
struct EventFrame {
    HWND hwnd;
    UINT message;
    bool passed;
    EventFrame* outer;
};
EventFrame* innermostFrame = nullptr;

struct Sent {
    LRESULT result;
    bool passed;  // WindowProc handed it to DefWindowProcW
};

Sent SendFromEvent(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    EventFrame frame{hwnd, message, false, innermostFrame};
    innermostFrame = &frame;
    LRESULT result = SendMessageW(hwnd, message, wParam, lParam);
    innermostFrame = frame.outer;
    return Sent{result, frame.passed};
}

LPARAM PackPoint(const QPoint& point) {
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(point.x())),
                      static_cast<WORD>(static_cast<short>(point.y())));
}

WPARAM MouseKeys(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    WPARAM keys = 0;
    if (buttons & Qt::LeftButton) keys |= MK_LBUTTON;
    if (buttons & Qt::RightButton) keys |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton) keys |= MK_MBUTTON;
    if (modifiers & Qt::ShiftModifier) keys |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier) keys |= MK_CONTROL;
    return keys;
}

// The message of a mouse button event; 0 for a button the system has no
// message for.
UINT ButtonMessage(QEvent::Type type, Qt::MouseButton button, bool doubleClicks) {
    int base = button == Qt::LeftButton     ? WM_LBUTTONDOWN
               : button == Qt::RightButton  ? WM_RBUTTONDOWN
               : button == Qt::MiddleButton ? WM_MBUTTONDOWN
                                            : 0;
    if (!base) return 0;
    switch (type) {
    case QEvent::MouseButtonPress:
        return base;
    case QEvent::MouseButtonRelease:
        return base + 1;
    case QEvent::MouseButtonDblClick:
        // Without CS_DBLCLKS the second press is a plain press.
        return doubleClicks ? base + 2 : base;
    default:
        return 0;
    }
}

HWND TopLevelOf(HWND hwnd) {
    for (Window* window = LookupWindow(hwnd); window; window = LookupWindow(window->Parent())) {
        if (!window->IsChild()) return window->Handle();
    }
    return hwnd;
}

class WindowEventFilter : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Each widget whose events are translated, and its window.
    QHash<const QObject*, HWND> sources;

private:
    bool Paint(HWND hwnd, QWidget* source, QPaintEvent* event);
    bool Mouse(HWND hwnd, Window& window, QWidget* source, QMouseEvent* event);
    bool Wheel(HWND hwnd, QWheelEvent* event);
    bool Key(HWND hwnd, QKeyEvent* event);
    void Activation(HWND hwnd, bool active);
};

WindowEventFilter& Filter() {
    // Lives to the end of the process: widgets may be deleted late.
    static auto* filter = new WindowEventFilter;
    return *filter;
}

HWND previousFocus = nullptr;  // the window that last lost the focus

bool WindowEventFilter::eventFilter(QObject* watched, QEvent* event) {
    auto found = sources.constFind(watched);
    if (found == sources.constEnd()) return false;
    HWND hwnd = found.value();
    Window* window = LookupWindow(hwnd);
    if (!window || !window->Widget()) return false;
    auto* source = static_cast<QWidget*>(watched);
    QWidget* widget = window->Widget();
    bool own = source == widget;

    switch (event->type()) {
    case QEvent::Paint:
        return Paint(hwnd, source, static_cast<QPaintEvent*>(event));
    case QEvent::Resize: {
        if (!own) return false;
        WPARAM kind = widget->isWindow() && widget->isMinimized()   ? SIZE_MINIMIZED
                      : widget->isWindow() && widget->isMaximized() ? SIZE_MAXIMIZED
                                                                    : SIZE_RESTORED;
        QSize client = widget->contentsRect().size();
        SendFromEvent(hwnd, WM_SIZE, kind, MAKELPARAM(client.width(), client.height()));
        return false;
    }
    case QEvent::Move: {
        if (!own) return false;
        QPoint origin = widget->isWindow() ? widget->geometry().topLeft() : widget->pos();
        SendFromEvent(hwnd, WM_MOVE, 0, PackPoint(origin));
        return false;
    }
    case QEvent::Close:
        if (!own) return false;
        // Only the window's code closes it (the default destroys it).
        event->ignore();
        SendFromEvent(hwnd, WM_CLOSE, 0, 0);
        return true;
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
        if (own && widget->isWindow()) Activation(hwnd, event->type() == QEvent::WindowActivate);
        return false;
    case QEvent::FocusIn:
        if (own)
            SendFromEvent(hwnd, WM_SETFOCUS,
                          reinterpret_cast<WPARAM>(IsWindow(previousFocus) ? previousFocus : nullptr), 0);
        return false;
    case QEvent::FocusOut:
        if (own) {
            previousFocus = hwnd;
            SendFromEvent(hwnd, WM_KILLFOCUS, reinterpret_cast<WPARAM>(WindowOfWidget(QApplication::focusWidget())), 0);
        }
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        return Mouse(hwnd, *window, source, static_cast<QMouseEvent*>(event));
    case QEvent::Wheel:
        return Wheel(hwnd, static_cast<QWheelEvent*>(event));
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return Key(hwnd, static_cast<QKeyEvent*>(event));
    case QEvent::ContextMenu: {
        auto* menu = static_cast<QContextMenuEvent*>(event);
        LPARAM point =
            menu->reason() == QContextMenuEvent::Keyboard ? MAKELPARAM(0xFFFF, 0xFFFF) : PackPoint(menu->globalPos());
        if (SendFromEvent(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), point).passed) return false;
        event->accept();
        return true;
    }
    default:
        return false;
    }
}

bool WindowEventFilter::Paint(HWND hwnd, QWidget* source, QPaintEvent* event) {
    PaintSession session(hwnd, source, event->rect());
    Sent erase = SendFromEvent(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(session.Dc()), 0);
    if (!IsWindow(hwnd)) return true;
    session.erased = erase.result != 0;
    Sent paint = SendFromEvent(hwnd, WM_PAINT, 0, 0);
    // Qt paints the widget itself only with no painter of ours on it.
    session.EndPainter();
    return !paint.passed || !IsWindow(hwnd);
}

bool WindowEventFilter::Mouse(HWND hwnd, Window& window, QWidget* source, QMouseEvent* event) {
    QPoint client = event->position().toPoint();
    if (source != window.Widget()) client = source->mapTo(window.Widget(), client);
    WPARAM keys = MouseKeys(event->buttons(), event->modifiers());
    UINT message = WM_MOUSEMOVE;
    if (event->type() != QEvent::MouseMove) {
        WindowState* state = StateOf(hwnd);
        message = ButtonMessage(event->type(), event->button(), !state || state->doubleClicks);
        if (!message) return false;
    }
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN) {
        // A press first asks the window (and through DefWindowProcW its
        // parents) whether it activates and whether the press is eaten.
        LRESULT activate = SendFromEvent(hwnd, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(TopLevelOf(hwnd)),
                                         MAKELPARAM(HTCLIENT, message))
                               .result;
        if (activate == MA_ACTIVATEANDEAT || activate == MA_NOACTIVATEANDEAT || !IsWindow(hwnd)) {
            event->accept();
            return true;
        }
    }
    if (SendFromEvent(hwnd, message, keys, PackPoint(client)).passed && IsWindow(hwnd)) return false;
    event->accept();
    return true;
}

bool WindowEventFilter::Wheel(HWND hwnd, QWheelEvent* event) {
    int delta = event->angleDelta().y();
    if (delta == 0) return false;  // a horizontal wheel: Qt's own
    WPARAM keys = MouseKeys(event->buttons(), event->modifiers());
    Sent sent = SendFromEvent(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(keys, static_cast<WORD>(static_cast<short>(delta))),
                              PackPoint(event->globalPosition().toPoint()));
    if (sent.passed && IsWindow(hwnd)) return false;
    event->accept();
    return true;
}

bool WindowEventFilter::Key(HWND hwnd, QKeyEvent* event) {
    // A key goes to the window with the focus; Qt hands a key its widget
    // ignored on to the parents, which the window's code does not expect
    // (a dialog's Enter comes to the dialog that way, as Qt's own).
    HWND focus = WindowOfWidget(QApplication::focusWidget());
    if (focus && focus != hwnd) return false;
    int key = VirtualKeyOf(*event);
    bool down = event->type() == QEvent::KeyPress;
    if (key) NoteKeyTransition(key, down);
    bool alt = (event->modifiers() & Qt::AltModifier) != 0;
    bool passed = true;
    if (key) {
        UINT message = down ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt ? WM_SYSKEYUP : WM_KEYUP);
        // Repeat count 1; bit 30 the key was down before, bit 31 it goes up.
        DWORD flags = 1u | (down ? (event->isAutoRepeat() ? (1u << 30) : 0u) : (3u << 30));
        passed = SendFromEvent(hwnd, message, static_cast<WPARAM>(key), static_cast<LPARAM>(flags)).passed;
    }
    if (down && !alt && IsWindow(hwnd)) {
        for (QChar unit : event->text()) passed = SendFromEvent(hwnd, WM_CHAR, unit.unicode(), 1).passed && passed;
    }
    if (passed && IsWindow(hwnd)) return false;
    event->accept();
    return true;
}

void WindowEventFilter::Activation(HWND hwnd, bool active) {
    if (active) {
        // The owners remember their last active popup.
        for (HWND owner = GetParent(hwnd); owner; owner = GetParent(owner)) {
            if (WindowState* state = StateOf(owner)) state->lastActivePopup = hwnd;
        }
        WPARAM how = (QApplication::mouseButtons() != Qt::NoButton) ? WA_CLICKACTIVE : WA_ACTIVE;
        SendFromEvent(hwnd, WM_ACTIVATE, how, 0);
    } else {
        HWND other = WindowOfWidget(QApplication::activeWindow());
        SendFromEvent(hwnd, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(other));
    }
}

void Watch(QWidget* widget, HWND hwnd) {
    WindowEventFilter& filter = Filter();
    if (!filter.sources.contains(widget)) {
        widget->installEventFilter(&filter);
        QObject::connect(widget, &QObject::destroyed, &filter,
                         [&filter](QObject* gone) { filter.sources.remove(gone); });
    }
    filter.sources.insert(widget, hwnd);
}

}  // namespace

void WatchWindowEvents(QWidget* widget, HWND hwnd) {
    // A mouse event a window's widget leaves is not handed to the parent
    // window: each window gets only its own input.
    widget->setAttribute(Qt::WA_NoMousePropagation);
    // Windows get WM_MOUSEMOVE without a button pressed too.
    widget->setMouseTracking(true);
    Watch(widget, hwnd);
}

void RouteEventsToWindow(QWidget* source, HWND hwnd) {
    source->setMouseTracking(true);
    Watch(source, hwnd);
}

void StopWatchingWindow(HWND hwnd) {
    WindowEventFilter& filter = Filter();
    for (auto it = filter.sources.begin(); it != filter.sources.end();) {
        if (it.value() == hwnd) {
            const_cast<QObject*>(it.key())->removeEventFilter(&filter);
            it = filter.sources.erase(it);
        } else {
            ++it;
        }
    }
    if (previousFocus == hwnd) previousFocus = nullptr;
}

bool PassEventToQt(HWND hwnd, UINT message) {
    if (!innermostFrame || innermostFrame->hwnd != hwnd || innermostFrame->message != message) return false;
    innermostFrame->passed = true;
    return true;
}

HWND WindowOfWidget(const QWidget* widget) {
    const WindowEventFilter& filter = Filter();
    for (; widget; widget = widget->parentWidget()) {
        auto found = filter.sources.constFind(widget);
        if (found != filter.sources.constEnd() && IsWindow(found.value())) {
            Window* window = LookupWindow(found.value());
            // A routed inner widget belongs to its window as well.
            if (window) return found.value();
        }
    }
    return nullptr;
}

}  // namespace ui::detail
