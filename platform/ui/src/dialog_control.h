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
