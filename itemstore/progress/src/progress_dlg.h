// The progress window: dialog 164 "Progress" with two message lines, the
// bar and a Cancel button.
#pragma once

#include "ui/dialog.h"

enum : int {
    IDD_PROGRESS = 164,
    IDC_PROGRESS_BAR = 1006,
    IDC_PROGRESS_MESSAGE1 = 1007,
    IDC_PROGRESS_MESSAGE2 = 1008,
    IDC_PROGRESS_CANCEL = 1009,
};

class ProgressDlg : public ui::Dialog {
public:
    // `cancelled` is the progress object's flag, set when the user presses
    // Cancel; it outlives the dialog.
    explicit ProgressDlg(bool& cancelled);
    ~ProgressDlg() override;

protected:
    void OnCommand(int id, int notifyCode, HWND control) override;

private:
    bool& mbCancelled;
};
