// CXTPFrameWnd: a framework frame (CFrameWnd, its widget a QMainWindow)
// with the toolkit's command bars.
//
// InitCommandBars makes the frame's CXTPCommandBars; when the application
// goes idle the framework sends the frame WM_IDLEUPDATECMDUI, and the frame
// then routes a CCmdUI for every control that is not xtpFlagManualUpdate
// through its OnCmdMsg: a control whose command no target handles is
// disabled, and update handlers enable, check or rename it.
#pragma once

#include "ui/framework/frame_wnd.h"
#include "ui/toolkit/command_bars.h"

#include <memory>

class CXTPFrameWnd : public CFrameWnd {
    DECLARE_DYNAMIC(CXTPFrameWnd)
public:
    CXTPFrameWnd();
    ~CXTPFrameWnd() override;

    // Makes the frame's command bars (once the frame's window exists).
    // FALSE before that; TRUE when they exist already.
    BOOL InitCommandBars();
    CXTPCommandBars* GetCommandBars() const { return commandBars_.get(); }

    // The update-UI pass over the controls (what WM_IDLEUPDATECMDUI runs).
    void UpdateCommandBars();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    std::unique_ptr<CXTPCommandBars> commandBars_;
};
