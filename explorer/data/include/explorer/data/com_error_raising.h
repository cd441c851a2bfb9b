// Raising COM errors in the explorer. Inside the explorer a failed COM call
// is thrown as a _com_error: its HRESULT with the IErrorInfo that describes
// it, when there is one. The command handlers and views catch it at their
// boundary and report the HRESULT; the document's item operations catch it,
// put its error info into the thread's slot and return the HRESULT.
//
// _com_error is the only exception these helpers throw. The fixed
// descriptions of the array helpers are ComErrorText (common/com_errors.h).
#pragma once

#include "common/com_errors.h"

#include "com/com_error.h"
#include "com/com_ptr.h"
#include "com/error_info.h"
#include "com/unknown.h"
#include "winapi/types.h"

// A new error object whose description is a copy of `description`: its
// IErrorInfo, with a reference for the caller, or null when the object cannot
// be made or asked for IErrorInfo. Raises E_OUTOFMEMORY when the description
// cannot be copied.
IErrorInfo* MakeErrorInfo(const WCHAR* description);

// Throws _com_error(hr) with the error info MakeErrorInfo makes of
// `description` (none when it cannot be made).
[[noreturn]] void ThrowComErrorWithDescription(HRESULT hr, const WCHAR* description);

// The raising half of CheckHResult, for a failed hr: with the thread's
// pending error info when there is one (it describes the failure first seen,
// deeper down), else with `description` when one is given, else without
// error info.
[[noreturn]] void RaiseFailedHResult(HRESULT hr, const WCHAR* description = nullptr);

// Returns when `hr` is not a failure; otherwise raises it (RaiseFailedHResult).
inline void CheckHResult(HRESULT hr, const WCHAR* description = nullptr) {
    if (FAILED(hr)) RaiseFailedHResult(hr, description);
}

// A failed call of interface `riid` on `object`, raised with the interface's
// error info: the thread's error info goes with hr only when the object says
// (ISupportErrorInfo) that it describes that interface's calls; else none.
// Returns when `hr` is not a failure.
inline void gvCheckCall(HRESULT hr, IUnknown* object, REFIID riid) {
    if (FAILED(hr)) _com_issue_errorex(hr, object, riid);
}
// The same for a typed interface pointer, whose IID is the interface's own:
// gvCheckCall(item->get_Path(&path), item).
template <class I>
void gvCheckCall(HRESULT hr, I* object) {
    if (FAILED(hr)) _com_issue_errorex(hr, object, com::uuidof<I>());
}
template <class I>
void gvCheckCall(HRESULT hr, const com::ComPtr<I>& object) {
    gvCheckCall(hr, object.GetInterfacePtr());
}
