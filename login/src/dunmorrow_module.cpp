// The login server Dunmorrow: the class it registers, its type library, its
// application and its four exports.
#include "com/server/server_module.h"
#include "dunmorrow/ids.h"
#include "dunmorrow/type_library.h"
#include "login/login_class.h"
#include "server_registration/server_registration.h"
#include "winapi/guid_text.h"

#include <string>

namespace {

using namespace DunmorrowLib;
using server_registration::kClassScript;

// "AppID\{AppID}" with the server's name, and the library's name pointing at
// it.
constexpr char16_t kAppIdScript[] =
    uR"(
HKCR
{
    NoRemove AppID
    {
        '%APPID%' = s 'Dunmorrow'
        'Dunmorrow.DLL'
        {
            val AppID = s '%APPID%'
        }
    }
}
)";

const std::u16string kAppId = winapi::GuidToString(APPID_Dunmorrow);

// Every class of the server. A class without a creator is registered but not
// built into the server: its class object is not available.
const com::ObjectMapEntry kObjects[] = {
    com::ObjectEntry<CLogin>(kClassScript, u"Dunmorrow.Login.1", u"Dunmorrow.Login", u"Login Class"),
};

com::ServerModule gModule({.objects = kObjects, .typeLibrary = &DunmorrowLib::TypeLibrary(), .appId = kAppId});

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) { return gModule.DllGetClassObject(clsid, iid, out); }
STDAPI DllCanUnloadNow() { return gModule.DllCanUnloadNow(); }
STDAPI DllRegisterServer() { return server_registration::RegisterServer(gModule, kAppIdScript); }
STDAPI DllUnregisterServer() { return gModule.DllUnregisterServer(); }
