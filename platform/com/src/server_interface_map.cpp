#include "com/server/interface_map.h"

namespace com::detail {

HRESULT QueryInterfaceFromMap(void* object, const InterfaceMapEntry* entries, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown) {
        // The identity: always the first entry, whichever interface is asked.
        IUnknown* identity = entries[0].interfaceOf(object);
        identity->AddRef();
        *out = identity;
        return S_OK;
    }
    for (const InterfaceMapEntry* entry = entries; entry->kind != InterfaceMapEntry::kEnd; ++entry) {
        if (entry->kind == InterfaceMapEntry::kBlind) {
            if (SUCCEEDED(entry->delegate(object, iid, out)) && *out) return S_OK;
            *out = nullptr;  // a failing object may have left anything there
            continue;
        }
        if (*entry->iid == iid) {
            IUnknown* found = entry->interfaceOf(object);
            found->AddRef();
            *out = found;
            return S_OK;
        }
    }
    return E_NOINTERFACE;
}

}  // namespace com::detail
