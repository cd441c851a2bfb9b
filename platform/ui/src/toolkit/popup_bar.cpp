#include "ui/toolkit/popup_bar.h"

#include "ui/message_queue.h"
#include "ui/toolkit/control_popup.h"
#include "ui/toolkit/paint_manager.h"
#include "ui/window_functions.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QPointer>

#include <memory>

struct CXTPPopupBar::Widgets {
    QPointer<QMenu> menu;
    // Lives as long as the bar: a closing notification queued for a bar
    // that is gone meanwhile is dropped.
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
};

CXTPPopupBar::CXTPPopupBar() : CXTPCommandBar(xtpBarTypePopup, xtpBarPopup), widgets_(std::make_unique<Widgets>()) {
    auto* menu = new QMenu;
    widgets_->menu = menu;
    QObject::connect(menu, &QMenu::aboutToShow, menu, [this] {
        if (QMenu* shown = widgets_->menu)
            shown->setStyleSheet(QString::fromStdString(XTPPaintManager()->BarStyleSheet()));
        // The frame may fill the popup now; the menu shows what it holds then.
        HWND site = GetSite();
        if (IsWindow(site)) SendMessageW(site, XTP_CBN_POPUPOPENING, 0, reinterpret_cast<LPARAM>(this));
    });
    QObject::connect(menu, &QMenu::aboutToHide, menu, [this] {
        // Qt hides a menu before it triggers the picked action, so the
        // closing is posted once Qt is back in its loop, after the pick's
        // WM_COMMAND.
        std::weak_ptr<bool> alive = widgets_->alive;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [this, alive] {
                if (alive.expired()) return;
                HWND site = GetSite();
                if (IsWindow(site)) PostMessageW(site, XTP_CBN_POPUPCLOSED, 0, reinterpret_cast<LPARAM>(this));
            },
            Qt::QueuedConnection);
    });
}

CXTPPopupBar::~CXTPPopupBar() {
    if (QMenu* menu = widgets_->menu) {
        menu->disconnect();
        menu->deleteLater();
    }
}

CXTPControlPopup* CXTPPopupBar::GetControlPopup() const { return OwnerControl(); }

QWidget* CXTPPopupBar::Widget() const { return widgets_->menu; }
QMenu* CXTPPopupBar::Menu() const { return widgets_->menu; }

BOOL CXTPPopupBar::IsVisible() const { return widgets_->menu && widgets_->menu->isVisible(); }

void CXTPPopupBar::ControlsChanged() {
    QMenu* menu = widgets_->menu;
    if (!menu) return;
    for (QAction* action : menu->actions()) menu->removeAction(action);
    for (int index = 0; index < GetControls()->GetCount(); ++index) {
        CXTPControl* control = GetControls()->GetAt(index);
        menu->addAction(control->SeparatorAction());
        menu->addAction(control->Action());
    }
}

void CXTPPopupBar::ControlChanged(CXTPControl&) {}
