// The client library's server: its main object's class, its type library
// (whose record descriptions the module registers at load) and the four
// exports.
#include "client_type_library.h"
#include "tavrosk_client.h"

#include "com/server/apartment_class_script.h"
#include "com/server/server_module.h"

namespace {

// Callers create the class by its CLSID alone.
const com::ObjectMapEntry kObjects[] = {
    com::ObjectEntry<CTavroskClient>(com::kApartmentClassKeyScript, u"", u"", u"Tavrosk Client Class"),
};

com::ServerModule gModule({.objects = kObjects, .typeLibrary = &tavrosk::TypeLibrary()});

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) { return gModule.DllGetClassObject(clsid, iid, out); }
STDAPI DllCanUnloadNow() { return gModule.DllCanUnloadNow(); }
STDAPI DllRegisterServer() { return gModule.DllRegisterServer(); }
STDAPI DllUnregisterServer() { return gModule.DllUnregisterServer(); }
