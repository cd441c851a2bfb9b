// CXTPCaption: a caption bar over a part of a frame (the frame's "Action
// Pane" band), a label on a vertical gradient.
#pragma once

#include "ui/framework/wnd.h"
#include "ui/window.h"

#include <string>

// Static control styles a caption honours: centred text, vertically
// centred.
#define SS_CENTER 0x0001L
#define SS_CENTERIMAGE 0x0200L

class CXTPCaption : public ui::Window {
public:
    CXTPCaption();
    ~CXTPCaption() override;

    // Creates the caption as a child of `parent` with text `caption`, style
    // `style` (WS_CHILD; WS_VISIBLE shows it; SS_CENTER centres the text,
    // else it is at the left), at `rect` in the parent's client area, with
    // control id `id`. Colours are those of the colour manager (gradient
    // from 15 to 16, text 5) until SetCaptionColors. FALSE when it exists or
    // `parent` is no window.
    BOOL Create(HWND parent, LPCWSTR caption, DWORD style, const RECT& rect, UINT id);
    BOOL Create(CWnd* parent, LPCWSTR caption, DWORD style, const RECT& rect, UINT id) {
        return Create(parent ? parent->GetSafeHwnd() : nullptr, caption, style, rect, id);
    }

    // The gradient runs from `top` to `bottom`; the text is drawn in `text`.
    void SetCaptionColors(COLORREF top, COLORREF bottom, COLORREF text);
    void SetCaption(LPCWSTR caption);
    std::u16string GetCaption() const { return Text(); }
    UINT GetDlgCtrlID() const { return id_; }

    std::u16string Text() const override;
    void SetText(std::u16string_view text) override;

private:
    void ApplyColors();

    UINT id_ = 0;
    COLORREF top_ = 0, bottom_ = 0, text_ = 0;
};
