// CXTPToolBar: a tool bar of the frame, a QToolBar of its main window
// (object name = the bar's title) showing its controls as tool buttons.
#pragma once

#include "ui/toolkit/command_bar.h"

class QToolBar;

class CXTPToolBar : public CXTPCommandBar {
public:
    ~CXTPToolBar() override;

    // With the gripper off the bar cannot be moved by the user.
    void SetShowGripper(BOOL show);
    BOOL GetShowGripper() const { return showGripper_; }

    QWidget* Widget() const override;
    void ControlsChanged() override;
    void ControlChanged(CXTPControl& control) override;

protected:
    friend class CXTPCommandBars;
    CXTPToolBar(XTPBarType type, XTPBarPosition position);
    // Makes the bar's QToolBar in `host` (a QMainWindow).
    void CreateToolBarWidget(QWidget* host);

private:
    struct Widgets;
    std::unique_ptr<Widgets> widgets_;
    bool showGripper_ = true;
};
