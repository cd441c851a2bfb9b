#include "gated_creation.h"

#include "com/runtime.h"

HRESULT ghCreateGatedInstance(const WCHAR* /*clsidText*/, REFCLSID clsid, REFIID iid, void** object, IUnknown* outer,
                              DWORD context) {
    if (!object) return E_POINTER;
    // No version of this platform is refused, and there is no installer to
    // ask for a missing component: a class that is not registered stays
    // REGDB_E_CLASSNOTREG.
    return CoCreateInstance(clsid, outer, context, iid, object);
}
