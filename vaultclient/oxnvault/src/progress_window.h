// The vault client's progress window: a modeless dialog with a caption, two
// text lines (what the operation does, the file it is at), the operation's
// bar, the current file's bar, a line of totals and a Cancel button. The
// progress object (oxn_progress.h) owns one and drives it; the window shows
// what it is told and remembers a cancel in the object's flag.
#pragma once

#include "ui/dialog.h"

namespace oxnvault {

enum : int {
    IDC_OXN_PROGRESS_LINE1 = 1001,
    IDC_OXN_PROGRESS_LINE2 = 1002,
    IDC_OXN_PROGRESS_BAR = 1003,
    IDC_OXN_PROGRESS_FILE_BAR = 1004,
    IDC_OXN_PROGRESS_TOTALS = 1005,
    IDC_OXN_PROGRESS_CANCEL = 1006,
};

class ProgressWindow : public ui::Dialog {
public:
    // `cancelled` is the progress object's flag, set when the user cancels;
    // it outlives the window.
    explicit ProgressWindow(bool& cancelled);
    ~ProgressWindow() override;

    // Makes the window owned by `owner` (may be null), centred over it, and
    // shows it; an open window stays as it is. False when it cannot be made
    // (the owner is gone).
    bool Open(HWND owner);

    void SetLine(int controlId, const char16_t* text);
    // Which parts show: the texts (both lines and the totals), the two bars,
    // the Cancel button. A shown Cancel is enabled unless the operation was
    // cancelled already.
    void ShowParts(bool texts, bool bars, bool cancel);
    // The operation's bar runs from `minimum` to `maximum` (maximum <=
    // minimum: nothing measured, an empty bar); the position stays inside.
    void SetRange(LONG minimum, LONG maximum);
    void SetPosition(LONG position);
    LONG Minimum() const;
    LONG Maximum() const;
    LONG Position() const;
    // The current file's bar, 0 to 100.
    void SetFilePercent(LONG percent);
    // Cancel pressed, or the operation aborted: the button is disabled.
    void DisableCancel();

protected:
    void OnCommand(int id, int notifyCode, HWND control) override;

private:
    LRESULT Bar(int controlId, UINT message, WPARAM wParam, LPARAM lParam) const;

    bool& cancelled_;
    bool cancelOffered_ = false;
};

}  // namespace oxnvault
