// IDispatch: late-bound calls by member id, as dual interfaces expose them.
// Type information is opaque here: no type-library machinery exists, so
// ITypeInfo is only named, never implemented.
#pragma once

#include "com/bstr.h"
#include "com/unknown.h"
#include "com/variant.h"
#include "winapi/thread_locale.h"
#include "winapi/types.h"

typedef LONG DISPID;
typedef DISPID MEMBERID;

#define DISPID_UNKNOWN (-1)
#define DISPID_VALUE 0
#define DISPID_PROPERTYPUT (-3)
#define DISPID_NEWENUM (-4)
#define DISPID_EVALUATE (-5)
#define DISPID_CONSTRUCTOR (-6)
#define DISPID_DESTRUCTOR (-7)
#define DISPID_COLLECT (-8)

#define DISPATCH_METHOD 0x1
#define DISPATCH_PROPERTYGET 0x2
#define DISPATCH_PROPERTYPUT 0x4
#define DISPATCH_PROPERTYPUTREF 0x8

#define LOCALE_NEUTRAL 0x0000
#define LOCALE_INVARIANT 0x007F

struct DISPPARAMS {
    VARIANTARG* rgvarg;  // arguments in reverse order
    DISPID* rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
};

struct EXCEPINFO {
    WORD wCode;
    WORD wReserved;
    BSTR bstrSource;
    BSTR bstrDescription;
    BSTR bstrHelpFile;
    DWORD dwHelpContext;
    PVOID pvReserved;
    HRESULT(STDMETHODCALLTYPE* pfnDeferredFillIn)(EXCEPINFO*);
    SCODE scode;
};
typedef EXCEPINFO* LPEXCEPINFO;

// Named so that interfaces can declare GetTypeInfo; nothing implements it.
struct ITypeInfo : IUnknown {
    COM_INTERFACE_ID("00020401-0000-0000-C000-000000000046");

protected:
    ~ITypeInfo() = default;
};

struct IDispatch : IUnknown {
    COM_INTERFACE_ID("00020400-0000-0000-C000-000000000046");
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** typeInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                                                    DISPID* ids) = 0;
    virtual HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params,
                                             VARIANT* result, EXCEPINFO* exception, UINT* argumentError) = 0;

protected:
    ~IDispatch() = default;
};
typedef IDispatch* LPDISPATCH;

inline constexpr IID IID_IDispatch = IDispatch::kIid;
inline constexpr IID IID_ITypeInfo = ITypeInfo::kIid;
