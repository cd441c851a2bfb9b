// The client library's server: its main object's class, its type library
// (whose record descriptions the module registers at load) and the four
// exports.
#include "client_type_library.h"
#include "tavrosk_client.h"

#include "com/server/server_module.h"

namespace {

// Only the class key: callers create the main object by its CLSID, on the
// thread that then uses it.
constexpr char16_t kClassScript[] = uR"(
HKCR
{
    NoRemove CLSID
    {
        ForceRemove %CLSID% = s '%DESCRIPTION%'
        {
            InprocServer32 = s '%MODULE%'
            {
                val ThreadingModel = s 'Apartment'
            }
        }
    }
}
)";

const com::ObjectMapEntry kObjects[] = {
    com::ObjectEntry<CTavroskClient>(kClassScript, u"", u"", u"Tavrosk Client Class"),
};

com::ServerModule gModule({.objects = kObjects, .typeLibrary = &tavrosk::TypeLibrary()});

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) { return gModule.DllGetClassObject(clsid, iid, out); }
STDAPI DllCanUnloadNow() { return gModule.DllCanUnloadNow(); }
STDAPI DllRegisterServer() { return gModule.DllRegisterServer(); }
STDAPI DllUnregisterServer() { return gModule.DllUnregisterServer(); }
