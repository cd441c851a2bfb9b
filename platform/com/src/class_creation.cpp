// CoGetClassObject and CoCreateInstance: finding the class object of a
// class id (the order is described in com/runtime.h).
#include "apartment.h"
#include "class_table.h"
#include "classes_root.h"
#include "inproc_libraries.h"
#include "local_server_stand_ins.h"

#include "com/runtime.h"

namespace {

// Hands out `classObject` as `riid` and drops the reference it came with.
HRESULT HandOut(IUnknown* classObject, REFIID riid, LPVOID* object) {
    HRESULT hr = classObject->QueryInterface(riid, object);
    classObject->Release();
    return hr;
}

HRESULT FromLocalServerStandIn(REFCLSID clsid, REFIID riid, LPVOID* object) {
    com::LocalServerStandIn standIn = com::detail::FindLocalServerStandIn(clsid);
    if (!standIn) return REGDB_E_CLASSNOTREG;
    IClassFactory* factory = standIn();
    if (!factory) return CO_E_SERVER_EXEC_FAILURE;
    return HandOut(factory, riid, object);
}

}  // namespace

HRESULT WINAPI CoGetClassObject(REFCLSID clsid, DWORD context, COSERVERINFO* serverInfo, REFIID riid, LPVOID* object) {
    if (!object) return E_INVALIDARG;
    *object = nullptr;
    if (!(context & CLSCTX_ALL) || serverInfo) return E_INVALIDARG;
    if (!com::detail::ThreadMayUseRuntime()) return CO_E_NOTINITIALIZED;

    if (IUnknown* registered = com::detail::TakeRegisteredClassObject(clsid, context))
        return HandOut(registered, riid, object);
    if (context & CLSCTX_INPROC_SERVER) {
        std::u16string path;
        if (com::detail::ReadClassesRootText(com::detail::ClassKey(clsid) + u"\\InprocServer32", &path)) {
            HRESULT hr = com::detail::GetClassObjectFromLibrary(path, clsid, riid, object);
            if (FAILED(hr)) *object = nullptr;  // whatever the server left there
            return hr;
        }
    }
    if (context & CLSCTX_LOCAL_SERVER) return FromLocalServerStandIn(clsid, riid, object);
    return REGDB_E_CLASSNOTREG;
}

HRESULT WINAPI CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID riid, LPVOID* object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    IClassFactory* factory = nullptr;
    HRESULT hr = CoGetClassObject(clsid, context, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) return hr;
    hr = factory->CreateInstance(outer, riid, object);
    factory->Release();
    if (FAILED(hr)) *object = nullptr;
    return hr;
}
