// The item server Bellquist: the classes it registers, its type library,
// its application and its four exports.
#include "bellquist/ids.h"
#include "bellquist/type_library.h"
#include "com/server/server_module.h"
#include "itm_manager.h"
#include "outside_libraries.h"
#include "itemstore/itm_bom_class.h"
#include "itemstore/itm_file_class.h"
#include "itemstore/itm_folder_class.h"
#include "itemstore/itm_item_class.h"
#include "itemstore/itm_link_manager.h"
#include "itemstore/itm_object_class.h"
#include "server_registration/server_registration.h"
#include "winapi/guid_text.h"

#include <string>

namespace {

using namespace BellquistLib;
using server_registration::kClassScript;

// "AppID\{AppID}" with the server's name, and the library's name pointing at
// it.
constexpr char16_t kAppIdScript[] =
    uR"(
HKCR
{
    NoRemove AppID
    {
        '%APPID%' = s 'Bellquist'
        'Bellquist.DLL'
        {
            val AppID = s '%APPID%'
        }
    }
}
)";

const std::u16string kAppId = winapi::GuidToString(APPID_Bellquist);

// Every class of the server. A class without a creator is registered but not
// built into the server: its class object is not available.
const com::ObjectMapEntry kObjects[] = {
    com::ObjectEntry<CItmManager>(kClassScript, u"Bellquist.ItmManager.1", u"Bellquist.ItmManager",
                                  u"ItmManager Class"),
    com::ObjectEntry<CItmObject>(kClassScript, u"Bellquist.ItmObject.1", u"Bellquist.ItmObject", u"ItmObject Class"),
    com::ObjectEntry<CItmItem>(kClassScript, u"Bellquist.ItmItem.1", u"Bellquist.ItmItem", u"ItmItem Class"),
    com::ObjectEntry<CItmFolder>(kClassScript, u"Bellquist.ItmFolder.1", u"Bellquist.ItmFolder", u"ItmFolder Class"),
    com::ObjectEntry<CItmFile>(kClassScript, u"Bellquist.ItmFile.1", u"Bellquist.ItmFile", u"ItmFile Class"),
    com::ObjectEntry<CItmBOM>(kClassScript, u"Bellquist.ItmBOM.1", u"Bellquist.ItmBOM", u"ItmBOM Class"),
    com::ObjectEntry<CItmLinkManager>(kClassScript, u"Bellquist.ItmLinkManager.1", u"Bellquist.ItmLinkManager",
                                      u"ItmLinkManager Class"),
};

// The server's records, and those of the vault client's libraries that the
// item server makes arrays of (no component here registers them).
void RegisterServerRecords() {
    BellquistLib::RegisterRecords();
    gvRegisterOutsideRecords();
}

// BellquistLib as registered, with the outside records loaded beside its own
// when the server loads.
const com::TypeLibrary kTypeLibrary = [] {
    com::TypeLibrary library = BellquistLib::TypeLibrary();
    library.registerRecords = &RegisterServerRecords;
    return library;
}();

com::ServerModule gModule({.objects = kObjects, .typeLibrary = &kTypeLibrary, .appId = kAppId});

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) { return gModule.DllGetClassObject(clsid, iid, out); }
STDAPI DllCanUnloadNow() { return gModule.DllCanUnloadNow(); }
STDAPI DllRegisterServer() { return server_registration::RegisterServer(gModule, kAppIdScript); }
STDAPI DllUnregisterServer() { return gModule.DllUnregisterServer(); }
