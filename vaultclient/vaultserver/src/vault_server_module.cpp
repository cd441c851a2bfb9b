// The vault server object's library: its one class and the four exports.
#include "vault_server.h"

#include "com/server/apartment_class_script.h"
#include "com/server/server_module.h"

namespace {

// Callers create the class by its CLSID alone.
const com::ObjectMapEntry kObjects[] = {
    com::ObjectEntry<CVaultServer>(com::kApartmentClassKeyScript, u"", u"", u"Vault Server Class"),
};

com::ServerModule gModule({.objects = kObjects});

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) { return gModule.DllGetClassObject(clsid, iid, out); }
STDAPI DllCanUnloadNow() { return gModule.DllCanUnloadNow(); }
STDAPI DllRegisterServer() { return gModule.DllRegisterServer(); }
STDAPI DllUnregisterServer() { return gModule.DllUnregisterServer(); }
