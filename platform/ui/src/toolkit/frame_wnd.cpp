#include "ui/toolkit/frame_wnd.h"

#include "ui/framework/framework_ids.h"

IMPLEMENT_DYNAMIC(CXTPFrameWnd, CFrameWnd)

namespace {

// The update-UI request of one control: the handlers' answers change the
// control.
class ControlCmdUI : public CCmdUI {
public:
    explicit ControlCmdUI(CXTPControl& control) : control_(control) {
        m_nID = static_cast<UINT>(control.GetID());
        m_nIndex = static_cast<UINT>(std::max(control.GetIndex(), 0));
    }
    void Enable(BOOL on) override {
        m_bEnableChanged = TRUE;
        control_.SetEnabled(on);
    }
    void SetCheck(int check) override { control_.SetChecked(check != 0); }
    void SetRadio(BOOL on) override { control_.SetChecked(on); }
    void SetText(LPCTSTR text) override { control_.SetCaption(text); }

private:
    CXTPControl& control_;
};

}  // namespace

CXTPFrameWnd::CXTPFrameWnd() = default;

CXTPFrameWnd::~CXTPFrameWnd() = default;

BOOL CXTPFrameWnd::InitCommandBars() {
    if (commandBars_) return TRUE;
    if (!Exists()) return FALSE;
    commandBars_ = std::make_unique<CXTPCommandBars>(Handle());
    return TRUE;
}

void CXTPFrameWnd::UpdateCommandBars() {
    if (!commandBars_) return;
    commandBars_->ForEachControl([this](CXTPControl& control) {
        if ((control.GetFlags() & xtpFlagManualUpdate) || control.GetID() == 0 || control.GetType() == xtpControlPopup)
            return;
        ControlCmdUI state(control);
        state.DoUpdate(this, TRUE);
    });
}

LRESULT CXTPFrameWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_IDLEUPDATECMDUI) UpdateCommandBars();
    LRESULT result = CFrameWnd::WindowProc(message, wParam, lParam);
    // The bars go with the window, after the frame's own WM_DESTROY handling.
    if (message == WM_DESTROY) commandBars_.reset();
    return result;
}
