#include "ui/toolkit/tool_bar.h"

#include "text_conversion.h"
#include "ui/toolkit/paint_manager.h"

#include <QAction>
#include <QMainWindow>
#include <QPointer>
#include <QToolBar>
#include <QToolButton>

struct CXTPToolBar::Widgets {
    QPointer<QToolBar> bar;
};

namespace {

Qt::ToolBarArea AreaOf(XTPBarPosition position) {
    switch (position) {
    case xtpBarBottom:
        return Qt::BottomToolBarArea;
    case xtpBarLeft:
        return Qt::LeftToolBarArea;
    case xtpBarRight:
        return Qt::RightToolBarArea;
    default:
        return Qt::TopToolBarArea;
    }
}

Qt::ToolButtonStyle ButtonStyleOf(const CXTPControl& control) {
    switch (control.GetStyle()) {
    case xtpButtonCaption:
        return Qt::ToolButtonTextOnly;
    case xtpButtonIcon:
        return Qt::ToolButtonIconOnly;
    case xtpButtonIconAndCaption:
        return Qt::ToolButtonTextBesideIcon;
    default:
        return control.Action()->icon().isNull() ? Qt::ToolButtonTextOnly : Qt::ToolButtonIconOnly;
    }
}

}  // namespace

CXTPToolBar::CXTPToolBar(XTPBarType type, XTPBarPosition position)
    : CXTPCommandBar(type, position), widgets_(std::make_unique<Widgets>()) {}

CXTPToolBar::~CXTPToolBar() {
    if (QToolBar* bar = widgets_->bar) bar->deleteLater();
}

void CXTPToolBar::CreateToolBarWidget(QWidget* host) {
    auto* main = qobject_cast<QMainWindow*>(host);
    if (!main) return;
    auto* bar = new QToolBar(ui::detail::ToQString(GetTitle()), main);
    bar->setObjectName(ui::detail::ToQString(GetTitle()));
    bar->setMovable(showGripper_);
    bar->setIconSize(QSize(16, 16));
    bar->setStyleSheet(QString::fromStdString(XTPPaintManager()->BarStyleSheet()));
    main->addToolBar(AreaOf(GetPosition()), bar);
    widgets_->bar = bar;
    ControlsChanged();
}

void CXTPToolBar::SetShowGripper(BOOL show) {
    showGripper_ = show != FALSE;
    if (QToolBar* bar = widgets_->bar) bar->setMovable(showGripper_);
}

QWidget* CXTPToolBar::Widget() const { return widgets_->bar; }

void CXTPToolBar::ControlsChanged() {
    QToolBar* bar = widgets_->bar;
    if (!bar) return;
    for (QAction* action : bar->actions()) bar->removeAction(action);
    for (int index = 0; index < GetControls()->GetCount(); ++index) {
        CXTPControl* control = GetControls()->GetAt(index);
        bar->addAction(control->SeparatorAction());
        bar->addAction(control->Action());
        ControlChanged(*control);
    }
}

void CXTPToolBar::ControlChanged(CXTPControl& control) {
    QToolBar* bar = widgets_->bar;
    auto* button = bar ? qobject_cast<QToolButton*>(bar->widgetForAction(control.Action())) : nullptr;
    if (!button) return;
    button->setToolButtonStyle(ButtonStyleOf(control));
    if (control.GetType() == xtpControlPopup)
        button->setPopupMode(QToolButton::InstantPopup);
    else if (control.GetType() == xtpControlButtonPopup)
        button->setPopupMode(QToolButton::MenuButtonPopup);
}
