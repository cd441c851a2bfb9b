#include "ui/toolkit/menu_bar.h"

#include "menu_widgets.h"
#include "ui/menus.h"
#include "ui/toolkit/paint_manager.h"

#include <QMainWindow>
#include <QMenuBar>
#include <QPointer>

struct CXTPMenuBar::Widgets {
    QPointer<QMenuBar> bar;
};

CXTPMenuBar::CXTPMenuBar() : CXTPToolBar(xtpBarTypeMenuBar, xtpBarTop), menuWidgets_(std::make_unique<Widgets>()) {}

CXTPMenuBar::~CXTPMenuBar() {
    if (QMenuBar* bar = menuWidgets_->bar) {
        // The bar's bindings go with it; it must not outlive the menu.
        bar->hide();
        delete bar;
    }
    if (ownsMenu_) DestroyMenu(menu_);
}

BOOL CXTPMenuBar::Bind(QWidget* host, HWND site, HMENU menu, bool owned) {
    auto* main = qobject_cast<QMainWindow*>(host);
    if (!main || !IsMenu(menu)) return FALSE;
    auto* bar = new QMenuBar;
    bar->setObjectName(QStringLiteral("Menu Bar"));
    ui::detail::BindMenuBar(bar, menu, site);
    bar->setStyleSheet(QString::fromStdString(XTPPaintManager()->BarStyleSheet()));
    // The main window drops the menu bar it had (the framework's plain one).
    main->setMenuBar(bar);
    menuWidgets_->bar = bar;
    menu_ = menu;
    ownsMenu_ = owned;
    return TRUE;
}

QWidget* CXTPMenuBar::Widget() const { return menuWidgets_->bar; }

void CXTPMenuBar::SetVisible(BOOL visible) {
    if (QMenuBar* bar = menuWidgets_->bar) bar->setVisible(visible != FALSE);
}

BOOL CXTPMenuBar::IsVisible() const { return menuWidgets_->bar && !menuWidgets_->bar->isHidden(); }
