// CXTPCommandBars: a frame's menu bar and tool bars (made by the frame's
// InitCommandBars, owned by the frame).
//
// Bars are shown in the frame's main window: the menu bar as its QMenuBar,
// tool bars as QToolBars at their side. Controls post their commands to
// the frame. In an idle moment the frame runs the update-UI pass over every
// control that is not xtpFlagManualUpdate (UpdateCommandBars).
#pragma once

#include "ui/toolkit/menu_bar.h"
#include "ui/toolkit/tool_bar.h"

#include <functional>
#include <memory>
#include <vector>

class CXTPCommandBars {
public:
    // Bars for frame window `site` (its widget a main window).
    explicit CXTPCommandBars(HWND site);
    ~CXTPCommandBars();
    CXTPCommandBars(const CXTPCommandBars&) = delete;
    CXTPCommandBars& operator=(const CXTPCommandBars&) = delete;

    HWND GetSite() const { return site_; }

    // Makes the menu bar titled `name` from menu resource `menuId`; when
    // the frame already has that menu (the one LoadFrame took), the bar
    // shows the frame's menu, so changes of it show. Null when the menu
    // cannot be loaded or the site is gone.
    CXTPMenuBar* SetMenu(LPCWSTR name, UINT menuId);
    // Shows `menu` (the caller's, kept alive by it) as the menu bar.
    CXTPMenuBar* SetMenu(LPCWSTR name, HMENU menu);
    CXTPMenuBar* GetMenuBar() const { return menuBar_.get(); }

    // A new, empty tool bar titled `name` at `position` (top, bottom, left,
    // right). Null for another position or when the site is gone.
    CXTPToolBar* Add(LPCWSTR name, XTPBarPosition position);
    // The tool bars, in order of adding (the menu bar is not among them).
    int GetCount() const { return static_cast<int>(toolBars_.size()); }
    CXTPToolBar* GetAt(int index) const;
    // The tool bar titled `name`; null when none.
    CXTPToolBar* FindToolBar(LPCWSTR name) const;
    void Remove(CXTPToolBar* bar);

    // The first control with `id` in any tool bar (see CXTPControls::
    // FindControl).
    CXTPControl* FindControl(XTPControlType type, int id, BOOL visible, BOOL recursive) const;

    // Customisation by the user (dragging buttons, the bars' context
    // menu): off keeps the bars as the program built them.
    void EnableCustomization(BOOL enable);
    BOOL IsCustomizationEnabled() const { return customizable_; }

    // Tool bar icons at 24 pixels instead of 16 (the customise sheet's
    // option).
    void SetLargeIcons(BOOL large);
    BOOL GetLargeIcons() const { return largeIcons_; }

    // Applies the paint manager's theme to the bars and repaints them.
    void RedrawCommandBars();

    // Visits every control of every tool bar and of their popups, bars in
    // order, controls in order (for the update-UI pass and customisation).
    void ForEachControl(const std::function<void(CXTPControl&)>& visit) const;

private:
    HWND site_;
    bool customizable_ = true;
    bool largeIcons_ = false;
    std::unique_ptr<CXTPMenuBar> menuBar_;
    std::vector<std::unique_ptr<CXTPToolBar>> toolBars_;
};
