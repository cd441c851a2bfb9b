#include "progress_window.h"

#include "ui/message_queue.h"
#include "ui/window_functions.h"
#include "ui/window_messages.h"
#include "ui/window_placement.h"

#include <algorithm>

namespace oxnvault {

namespace {

const ui::DialogTemplate kProgressTemplate{
    0,
    "VaultProgress",
    u"Progress",
    273,
    86,
    u"MS Shell Dlg",
    8,
    {
        {IDC_OXN_PROGRESS_LINE1, ui::ControlKind::Static, u"", 7, 7, 259, 8, SS_LEFT},
        {IDC_OXN_PROGRESS_LINE2, ui::ControlKind::Static, u"", 7, 17, 259, 8, SS_LEFT},
        {IDC_OXN_PROGRESS_BAR, ui::ControlKind::ProgressBar, u"", 7, 28, 259, 12, WS_BORDER},
        {IDC_OXN_PROGRESS_FILE_BAR, ui::ControlKind::ProgressBar, u"", 7, 43, 259, 6, WS_BORDER},
        {IDC_OXN_PROGRESS_TOTALS, ui::ControlKind::Static, u"", 7, 52, 259, 8, SS_LEFT},
        {IDC_OXN_PROGRESS_CANCEL, ui::ControlKind::Button, u"Cancel", 112, 65, 50, 14},
    },
};

}  // namespace

ProgressWindow::ProgressWindow(bool& cancelled) : ui::Dialog(kProgressTemplate), cancelled_(cancelled) {}

ProgressWindow::~ProgressWindow() {
    if (Exists()) DestroyWindow(Handle());
}

bool ProgressWindow::Open(HWND owner) {
    if (Exists()) return true;
    HWND hwnd = Create(owner);
    if (!hwnd) return false;
    ui::CenterWindow(hwnd, owner);
    SetRange(0, 0);
    Bar(IDC_OXN_PROGRESS_FILE_BAR, PBM_SETRANGE32, 0, 100);
    ShowWindow(hwnd, SW_SHOW);
    return true;
}

void ProgressWindow::SetLine(int controlId, const char16_t* text) {
    if (Exists()) SetDlgItemTextW(Handle(), controlId, text ? text : u"");
}

void ProgressWindow::ShowParts(bool texts, bool bars, bool cancel) {
    if (!Exists()) return;
    for (int id : {IDC_OXN_PROGRESS_LINE1, IDC_OXN_PROGRESS_LINE2, IDC_OXN_PROGRESS_TOTALS})
        ShowWindow(GetDlgItem(id), texts ? SW_SHOW : SW_HIDE);
    for (int id : {IDC_OXN_PROGRESS_BAR, IDC_OXN_PROGRESS_FILE_BAR})
        ShowWindow(GetDlgItem(id), bars ? SW_SHOW : SW_HIDE);
    HWND button = GetDlgItem(IDC_OXN_PROGRESS_CANCEL);
    cancelOffered_ = cancel;
    ShowWindow(button, cancel ? SW_SHOW : SW_HIDE);
    EnableWindow(button, cancelled_ ? FALSE : TRUE);
}

void ProgressWindow::SetRange(LONG minimum, LONG maximum) {
    Bar(IDC_OXN_PROGRESS_BAR, PBM_SETRANGE32, static_cast<WPARAM>(minimum), std::max(minimum, maximum));
}

void ProgressWindow::SetPosition(LONG position) {
    Bar(IDC_OXN_PROGRESS_BAR, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

LONG ProgressWindow::Minimum() const { return static_cast<LONG>(Bar(IDC_OXN_PROGRESS_BAR, PBM_GETRANGE, TRUE, 0)); }
LONG ProgressWindow::Maximum() const { return static_cast<LONG>(Bar(IDC_OXN_PROGRESS_BAR, PBM_GETRANGE, FALSE, 0)); }
LONG ProgressWindow::Position() const { return static_cast<LONG>(Bar(IDC_OXN_PROGRESS_BAR, PBM_GETPOS, 0, 0)); }

void ProgressWindow::SetFilePercent(LONG percent) {
    Bar(IDC_OXN_PROGRESS_FILE_BAR, PBM_SETPOS, static_cast<WPARAM>(std::clamp(percent, LONG{0}, LONG{100})), 0);
}

void ProgressWindow::DisableCancel() {
    if (Exists()) EnableWindow(GetDlgItem(IDC_OXN_PROGRESS_CANCEL), FALSE);
}

LRESULT ProgressWindow::Bar(int controlId, UINT message, WPARAM wParam, LPARAM lParam) const {
    return Exists() ? SendMessageW(GetDlgItem(controlId), message, wParam, lParam) : 0;
}

void ProgressWindow::OnCommand(int id, int, HWND) {
    // The Cancel button, Escape and the title bar's close (IDCANCEL) cancel
    // while the button is offered; Enter does nothing. The window stays: its
    // object closes it when the operation is over.
    if (id != IDC_OXN_PROGRESS_CANCEL && id != IDCANCEL) return;
    if (!cancelOffered_ || cancelled_) return;
    cancelled_ = true;
    DisableCancel();
}

}  // namespace oxnvault
