#include "ui_testing/drag_drop.h"

#include "drag_drop_internal.h"
#include "ui/window.h"

#include <QApplication>
#include <QDropEvent>
#include <QPointer>
#include <QWidget>

using namespace ui::detail;

namespace ui_testing {

namespace {

QPointer<QWidget>& CurrentTarget() {
    static QPointer<QWidget> target;
    return target;
}

// The widget of the window under `point` that takes drops, and the point
// in its coordinates.
QWidget* TargetAt(HWND hwnd, POINT point, QPoint& local) {
    ui::Window* window = ui::WindowFromHandle(hwnd);
    if (!window || !window->Widget()) return nullptr;
    QWidget* top = window->ClientWidget() ? window->ClientWidget() : window->Widget();
    const QPoint client(point.x, point.y);
    QWidget* widget = top->childAt(client);
    if (!widget) widget = top;
    while (widget && !widget->acceptDrops()) {
        if (widget == window->Widget()) return nullptr;
        widget = widget->parentWidget();
    }
    if (!widget) return nullptr;
    local = widget->mapFrom(top, client);
    return widget;
}

Qt::DropAction Proposed(DWORD keys, DROPEFFECT allowed) {
    if ((keys & MK_CONTROL) && (keys & MK_SHIFT)) return Qt::LinkAction;
    if (keys & MK_CONTROL) return Qt::CopyAction;
    if (keys & MK_SHIFT) return Qt::MoveAction;
    return (allowed & DROPEFFECT_MOVE) ? Qt::MoveAction : ToQtAction(allowed);
}

Qt::MouseButtons Buttons(DWORD keys) {
    Qt::MouseButtons buttons;
    if (keys & MK_LBUTTON) buttons |= Qt::LeftButton;
    if (keys & MK_RBUTTON) buttons |= Qt::RightButton;
    if (keys & MK_MBUTTON) buttons |= Qt::MiddleButton;
    return buttons;
}

Qt::KeyboardModifiers Modifiers(DWORD keys) {
    Qt::KeyboardModifiers modifiers;
    if (keys & MK_SHIFT) modifiers |= Qt::ShiftModifier;
    if (keys & MK_CONTROL) modifiers |= Qt::ControlModifier;
    if (keys & MK_ALT) modifiers |= Qt::AltModifier;
    return modifiers;
}

DROPEFFECT Answer(const QDropEvent& event) {
    return event.isAccepted() ? FromQtAction(event.dropAction()) : DROPEFFECT_NONE;
}

DROPEFFECT Move(HWND hwnd, const QMimeData& data, POINT point, DWORD keys, DROPEFFECT allowed, bool enter) {
    QPoint local;
    QWidget* widget = TargetAt(hwnd, point, local);
    QPointer<QWidget>& current = CurrentTarget();
    if (current && current != widget) DragLeave();
    if (!widget) return DROPEFFECT_NONE;
    if (current != widget) enter = true;
    current = widget;
    const Qt::DropActions actions = ToQtActions(allowed);
    if (enter) {
        QDragEnterEvent event(local, actions, &data, Buttons(keys), Modifiers(keys));
        event.setDropAction(Proposed(keys, allowed));
        event.ignore();
        QApplication::sendEvent(widget, &event);
        if (!event.isAccepted()) current = nullptr;
        return Answer(event);
    }
    QDragMoveEvent event(local, actions, &data, Buttons(keys), Modifiers(keys));
    event.setDropAction(Proposed(keys, allowed));
    event.ignore();
    QApplication::sendEvent(widget, &event);
    return Answer(event);
}

}  // namespace

DROPEFFECT DragEnter(HWND hwnd, const QMimeData& data, POINT point, DWORD keys, DROPEFFECT allowed) {
    DragLeave();
    return Move(hwnd, data, point, keys, allowed, true);
}

DROPEFFECT DragOver(HWND hwnd, const QMimeData& data, POINT point, DWORD keys, DROPEFFECT allowed) {
    return Move(hwnd, data, point, keys, allowed, false);
}

void DragLeave() {
    QPointer<QWidget>& current = CurrentTarget();
    if (!current) return;
    QWidget* widget = current;
    current = nullptr;
    QDragLeaveEvent event;
    QApplication::sendEvent(widget, &event);
}

DROPEFFECT Drop(HWND hwnd, const QMimeData& data, POINT point, DWORD keys, DROPEFFECT allowed) {
    QPoint local;
    QWidget* widget = TargetAt(hwnd, point, local);
    QPointer<QWidget>& current = CurrentTarget();
    // A drop lands on the widget the drag is over: enter it first.
    if (current != widget) Move(hwnd, data, point, keys | MK_LBUTTON, allowed, false);
    if (!widget || current != widget) return DROPEFFECT_NONE;
    current = nullptr;
    QDropEvent event(QPointF(local), ToQtActions(allowed), &data, Buttons(keys), Modifiers(keys));
    event.setDropAction(Proposed(keys, allowed));
    event.ignore();
    QApplication::sendEvent(widget, &event);
    return Answer(event);
}

ScriptedDrag::ScriptedDrag(Script script) : script_(std::move(script)) {
    previous_ = SetDragRunner([this](const QMimeData& data, DROPEFFECT allowed) {
        ++count_;
        return script_(data, allowed);
    });
}

ScriptedDrag::~ScriptedDrag() { SetDragRunner(std::move(previous_)); }

}  // namespace ui_testing
