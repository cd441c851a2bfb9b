#include "ui/toolkit/command_bar.h"

#include "text_conversion.h"
#include "ui/toolkit/command_bars.h"
#include "ui/toolkit/control_popup.h"

#include <QWidget>

CXTPCommandBar::CXTPCommandBar(XTPBarType type, XTPBarPosition position)
    : type_(type), position_(position), controls_(*this) {}

CXTPCommandBar::~CXTPCommandBar() = default;

CXTPCommandBars* CXTPCommandBar::GetCommandBars() const {
    if (commandBars_) return commandBars_;
    CXTPCommandBar* outer = owner_ ? owner_->GetParent() : nullptr;
    return outer ? outer->GetCommandBars() : nullptr;
}

HWND CXTPCommandBar::GetSite() const {
    CXTPCommandBars* bars = GetCommandBars();
    return bars ? bars->GetSite() : nullptr;
}

void CXTPCommandBar::SetTitle(LPCWSTR title) {
    title_ = title ? title : u"";
    if (QWidget* widget = Widget()) widget->setWindowTitle(ui::detail::ToQString(title_));
}

void CXTPCommandBar::SetVisible(BOOL visible) {
    if (QWidget* widget = Widget()) widget->setVisible(visible != FALSE);
}

BOOL CXTPCommandBar::IsVisible() const {
    QWidget* widget = Widget();
    return widget && !widget->isHidden();
}

void CXTPCommandBar::ControlChanged(CXTPControl&) {}
