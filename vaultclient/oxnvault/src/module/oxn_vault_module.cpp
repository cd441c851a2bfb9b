// The vault client's server library "OxnVault": the classes callers create
// by CLSID (the vault object, the progress object) and the type library OxnVaultLib 5.23,
// whose record descriptions the module registers when it loads.
#include "oxn_progress.h"
#include "vault_object.h"
#include "oxnvault/type_library.h"

#include "com/server/apartment_class_script.h"
#include "com/server/server_module.h"

namespace {

// Callers create the class by its CLSID alone.
const com::ObjectMapEntry kObjects[] = {
    com::ObjectEntry<COxnVault>(com::kApartmentClassKeyScript, u"", u"", u"Oxn Vault Class"),
    com::ObjectEntry<oxnvault::COxnProgress>(com::kApartmentClassKeyScript, u"", u"", u"Oxn Progress Class"),
};

com::ServerModule gModule({.objects = kObjects, .typeLibrary = &OxnVaultLib::TypeLibrary()});

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) { return gModule.DllGetClassObject(clsid, iid, out); }
STDAPI DllCanUnloadNow() { return gModule.DllCanUnloadNow(); }
STDAPI DllRegisterServer() { return gModule.DllRegisterServer(); }
STDAPI DllUnregisterServer() { return gModule.DllUnregisterServer(); }
