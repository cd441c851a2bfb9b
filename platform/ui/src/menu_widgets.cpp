#include "menu_widgets.h"

#include "menu_data.h"
#include "text_conversion.h"
#include "ui/message_queue.h"
#include "ui/window_messages.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QVariant>
#include <QWidgetAction>

#include <vector>

namespace ui::detail {
namespace {

constexpr char kSyncProperty[] = "ui.menuSync";
constexpr char kCommandProperty[] = "ui.menuCommand";

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
