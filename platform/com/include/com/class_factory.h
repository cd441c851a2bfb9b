// IClassFactory: the class object that makes the objects of one class.
#pragma once

#include "com/unknown.h"

struct IClassFactory : IUnknown {
    COM_INTERFACE_ID("00000001-0000-0000-C000-000000000046");
    // A new object of the class, asked for `riid`. With an outer object
    // (aggregation) only IID_IUnknown may be asked for; a class that cannot
    // be aggregated answers CLASS_E_NOAGGREGATION.
    virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) = 0;
    // TRUE keeps the server loaded while no object of it is alive; each TRUE
    // is undone by one FALSE.
    virtual HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) = 0;

protected:
    ~IClassFactory() = default;
};
typedef IClassFactory* LPCLASSFACTORY;

inline constexpr IID IID_IClassFactory = IClassFactory::kIid;
