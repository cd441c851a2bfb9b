#include "runtime_test_support.h"

#include "com_testing/counting_class_factory.h"
#include "com_testing/counting_object.h"
#include "com_testing/fake_parts.h"

#include "winapi/environment.h"
#include "winapi/guid_text.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

using com_testing::CountingClassFactory;
using runtime_test::HandServerLoaded;
using runtime_test::SetClassesRootText;

constexpr CLSID kOtherClass = com::MakeGuid("B94836AE-1934-4897-8700-9C694576EB1E");

std::u16string ClassKey(REFCLSID clsid) { return u"CLSID\\" + winapi::GuidToString(clsid); }

// A calculator class served from the test's own code.
class TestCalculator final : public IHandCalculator {
public:
    static IUnknown* Create() { return new TestCalculator; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        const bool answers = riid == IID_IUnknown || riid == com::uuidof<IHandCalculator>();
        return com_testing::AnswerQuery(object, answers ? this : nullptr);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = references_.Release();
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE Add(LONG a, LONG b, LONG* sum) override {
        *sum = 1000 + a + b;  // tells this class from the server's
        return S_OK;
    }

private:
    TestCalculator() = default;
    ~TestCalculator() = default;
    com_testing::FakeReferenceCount references_{com_testing::FakeReferenceCount::Lifetime::kDeletedByLastRelease};
};

LONG Sum(IHandCalculator* calculator, LONG a, LONG b) {
    LONG sum = 0;
    EXPECT_EQ(calculator->Add(a, b, &sum), S_OK);
    return sum;
}

using RuntimeCreationTest = runtime_test::HandServerTest;

TEST_F(RuntimeCreationTest, CreatesObjectsOfARegisteredServerInEveryInProcessContext) {
    for (DWORD context : {DWORD{CLSCTX_INPROC_SERVER}, DWORD{CLSCTX_ALL}, DWORD{CLSCTX_SERVER},
                          DWORD{CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER}}) {
        IHandCalculator* calculator = CreateCalculator(context);
        ASSERT_NE(calculator, nullptr) << context;
        EXPECT_EQ(Sum(calculator, 2, 3), 5);
        calculator->Release();
    }

    // Through the class object, asked for IUnknown and then queried.
    IUnknown* classObject = nullptr;
    ASSERT_EQ(CoGetClassObject(hand_server::kCalculatorClsid, CLSCTX_ALL, nullptr, IID_PPV_ARGS(&classObject)), S_OK);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(classObject->QueryInterface(IID_PPV_ARGS(&factory)), S_OK);
    classObject->Release();
    IUnknown* object = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&object)), S_OK);
    IHandCalculator* calculator = nullptr;
    EXPECT_EQ(object->QueryInterface(IID_PPV_ARGS(&calculator)), S_OK);
    EXPECT_EQ(Sum(calculator, -7, 7), 0);
    calculator->Release();
    object->Release();
    factory->Release();
}

TEST_F(RuntimeCreationTest, CreatesByProgIdAndThroughCurVer) {
    // The version-independent ProgID without a class of its own: its CurVer
    // names the versioned one.
    ASSERT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::u16string(hand_server::kProgId) + u"\\CLSID").c_str()),
              ERROR_SUCCESS);
    for (const char16_t* progId : {hand_server::kVersionedProgId, hand_server::kProgId}) {
        CLSID clsid{};
        ASSERT_EQ(CLSIDFromProgID(progId, &clsid), S_OK);
        IHandCalculator* calculator = nullptr;
        ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&calculator)), S_OK);
        EXPECT_EQ(Sum(calculator, 20, 22), 42);
        calculator->Release();
    }
}

TEST_F(RuntimeCreationTest, FindsAServerThroughAnExpandableRegistration) {
    ASSERT_TRUE(SetEnvironmentVariableW(
        u"HAND_SERVER_DIR",
        winapi::ToUtf16(std::filesystem::path(runtime_test::HandServerFile()).parent_path().string()).c_str()));
    SetClassesRootText(ClassKey(hand_server::kCalculatorClsid) + u"\\InprocServer32", nullptr,
                       u"%HAND_SERVER_DIR%/libHandServer.so", REG_EXPAND_SZ);
    IHandCalculator* calculator = CreateCalculator();
    ASSERT_NE(calculator, nullptr);
    EXPECT_EQ(Sum(calculator, 1, 1), 2);
    calculator->Release();
    SetEnvironmentVariableW(u"HAND_SERVER_DIR", nullptr);
}

TEST_F(RuntimeCreationTest, ReportsWhyAClassCannotBeCreated) {
    std::filesystem::path notALibrary = machine_.root() / "NotALibrary.so";
    std::ofstream(notALibrary) << "plain text";
    struct Case {
        const char* what;
        CLSID clsid;
        std::u16string inprocServer;  // empty: no InprocServer32 key
        DWORD context;
        HRESULT expected;
    };
    const Case cases[] = {
        {"unregistered class", kOtherClass, u"", CLSCTX_ALL, REGDB_E_CLASSNOTREG},
        {"library missing", kOtherClass, u"NoSuchServer.dll", CLSCTX_ALL, HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)},
        {"no DllGetClassObject", kOtherClass, u"platform_winapi.dll", CLSCTX_ALL, CO_E_ERRORINDLL},
        {"not a shared library", kOtherClass, winapi::ToUtf16(notALibrary.string()), CLSCTX_ALL,
         HRESULT_FROM_WIN32(ERROR_BAD_EXE_FORMAT)},
        {"class the library does not serve", kOtherClass, hand_server::kLibraryName, CLSCTX_ALL,
         CLASS_E_CLASSNOTAVAILABLE},
        {"server that succeeds without an object", kOtherClass, u"EmptyServer.dll", CLSCTX_ALL,
         CLASS_E_CLASSNOTAVAILABLE},
        {"local server only", hand_server::kCalculatorClsid, u"", CLSCTX_LOCAL_SERVER, REGDB_E_CLASSNOTREG},
        {"in-process handler only", hand_server::kCalculatorClsid, u"", CLSCTX_INPROC_HANDLER, REGDB_E_CLASSNOTREG},
        {"remote server only", hand_server::kCalculatorClsid, u"", CLSCTX_REMOTE_SERVER, REGDB_E_CLASSNOTREG},
    };
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND), static_cast<HRESULT>(0x8007007E));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RegDeleteTreeW(HKEY_CLASSES_ROOT, ClassKey(kOtherClass).c_str());
        SetClassesRootText(ClassKey(kOtherClass) + u"\\ProgID", nullptr, u"Other.Class.1");  // no server
        if (!c.inprocServer.empty())
            SetClassesRootText(ClassKey(c.clsid) + u"\\InprocServer32", nullptr, c.inprocServer);

        auto* poison = reinterpret_cast<IHandCalculator*>(0x1);
        IHandCalculator* calculator = poison;
        EXPECT_EQ(CoCreateInstance(c.clsid, nullptr, c.context, IID_PPV_ARGS(&calculator)), c.expected);
        EXPECT_EQ(calculator, nullptr);
        IClassFactory* factory = reinterpret_cast<IClassFactory*>(0x1);
        EXPECT_EQ(CoGetClassObject(c.clsid, c.context, nullptr, IID_PPV_ARGS(&factory)), c.expected);
        EXPECT_EQ(factory, nullptr);
    }
}

TEST_F(RuntimeCreationTest, RefusesBadArgumentsAndPassesTheServersAnswersOn) {
    EXPECT_EQ(CoCreateInstance(hand_server::kCalculatorClsid, nullptr, CLSCTX_ALL, IID_IUnknown, nullptr), E_POINTER);
    IUnknown* object = nullptr;
    EXPECT_EQ(CoGetClassObject(hand_server::kCalculatorClsid, CLSCTX_ALL, nullptr, IID_IUnknown, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(CoGetClassObject(hand_server::kCalculatorClsid, 0, nullptr, IID_PPV_ARGS(&object)), E_INVALIDARG);
    COSERVERINFO otherMachine{0, nullptr, nullptr, 0};
    EXPECT_EQ(CoGetClassObject(hand_server::kCalculatorClsid, CLSCTX_ALL, &otherMachine, IID_PPV_ARGS(&object)),
              E_INVALIDARG);

    // Aggregation refused by the server, and interfaces its objects lack.
    com_testing::CountingObject outer;  // any object: the server refuses before using it
    EXPECT_EQ(CoCreateInstance(hand_server::kCalculatorClsid, outer.Unknown(), CLSCTX_ALL, IID_PPV_ARGS(&object)),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    IClassFactory* notACalculator = nullptr;
    EXPECT_EQ(CoCreateInstance(hand_server::kCalculatorClsid, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&notACalculator)),
              E_NOINTERFACE);
    IHandCalculator* notAClassObject = nullptr;
    EXPECT_EQ(CoGetClassObject(hand_server::kCalculatorClsid, CLSCTX_ALL, nullptr, IID_PPV_ARGS(&notAClassObject)),
              E_NOINTERFACE);
    EXPECT_EQ(outer.References(), 1u);
}

TEST_F(RuntimeCreationTest, ServesClassObjectsTheProcessRegisteredBeforeTheRegistry) {
    CountingClassFactory factory(TestCalculator::Create);
    DWORD cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(hand_server::kCalculatorClsid, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                    &cookie),
              S_OK);
    EXPECT_NE(cookie, 0u);
    EXPECT_EQ(factory.References(), 2u);  // held by the registration
    for (int i = 0; i < 2; ++i) {
        IHandCalculator* calculator = CreateCalculator(CLSCTX_ALL);
        ASSERT_NE(calculator, nullptr);
        EXPECT_EQ(Sum(calculator, 1, 2), 1003);
        calculator->Release();
    }
    EXPECT_EQ(factory.Created(), 2);
    EXPECT_FALSE(HandServerLoaded());
    IHandCalculator* calculator = nullptr;
    EXPECT_EQ(CoCreateInstance(hand_server::kCalculatorClsid, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&calculator)),
              REGDB_E_CLASSNOTREG);  // registered for in-process requests only

    EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
    EXPECT_EQ(factory.References(), 1u);
    EXPECT_EQ(CoRevokeClassObject(cookie), CO_E_OBJNOTREG);
    calculator = CreateCalculator();  // from the server again
    ASSERT_NE(calculator, nullptr);
    EXPECT_EQ(Sum(calculator, 1, 2), 3);
    calculator->Release();
}

TEST_F(RuntimeCreationTest, RegistrationsServeBySingleUseAndContext) {
    CountingClassFactory factory(TestCalculator::Create);
    DWORD singleUse = 0, localServer = 0, ignored = 0;
    ASSERT_EQ(CoRegisterClassObject(kOtherClass, &factory, CLSCTX_INPROC_SERVER, REGCLS_SINGLEUSE, &singleUse), S_OK);
    IClassFactory* served = nullptr;
    ASSERT_EQ(CoGetClassObject(kOtherClass, CLSCTX_ALL, nullptr, IID_PPV_ARGS(&served)), S_OK);
    served->Release();
    EXPECT_EQ(CoGetClassObject(kOtherClass, CLSCTX_ALL, nullptr, IID_PPV_ARGS(&served)), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CoRevokeClassObject(singleUse), S_OK);

    // A multiple-use local server serves in-process requests too.
    ASSERT_EQ(CoRegisterClassObject(kOtherClass, &factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &localServer),
              S_OK);
    for (DWORD context : {DWORD{CLSCTX_LOCAL_SERVER}, DWORD{CLSCTX_INPROC_SERVER}}) {
        ASSERT_EQ(CoGetClassObject(kOtherClass, context, nullptr, IID_PPV_ARGS(&served)), S_OK) << context;
        served->Release();
    }
    EXPECT_EQ(CoRevokeClassObject(localServer), S_OK);
    EXPECT_EQ(factory.References(), 1u);

    EXPECT_EQ(CoRegisterClassObject(kOtherClass, nullptr, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &ignored),
              E_INVALIDARG);
    EXPECT_EQ(CoRegisterClassObject(kOtherClass, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(CoRegisterClassObject(kOtherClass, &factory, 0, REGCLS_MULTIPLEUSE, &ignored), E_INVALIDARG);
    EXPECT_EQ(CoRegisterClassObject(kOtherClass, &factory, CLSCTX_INPROC_SERVER, 4, &ignored), E_INVALIDARG);
    Uninitialise();
    EXPECT_EQ(CoRegisterClassObject(kOtherClass, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &ignored),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(factory.References(), 1u);
}

// The stand-ins' class objects, counted, so that each test sees its own.
CountingClassFactory* g_standInFactory = nullptr;
IClassFactory* MakeStandInFactory() {
    g_standInFactory->AddRef();
    return g_standInFactory;
}
IClassFactory* FailToStart() { return nullptr; }

TEST_F(RuntimeCreationTest, ServesLocalServerRequestsThroughARegisteredStandIn) {
    CountingClassFactory factory(TestCalculator::Create);
    g_standInFactory = &factory;
    com::RegisterLocalServerStandIn(kOtherClass, MakeStandInFactory);
    for (DWORD context : {DWORD{CLSCTX_LOCAL_SERVER}, DWORD{CLSCTX_ALL}}) {
        IHandCalculator* calculator = nullptr;
        ASSERT_EQ(CoCreateInstance(kOtherClass, nullptr, context, IID_PPV_ARGS(&calculator)), S_OK) << context;
        EXPECT_EQ(Sum(calculator, 0, 1), 1001);
        calculator->Release();
    }
    IHandCalculator* calculator = nullptr;
    EXPECT_EQ(CoCreateInstance(kOtherClass, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&calculator)),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(factory.Created(), 2);
    EXPECT_EQ(factory.References(), 1u);

    com::RegisterLocalServerStandIn(kOtherClass, FailToStart);
    EXPECT_EQ(CoCreateInstance(kOtherClass, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&calculator)),
              CO_E_SERVER_EXEC_FAILURE);
    com::RegisterLocalServerStandIn(kOtherClass, nullptr);
    EXPECT_EQ(CoCreateInstance(kOtherClass, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&calculator)),
              REGDB_E_CLASSNOTREG);
    g_standInFactory = nullptr;
}

}  // namespace
