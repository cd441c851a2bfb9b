// The report control's in-place editor: a line edit over a cell that is a
// child window of the control of class "Edit", so the system's code reaches
// it by handle (EM_SETSEL, EM_SCROLLCARET, EM_LIMITTEXT, WM_SETTEXT).
//
// Enter or the editor losing the focus commits, Escape cancels. Ending
// closes the editor first (its window is destroyed) and then calls the
// finishing function once with the outcome and the text, so that whatever
// that function does (repopulate the control, open another editor) finds
// no editor open; the editor object is not touched after the call.
#pragma once

#include "ui/window.h"

#include <QRect>

#include <functional>
#include <string>

class QLineEdit;
class QWidget;

namespace ui {

class ReportInPlaceEdit : public Window {
public:
    // committed: Enter or focus loss (true), Escape or Cancel (false).
    using Finished = std::function<void(bool committed, const std::u16string& text)>;

    ReportInPlaceEdit();
    ~ReportInPlaceEdit() override;

    // Opens the editor as a child window of `control` inside `parent` (the
    // control's report area) at `rect` (in `parent`'s coordinates) with
    // `text` (cut to `maxLength` units when positive), all of it selected,
    // and gives it the focus. An editor still open is cancelled first.
    // Null when no window could be made.
    HWND Open(HWND control, QWidget* parent, const QRect& rect, std::u16string_view text, int maxLength,
              Finished finished);
    bool IsOpen() const { return Exists(); }
    // Ends an open editor: commits (true) or cancels; nothing when none is
    // open.
    void End(bool commit);
    // Moves an open editor (the cell scrolled or resized).
    void Place(const QRect& rect);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    std::u16string Text() const override;
    void SetText(std::u16string_view text) override;

private:
    QLineEdit* LineEdit() const;

    Finished finished_;
};

}  // namespace ui
