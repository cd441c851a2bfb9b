// The test server's module: object map, registration scripts, type library
// and the four exports.
#include "classes.h"
#include "test_server.h"

#include "com/record_info.h"
#include "com/server/apartment_class_script.h"
#include "com/server/server_module.h"
#include "com/variant.h"

#include <cstddef>

namespace test_server {
namespace {

constexpr char16_t kAppIdScript[] =
    uR"(
HKCR
{
    NoRemove AppID
    {
        '%APPID%' = s 'TestServer'
        'TestServer.DLL'
        {
            val AppID = s '%APPID%'
        }
    }
}
)";

// Written out in full, as a server's own script usually is.
constexpr char16_t kWidgetScript[] =
    uR"(
HKCR
{
    ComTest.Widget.1 = s 'Widget Class'
    {
        CLSID = s '{F28F184D-5460-4D1B-B663-75834E03DE52}'
    }
    ComTest.Widget = s 'Widget Class'
    {
        CLSID = s '{F28F184D-5460-4D1B-B663-75834E03DE52}'
        CurVer = s 'ComTest.Widget.1'
    }
    NoRemove CLSID
    {
        ForceRemove {F28F184D-5460-4D1B-B663-75834E03DE52} = s 'Widget Class'
        {
            ProgID = s 'ComTest.Widget.1'
            VersionIndependentProgID = s 'ComTest.Widget'
            ForceRemove Programmable
            InprocServer32 = s '%MODULE%'
            {
                val ThreadingModel = s 'Apartment'
            }
            val AppID = s '%APPID%'
            TypeLib = s '{11D8A7BF-FCFD-4124-860C-FF841569751C}'
        }
    }
}
)";

// One script for any class, filled in from its object map entry.
constexpr const char16_t* kClassScript = com::kApartmentClassScript;

struct PartInfo {
    LONG serial;
    BSTR label;
};

void RegisterRecords() {
    com::RegisterRecordDescription(
        {kLibraryId,
         1,
         0,
         kPartInfoRecord,
         u"PartInfo",
         sizeof(PartInfo),
         {{u"serial", offsetof(PartInfo, serial), VT_I4}, {u"label", offsetof(PartInfo, label), VT_BSTR}}});
}

const com::TypeLibraryInterface kInterfaces[] = {
    {&IWidget::kIid, u"IWidget", true},
    {&IPart::kIid, u"IPart", false},
};

const com::TypeLibrary kTypeLibrary{&kLibraryId, 1, 0, kLibraryName, kInterfaces, &RegisterRecords};

const com::ObjectMapEntry kObjects[] = {
    com::ObjectEntry<CWidget>(kWidgetScript, u"ComTest.Widget.1", u"ComTest.Widget", u"Widget Class"),
    com::ObjectEntry<CPart>(kClassScript, u"ComTest.Part.1", u"ComTest.Part", u"Part Class"),
    {&kGizmoClsid, nullptr, kClassScript, u"ComTest.Gizmo.1", u"ComTest.Gizmo", u"Gizmo Class"},
};

com::ServerModule gModule(
    {.objects = kObjects, .typeLibrary = &kTypeLibrary, .appId = kAppId, .appIdScript = kAppIdScript});

}  // namespace
}  // namespace test_server

#define TEST_SERVER_EXPORT extern "C" __attribute__((visibility("default")))

TEST_SERVER_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    return test_server::gModule.DllGetClassObject(clsid, iid, out);
}
TEST_SERVER_EXPORT HRESULT DllCanUnloadNow() { return test_server::gModule.DllCanUnloadNow(); }
TEST_SERVER_EXPORT HRESULT DllRegisterServer() { return test_server::gModule.DllRegisterServer(); }
TEST_SERVER_EXPORT HRESULT DllUnregisterServer() { return test_server::gModule.DllUnregisterServer(); }
