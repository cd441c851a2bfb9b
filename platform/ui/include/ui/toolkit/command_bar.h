// CXTPCommandBar: a bar of controls - a tool bar, the menu bar or a popup
// bar. The bar owns its controls (GetControls) and shows them in its Qt
// widget (a QToolBar, a QMenuBar, a QMenu) as they change.
#pragma once

#include "ui/toolkit/controls.h"

#include <memory>
#include <string>

class QWidget;
class CXTPControlPopup;

enum XTPBarType {
    xtpBarTypeNormal = 0,   // a tool bar
    xtpBarTypeMenuBar = 1,  // the frame's menu bar
    xtpBarTypePopup = 2,    // a popup of a control
};

enum XTPBarPosition {
    xtpBarTop = 0,
    xtpBarBottom = 1,
    xtpBarLeft = 2,
    xtpBarRight = 3,
    xtpBarFloating = 4,
    xtpBarPopup = 5,
};

class CXTPCommandBar {
public:
    virtual ~CXTPCommandBar();
    CXTPCommandBar(const CXTPCommandBar&) = delete;
    CXTPCommandBar& operator=(const CXTPCommandBar&) = delete;

    XTPBarType GetType() const { return type_; }
    CXTPControls* GetControls() { return &controls_; }
    const CXTPControls* GetControls() const { return &controls_; }
    // The command bars this bar belongs to (a popup: those of its control's
    // bar); null while it belongs to none.
    CXTPCommandBars* GetCommandBars() const;
    // The frame that gets the bar's commands and notifications; null when
    // none.
    HWND GetSite() const;

    void SetTitle(LPCWSTR title);
    const std::u16string& GetTitle() const { return title_; }
    virtual void SetVisible(BOOL visible);
    virtual BOOL IsVisible() const;
    XTPBarPosition GetPosition() const { return position_; }

    // The bar's widget (for the layer and its tests); null when it has none.
    virtual QWidget* Widget() const = 0;

    // Shows the controls again after their list changed. Called by
    // CXTPControls; cheap enough for each change (a few dozen controls).
    virtual void ControlsChanged() = 0;
    // A control's tool-button style or icon changed.
    virtual void ControlChanged(CXTPControl& control);

protected:
    CXTPCommandBar(XTPBarType type, XTPBarPosition position);
    void SetCommandBars(CXTPCommandBars* commandBars) { commandBars_ = commandBars; }
    CXTPControlPopup* OwnerControl() const { return owner_; }

private:
    friend class CXTPCommandBars;
    friend class CXTPControlPopup;
    XTPBarType type_;
    XTPBarPosition position_;
    std::u16string title_;
    CXTPCommandBars* commandBars_ = nullptr;  // Not owned.
    CXTPControlPopup* owner_ = nullptr;       // a popup's control; Not owned.
    CXTPControls controls_;
};
