// Error info: the description of a failure that travels beside its HRESULT.
//
// A method that fails sets the thread's error info (SetErrorInfo) and returns
// its HRESULT; the caller takes it (GetErrorInfo). The slot is per thread and
// is taken once: GetErrorInfo hands the reference over and empties the slot,
// so a stale description never sticks to a later failure.
#pragma once

#include "com/bstr.h"
#include "com/unknown.h"

struct IErrorInfo : IUnknown {
    COM_INTERFACE_ID("1CF2B120-547D-101B-8E65-08002B2BD119");
    // The interface that defined the error; GUID_NULL when unknown.
    virtual HRESULT STDMETHODCALLTYPE GetGUID(GUID* guid) = 0;
    // The texts are new BSTRs that the caller frees (null when never set).
    virtual HRESULT STDMETHODCALLTYPE GetSource(BSTR* source) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDescription(BSTR* description) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR* helpFile) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD* helpContext) = 0;

protected:
    ~IErrorInfo() = default;
};

// Fills an error object; the texts are copied (null clears one).
struct ICreateErrorInfo : IUnknown {
    COM_INTERFACE_ID("22F03340-547D-101B-8E65-08002B2BD119");
    virtual HRESULT STDMETHODCALLTYPE SetGUID(REFGUID guid) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSource(LPCOLESTR source) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDescription(LPCOLESTR description) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetHelpFile(LPCOLESTR helpFile) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetHelpContext(DWORD helpContext) = 0;

protected:
    ~ICreateErrorInfo() = default;
};

// Tells callers whether the error info left after a failed call of interface
// `riid` belongs to that call: S_OK when it does, S_FALSE when not.
struct ISupportErrorInfo : IUnknown {
    COM_INTERFACE_ID("DF0B3D60-548F-101B-8E65-08002B2BD119");
    virtual HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) = 0;

protected:
    ~ISupportErrorInfo() = default;
};

typedef IErrorInfo* LPERRORINFO;
typedef ICreateErrorInfo* LPCREATEERRORINFO;
typedef ISupportErrorInfo* LPSUPPORTERRORINFO;

inline constexpr IID IID_IErrorInfo = IErrorInfo::kIid;
inline constexpr IID IID_ICreateErrorInfo = ICreateErrorInfo::kIid;
inline constexpr IID IID_ISupportErrorInfo = ISupportErrorInfo::kIid;

// A new, empty error object (it also answers IErrorInfo). E_INVALIDARG for a
// null out-pointer, E_OUTOFMEMORY.
STDAPI CreateErrorInfo(ICreateErrorInfo** errorInfo);
// Puts `errorInfo` into the calling thread's slot, keeping its own reference
// and releasing the one held before; null empties the slot. `reserved` must
// be 0 (else E_INVALIDARG).
STDAPI SetErrorInfo(ULONG reserved, IErrorInfo* errorInfo);
// Hands the calling thread's error info over to the caller (S_OK) and empties
// the slot; S_FALSE with null when there is none. E_INVALIDARG for a null
// out-pointer or a non-zero `reserved`.
STDAPI GetErrorInfo(ULONG reserved, IErrorInfo** errorInfo);
