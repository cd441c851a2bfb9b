// The callbacks the client library calls on the item server during its
// operations (the item server implements them). Called by vtable slot,
// QueryInterface being slot 0. IItmCallBack, the third callback, belongs to
// the item server's own library (bellquist/operation_interfaces.h).
#pragma once

#include "com/bstr.h"
#include "com/dispatch.h"
#include "com/unknown.h"
#include "com/variant.h"
#include "winapi/types.h"

namespace TavroskClientLib {

// A dialog of the client library that the feedback lets it show.
// Dual: slot 7 is its first own method.
struct ITavroskDialog : IDispatch {
    COM_INTERFACE_ID("B90C8F86-25F4-4EA3-9AA2-19CE4F7AC911");
    // Slot 7: shows the dialog owned by the window; poSelf is this object.
    virtual HRESULT STDMETHODCALLTYPE ShowDialog(ULONGLONG hParentWnd, ITavroskDialog* poSelf, VARIANT vArgument) = 0;

protected:
    ~ITavroskDialog() = default;
};

// Progress, messages and dialogs of an operation. Dual: slots 7 to 15.
struct ITavroskFeedback : IDispatch {
    COM_INTERFACE_ID("E2CF9A2A-08B2-4536-BDF5-F02FE6CFEF4A");
    // Slots 7 to 11: progress notices.
    virtual HRESULT STDMETHODCALLTYPE ProgressNotice7() = 0;
    virtual HRESULT STDMETHODCALLTYPE ProgressNotice8() = 0;
    virtual HRESULT STDMETHODCALLTYPE ProgressNotice9() = 0;
    virtual HRESULT STDMETHODCALLTYPE ProgressNotice10() = 0;
    virtual HRESULT STDMETHODCALLTYPE ProgressNotice11() = 0;
    // Slot 12: a message for the user. ulFlags: 0x4 cancel button, 0x20 or
    // 0x40 a yes/no question, 0x800 error, 0x1000 question icon, 0x80000
    // silent (no answer written). *pulAnswer: 1 ok, 4 cancel, 8 yes, 32 no.
    virtual HRESULT STDMETHODCALLTYPE ShowMessage(BSTR bsText, VARIANT* pvDetail, ULONG ulFlags, LONG lReserved1,
                                                  LONG lReserved2, ULONG* pulAnswer) = 0;
    // Slots 13 and 14: progress notices.
    virtual HRESULT STDMETHODCALLTYPE ProgressNotice13() = 0;
    virtual HRESULT STDMETHODCALLTYPE ProgressNotice14() = 0;
    // Slot 15: lets the dialog show itself (its slot 7) unless the operation
    // runs silently.
    virtual HRESULT STDMETHODCALLTYPE HandOffDialog(ITavroskDialog* poDialog, VARIANT vArgument) = 0;

protected:
    ~ITavroskFeedback() = default;
};

// Whether a locked local file may be replaced.
struct IConfirmReplace : IUnknown {
    COM_INTERFACE_ID("93298212-C461-44A1-B245-5DFB53294043");
    // Slot 3: S_OK with *pbReplace set; S_FALSE (cancel) with it unwritten.
    virtual HRESULT STDMETHODCALLTYPE ConfirmReplace(BSTR bsFilePath, VARIANT_BOOL* pbReplace) = 0;

protected:
    ~IConfirmReplace() = default;
};

}  // namespace TavroskClientLib
