// The item generation server Coravent: the classes it registers, its type
// library, its application and its four exports.
#include "com/server/server_module.h"
#include "coravent/ids.h"
#include "coravent/type_library.h"
#include "server_registration/server_registration.h"
#include "winapi/guid_text.h"

#include <string>

namespace {

using namespace CoraventLib;
using server_registration::kClassScript;

// "AppID\{AppID}" with the server's name, and the library's name pointing at
// it.
constexpr char16_t kAppIdScript[] =
    uR"(
HKCR
{
    NoRemove AppID
    {
        '%APPID%' = s 'Coravent'
        'Coravent.DLL'
        {
            val AppID = s '%APPID%'
        }
    }
}
)";

const std::u16string kAppId = winapi::GuidToString(APPID_Coravent);

// Every class of the server. A class without a creator is registered but not
// built into the server: its class object is not available.
const com::ObjectMapEntry kObjects[] = {
    {&CLSID_ItemOperation, nullptr, kClassScript, u"Coravent.ItemOperation.1", u"Coravent.ItemOperation",
     u"ItemOperation Class"},
    {&CLSID_ItemOp, nullptr, kClassScript, u"Coravent.ItemOp.1", u"Coravent.ItemOp", u"ItemOp Class"},
    {&CLSID_ItemOperationImpl, nullptr, kClassScript, u"Coravent.ItemOperationImpl.1", u"Coravent.ItemOperationImpl",
     u"ItemOperationImpl Class"},
};

com::ServerModule gModule({.objects = kObjects, .typeLibrary = &CoraventLib::TypeLibrary(), .appId = kAppId});

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) { return gModule.DllGetClassObject(clsid, iid, out); }
STDAPI DllCanUnloadNow() { return gModule.DllCanUnloadNow(); }
STDAPI DllRegisterServer() { return server_registration::RegisterServer(gModule, kAppIdScript); }
STDAPI DllUnregisterServer() { return gModule.DllUnregisterServer(); }
