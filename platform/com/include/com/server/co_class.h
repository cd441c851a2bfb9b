// CComCoClass<T, &CLSID>: makes the server object class T a coclass - a class
// that others create by its CLSID through the server's class factory
// (com/server/server_module.h lists it in the object map).
//
// The system's coclasses are declared aggregatable, but nothing aggregates
// them: a creation with an outer object is refused with
// CLASS_E_NOAGGREGATION, by the class factory and by CreateInstance alike.
#pragma once

#include "com/hresults.h"
#include "com/server/com_object.h"
#include "com/unknown.h"

template <class T, const CLSID* pclsid>
class CComCoClass {
public:
    static const CLSID& WINAPI GetObjectCLSID() { return *pclsid; }

    // What the class factory calls: a new object, asked for `iid`. *object
    // is null on failure (E_POINTER when it is null itself).
    static HRESULT WINAPI CreateInstance(IUnknown* outer, REFIID iid, void** object) {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        CComObject<T>* created = nullptr;
        HRESULT hr = CComObject<T>::CreateInstance(&created);
        if (FAILED(hr)) return hr;
        // The reference held across QueryInterface destroys the object when
        // it does not answer `iid`.
        created->AddRef();
        hr = created->QueryInterface(iid, object);
        created->Release();
        return hr;
    }

protected:
    CComCoClass() = default;
    ~CComCoClass() = default;
};
