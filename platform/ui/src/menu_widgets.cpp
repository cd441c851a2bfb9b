#include "menu_widgets.h"

#include "device_context_internal.h"
#include "menu_data.h"
#include "text_conversion.h"
#include "ui/message_queue.h"
#include "ui/window_messages.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QVariant>
#include <QWidgetAction>

#include <optional>
#include <vector>

namespace ui::detail {
namespace {

constexpr char kSyncProperty[] = "ui.menuSync";
constexpr char kCommandProperty[] = "ui.menuCommand";

// An owner-drawn item (MF_OWNERDRAW): the owner measures and paints it.
// Each QMenu or QMenuBar it is added to makes its own OwnerDrawnItem.
class OwnerDrawnAction : public QWidgetAction {
public:
    OwnerDrawnAction(QObject* parent, HMENU menu, HWND target) : QWidgetAction(parent), menu_(menu), target_(target) {}

    // Takes the item's id, data and state. A new id or data is measured
    // again when its size is next asked (the platform too measures an item
    // once until it changes); a new state only draws again.
    void SetItem(const MenuItem& item) {
        UINT state = ((item.state & MF_GRAYED) ? ODS_GRAYED : 0u) | ((item.state & MF_DISABLED) ? ODS_DISABLED : 0u) |
                     (item.IsChecked() ? ODS_CHECKED : 0u);
        bool resized = item.id != id_ || item.data != data_ || !measured_;
        if (!resized && state == state_) return;
        id_ = item.id;
        data_ = item.data;
        state_ = state;
        if (resized) {
            measured_.reset();
            // A QMenu lays its items out again only when one of its actions
            // changes; the icon text is shown nowhere for a widget action.
            setIconText(QStringLiteral("%1:%2").arg(id_).arg(data_));
        }
        for (QWidget* widget : createdWidgets()) {
            if (resized) widget->updateGeometry();
            widget->update();
        }
    }

    // The size the owner answers to WM_MEASUREITEM (sent on the first ask
    // after SetItem).
    QSize Measure() {
        if (!measured_) {
            MEASUREITEMSTRUCT measure{ODT_MENU, 0, id_, 0, 0, data_};
            SendMessageW(target_, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure));
            measured_ = QSize(static_cast<int>(measure.itemWidth), static_cast<int>(measure.itemHeight));
        }
        return *measured_;
    }

    // Sends WM_DRAWITEM for the item's whole `rect`, drawn through a DC over
    // `painter` whose font is `widget`'s (the menu's).
    void Draw(QPainter* painter, const QWidget* widget, const QRect& rect, bool selected) {
        PainterDC dc(painter, widget);
        DRAWITEMSTRUCT draw{ODT_MENU,
                            0,
                            id_,
                            ODA_DRAWENTIRE,
                            state_ | (selected ? ODS_SELECTED : 0u),
                            reinterpret_cast<HWND>(menu_),
                            dc.Handle(),
                            RECT{rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1},
                            data_};
        SendMessageW(target_, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw));
    }

protected:
    QWidget* createWidget(QWidget* parent) override;

private:
    HMENU menu_;
    HWND target_;
    UINT id_ = 0;
    ULONG_PTR data_ = 0;
    UINT state_ = 0;
    std::optional<QSize> measured_;
};

// The widget of an owner-drawn item in one menu or bar. Mouse moves go on
// to the menu (which makes the item its active one); a click triggers the
// action and closes the menus it is in, as a command item does.
class OwnerDrawnItem : public QWidget {
public:
    OwnerDrawnItem(QWidget* parent, OwnerDrawnAction* action) : QWidget(parent), action_(action) {
        if (auto* menu = qobject_cast<QMenu*>(parent)) {
            // The menu's active item changed: the old and the new one draw
            // again.
            QObject::connect(menu, &QMenu::hovered, this, [this] { update(); });
        }
        if (auto* bar = qobject_cast<QMenuBar*>(parent))
            QObject::connect(bar, &QMenuBar::hovered, this, [this] { update(); });
    }

    QSize sizeHint() const override { return action_ ? action_->Measure() : QSize(); }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override {
        if (!action_) return;
        QPainter painter(this);
        action_->Draw(&painter, this, rect(), Selected());
    }

    void enterEvent(QEnterEvent* event) override {
        update();
        QWidget::enterEvent(event);
    }
    void leaveEvent(QEvent* event) override {
        update();
        QWidget::leaveEvent(event);
    }

    void mousePressEvent(QMouseEvent* event) override { event->accept(); }

    void mouseReleaseEvent(QMouseEvent* event) override {
        event->accept();
        if (!action_ || !action_->isEnabled() || !rect().contains(event->position().toPoint())) return;
        // Posted (or recorded by the prompter's menu) first, then the menus
        // close, so nothing that closing does can lose the command.
        QPointer<OwnerDrawnItem> self(this);
        action_->trigger();
        if (!self) return;
        for (QWidget* widget = parentWidget(); auto* menu = qobject_cast<QMenu*>(widget);
             widget = widget->parentWidget())
            menu->hide();
    }

private:
    bool Selected() const {
        if (underMouse()) return true;
        QAction* active = nullptr;
        if (auto* menu = qobject_cast<QMenu*>(parentWidget())) active = menu->activeAction();
        if (auto* bar = qobject_cast<QMenuBar*>(parentWidget())) active = bar->activeAction();
        return active && active == action_;
    }

    QPointer<OwnerDrawnAction> action_;
};

QWidget* OwnerDrawnAction::createWidget(QWidget* parent) { return new OwnerDrawnItem(parent, this); }

// Keeps one QMenu or QMenuBar in step with one HMENU. A child of its
// widget, so it goes with it.
class MenuSync : public QObject {
public:
    MenuSync(QWidget* widget, HMENU menu, HWND target, CommandDelivery delivery, int index)
        : QObject(widget), widget_(widget), menu_(menu), target_(target), delivery_(delivery), index_(index) {
        widget->setProperty(kSyncProperty, QVariant::fromValue(reinterpret_cast<quintptr>(this)));
        listener_ = AddMenuListener(menu, [this](HMENU) { ScheduleRefresh(); });
        if (auto* qmenu = qobject_cast<QMenu*>(widget))
            QObject::connect(qmenu, &QMenu::aboutToShow, this, [this] { AboutToShow(); });
        Refresh();
    }
    ~MenuSync() override { RemoveMenuListener(listener_); }

    static MenuSync* Of(QWidget* widget) {
        return widget ? reinterpret_cast<MenuSync*>(widget->property(kSyncProperty).value<quintptr>()) : nullptr;
    }

    void SetIndex(int index) { index_ = index; }

    void AboutToShow() {
        SendMessageW(target_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu_), MAKELPARAM(index_, 0));
        Refresh();
    }

    void ScheduleRefresh() {
        if (scheduled_) return;
        scheduled_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                scheduled_ = false;
                Refresh();
            },
            Qt::QueuedConnection);
    }

    void Refresh() {
        const MenuData* data = FindMenu(menu_);
        std::vector<MenuItem> items = data ? data->items : std::vector<MenuItem>();
        bool bar = qobject_cast<QMenuBar*>(widget_) != nullptr;
        std::size_t shown = 0;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const MenuItem& item = items[i];
            // A bar shows no separators.
            if (bar && item.IsSeparator() && !item.submenu) continue;
            Kind kind = KindOf(item);
            if (shown < entries_.size() &&
                (entries_[shown].kind != kind || (kind == Kind::Popup && entries_[shown].submenu != item.submenu))) {
                Replace(shown, item, kind, static_cast<int>(i));
            } else if (shown == entries_.size()) {
                entries_.push_back(Make(item, kind, static_cast<int>(i)));
                widget_->addAction(entries_.back().action);
            }
            Update(entries_[shown], item, static_cast<int>(i));
            ++shown;
        }
        while (entries_.size() > shown) {
            Dispose(entries_.back());
            entries_.pop_back();
        }
    }

private:
    enum class Kind { Command, Separator, Popup, OwnerDrawn };

    struct Entry {
        Kind kind;
        QAction* action;
        HMENU submenu = nullptr;
    };

    static Kind KindOf(const MenuItem& item) {
        if (item.submenu) return Kind::Popup;
        if (item.IsSeparator()) return Kind::Separator;
        if (item.IsOwnerDrawn()) return Kind::OwnerDrawn;
        return Kind::Command;
    }

    Entry Make(const MenuItem& item, Kind kind, int index) {
        Entry entry{kind, nullptr, nullptr};
        switch (kind) {
        case Kind::Popup: {
            auto* submenu = new QMenu(widget_);
            new MenuSync(submenu, item.submenu, target_, delivery_, index);
            entry.action = submenu->menuAction();
            entry.submenu = item.submenu;
            break;
        }
        case Kind::Separator:
            entry.action = new QAction(widget_);
            entry.action->setSeparator(true);
            break;
        case Kind::OwnerDrawn:
            entry.action = new OwnerDrawnAction(widget_, menu_, target_);
            ConnectCommand(entry.action);
            break;
        case Kind::Command:
            entry.action = new QAction(widget_);
            ConnectCommand(entry.action);
            break;
        }
        return entry;
    }

    void ConnectCommand(QAction* action) {
        action->setProperty(kCommandProperty, true);
        if (delivery_ != CommandDelivery::Post) return;
        HWND target = target_;
        QObject::connect(action, &QAction::triggered, action, [action, target] {
            // Read now, posted now: whatever becomes of the menu afterwards,
            // the command arrives.
            UINT id = action->data().toUInt();
            PostMessageW(target, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        });
    }

    void Replace(std::size_t position, const MenuItem& item, Kind kind, int index) {
        Entry fresh = Make(item, kind, index);
        widget_->insertAction(entries_[position].action, fresh.action);
        Dispose(entries_[position]);
        entries_[position] = fresh;
    }

    void Dispose(const Entry& entry) {
        widget_->removeAction(entry.action);
        if (entry.kind == Kind::Popup) {
            // The menu may be the one whose signal runs now.
            if (QMenu* submenu = entry.action->menu()) submenu->deleteLater();
        } else {
            entry.action->deleteLater();
        }
    }

    void Update(Entry& entry, const MenuItem& item, int index) {
        QAction* action = entry.action;
        if (entry.kind == Kind::Separator) return;
        QString text = ToQString(item.text);
        QString shortcut;
        if (qsizetype tab = text.indexOf(u'\t'); tab >= 0) {
            shortcut = text.mid(tab + 1);
            text.truncate(tab);
        }
        action->setEnabled(!item.IsGrayed());
        QFont font = action->font();
        if (font.bold() != ((item.state & MFS_DEFAULT) != 0)) {
            font.setBold((item.state & MFS_DEFAULT) != 0);
            action->setFont(font);
        }
        if (entry.kind == Kind::Popup) {
            action->menu()->setTitle(text);
            if (MenuSync* sync = Of(action->menu())) sync->SetIndex(index);
            return;
        }
        action->setData(QVariant::fromValue<uint>(item.id));
        if (entry.kind == Kind::OwnerDrawn) {
            action->setCheckable(item.IsChecked());
            action->setChecked(item.IsChecked());
            static_cast<OwnerDrawnAction*>(action)->SetItem(item);
            return;
        }
        action->setText(text);
        action->setShortcut(QKeySequence(shortcut, QKeySequence::PortableText));
        action->setCheckable(item.IsChecked());
        action->setChecked(item.IsChecked());
    }

    QWidget* widget_;
    HMENU menu_;
    HWND target_;
    CommandDelivery delivery_;
    int index_;
    uint64_t listener_ = 0;
    bool scheduled_ = false;
    std::vector<Entry> entries_;
};

}  // namespace

void BindMenu(QMenu* menu, HMENU hmenu, HWND target, CommandDelivery delivery) {
    new MenuSync(menu, hmenu, target, delivery, 0);
}

void BindMenuBar(QMenuBar* bar, HMENU hmenu, HWND target) {
    new MenuSync(bar, hmenu, target, CommandDelivery::Post, 0);
}

void RefreshMenuWidget(QMenu* menu) {
    if (MenuSync* sync = MenuSync::Of(menu)) sync->Refresh();
}

void RefreshMenuWidget(QMenuBar* bar) {
    if (MenuSync* sync = MenuSync::Of(bar)) sync->Refresh();
}

UINT CommandOf(const QAction* action) {
    if (!action || !action->property(kCommandProperty).toBool()) return 0;
    return action->data().toUInt();
}

}  // namespace ui::detail
