// CXTPControlPopup: a control that opens a popup bar of further controls
// (xtpControlPopup: a menu or a drop-down tool button), or a button with an
// arrow beside it that opens one (xtpControlButtonPopup).
//
// Before the popup shows, the frame is SENT XTP_CBN_POPUPOPENING (0x285B,
// lParam the popup's CXTPCommandBar*), so it can fill the popup then; after
// it closed, the frame is POSTED XTP_CBN_POPUPCLOSED (0x285D, same lParam)
// once the picked control's WM_COMMAND was posted, so the frame may empty
// the popup without losing the pick.
#pragma once

#include "ui/toolkit/control.h"

#include <memory>

class CXTPPopupBar;

#define XTP_CBN_POPUPOPENING 0x285B
#define XTP_CBN_POPUPCLOSED 0x285D

class CXTPControlPopup : public CXTPControl {
public:
    explicit CXTPControlPopup(XTPControlType type = xtpControlPopup);
    ~CXTPControlPopup() override;

    // The popup's bar, whose controls the popup shows; it lives as long as
    // the control.
    CXTPCommandBar* GetCommandBar() const;

private:
    std::unique_ptr<CXTPPopupBar> popup_;
};
