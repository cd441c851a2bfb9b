// CXTPPopupBar: the controls a popup control opens, shown as a QMenu.
#pragma once

#include "ui/toolkit/command_bar.h"

class QMenu;

class CXTPPopupBar : public CXTPCommandBar {
public:
    CXTPPopupBar();
    ~CXTPPopupBar() override;

    // The control that opens this popup; null when none.
    CXTPControlPopup* GetControlPopup() const;

    QWidget* Widget() const override;
    QMenu* Menu() const;
    void ControlsChanged() override;
    void ControlChanged(CXTPControl& control) override;
    BOOL IsVisible() const override;

private:
    struct Widgets;
    std::unique_ptr<Widgets> widgets_;
};
