#include "ui/toolkit/command_bars.h"

#include "host_main_window.h"
#include "ui/framework/frame_wnd.h"
#include "ui/menus.h"
#include "ui/toolkit/control_popup.h"
#include "ui/toolkit/paint_manager.h"

#include <QMainWindow>
#include <QMenuBar>
#include <QToolBar>

namespace {

void VisitControls(const CXTPControls& controls, const std::function<void(CXTPControl&)>& visit) {
    for (int index = 0; index < controls.GetCount(); ++index) {
        CXTPControl* control = controls.GetAt(index);
        visit(*control);
        if (control->GetType() == xtpControlPopup || control->GetType() == xtpControlButtonPopup)
            VisitControls(*static_cast<CXTPControlPopup*>(control)->GetCommandBar()->GetControls(), visit);
    }
}

}  // namespace

CXTPCommandBars::CXTPCommandBars(HWND site) : site_(site) {}

CXTPCommandBars::~CXTPCommandBars() {
    toolBars_.clear();
    menuBar_.reset();
}

CXTPMenuBar* CXTPCommandBars::SetMenu(LPCWSTR name, UINT menuId) {
    // A frame's own menu (the one LoadFrame took) is shown as it is, so the
    // frame's later changes of it show.
    if (auto* frame = dynamic_cast<CFrameWnd*>(ui::WindowFromHandle(site_)); frame && frame->GetMenu())
        return SetMenu(name, frame->GetMenu());
    HMENU menu = LoadMenuW(nullptr, MAKEINTRESOURCEW(menuId));
    if (!menu) return nullptr;
    CXTPMenuBar* bar = SetMenu(name, menu);
    if (!bar) {
        DestroyMenu(menu);
        return nullptr;
    }
    bar->ownsMenu_ = true;
    return bar;
}

CXTPMenuBar* CXTPCommandBars::SetMenu(LPCWSTR name, HMENU menu) {
    QMainWindow* host = ui::detail::HostMainWindow(site_);
    if (!host) return nullptr;
    auto bar = std::unique_ptr<CXTPMenuBar>(new CXTPMenuBar);
    bar->SetCommandBars(this);
    if (!bar->Bind(host, site_, menu, false)) return nullptr;
    bar->SetTitle(name);
    menuBar_ = std::move(bar);
    return menuBar_.get();
}

CXTPToolBar* CXTPCommandBars::Add(LPCWSTR name, XTPBarPosition position) {
    QMainWindow* host = ui::detail::HostMainWindow(site_);
    if (!host || position > xtpBarRight) return nullptr;
    auto bar = std::unique_ptr<CXTPToolBar>(new CXTPToolBar(xtpBarTypeNormal, position));
    bar->SetCommandBars(this);
    bar->SetTitle(name);
    bar->CreateToolBarWidget(host);
    if (largeIcons_) static_cast<QToolBar*>(bar->Widget())->setIconSize(QSize(24, 24));
    if (!customizable_) bar->Widget()->setContextMenuPolicy(Qt::PreventContextMenu);
    toolBars_.push_back(std::move(bar));
    return toolBars_.back().get();
}

CXTPToolBar* CXTPCommandBars::GetAt(int index) const {
    return index >= 0 && index < GetCount() ? toolBars_[index].get() : nullptr;
}

CXTPToolBar* CXTPCommandBars::FindToolBar(LPCWSTR name) const {
    std::u16string wanted = name ? name : u"";
    for (const auto& bar : toolBars_)
        if (bar->GetTitle() == wanted) return bar.get();
    return nullptr;
}

void CXTPCommandBars::Remove(CXTPToolBar* bar) {
    std::erase_if(toolBars_, [bar](const auto& owned) { return owned.get() == bar; });
}

CXTPControl* CXTPCommandBars::FindControl(XTPControlType type, int id, BOOL visible, BOOL recursive) const {
    for (const auto& bar : toolBars_)
        if (CXTPControl* found = bar->GetControls()->FindControl(type, id, visible, recursive)) return found;
    return nullptr;
}

void CXTPCommandBars::EnableCustomization(BOOL enable) {
    customizable_ = enable != FALSE;
    // Without customisation the bars offer no menu to hide or move them.
    for (const auto& bar : toolBars_)
        if (QWidget* widget = bar->Widget())
            widget->setContextMenuPolicy(customizable_ ? Qt::DefaultContextMenu : Qt::PreventContextMenu);
    if (QMainWindow* host = ui::detail::HostMainWindow(site_))
        host->setContextMenuPolicy(customizable_ ? Qt::DefaultContextMenu : Qt::PreventContextMenu);
}

void CXTPCommandBars::SetLargeIcons(BOOL large) {
    largeIcons_ = large != FALSE;
    int size = largeIcons_ ? 24 : 16;
    for (const auto& bar : toolBars_)
        if (auto* widget = qobject_cast<QToolBar*>(bar->Widget())) widget->setIconSize(QSize(size, size));
}

void CXTPCommandBars::RedrawCommandBars() {
    QString sheet = QString::fromStdString(XTPPaintManager()->BarStyleSheet());
    auto redraw = [&sheet](QWidget* widget) {
        if (!widget) return;
        if (widget->styleSheet() != sheet) widget->setStyleSheet(sheet);
        widget->update();
    };
    if (menuBar_) redraw(menuBar_->Widget());
    for (const auto& bar : toolBars_) {
        redraw(bar->Widget());
    }
    // Icons of the image manager may have changed.
    ForEachControl([](CXTPControl& control) { control.ShowIcon(); });
}

void CXTPCommandBars::ForEachControl(const std::function<void(CXTPControl&)>& visit) const {
    for (const auto& bar : toolBars_) VisitControls(*bar->GetControls(), visit);
}
