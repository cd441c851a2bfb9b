// IItmProgress: the progress window of long item operations (check-in, undo
// check-out). The item manager makes one for the explorer's window with
// gpoCreateProgObj and hands it to the back end that runs the operation;
// the back end shows it, advances it, learns of a cancel from SetPos and
// may ask the user a question in a message box owned by the window.
//
// Private to the item server: the interface is not in its type library.
// All calls run on the GUI thread.
#pragma once

#include "com/bstr.h"
#include "com/dispatch.h"
#include "common/error_codes.h"
#include "winapi/errors.h"
#include "winapi/types.h"

// Ask's buttons and answers, one bit per button.
enum ItmProgButton : LONG {
    ItmProgBtn_OK = 1,
    ItmProgBtn_Cancel = 2,
    ItmProgBtn_Retry = 4,
    ItmProgBtn_Yes = 8,
    ItmProgBtn_No = 16,
};

struct IItmProgress : IDispatch {
    COM_INTERFACE_ID("B95B9DC5-BEB6-4488-82AC-E02DCA047177");
    // Opens the window with `caption` unless it is open already (then
    // nothing changes). `layout` is an ItmProgLayout mask: with
    // ItmProgLay_CancelBtn the window has a Cancel button. E_FAIL when the
    // window cannot be made.
    virtual HRESULT STDMETHODCALLTYPE Show(BSTR caption, LONG layout) = 0;
    virtual HRESULT STDMETHODCALLTYPE Close() = 0;
    // The bar runs from 0 to `maximum`; the first line shows `line1`, the
    // second is cleared.
    virtual HRESULT STDMETHODCALLTYPE SetRange(LONG maximum, BSTR line1) = 0;
    // Moves the bar, shows `line2`, and lets every waiting message of the
    // thread be handled (callers must expect re-entrant calls).
    // E_OXN_CANCELLED_BY_USER once the user cancelled (the back end returns
    // it as the operation's result, and the explorer does not show it as an
    // error); S_OK without a window.
    virtual HRESULT STDMETHODCALLTYPE SetPos(LONG position, BSTR line2) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResetPos() = 0;
    // A message box with the exclamation icon. `buttons` is one of 1 (OK),
    // 3 (OK, Cancel), 6 (Retry, Cancel), 24 (Yes, No), 26 (Yes, No,
    // Cancel), else E_INVALIDARG; *answer is the pressed button's bit.
    virtual HRESULT STDMETHODCALLTYPE Ask(BSTR caption, BSTR text, LONG buttons, LONG* answer) = 0;

protected:
    ~IItmProgress() = default;
};

inline constexpr IID IID_IItmProgress = IItmProgress::kIid;

// A new progress object for `parent` (may be null), with no window yet and
// not cancelled; one reference for the caller. Null when memory runs out.
IItmProgress* gpoCreateProgObj(HWND parent);
