// CComObject<T>: the concrete, final class of a server object whose class T
// derives from CComObjectRootEx and declares a COM map. It supplies the
// IUnknown methods, holds a lock on the library's module while it lives,
// and runs T's FinalConstruct and FinalRelease.
//
//   CComObject<CPart>* part = nullptr;
//   HRESULT hr = CComObject<CPart>::CreateInstance(&part);  // count 0
//   if (SUCCEEDED(hr)) { part->AddRef(); ... part->Release(); }
//
// The class is local to the library that creates the object (see
// com/server/binary_local.h), so the module lock it takes is that library's.
#pragma once

#include "com/server/binary_local.h"
#include "com/unknown.h"
#include "winapi/errors.h"

#include <new>

namespace com {

namespace testing {
// Server objects (of every library in the process) alive now, for tests to
// prove that nothing leaked.
LONG LiveServerObjects();
}  // namespace testing

namespace detail {
void CountLiveServerObjects(LONG delta);
}  // namespace detail

}  // namespace com

template <class T>
class COM_LOCAL_TO_BINARY CComObject final : public T {
public:
    // Creates an object with a reference count of 0, as the caller is to
    // take the first reference itself, and runs FinalConstruct (with a
    // reference held meanwhile, so that it may hand `this` out and release
    // it again). E_POINTER for a null `object`, E_OUTOFMEMORY, or the
    // failure of FinalConstruct, after which the object is gone again;
    // *object is null on failure.
    static HRESULT WINAPI CreateInstance(CComObject<T>** object) {
        if (!object) return E_POINTER;
        *object = nullptr;
        auto* created = new (std::nothrow) CComObject<T>();
        if (!created) return E_OUTOFMEMORY;
        created->InternalAddRef();
        HRESULT hr = created->FinalConstruct();
        created->InternalRelease();
        if (FAILED(hr)) {
            created->Destroy();
            return hr;
        }
        *object = created;
        return hr;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return this->_InternalQueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(this->InternalAddRef()); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG count = this->InternalRelease();
        if (count == 0) Destroy();
        return static_cast<ULONG>(count);
    }

private:
    CComObject() {
        com::detail::gModuleLockCount.fetch_add(1);
        com::detail::CountLiveServerObjects(1);
    }
    ~CComObject() {
        com::detail::CountLiveServerObjects(-1);
        com::detail::gModuleLockCount.fetch_sub(1);
    }

    void Destroy() {
        this->BeginDestruction();
        this->FinalRelease();
        delete this;
    }
};
