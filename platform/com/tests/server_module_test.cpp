// The server module, through the test server: a real shared library written
// with the helpers, registered into a fresh machine, created from this and
// from another process, and unloaded when unused.
#include "server_test_support.h"
#include "test_server/test_server.h"

#include "com/error_info.h"
#include "com/hresults.h"
#include "com/record_info.h"
#include "com/runtime.h"
#include "com/server/co_class.h"
#include "com/server/com_object.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/server/server_module.h"
#include "com_testing/leak_checked_test.h"
#include "com_testing/library_loaded.h"
#include "testsupport/child_process.h"
#include "testsupport/fresh_machine.h"
#include "winapi/guid_text.h"
#include "winapi/registry_write_batch.h"
#include "winapi/modules.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using server_test::DumpRegistry;
using server_test::KeyExists;
using server_test::ReadText;
using server_test::WriteText;
using test_server::IPart;
using test_server::IWidget;

const std::string kLibraryFile = "libTestServer.so";

std::u16string ClassKey(REFCLSID clsid) { return u"CLSID\\" + winapi::GuidToString(clsid); }

// Whether the loader holds the test server, whoever loaded it.
bool TestServerLoaded() { return com_testing::LibraryLoaded(testsupport::SiblingProgram(kLibraryFile).string()); }

template <class Function>
Function* Export(HMODULE module, const char* name) {
    return reinterpret_cast<Function*>(GetProcAddress(module, name));
}

// The test server loaded by the test itself, as an installer loads it.
class TestServerTest : public com_testing::LeakChecked<testsupport::FreshMachineTest> {
protected:
    void SetUp() override {
        LeakChecked::SetUp();
        LoadTestServer();
    }
    void TearDown() override {
        FreeTestServer();
        LeakChecked::TearDown();
    }

    void LoadTestServer() {
        module_ = LoadLibraryW(u"TestServer.dll");
        ASSERT_NE(module_, nullptr);
        getClassObject_ = Export<HRESULT(REFCLSID, REFIID, void**)>(module_, "DllGetClassObject");
        canUnloadNow_ = Export<HRESULT()>(module_, "DllCanUnloadNow");
        registerServer_ = Export<HRESULT()>(module_, "DllRegisterServer");
        unregisterServer_ = Export<HRESULT()>(module_, "DllUnregisterServer");
        ASSERT_TRUE(getClassObject_ && canUnloadNow_ && registerServer_ && unregisterServer_);
    }

    void FreeTestServer() {
        if (module_) FreeLibrary(module_);
        module_ = nullptr;
    }

    std::u16string ModulePath() const {
        WCHAR path[1024];
        DWORD length = GetModuleFileNameW(module_, path, 1024);
        return std::u16string(path, length);
    }

    IClassFactory* Factory(REFCLSID clsid) {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(getClassObject_(clsid, IID_PPV_ARGS(&factory)), S_OK);
        return factory;
    }

    HMODULE module_ = nullptr;
    HRESULT (*getClassObject_)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT (*canUnloadNow_)() = nullptr;
    HRESULT (*registerServer_)() = nullptr;
    HRESULT (*unregisterServer_)() = nullptr;
};

struct RegisteredClass {
    const CLSID* clsid;
    const char16_t* progId;
    const char16_t* versionIndependentProgId;
    const char16_t* description;
};

const RegisteredClass kClasses[] = {
    {&test_server::kWidgetClsid, u"ComTest.Widget.1", u"ComTest.Widget", u"Widget Class"},
    {&test_server::kPartClsid, u"ComTest.Part.1", u"ComTest.Part", u"Part Class"},
    {&test_server::kGizmoClsid, u"ComTest.Gizmo.1", u"ComTest.Gizmo", u"Gizmo Class"},
};

const std::u16string kLibraryText = winapi::GuidToString(test_server::kLibraryId);

TEST_F(TestServerTest, RegisterWritesClassesProgIdsAppIdAndTypeLibrary) {
    ASSERT_EQ(registerServer_(), S_OK);
    const std::u16string path = ModulePath();
    for (const RegisteredClass& c : kClasses) {
        SCOPED_TRACE(winapi::ToUtf8(c.progId));
        const std::u16string key = ClassKey(*c.clsid);
        const std::u16string clsidText = winapi::GuidToString(*c.clsid);
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, key), c.description);
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, key + u"\\ProgID"), c.progId);
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, key + u"\\VersionIndependentProgID"), c.versionIndependentProgId);
        EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, key + u"\\Programmable"));
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, key + u"\\InprocServer32"), path);
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, key + u"\\InprocServer32", u"ThreadingModel"), u"Apartment");
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, key, u"AppID"), test_server::kAppId);
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, key + u"\\TypeLib"), kLibraryText);

        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, c.progId), c.description);
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, std::u16string(c.progId) + u"\\CLSID"), clsidText);
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, std::u16string(c.versionIndependentProgId) + u"\\CLSID"), clsidText);
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, std::u16string(c.versionIndependentProgId) + u"\\CurVer"), c.progId);
    }
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, std::u16string(u"AppID\\") + test_server::kAppId), u"TestServer");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, u"AppID\\TestServer.DLL", u"AppID"), test_server::kAppId);

    const std::u16string libraryKey = u"TypeLib\\" + kLibraryText + u"\\1.0";
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, libraryKey), test_server::kLibraryName);
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, libraryKey + u"\\0\\win64"), path);
    const std::u16string widgetInterface = u"Interface\\" + winapi::GuidToString(IWidget::kIid);
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, widgetInterface), u"IWidget");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, widgetInterface + u"\\ProxyStubClsid32"),
              u"{00020424-0000-0000-C000-000000000046}");
}

// The AppID script, every class script and the type library of a server
// are written in one rewrite of the hive, whether registering or not.
TEST_F(TestServerTest, RegisteringAndUnregisteringRewriteTheHiveOnce) {
    const uint64_t before = winapi::RegistryHiveWrites(HKEY_LOCAL_MACHINE);
    ASSERT_EQ(registerServer_(), S_OK);
    EXPECT_EQ(winapi::RegistryHiveWrites(HKEY_LOCAL_MACHINE), before + 1);
    ASSERT_EQ(registerServer_(), S_OK);
    EXPECT_EQ(winapi::RegistryHiveWrites(HKEY_LOCAL_MACHINE), before + 2);
    ASSERT_EQ(unregisterServer_(), S_OK);
    EXPECT_EQ(winapi::RegistryHiveWrites(HKEY_LOCAL_MACHINE), before + 3);
    EXPECT_EQ(winapi::RegistryHiveWrites(HKEY_CURRENT_USER), 0u) << "the user's hive is never written";
}

TEST_F(TestServerTest, RegisteringTwiceLeavesOneCleanCopy) {
    ASSERT_EQ(registerServer_(), S_OK);
    const std::string once = DumpRegistry();
    // Left by an older version of the server.
    WriteText(HKEY_CLASSES_ROOT, ClassKey(test_server::kWidgetClsid) + u"\\LocalServer32", u"", u"old.exe");
    WriteText(HKEY_CLASSES_ROOT, ClassKey(test_server::kWidgetClsid) + u"\\InprocServer32", u"Stale", u"x");
    ASSERT_EQ(registerServer_(), S_OK);
    EXPECT_EQ(DumpRegistry(), once);
}

TEST_F(TestServerTest, UnregisterRemovesWhatRegisterWrote) {
    ASSERT_EQ(registerServer_(), S_OK);
    ASSERT_EQ(unregisterServer_(), S_OK);
    for (const RegisteredClass& c : kClasses) {
        SCOPED_TRACE(winapi::ToUtf8(c.progId));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKey(*c.clsid)));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, c.progId));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, c.versionIndependentProgId));
    }
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::u16string(u"AppID\\") + test_server::kAppId));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, u"AppID\\TestServer.DLL"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, u"TypeLib\\" + kLibraryText));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, u"Interface\\" + winapi::GuidToString(IWidget::kIid)));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, u"Interface\\" + winapi::GuidToString(IPart::kIid)));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, u"CLSID"));  // shared, NoRemove
}

TEST_F(TestServerTest, DllGetClassObjectServesTheBuiltClassesOnly) {
    struct Case {
        const char* name;
        const CLSID* clsid;
        const IID* iid;
        HRESULT result;
    };
    constexpr CLSID kStranger = com::MakeGuid("4D1B7A0E-6E36-4E0B-9F45-1C2D3E4F5A6B");
    const Case cases[] = {
        {"Widget's factory", &test_server::kWidgetClsid, &IID_IClassFactory, S_OK},
        {"Part's factory as IUnknown", &test_server::kPartClsid, &IID_IUnknown, S_OK},
        {"Gizmo: registered, not built", &test_server::kGizmoClsid, &IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
        {"a class of no one", &kStranger, &IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
        {"a factory asked for another interface", &test_server::kWidgetClsid, &IWidget::kIid, E_NOINTERFACE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        void* out = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(getClassObject_(*c.clsid, *c.iid, &out), c.result);
        EXPECT_EQ(out != nullptr, SUCCEEDED(c.result));
        if (out) static_cast<IUnknown*>(out)->Release();
    }
    EXPECT_EQ(getClassObject_(test_server::kWidgetClsid, IID_IClassFactory, nullptr), E_POINTER);
}

TEST_F(TestServerTest, TheFactoryRefusesAggregationAndUnknownInterfaces) {
    IClassFactory* factory = Factory(test_server::kWidgetClsid);
    ASSERT_NE(factory, nullptr);
    const LONG live = com::testing::LiveServerObjects();
    void* out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(factory->CreateInstance(factory, IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(factory->CreateInstance(nullptr, IPart::kIid, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(com::testing::LiveServerObjects(), live);  // the refused object is gone again
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
    factory->Release();
}

TEST_F(TestServerTest, AWidgetHandsOutParts) {
    IClassFactory* factory = Factory(test_server::kWidgetClsid);
    IWidget* widget = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&widget)), S_OK);
    factory->Release();
    ASSERT_EQ(widget->put_Size(12), S_OK);
    IPart* part = nullptr;
    ASSERT_EQ(widget->MakePart(&part), S_OK);
    LONG serial = 0;
    EXPECT_EQ(part->GetSerial(&serial), S_OK);
    EXPECT_EQ(serial, 12);
    EXPECT_EQ(widget->MakePart(nullptr), E_POINTER);

    IDispatch* dispatch = nullptr;
    ASSERT_EQ(widget->QueryInterface(IID_PPV_ARGS(&dispatch)), S_OK);
    EXPECT_EQ(static_cast<void*>(dispatch), static_cast<void*>(widget));  // the dual interface's own IDispatch
    dispatch->Release();
    ISupportErrorInfo* support = nullptr;
    ASSERT_EQ(widget->QueryInterface(IID_PPV_ARGS(&support)), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IWidget::kIid), S_OK);
    support->Release();

    part->Release();
    widget->Release();
}

TEST_F(TestServerTest, CanUnloadOnlyWithoutLiveObjectsAndLocks) {
    EXPECT_EQ(canUnloadNow_(), S_OK);
    IClassFactory* factory = Factory(test_server::kWidgetClsid);
    EXPECT_EQ(canUnloadNow_(), S_FALSE);  // the factory is the server's code too

    IWidget* widget = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&widget)), S_OK);
    factory->Release();
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    IPart* part = nullptr;
    ASSERT_EQ(widget->MakePart(&part), S_OK);
    widget->Release();
    EXPECT_EQ(canUnloadNow_(), S_FALSE);  // a handed-out object keeps it
    part->Release();
    EXPECT_EQ(canUnloadNow_(), S_OK);

    factory = Factory(test_server::kPartClsid);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory->Release();
    EXPECT_EQ(canUnloadNow_(), S_FALSE);  // the lock alone
    factory = Factory(test_server::kPartClsid);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory->Release();
    EXPECT_EQ(canUnloadNow_(), S_OK);
}

TEST_F(TestServerTest, RecordsAreRegisteredWhenTheServerLoads) {
    FreeTestServer();
    ASSERT_FALSE(TestServerLoaded());
    com::UnregisterRecordDescriptions(test_server::kLibraryId);
    IRecordInfo* record = nullptr;
    EXPECT_TRUE(
        FAILED(GetRecordInfoFromGuids(test_server::kLibraryId, 1, 0, 9, test_server::kPartInfoRecord, &record)));

    LoadTestServer();
    ASSERT_EQ(GetRecordInfoFromGuids(test_server::kLibraryId, 1, 0, 9, test_server::kPartInfoRecord, &record), S_OK);
    ULONG size = 0;
    EXPECT_EQ(record->GetSize(&size), S_OK);
    EXPECT_EQ(size, 16u);
    record->Release();
}

// The runtime loads the server by itself; the test's own load is gone.
class TestServerRuntimeTest : public TestServerTest {
protected:
    void SetUp() override {
        TestServerTest::SetUp();
        ASSERT_EQ(registerServer_(), S_OK);
        FreeTestServer();
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    }
    void TearDown() override {
        CoUninitialize();
        TestServerTest::TearDown();
    }
};

TEST_F(TestServerRuntimeTest, CreatedByClsidAndProgIdAndUnloadedWhenUnused) {
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(u"ComTest.Widget", &clsid), S_OK);  // through CurVer
    EXPECT_EQ(clsid, test_server::kWidgetClsid);

    IWidget* byClsid = nullptr;
    ASSERT_EQ(CoCreateInstance(test_server::kWidgetClsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&byClsid)), S_OK);
    IWidget* byProgId = nullptr;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&byProgId)), S_OK);
    EXPECT_NE(byClsid, byProgId);
    IUnknown* gizmo = nullptr;
    EXPECT_EQ(CoCreateInstance(test_server::kGizmoClsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&gizmo)),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(gizmo, nullptr);

    byClsid->Release();
    CoFreeUnusedLibraries();
    EXPECT_TRUE(TestServerLoaded());  // one widget still lives
    byProgId->Release();
    CoFreeUnusedLibraries();
    EXPECT_FALSE(TestServerLoaded());

    // Loaded again on demand.
    ASSERT_EQ(CoCreateInstance(test_server::kWidgetClsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&byClsid)), S_OK);
    byClsid->Release();
    CoFreeUnusedLibraries();
    EXPECT_FALSE(TestServerLoaded());
}

TEST_F(TestServerRuntimeTest, CreatedFromAnotherProcessByProgIdAndByClsid) {
    const std::string library = testsupport::SiblingProgram(kLibraryFile).string();
    for (const std::string& name : {std::string("ComTest.Widget"), std::string("ComTest.Widget.1"),
                                    winapi::ToUtf8(winapi::GuidToString(test_server::kWidgetClsid))}) {
        SCOPED_TRACE(name);
        testsupport::ChildProcess child(testsupport::SiblingProgram("server_child"), {name, library});
        EXPECT_TRUE(child.WaitForLine("serial=41"));
        EXPECT_TRUE(child.WaitForLine("loaded while a part lives=1"));
        EXPECT_TRUE(child.WaitForLine("loaded=0"));
        EXPECT_EQ(child.Wait(), 0);
    }
}

// A server module inside the test program, for what the test server cannot
// show: a script failing, records failing to register.
struct ISample : IUnknown {
    COM_INTERFACE_ID("4D1B7A0E-6E36-4E0B-9F45-1C2D3E4F5A01");
};
constexpr CLSID kSampleClsid = com::MakeGuid("4D1B7A0E-6E36-4E0B-9F45-1C2D3E4F5A02");
constexpr CLSID kSecondClsid = com::MakeGuid("4D1B7A0E-6E36-4E0B-9F45-1C2D3E4F5A03");
constexpr CLSID kThirdClsid = com::MakeGuid("4D1B7A0E-6E36-4E0B-9F45-1C2D3E4F5A04");
constexpr GUID kSampleLibrary = com::MakeGuid("4D1B7A0E-6E36-4E0B-9F45-1C2D3E4F5A05");

class CSample : public CComObjectRootEx<CComSingleThreadModel>,
                public CComCoClass<CSample, &kSampleClsid>,
                public ISample {
public:
    BEGIN_COM_MAP(CSample)
    COM_INTERFACE_ENTRY(ISample)
    END_COM_MAP()

protected:
    CSample() = default;
    ~CSample() = default;
};

constexpr char16_t kGoodScript[] = u"HKCR { NoRemove CLSID { ForceRemove %CLSID% = s '%DESCRIPTION%' } }";
constexpr char16_t kBadScript[] = u"HKCR { NoRemove CLSID { ForceRemove %CLSID% = s '%DESCRIPTION% } } }";

const com::TypeLibraryInterface kSampleInterfaces[] = {{&ISample::kIid, u"ISample", false}};

void RecordsThatCannotBeRight() { throw std::invalid_argument("a field outside its record"); }

using ProgramModuleTest = testsupport::FreshMachineTest;

TEST_F(ProgramModuleTest, RegistrationStopsAtTheFirstFailingScript) {
    const com::ObjectMapEntry objects[] = {
        com::ObjectEntry<CSample>(kGoodScript, u"", u"", u"Sample Class"),
        {&kSecondClsid, nullptr, kBadScript, u"", u"", u"Second Class"},
        {&kThirdClsid, nullptr, kGoodScript, u"", u"", u"Third Class"},
    };
    const com::TypeLibrary library{&kSampleLibrary, 1, 0, u"Sample Library", kSampleInterfaces};
    com::ServerModule module({.objects = objects, .typeLibrary = &library});

    EXPECT_EQ(module.DllRegisterServer(), DISP_E_EXCEPTION);
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, ClassKey(kSampleClsid)), u"Sample Class");
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKey(kSecondClsid)));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKey(kThirdClsid)));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, u"TypeLib\\" + winapi::GuidToString(kSampleLibrary)));

    // Unregistering goes on past the failing script and reports it.
    EXPECT_EQ(module.DllUnregisterServer(), DISP_E_EXCEPTION);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKey(kSampleClsid)));
}

TEST_F(ProgramModuleTest, AServerWhoseRecordsCannotBeRegisteredMakesNoObjects) {
    const com::ObjectMapEntry objects[] = {com::ObjectEntry<CSample>(kGoodScript, u"", u"", u"Sample Class")};
    const com::TypeLibrary library{&kSampleLibrary,          1, 0, u"Sample Library", kSampleInterfaces,
                                   &RecordsThatCannotBeRight};
    com::ServerModule module({.objects = objects, .typeLibrary = &library});
    void* out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(module.DllGetClassObject(kSampleClsid, IID_IClassFactory, &out), E_UNEXPECTED);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(module.DllCanUnloadNow(), S_OK);
}

TEST_F(ProgramModuleTest, ObjectsAndLocksCountOnTheModuleOfTheirOwnLibrary) {
    const com::ObjectMapEntry objects[] = {com::ObjectEntry<CSample>(kGoodScript, u"", u"", u"Sample Class")};
    com::ServerModule module({.objects = objects});
    const LONG before = module.GetLockCount();
    IClassFactory* factory = nullptr;
    ASSERT_EQ(module.DllGetClassObject(kSampleClsid, IID_PPV_ARGS(&factory)), S_OK);
    ISample* sample = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&sample)), S_OK);
    EXPECT_EQ(module.GetLockCount(), before + 2);  // the factory and the object
    EXPECT_EQ(module.Lock(), before + 3);
    factory->Release();
    sample->Release();
    EXPECT_EQ(module.Unlock(), before);
}

}  // namespace
