// The ui::Dialog behind a CDialog: made for one DoModal or Create, it
// forwards every message to the CDialog (whose message map comes first)
// and gives ui::Dialog's own handling back as the CDialog's default.
#pragma once

#include "framework_window_host.h"
#include "ui/dialog.h"
#include "ui/framework/dialog.h"
#include "ui/window_functions.h"

namespace ui::detail {

class DialogHost : public ui::Dialog, public FrameworkWindowHost {
public:
    DialogHost(const DialogTemplate& dialogTemplate, CDialog& owner) : ui::Dialog(dialogTemplate), owner_(owner) {}
    ~DialogHost() override {
        // While the CDialog can still take WM_DESTROY.
        if (Exists()) DestroyWindow(Handle());
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        return owner_.WindowProc(message, wParam, lParam);
    }
    // ui::Dialog's handling, the CDialog's DefWindowProc.
    LRESULT DefaultWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
        return ui::Dialog::WindowProc(message, wParam, lParam);
    }
    CWnd* FrameworkWindow() const override { return &owner_; }

private:
    CDialog& owner_;
};

}  // namespace ui::detail
