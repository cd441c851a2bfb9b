// _com_error: a failed HRESULT thrown as an exception, with the error info
// that describes it, and the routines that raise one.
//
// Code inside a method raises; the method's boundary (com/method_boundary.h)
// catches, puts the error info into the thread's slot and returns the
// HRESULT, so its caller reads the description once with GetErrorInfo.
#pragma once

#include "com/bstr_t.h"
#include "com/error_info.h"

class _com_error {
public:
    // Takes over the caller's reference on `errorInfo` (may be null), or
    // adds one of its own when `addRef` is set.
    explicit _com_error(HRESULT hr, IErrorInfo* errorInfo = nullptr, bool addRef = false) noexcept;
    // Copies share the error info, each with its own reference.
    _com_error(const _com_error& other) noexcept;
    _com_error& operator=(const _com_error& other) noexcept;
    ~_com_error();

    HRESULT Error() const noexcept { return hr_; }
    // The error info with a reference for the caller, or null.
    IErrorInfo* ErrorInfo() const noexcept;
    // From the error info; null strings and GUID_NULL without one.
    _bstr_t Description() const;
    _bstr_t Source() const;
    ::GUID GUID() const noexcept;
    // The system's text for the HRESULT, without its trailing line break;
    // without one, "IDispatch error #n" for the codes 0x80040201 to
    // 0x8004FFFF (n = code - 0x80040200), else "Unknown error 0x" and the
    // code in hexadecimal. Owned by this object.
    const WCHAR* ErrorMessage() const noexcept;

private:
    HRESULT hr_;
    IErrorInfo* errorInfo_;
    mutable WCHAR* message_ = nullptr;  // made on first use
};

// Throws _com_error(hr, errorInfo), which takes over the caller's reference.
[[noreturn]] void _com_raise_error(HRESULT hr, IErrorInfo* errorInfo = nullptr);
// Throws _com_error(hr) without error info.
[[noreturn]] void _com_issue_error(HRESULT hr);
// Throws _com_error(hr) for a failed call of interface `riid` on `object`:
// with the thread's error info when the object says (ISupportErrorInfo) that
// its error info belongs to that interface's calls, else without.
[[noreturn]] void _com_issue_errorex(HRESULT hr, IUnknown* object, REFIID riid);
