#include "oxn_progress.h"

#include "common/error_codes.h"
#include "ui/window_value.h"
#include "progress_window.h"
#include "ui/message_box.h"
#include "ui/message_queue.h"
#include "ui/window_functions.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <new>
#include <string>

namespace oxnvault {

namespace {

// Handles travel as 32-bit values (ui/window_value.h); the UI layer's handles fit.
LONG ValueOf(HWND hwnd) { return static_cast<LONG>(reinterpret_cast<intptr_t>(hwnd)); }

struct ButtonSet {
    LONG buttons;
    UINT style;
};
constexpr ButtonSet kButtonSets[] = {
    {COxnProgress::kAnswerGoOn, MB_OK},
    {COxnProgress::kAnswerGoOn | COxnProgress::kAnswerAbort, MB_OKCANCEL},
    {COxnProgress::kAnswerRetry | COxnProgress::kAnswerAbort, MB_RETRYCANCEL},
    {COxnProgress::kAnswerGoOn | COxnProgress::kAnswerRetry | COxnProgress::kAnswerAbort, MB_ABORTRETRYIGNORE},
};

struct IconCode {
    LONG code;
    UINT style;
};
constexpr IconCode kIcons[] = {
    {0, 0}, {'S', MB_ICONSTOP}, {'W', MB_ICONWARNING}, {'I', MB_ICONINFORMATION}, {'Q', MB_ICONQUESTION},
};

LONG AnswerOf(int pressed) {
    switch (pressed) {
    case IDOK:
    case IDIGNORE:
        return COxnProgress::kAnswerGoOn;
    case IDRETRY:
        return COxnProgress::kAnswerRetry;
    default:  // Abort, Cancel
        return COxnProgress::kAnswerAbort;
    }
}

// `position` moved on by `by`, kept within the 32-bit range (the bar keeps
// it within its own).
LONG Advanced(LONG position, LONG by) {
    return static_cast<LONG>(std::clamp<int64_t>(int64_t{position} + by, INT32_MIN, INT32_MAX));
}

std::u16string Decimal(LONG value) {
    std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

}  // namespace

COxnProgress::COxnProgress() = default;
COxnProgress::~COxnProgress() = default;

HRESULT COxnProgress::FinalConstruct() {
    window_.reset(new (std::nothrow) ProgressWindow(cancelled_));
    return window_ ? S_OK : E_OUTOFMEMORY;
}

// The slots callers never use: kept so that the used ones sit where callers
// find them.

HRESULT COxnProgress::StepText(BSTR text, LONG increment) {
    window_->SetLine(IDC_OXN_PROGRESS_LINE2, text);
    window_->SetPosition(Advanced(window_->Position(), increment));
    return PumpAndAnswer();
}

HRESULT COxnProgress::GetWindow(LONG* hWnd) {
    if (!hWnd) return E_POINTER;
    *hWnd = window_->Exists() ? ValueOf(window_->Handle()) : 0;
    return window_->Exists() ? S_OK : E_OXN_NOT_INITIALIZED;
}

HRESULT COxnProgress::Abort() {
    cancelled_ = true;
    window_->DisableCancel();
    return S_OK;
}

HRESULT COxnProgress::Open(BSTR caption, BSTR text, LONG minimum, LONG maximum, LONG position, LONG style) {
    if (style & ~(kStyleText | kStyleBar | kStyleCancel)) return E_INVALIDARG;
    cancelled_ = false;
    step_ = 1;
    return ShowWindowFor(caption, text, minimum, maximum, position, style);
}

HRESULT COxnProgress::StepDone() {
    window_->SetLine(IDC_OXN_PROGRESS_LINE2, u"");
    window_->SetPosition(Advanced(window_->Position(), step_));
    return S_OK;
}

HRESULT COxnProgress::SetOwner(LONG hWndOwner) {
    HWND owner = ui::WindowFromValue(hWndOwner);
    if (owner && !IsWindow(owner)) return E_INVALIDARG;
    owner_ = owner;
    return S_OK;
}

HRESULT COxnProgress::ShowMessage(BSTR caption, BSTR message, LONG buttons, LONG icon, LONG reserved, LONG* answer) {
    if (!answer) return E_POINTER;
    *answer = 0;
    const ButtonSet* set = nullptr;
    for (const auto& candidate : kButtonSets)
        if (candidate.buttons == buttons) set = &candidate;
    const IconCode* iconCode = nullptr;
    for (const auto& candidate : kIcons)
        if (candidate.code == icon) iconCode = &candidate;
    if (!set || !iconCode || reserved != 0) return E_INVALIDARG;

    HWND owner = window_->Exists() ? window_->Handle() : owner_;
    // The box's loop runs the thread's messages: a caller's handler may
    // release the caller's last reference meanwhile.
    AddRef();
    int pressed = MessageBoxW(owner, message ? message : u"", caption ? caption : u"", set->style | iconCode->style);
    Release();
    if (pressed == 0) return E_FAIL;
    *answer = AnswerOf(pressed);
    return S_OK;
}

HRESULT COxnProgress::SetTotals(LONG done, LONG failed, LONG total) {
    if (done < 0 || failed < 0 || total < 0) return E_INVALIDARG;
    if (!window_->Exists()) return S_FALSE;
    std::u16string line = Decimal(done) + u" of " + Decimal(total) + u" files";
    if (failed > 0) line += u", " + Decimal(failed) + u" failed";
    window_->SetLine(IDC_OXN_PROGRESS_TOTALS, line.c_str());
    return S_OK;
}

HRESULT COxnProgress::SetSecondPosition(LONG value) {
    window_->SetFilePercent(value);
    return S_OK;
}

HRESULT COxnProgress::BeginOperation(BSTR caption, BSTR text, LONG minimum, LONG value, LONG position, LONG step) {
    step_ = step > 0 ? step : 1;
    return ShowWindowFor(caption, text, minimum, value, position, kStyleText | kStyleBar | kStyleCancel);
}

HRESULT COxnProgress::SetRange(LONG value) {
    window_->SetRange(window_->Minimum(), value);
    return S_OK;
}

HRESULT COxnProgress::SetSecondText(BSTR text, LONG position) {
    window_->SetLine(IDC_OXN_PROGRESS_LINE2, text);
    window_->SetPosition(position);
    return PumpAndAnswer();
}

HRESULT COxnProgress::SetText(BSTR text) {
    window_->SetLine(IDC_OXN_PROGRESS_LINE1, text);
    return S_OK;
}

void COxnProgress::FinalRelease() { window_.reset(); }

HRESULT COxnProgress::ShowWindowFor(BSTR caption, BSTR text, LONG minimum, LONG maximum, LONG position, LONG style) {
    if (!window_->Open(owner_)) return E_FAIL;
    SetWindowTextW(window_->Handle(), caption ? caption : u"");
    window_->SetLine(IDC_OXN_PROGRESS_LINE1, text);
    window_->SetLine(IDC_OXN_PROGRESS_LINE2, u"");
    window_->SetLine(IDC_OXN_PROGRESS_TOTALS, u"");
    window_->SetRange(minimum, maximum);
    window_->SetPosition(position);
    window_->SetFilePercent(0);
    window_->ShowParts(style & kStyleText, style & kStyleBar, style & kStyleCancel);
    return S_OK;
}

HRESULT COxnProgress::PumpAndAnswer() {
    if (window_->Exists()) UpdateWindow(window_->Handle());
    // Any window of the process may act now, the Cancel button included. A
    // quit request met here stays for the application's loop.
    AddRef();  // a handler may release the caller's last reference
    ui::PumpWaitingMessages();
    HRESULT answer = cancelled_ ? S_FALSE : S_OK;
    Release();
    return answer;
}

}  // namespace oxnvault
