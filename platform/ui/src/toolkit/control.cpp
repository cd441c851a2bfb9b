#include "ui/toolkit/control.h"

#include "icon_internal.h"
#include "image_manager_internal.h"
#include "text_conversion.h"
#include "ui/message_queue.h"
#include "ui/toolkit/command_bar.h"
#include "ui/toolkit/control_popup.h"
#include "ui/toolkit/popup_bar.h"
#include "ui/window_functions.h"
#include "ui/window_messages.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

struct CXTPControl::Widgets {
    QPointer<QAction> action;
    QPointer<QAction> separator;
    QImage customImage;
};

namespace {

// Takes an action out of every widget that shows it and deletes it when Qt
// is back in its loop: the action may be the one whose trigger runs now.
void DiscardAction(QAction* action) {
    if (!action) return;
    action->disconnect();
    for (QObject* object : action->associatedObjects())
        if (auto* widget = qobject_cast<QWidget*>(object)) widget->removeAction(action);
    action->deleteLater();
}

}  // namespace

CXTPControl::CXTPControl(XTPControlType type) : type_(type), widgets_(std::make_unique<Widgets>()) {
    widgets_->action = new QAction;
    widgets_->separator = new QAction;
    widgets_->separator->setSeparator(true);
    widgets_->separator->setVisible(false);
    QObject::connect(widgets_->action, &QAction::triggered, widgets_->action, [this] {
        // Qt flips a checkable action by itself; the control's code decides.
        widgets_->action->setChecked(checked_);
        Execute();
    });
}

CXTPControl::~CXTPControl() {
    DiscardAction(widgets_->action);
    DiscardAction(widgets_->separator);
}

QAction* CXTPControl::Action() const { return widgets_->action; }
QAction* CXTPControl::SeparatorAction() const { return widgets_->separator; }

void CXTPControl::SetControls(CXTPControls* controls) { controls_ = controls; }

CXTPCommandBar* CXTPControl::GetParent() const { return controls_ ? controls_->GetParent() : nullptr; }

int CXTPControl::GetIndex() const { return controls_ ? controls_->IndexOf(this) : -1; }

void CXTPControl::SetCaption(LPCWSTR caption) {
    caption_ = caption ? caption : u"";
    widgets_->action->setText(ui::detail::ToQString(caption_));
    if (tooltip_.empty()) widgets_->action->setToolTip(QString(widgets_->action->text()).remove(QLatin1Char('&')));
}

void CXTPControl::SetDescription(LPCWSTR description) {
    description_ = description ? description : u"";
    widgets_->action->setStatusTip(ui::detail::ToQString(description_));
}

void CXTPControl::SetTooltip(LPCWSTR tooltip) {
    tooltip_ = tooltip ? tooltip : u"";
    widgets_->action->setToolTip(ui::detail::ToQString(tooltip_));
}

void CXTPControl::SetCustomIcon(HICON icon) {
    widgets_->customImage = ui::detail::IconImage(icon);
    ShowIcon();
}

BOOL CXTPControl::HasCustomIcon() const { return !widgets_->customImage.isNull(); }

void CXTPControl::ShowIcon() {
    QImage image = widgets_->customImage;
    if (image.isNull()) image = ui::detail::ManagedImage(static_cast<UINT>(id_));
    widgets_->action->setIcon(image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image)));
    widgets_->action->setIconVisibleInMenu(style_ != xtpButtonCaption);
    if (CXTPCommandBar* bar = GetParent()) bar->ControlChanged(*this);
}

void CXTPControl::SetStyle(XTPButtonStyle style) {
    style_ = style;
    ShowIcon();
}

void CXTPControl::SetVisible(BOOL visible) {
    visible_ = visible != FALSE;
    widgets_->action->setVisible(visible_);
    ShowSeparator();
}

void CXTPControl::SetBeginGroup(BOOL beginGroup) {
    beginGroup_ = beginGroup != FALSE;
    ShowSeparator();
}

void CXTPControl::ShowSeparator() { widgets_->separator->setVisible(beginGroup_ && visible_); }

void CXTPControl::SetChecked(BOOL checked) {
    checked_ = checked != FALSE;
    if (checked_) widgets_->action->setCheckable(true);
    widgets_->action->setChecked(checked_);
}

void CXTPControl::SetEnabled(BOOL enabled) {
    enabled_ = enabled != FALSE;
    widgets_->action->setEnabled(enabled_);
}

BOOL CXTPControl::Execute() {
    if (!enabled_ || type_ == xtpControlPopup) return FALSE;
    CXTPCommandBar* bar = GetParent();
    HWND site = bar ? bar->GetSite() : nullptr;
    if (!site) return FALSE;
    return PostMessageW(site, WM_COMMAND, MAKEWPARAM(id_, 0), 0);
}

// --- CXTPControlPopup

CXTPControlPopup::CXTPControlPopup(XTPControlType type) : CXTPControl(type), popup_(std::make_unique<CXTPPopupBar>()) {
    popup_->owner_ = this;
    Action()->setMenu(popup_->Menu());
}

CXTPControlPopup::~CXTPControlPopup() {
    if (QAction* action = Action()) action->setMenu(static_cast<QMenu*>(nullptr));
}

CXTPCommandBar* CXTPControlPopup::GetCommandBar() const { return popup_.get(); }
