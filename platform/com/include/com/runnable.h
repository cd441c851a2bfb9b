// Objects that must be put into their running state before use, and OleRun
// which does so for any object.
#pragma once

#include "com/unknown.h"

struct IBindCtx;
typedef IBindCtx* LPBINDCTX;

struct IRunnableObject : IUnknown {
    COM_INTERFACE_ID("00000126-0000-0000-C000-000000000046");
    virtual HRESULT STDMETHODCALLTYPE GetRunningClass(LPCLSID clsid) = 0;
    virtual HRESULT STDMETHODCALLTYPE Run(LPBINDCTX bindContext) = 0;
    // Returns TRUE or FALSE, not an HRESULT.
    virtual BOOL STDMETHODCALLTYPE IsRunning() = 0;
    virtual HRESULT STDMETHODCALLTYPE LockRunning(BOOL lock, BOOL lastUnlockCloses) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetContainedObject(BOOL contained) = 0;

protected:
    ~IRunnableObject() = default;
};
typedef IRunnableObject* LPRUNNABLEOBJECT;

inline constexpr IID IID_IRunnableObject = IRunnableObject::kIid;

// Puts an object into its running state: an object that has no
// IRunnableObject counts as running already (S_OK); otherwise the result of
// its Run with no bind context. E_INVALIDARG for a null object.
HRESULT WINAPI OleRun(LPUNKNOWN object);
