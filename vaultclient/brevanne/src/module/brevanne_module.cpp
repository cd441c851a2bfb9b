// The vault client's unlock component "Brevanne": the unlock command, which
// callers create by its CLSID alone, and its type library (whose record
// description the module registers at load).
#include "type_library.h"
#include "unlock_command.h"

#include "com/server/apartment_class_script.h"
#include "com/server/server_module.h"

namespace {

const com::ObjectMapEntry kObjects[] = {
    com::ObjectEntry<brevanne::CUnlockCommand>(com::kApartmentClassKeyScript, u"", u"", u"Unlock Command Class"),
};

com::ServerModule gModule({.objects = kObjects, .typeLibrary = &brevanne::TypeLibrary()});

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) { return gModule.DllGetClassObject(clsid, iid, out); }
STDAPI DllCanUnloadNow() { return gModule.DllCanUnloadNow(); }
STDAPI DllRegisterServer() { return gModule.DllRegisterServer(); }
STDAPI DllUnregisterServer() { return gModule.DllUnregisterServer(); }
