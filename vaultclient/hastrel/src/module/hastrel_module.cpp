// The vault client's cross-reference tree component "Hastrel": the tree
// manager, whose sessions read the vault database of the connection they
// are started on, and the tree, which callers create by their CLSIDs alone;
// and its type library (whose record descriptions the module registers at
// load).
#include "type_library.h"
#include "xref_tree.h"

#include "com/ccom_ptr.h"
#include "com/hresults.h"
#include "com/server/apartment_class_script.h"
#include "com/server/server_module.h"
#include "hastrel/ids.h"
#include "hastrel/tree_source.h"

namespace {

// A tree manager whose sessions read the vault.
HRESULT WINAPI CreateVaultTreeManager(IUnknown* outer, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    CComPtr<IUnknown> manager;
    if (HRESULT hr = hastrel::CreateTreeManager(&hastrel::MakeVaultTreeSource, &manager); FAILED(hr)) return hr;
    return manager->QueryInterface(iid, object);
}

const com::ObjectMapEntry kObjects[] = {
    {&HastrelLib::CLSID_XRefTreeManager, &CreateVaultTreeManager, com::kApartmentClassKeyScript, u"", u"",
     u"XRef Tree Manager Class"},
    com::ObjectEntry<hastrel::CXRefTree>(com::kApartmentClassKeyScript, u"", u"", u"XRef Tree Class"),
};

com::ServerModule gModule({.objects = kObjects, .typeLibrary = &hastrel::TypeLibrary()});

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) { return gModule.DllGetClassObject(clsid, iid, out); }
STDAPI DllCanUnloadNow() { return gModule.DllCanUnloadNow(); }
STDAPI DllRegisterServer() { return gModule.DllRegisterServer(); }
STDAPI DllUnregisterServer() { return gModule.DllUnregisterServer(); }
