// The vault client's reference dialog component "Castavy": the
// file-reference dialog, which callers create by its CLSID alone, and its
// type library (whose record descriptions the module registers at load).
#include "file_castavy.h"
#include "type_library.h"

#include "com/server/apartment_class_script.h"
#include "com/server/server_module.h"

namespace {

const com::ObjectMapEntry kObjects[] = {
    com::ObjectEntry<castavy::CFileCastavy>(com::kApartmentClassKeyScript, u"", u"", u"File Reference Dialog Class"),
};

com::ServerModule gModule({.objects = kObjects, .typeLibrary = &castavy::TypeLibrary()});

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) { return gModule.DllGetClassObject(clsid, iid, out); }
STDAPI DllCanUnloadNow() { return gModule.DllCanUnloadNow(); }
STDAPI DllRegisterServer() { return gModule.DllRegisterServer(); }
STDAPI DllUnregisterServer() { return gModule.DllUnregisterServer(); }
