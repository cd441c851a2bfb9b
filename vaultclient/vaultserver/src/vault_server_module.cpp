// The vault server object's library: its one class and the four exports.
#include "vault_server.h"

#include "com/server/server_module.h"

namespace {

// Only the class key: the login dialog host creates the object by its CLSID.
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
    com::ObjectEntry<CVaultServer>(kClassScript, u"", u"", u"Vault Server Class"),
};

com::ServerModule gModule({.objects = kObjects});

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) { return gModule.DllGetClassObject(clsid, iid, out); }
STDAPI DllCanUnloadNow() { return gModule.DllCanUnloadNow(); }
STDAPI DllRegisterServer() { return gModule.DllRegisterServer(); }
STDAPI DllUnregisterServer() { return gModule.DllUnregisterServer(); }
