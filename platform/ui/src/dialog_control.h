// A control of a dialog: a child window made from a template entry.
#pragma once

#include "ui/dialog_template.h"
#include "ui/window.h"

#include <QRect>

#include <memory>

class QWidget;

namespace ui::detail {

class DialogControl : public Window {
public:
    // Makes the control's widget inside `dialogWidget` at `pixels` and gives
    // it its handle. Null when no handle is left.
    static std::unique_ptr<DialogControl> Create(const ui::DialogControl& entry, HWND dialog, QWidget* dialogWidget,
                                                 const QRect& pixels);

    int Id() const { return id_; }
    ControlKind Kind() const { return kind_; }

    // Asks the dialog for the control's colours (WM_CTLCOLORSTATIC for a
    // label and a read-only or disabled edit, WM_CTLCOLOREDIT, WM_CTLCOLORBTN)
    // with a DC that records SetTextColor, SetBkColor and SetBkMode, and
    // makes the answer the widget's palette: the brush's colour its
    // background (a hollow brush: transparent), the text colour its text.
    // An answer of 0 gives the control its own colours back. Called once
    // the dialog is initialised and before each paint of the control.
    void ApplyDialogColours();

    std::u16string Text() const override;
    void SetText(std::u16string_view text) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    DialogControl(int id, ControlKind kind) : id_(id), kind_(kind) {}
    void ShowProgress();

    int id_;
    ControlKind kind_;
    // A progress bar's range and position, kept here because an empty
    // range would make Qt's bar spin as "busy".
    LONG low_ = 0, high_ = 100, position_ = 0;
};

}  // namespace ui::detail
