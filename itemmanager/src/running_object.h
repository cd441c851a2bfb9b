// Creation of the outside objects that the client back end puts into their
// running state before use: the client library's main object, the login
// object and the revision object.
#pragma once

#include "com/runnable.h"
#include "com/runtime.h"
#include "winapi/types.h"

// Every kind of server (the platform's context value 23), as the outside
// classes may be served by any.
inline constexpr DWORD kAnyServer =
    CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

// Creates an object of `clsid` as IUnknown, puts it into its running state
// (OleRun) and asks it for I. *object is null on failure, which returns the
// failing step's result.
template <class I>
HRESULT ghCreateRunning(REFCLSID clsid, I** object) {
    *object = nullptr;
    IUnknown* unknown = nullptr;
    HRESULT hr = CoCreateInstance(clsid, nullptr, kAnyServer, IID_IUnknown, reinterpret_cast<void**>(&unknown));
    if (FAILED(hr)) return hr;
    hr = OleRun(unknown);
    if (SUCCEEDED(hr)) hr = unknown->QueryInterface(I::kIid, reinterpret_cast<void**>(object));
    unknown->Release();
    if (FAILED(hr)) *object = nullptr;
    return hr;
}
