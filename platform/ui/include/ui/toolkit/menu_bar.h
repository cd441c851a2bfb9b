// CXTPMenuBar: the frame's menu bar, a QMenuBar shown from the frame's menu
// (an HMENU) and kept in step with it: changing the menu's items (ModifyMenuW,
// SetMenuItemInfoW) changes the bar. Commands post WM_COMMAND to the frame;
// WM_INITMENUPOPUP is sent to the frame before a submenu shows, for its
// update-UI pass.
//
// The menu is the truth: the bar's controls are not used for its entries.
#pragma once

#include "ui/toolkit/tool_bar.h"

class CXTPMenuBar : public CXTPToolBar {
public:
    ~CXTPMenuBar() override;

    // The menu shown; null when none.
    HMENU GetMenu() const { return menu_; }

    QWidget* Widget() const override;
    void ControlsChanged() override {}
    void SetVisible(BOOL visible) override;
    BOOL IsVisible() const override;

private:
    friend class CXTPCommandBars;
    CXTPMenuBar();
    // Shows `menu` (owned from now on when `owned`) in the main window
    // `host`, sending its messages to `site`.
    BOOL Bind(QWidget* host, HWND site, HMENU menu, bool owned);

    struct Widgets;
    std::unique_ptr<Widgets> menuWidgets_;
    HMENU menu_ = nullptr;
    bool ownsMenu_ = false;
};
