// IDispatchImpl: the IDispatch part of a dual interface T of a server object.
//
//   class CLogin : public CComObjectRootEx<CComSingleThreadModel>,
//                  public CComCoClass<CLogin, &CLSID_Login>,
//                  public IDispatchImpl<ILogin, &ILogin::kIid, &LIBID_DunmorrowLib, 1, 0> { ... };
//
// The system calls its dual interfaces through their virtual slots only: no
// caller looks members up by name or calls them by member id, and there is
// no type information to describe them. So late binding is not offered, and
// each IDispatch method gives the answer a dispatch interface gives for
// what it does not have: no type information, no such name, no such member.
// The library and version arguments name where the interface is described.
#pragma once

#include "com/dispatch.h"
#include "com/hresults.h"
#include "winapi/errors.h"

template <class T, const IID* piid = &T::kIid, const GUID* plibid = &GUID_NULL, WORD wMajor = 1, WORD wMinor = 0>
class IDispatchImpl : public T {
public:
    // No type information: a count of 0.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }

    // Every index is out of range when there are none.
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT /*index*/, LCID /*locale*/, ITypeInfo** typeInfo) override {
        if (!typeInfo) return E_POINTER;
        *typeInfo = nullptr;
        return DISP_E_BADINDEX;
    }

    // No name is known: each id is DISPID_UNKNOWN. `riid` is reserved and
    // must be GUID_NULL.
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID /*locale*/,
                                            DISPID* ids) override {
        if (riid != GUID_NULL) return DISP_E_UNKNOWNINTERFACE;
        if (count == 0) return S_OK;
        if (!ids) return E_POINTER;
        if (!names) return E_INVALIDARG;
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }

    // No member can be called by its id. `riid` is reserved and must be
    // GUID_NULL.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID /*member*/, REFIID riid, LCID /*locale*/, WORD /*flags*/,
                                     DISPPARAMS* /*params*/, VARIANT* /*result*/, EXCEPINFO* /*exception*/,
                                     UINT* /*argumentError*/) override {
        if (riid != GUID_NULL) return DISP_E_UNKNOWNINTERFACE;
        return DISP_E_MEMBERNOTFOUND;
    }

protected:
    IDispatchImpl() = default;
    ~IDispatchImpl() = default;
};
