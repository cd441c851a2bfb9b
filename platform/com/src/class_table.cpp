// CoRegisterClassObject / CoRevokeClassObject: the class objects a process
// serves from its own code, looked up before the registry.
#include "class_table.h"

#include "apartment.h"

#include "com/runtime.h"

#include <mutex>
#include <vector>

namespace {

struct Registration {
    DWORD cookie;
    CLSID clsid;
    DWORD context;
    bool singleUse;
    bool handedOut = false;
    IUnknown* classObject;  // one reference, held until revoked
};

struct ClassTable {
    std::mutex lock;
    std::vector<Registration> registrations;  // oldest first
    DWORD lastCookie = 0;
};

ClassTable& Table() {
    static ClassTable* table = new ClassTable;  // still used while static objects are destroyed
    return *table;
}

}  // namespace

namespace com::detail {

IUnknown* TakeRegisteredClassObject(REFCLSID clsid, DWORD context) {
    ClassTable& table = Table();
    std::lock_guard guard(table.lock);
    for (auto it = table.registrations.rbegin(); it != table.registrations.rend(); ++it) {
        if (it->clsid != clsid || !(it->context & context) || (it->singleUse && it->handedOut)) continue;
        it->handedOut = true;
        it->classObject->AddRef();
        return it->classObject;
    }
    return nullptr;
}

}  // namespace com::detail

HRESULT WINAPI CoRegisterClassObject(REFCLSID clsid, LPUNKNOWN classObject, DWORD context, DWORD flags,
                                     LPDWORD cookie) {
    if (cookie) *cookie = 0;
    if (!classObject || !cookie || !(context & CLSCTX_ALL) || flags > REGCLS_MULTI_SEPARATE) return E_INVALIDARG;
    if (!com::detail::ThreadMayUseRuntime()) return CO_E_NOTINITIALIZED;
    if (flags == REGCLS_MULTIPLEUSE && (context & CLSCTX_LOCAL_SERVER)) context |= CLSCTX_INPROC_SERVER;
    classObject->AddRef();
    ClassTable& table = Table();
    std::lock_guard guard(table.lock);
    if (++table.lastCookie == 0) ++table.lastCookie;  // 0 names no registration
    table.registrations.push_back({table.lastCookie, clsid, context, flags == REGCLS_SINGLEUSE, false, classObject});
    *cookie = table.lastCookie;
    return S_OK;
}

HRESULT WINAPI CoRevokeClassObject(DWORD cookie) {
    IUnknown* classObject = nullptr;
    {
        ClassTable& table = Table();
        std::lock_guard guard(table.lock);
        for (auto it = table.registrations.begin(); it != table.registrations.end(); ++it) {
            if (it->cookie != cookie) continue;
            classObject = it->classObject;
            table.registrations.erase(it);
            break;
        }
    }
    if (!classObject) return CO_E_OBJNOTREG;
    classObject->Release();  // outside the lock: its destructor may call the runtime
    return S_OK;
}
