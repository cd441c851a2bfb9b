// The vault client's item operations server "ItemOperations": the classes
// the item server creates by CLSID - the outside get and delete operations
// and the revision object - and its type library (whose record descriptions
// the module registers at load).
#include "delete_operation.h"
#include "get_operation.h"
#include "revision_object.h"
#include "type_library.h"

#include "com/server/apartment_class_script.h"
#include "com/server/server_module.h"

namespace {

// Callers create the classes by their CLSIDs alone.
const com::ObjectMapEntry kObjects[] = {
    com::ObjectEntry<itemops::CItmGetOperation>(com::kApartmentClassKeyScript, u"", u"", u"Itm Get Operation Class"),
    com::ObjectEntry<itemops::CItmDeleteOperation>(com::kApartmentClassKeyScript, u"", u"",
                                                   u"Itm Delete Operation Class"),
    com::ObjectEntry<itemops::CItmRevision>(com::kApartmentClassKeyScript, u"", u"", u"Itm Revision Class"),
};

com::ServerModule gModule({.objects = kObjects, .typeLibrary = &itemops::TypeLibrary()});

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) { return gModule.DllGetClassObject(clsid, iid, out); }
STDAPI DllCanUnloadNow() { return gModule.DllCanUnloadNow(); }
STDAPI DllRegisterServer() { return gModule.DllRegisterServer(); }
STDAPI DllUnregisterServer() { return gModule.DllUnregisterServer(); }
