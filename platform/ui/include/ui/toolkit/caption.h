// CXTPCaption: a caption bar over a part of a frame (the frame's "Action
// Pane" band), a framework window (CWnd) showing a label on a vertical
// gradient.
#pragma once

#include "ui/framework/wnd.h"

#include <string>

// Static control styles a caption honours: centred text, vertically
// centred.
#define SS_CENTER 0x0001L
#define SS_CENTERIMAGE 0x0200L

class CXTPCaption : public CWnd {
public:
    CXTPCaption();
    ~CXTPCaption() override;

    // Creates the caption as child `nID` of `pParentWnd` with text
    // `lpszCaption`, style `dwStyle` (WS_CHILD; WS_VISIBLE shows it;
    // SS_CENTER centres the text, else it is at the left), at `rect` in the
    // parent's client area. Colours are those of the colour manager
    // (gradient from 15 to 16, text 5) until SetCaptionColors. FALSE when it
    // exists, the style lacks WS_CHILD or the parent is no window.
    using CWnd::Create;
    BOOL Create(CWnd* pParentWnd, LPCWSTR lpszCaption, DWORD dwStyle, const RECT& rect, UINT nID);

    // The gradient runs from `top` to `bottom`; the text is drawn in `text`.
    void SetCaptionColors(COLORREF top, COLORREF bottom, COLORREF text);
    void SetCaption(LPCWSTR caption);
    std::u16string GetCaption() const { return Text(); }

    std::u16string Text() const override;
    void SetText(std::u16string_view text) override;

protected:
    QWidget* CreateWidget(QWidget* parent, bool child) override;

private:
    void ApplyColors();

    COLORREF top_ = 0, bottom_ = 0, text_ = 0;
};
