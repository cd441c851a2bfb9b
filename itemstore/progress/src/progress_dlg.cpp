#include "progress_dlg.h"

#include "ui/window_functions.h"

namespace {

const ui::DialogTemplate kProgressTemplate{
    IDD_PROGRESS,
    "Progress",
    u"Progress",
    273,
    65,
    u"MS Shell Dlg",
    8,
    {
        {IDC_PROGRESS_MESSAGE1, ui::ControlKind::Static, u"Message 1", 7, 7, 259, 8, SS_LEFT},
        {IDC_PROGRESS_MESSAGE2, ui::ControlKind::Static, u"Message 2", 7, 16, 259, 8, SS_LEFT},
        {IDC_PROGRESS_BAR, ui::ControlKind::ProgressBar, u"", 7, 26, 259, 14, WS_BORDER},
        {IDC_PROGRESS_CANCEL, ui::ControlKind::Button, u"Cancel", 112, 44, 50, 14},
    },
};

}  // namespace

ProgressDlg::ProgressDlg(bool& cancelled) : ui::Dialog(kProgressTemplate), mbCancelled(cancelled) {}

ProgressDlg::~ProgressDlg() {
    if (Exists()) DestroyWindow(Handle());
}

void ProgressDlg::OnCommand(int id, int, HWND) {
    // Enter and Escape (IDOK, IDCANCEL) do nothing: only the Cancel button
    // cancels, and only Close closes the window.
    if (id != IDC_PROGRESS_CANCEL) return;
    mbCancelled = true;
    EnableWindow(GetDlgItem(IDC_PROGRESS_CANCEL), FALSE);
}
