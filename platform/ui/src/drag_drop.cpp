#include "ui/drag_drop.h"

#include "clipboard_formats.h"
#include "drag_drop_internal.h"
#include "text_conversion.h"
#include "ui/framework/wnd.h"

#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QPointer>
#include <QWidget>

#include <memory>

namespace ui::detail {

namespace {

DragRunner& Runner() {
    static DragRunner runner;
    return runner;
}

}  // namespace

Qt::DropAction ToQtAction(DROPEFFECT effect) {
    if (effect & DROPEFFECT_MOVE) return Qt::MoveAction;
    if (effect & DROPEFFECT_COPY) return Qt::CopyAction;
    if (effect & DROPEFFECT_LINK) return Qt::LinkAction;
    return Qt::IgnoreAction;
}

Qt::DropActions ToQtActions(DROPEFFECT effects) {
    Qt::DropActions actions;
    if (effects & DROPEFFECT_COPY) actions |= Qt::CopyAction;
    if (effects & DROPEFFECT_MOVE) actions |= Qt::MoveAction;
    if (effects & DROPEFFECT_LINK) actions |= Qt::LinkAction;
    return actions;
}

DROPEFFECT FromQtAction(Qt::DropAction action) {
    switch (action) {
    case Qt::CopyAction:
        return DROPEFFECT_COPY;
    case Qt::MoveAction:
    case Qt::TargetMoveAction:
        return DROPEFFECT_MOVE;
    case Qt::LinkAction:
        return DROPEFFECT_LINK;
    default:
        return DROPEFFECT_NONE;
    }
}

DROPEFFECT FromQtActions(Qt::DropActions actions) {
    DROPEFFECT effects = DROPEFFECT_NONE;
    if (actions & Qt::CopyAction) effects |= DROPEFFECT_COPY;
    if (actions & Qt::MoveAction) effects |= DROPEFFECT_MOVE;
    if (actions & Qt::LinkAction) effects |= DROPEFFECT_LINK;
    return effects;
}

DWORD KeyStateOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    DWORD keys = 0;
    if (buttons & Qt::LeftButton) keys |= MK_LBUTTON;
    if (buttons & Qt::RightButton) keys |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton) keys |= MK_MBUTTON;
    if (modifiers & Qt::ShiftModifier) keys |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier) keys |= MK_CONTROL;
    if (modifiers & Qt::AltModifier) keys |= MK_ALT;
    return keys;
}

DWORD KeyStateOf(const QDropEvent& event) { return KeyStateOf(event.buttons(), event.modifiers()); }

DragRunner SetDragRunner(DragRunner runner) {
    DragRunner previous = std::move(Runner());
    Runner() = std::move(runner);
    return previous;
}

DROPEFFECT RunDrag(QMimeData* data, DROPEFFECT allowed, QWidget* source) {
    std::unique_ptr<QMimeData> owned(data);
    if (Runner()) return Runner()(*owned, allowed);
    if (!WidgetsAvailable()) return DROPEFFECT_NONE;
    QObject* dragSource = source ? static_cast<QObject*>(source) : QApplication::instance();
    // QDrag deletes itself and the data when the drag is over.
    auto* drag = new QDrag(dragSource);
    drag->setMimeData(owned.release());
    const Qt::DropActions actions = ToQtActions(allowed);
    const Qt::DropAction defaultAction = (actions & Qt::MoveAction) ? Qt::MoveAction : Qt::CopyAction;
    return FromQtAction(drag->exec(actions, defaultAction));
}

// A registered target's filter on its window's widget.
struct DropTargetHook : QObject {
    DropTargetHook(COleDropTarget& target, CWnd& window, QWidget* widget)
        : QObject(widget), target_(target), window_(&window), hwnd_(window.GetSafeHwnd()), widget_(widget) {
        widget->installEventFilter(this);
        widget->setAcceptDrops(true);
    }

    ~DropTargetHook() override {
        if (widget_) widget_->setAcceptDrops(false);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (orphaned_ || watched != widget_) return false;
        ++busy_;
        const bool handled = Handle(event);
        if (--busy_ == 0 && orphaned_) {
            delete this;
            return true;
        }
        return handled;
    }

    // Called by Revoke instead of deleting: a hook inside one of its target's
    // calls (a target that revokes itself or is deleted while it answers)
    // stops at once and goes when the call is over.
    void Dispose() {
        if (widget_) {
            widget_->removeEventFilter(this);
            widget_->setAcceptDrops(false);
        }
        if (busy_)
            orphaned_ = true;
        else
            delete this;
    }

    bool Handle(QEvent* event) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove:
            Over(*static_cast<QDragMoveEvent*>(event), event->type() == QEvent::DragEnter);
            return true;
        case QEvent::DragLeave:
            data_.Release();
            if (CWnd* window = Window()) target_.OnDragLeave(window);
            return true;
        case QEvent::Drop:
            Drop(*static_cast<QDropEvent*>(event));
            return true;
        default:
            return false;
        }
    }

    // The window while it lives (the target may outlive it).
    CWnd* Window() const { return CWnd::FromHandlePermanent(hwnd_) == window_ ? window_ : nullptr; }

    CPoint ClientPoint(const QDropEvent& event) const {
        QPoint point = event.position().toPoint();
        if (CWnd* window = Window(); window && window->ClientWidget() && window->ClientWidget() != widget_)
            // The watched widget may lie inside the client area (a viewport)
            // or around it (a frame): through the screen either way.
            point = window->ClientWidget()->mapFromGlobal(widget_->mapToGlobal(point));
        return CPoint(point.x(), point.y());
    }

    void Over(QDragMoveEvent& event, bool enter) {
        CWnd* window = Window();
        if (!window) return;
        data_.Attach(event.mimeData());
        const DWORD keys = KeyStateOf(event);
        const CPoint point = ClientPoint(event);
        DROPEFFECT effect = target_.OnDragScroll(window, keys, point);
        if (!(effect & DROPEFFECT_SCROLL))
            effect = enter ? target_.OnDragEnter(window, &data_, keys, point)
                           : target_.OnDragOver(window, &data_, keys, point);
        effect &= FromQtActions(event.possibleActions());
        if (orphaned_) return;
        last_ = effect;
        // An entry is always taken, so that moves keep coming where the answer
        // is none; the action says what the drop would do.
        event.setDropAction(ToQtAction(effect));
        if (effect != DROPEFFECT_NONE || enter)
            event.accept();
        else
            event.ignore();
    }

    void Drop(QDropEvent& event) {
        CWnd* window = Window();
        if (!window) return;
        data_.Attach(event.mimeData());
        const CPoint point = ClientPoint(event);
        const DROPEFFECT effect = last_ & FromQtActions(event.possibleActions());
        DROPEFFECT done = effect == DROPEFFECT_NONE
                              ? DROPEFFECT_NONE
                              : target_.OnDropEx(window, &data_, effect, FromQtActions(event.possibleActions()), point);
        if (done == static_cast<DROPEFFECT>(-1)) done = target_.OnDrop(window, &data_, effect, point) ? effect : 0;
        if (orphaned_) return;
        data_.Release();
        last_ = DROPEFFECT_NONE;
        if (done != DROPEFFECT_NONE) {
            event.setDropAction(ToQtAction(done));
            event.accept();
        } else {
            event.ignore();
        }
    }

    COleDropTarget& target_;
    CWnd* window_;  // Not owned; checked against its handle before use.
    HWND hwnd_;
    QPointer<QWidget> widget_;
    COleDataObject data_;
    DROPEFFECT last_ = DROPEFFECT_NONE;
    int busy_ = 0;
    bool orphaned_ = false;
};

BOOL RegisterDropTarget(COleDropTarget& target, CWnd& window, QWidget* widget) {
    if (!widget || target.hook_) return FALSE;
    target.hook_ = std::make_unique<DropTargetHook>(target, window, widget);
    // The widget may go first: its children (the hook) go with it, so the
    // hook is not owned twice.
    QObject::connect(target.hook_.get(), &QObject::destroyed, [&target] { (void)target.hook_.release(); });
    return TRUE;
}

}  // namespace ui::detail

using namespace ui::detail;

// COleDataObject

COleDataObject::~COleDataObject() = default;

BOOL COleDataObject::AttachClipboard() {
    if (!WidgetsAvailable()) return FALSE;
    data_ = nullptr;
    clipboard_ = true;
    return TRUE;
}

void COleDataObject::Attach(const QMimeData* data) {
    data_ = data;
    clipboard_ = false;
}

void COleDataObject::Release() {
    data_ = nullptr;
    clipboard_ = false;
}

const QMimeData* COleDataObject::MimeData() const {
    if (clipboard_) return WidgetsAvailable() ? QGuiApplication::clipboard()->mimeData() : nullptr;
    return data_;
}

BOOL COleDataObject::IsDataAvailable(CLIPFORMAT format) const { return MimeOffers(MimeData(), format) ? TRUE : FALSE; }

HGLOBAL COleDataObject::GetGlobalData(CLIPFORMAT format) const { return BlockFromMime(MimeData(), format); }

// COleDataSource

COleDataSource::~COleDataSource() { Empty(); }

void COleDataSource::CacheGlobalData(CLIPFORMAT format, HGLOBAL data) {
    if (!data) return;
    auto [place, added] = blocks_.emplace(format, data);
    if (!added) {
        if (place->second != data) GlobalFree(place->second);
        place->second = data;
    }
}

void COleDataSource::Empty() {
    for (auto& [format, block] : blocks_) GlobalFree(block);
    blocks_.clear();
}

QMimeData* COleDataSource::MakeMimeData() const {
    auto* data = new QMimeData;
    for (const auto& [format, block] : blocks_) PutBlockInMime(*data, format, block, false);
    return data;
}

DROPEFFECT COleDataSource::DoDragDrop(DROPEFFECT allowed) {
    return RunDrag(MakeMimeData(), allowed, WidgetsAvailable() ? QApplication::focusWidget() : nullptr);
}

void COleDataSource::SetClipboard() {
    if (!WidgetsAvailable()) return;
    auto* data = new QMimeData;
    for (const auto& [format, block] : blocks_) PutBlockInMime(*data, format, block, true);
    QGuiApplication::clipboard()->setMimeData(data);
}

// COleDropTarget

COleDropTarget::COleDropTarget() = default;

COleDropTarget::~COleDropTarget() { Revoke(); }

BOOL COleDropTarget::Register(CWnd* window) {
    return window ? RegisterDropTarget(*this, *window, window->Widget()) : FALSE;
}

void COleDropTarget::Revoke() {
    if (!hook_) return;
    QObject::disconnect(hook_.get(), &QObject::destroyed, nullptr, nullptr);
    hook_.release()->Dispose();
}

DROPEFFECT COleDropTarget::OnDragEnter(CWnd*, COleDataObject*, DWORD, CPoint) { return DROPEFFECT_NONE; }
DROPEFFECT COleDropTarget::OnDragOver(CWnd*, COleDataObject*, DWORD, CPoint) { return DROPEFFECT_NONE; }
void COleDropTarget::OnDragLeave(CWnd*) {}
BOOL COleDropTarget::OnDrop(CWnd*, COleDataObject*, DROPEFFECT, CPoint) { return FALSE; }
DROPEFFECT COleDropTarget::OnDropEx(CWnd*, COleDataObject*, DROPEFFECT, DROPEFFECT, CPoint) {
    return static_cast<DROPEFFECT>(-1);
}
DROPEFFECT COleDropTarget::OnDragScroll(CWnd*, DWORD, CPoint) { return DROPEFFECT_NONE; }
