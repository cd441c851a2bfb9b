// The item generation server Coravent: the classes it registers, its type
// library, its application and its four exports.
#include "item_operation.h"

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

// Every class of the server, apartment-threaded, with its ProgIDs.
const com::ObjectMapEntry kObjects[] = {
    com::ObjectEntry<coravent::CItemOperationFatClient>(kClassScript, u"Coravent.ItemOperation.1",
                                                        u"Coravent.ItemOperation", u"ItemOperation Class"),
    com::ObjectEntry<coravent::CItemOp>(kClassScript, u"Coravent.ItemOp.1", u"Coravent.ItemOp", u"ItemOp Class"),
    com::ObjectEntry<coravent::CItemOperationWebClient>(kClassScript, u"Coravent.ItemOperationImpl.1",
                                                        u"Coravent.ItemOperationImpl", u"ItemOperationImpl Class"),
};

com::ServerModule gModule({.objects = kObjects, .typeLibrary = &CoraventLib::TypeLibrary(), .appId = kAppId});

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) { return gModule.DllGetClassObject(clsid, iid, out); }
STDAPI DllCanUnloadNow() { return gModule.DllCanUnloadNow(); }
STDAPI DllRegisterServer() { return server_registration::RegisterServer(gModule, kAppIdScript); }
STDAPI DllUnregisterServer() { return gModule.DllUnregisterServer(); }
