// The vault client's server library "OxnVault": the classes callers create
// by CLSID (the progress object) and the type library OxnVaultLib 5.23,
// whose record descriptions the module registers when it loads.
#include "oxnvault/type_library.h"

#include "com/server/server_module.h"

namespace {

com::ServerModule gModule({.typeLibrary = &OxnVaultLib::TypeLibrary()});

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) { return gModule.DllGetClassObject(clsid, iid, out); }
STDAPI DllCanUnloadNow() { return gModule.DllCanUnloadNow(); }
STDAPI DllRegisterServer() { return gModule.DllRegisterServer(); }
STDAPI DllUnregisterServer() { return gModule.DllUnregisterServer(); }
