// The client back end: creation of the client library's main object and the
// login object, the two logins through the login worker (the record the
// client library gets, SpMgr references, what the back end keeps), and the
// logout. The outside classes are served by fakes in this process.

#include "proxy_tavrosk_api.h"

#include "itemstore/item_cache_file.h"

#include "com/bstr.h"
#include "com/runnable.h"
#include "com/runtime.h"
#include "com_testing/bstr_text.h"
#include "com_testing/counting_class_factory.h"
#include "com_testing/fake_parts.h"
#include "fake_client_library.h"
#include "com_testing/leak_checked_test.h"
#include "dunmorrow/ids.h"
#include "dunmorrow/interfaces.h"
#include "tavrosk/client_interfaces.h"
#include "tavrosk/ids.h"
#include "tavrosk/login_record.h"
#include "testsupport/fresh_machine.h"
#include "vennacle/sp_mgr.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using namespace BellquistLib;
using com_testing::Text;
using com_testing::UnexpectedCall;
using DunmorrowLib::ILogin;
using DunmorrowLib::LoginInfo;
using DunmorrowLib::LoginResult;
using TavroskClientLib::ITavroskClient;
using TavroskClientLib::ITavroskServices;
using TavroskClientLib::LoginRecord;

namespace {

constexpr HRESULT kNullValue = static_cast<HRESULT>(0x80040240);
constexpr HRESULT kNotInitialized = static_cast<HRESULT>(0x80040201);
constexpr HRESULT kRunFailed = static_cast<HRESULT>(0x80040155);

std::u16string Own(BSTR text) { return text ? Text(text) : u"<null>"; }

// The references `spMgr` has now.
ULONG References(SpMgr* spMgr) {
    spMgr->AddRef();
    return spMgr->Release();
}

// What a fake object of one class answers and records.
struct FakeClass {
    bool served = true;         // the class is registered
    bool runs = true;           // OleRun succeeds
    bool mainInterface = true;  // answers the class's interface
    bool services = true;       // the client object answers the service interface
    HRESULT login = S_OK;       // ILogin::Login / the service login
    HRESULT logout = S_OK;      // ILogin::Logout / the main logout
    int loginCalls = 0;
    int logoutCalls = 0;
};

// Everything a test scripts and sees of the two outside objects.
struct OutsideScript {
    FakeClass client;
    FakeClass loginServer;
    // The login server's result; its SpMgr reference goes to the caller.
    SpMgr* spMgr = nullptr;
    // What the login object got, with its strings.
    LoginInfo info{};
    std::u16string infoTexts[5];
    // What the client library got: the record and its strings.
    LoginRecord record{};
    std::u16string recordTexts[7];
};

OutsideScript* gScript = nullptr;

// One fake for both classes: the client library's main object (main and
// service interfaces) or the login object.
class FakeOutsideObject final : public FakeClientLibrary,
                                public com_testing::UnexpectedDispatch<ILogin>,
                                public IRunnableObject {
public:
    explicit FakeOutsideObject(bool isClient) : isClient_(isClient) {}
    FakeClass& Class() const { return isClient_ ? gScript->client : gScript->loginServer; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        IUnknown* answer = nullptr;
        if (iid == IID_IUnknown) answer = static_cast<ITavroskClient*>(this);
        if (iid == IRunnableObject::kIid) answer = static_cast<IRunnableObject*>(this);
        if (isClient_ && Class().mainInterface && iid == ITavroskClient::kIid)
            answer = static_cast<ITavroskClient*>(this);
        if (isClient_ && Class().services && iid == ITavroskServices::kIid)
            answer = static_cast<ITavroskServices*>(this);
        if (!isClient_ && Class().mainInterface && iid == ILogin::kIid) answer = static_cast<ILogin*>(this);
        return com_testing::AnswerQuery(out, answer);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = references_.Release();
        if (left == 0) delete this;
        return left;
    }

    // IRunnableObject: only Run is asked.
    HRESULT STDMETHODCALLTYPE GetRunningClass(LPCLSID) override { return UnexpectedCall("GetRunningClass"); }
    HRESULT STDMETHODCALLTYPE Run(LPBINDCTX) override { return Class().runs ? S_OK : kRunFailed; }
    BOOL STDMETHODCALLTYPE IsRunning() override { return TRUE; }
    HRESULT STDMETHODCALLTYPE LockRunning(BOOL, BOOL) override { return UnexpectedCall("LockRunning"); }
    HRESULT STDMETHODCALLTYPE SetContainedObject(BOOL) override { return UnexpectedCall("SetContainedObject"); }

    // ILogin; Logout answers ILogin's and ITavroskClient's slot alike.
    HRESULT STDMETHODCALLTYPE Login(LoginInfo info, LoginResult* result) override {
        ++Class().loginCalls;
        gScript->info = info;
        BSTR texts[] = {info.moVaultName, info.moUsername, info.moPassword, info.moSqlUsername, info.moSqlPassword};
        for (int i = 0; i < 5; ++i) gScript->infoTexts[i] = Own(texts[i]);
        if (FAILED(Class().login)) return Class().login;
        result->mpoSpMgr = reinterpret_cast<uintptr_t>(gScript->spMgr);
        gScript->spMgr->AddRef();  // the caller's reference
        result->mlUserID = 17;
        result->mlSystemRights = 0x105;
        result->moUsername = SysAllocString(u"Ada");
        result->moUserPwd = SysAllocString(u"secret");
        result->musPort = 3030;
        result->mlArchiveServerID = 9;
        result->mlDateFmt = 2;
        result->mbsAServer = SysAllocString(u"archive.local");
        result->mlRootItemFolderID = 500;
        result->moVaultGUID = com::MakeGuid("0F0E0D0C-0B0A-0908-0706-050403020100");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Logout() override {
        ++Class().logoutCalls;
        return Class().logout;
    }

    // ITavroskServices: the login record is copied out, strings included.
    HRESULT STDMETHODCALLTYPE Login(LoginRecord* record) override {
        ++Class().loginCalls;
        gScript->record = *record;
        BSTR texts[] = {record->moViewPath, record->moComputerName, record->moDomainName, record->moUsername,
                        record->moUserPwd,  record->moVaultName,    record->mbsAServer};
        for (int i = 0; i < 7; ++i) gScript->recordTexts[i] = Own(texts[i]);
        return Class().login;
    }

private:
    com_testing::FakeReferenceCount references_{com_testing::FakeReferenceCount::Lifetime::kDeletedByLastRelease};
    bool isClient_;
};

class ClientBackEndTest : public com_testing::LeakChecked<testsupport::FreshMachineTest> {
protected:
    void SetUp() override {
        LeakChecked::SetUp();
        gScript = &script_;
        script_.spMgr = new SpMgr();
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        cacheFile_ = new CItemCacheFile(u"/nonexistent/cache.file");
        backEnd_ = std::make_unique<CProxyTavroskAPI>(cacheFile_);
        data_.hParentWndHandle = 0x1234;
        data_.moDomainName = SysAllocString(u"WORK");
        data_.moComputerName = SysAllocString(u"PC-7");
        data_.moViewPath = SysAllocString(u"C:\\Views\\Pumps");
        data_.moViewGUID = com::MakeGuid("A0A1A2A3-B0B1-C0C1-D0D1-E0E1E2E3E4E5");
        data_.moVaultGUID = com::MakeGuid("10111213-2021-3031-4041-505152535455");
        data_.mlViewServerID = 3;
    }
    void TearDown() override {
        backEnd_.reset();
        cacheFile_ = nullptr;
        Unserve();
        CoUninitialize();
        EXPECT_EQ(script_.spMgr->Release(), 0u);  // nothing else holds the connection
        SysFreeString(data_.moDomainName);
        SysFreeString(data_.moComputerName);
        SysFreeString(data_.moViewPath);
        gScript = nullptr;
        LeakChecked::TearDown();
    }

    void Serve() {
        if (script_.client.served) {
            ASSERT_EQ(CoRegisterClassObject(TavroskClientLib::CLSID_TavroskClient, &clientClass_, CLSCTX_INPROC_SERVER,
                                            REGCLS_MULTIPLEUSE, &clientCookie_),
                      S_OK);
        }
        if (script_.loginServer.served) {
            ASSERT_EQ(CoRegisterClassObject(DunmorrowLib::CLSID_Login, &loginClass_, CLSCTX_INPROC_SERVER,
                                            REGCLS_MULTIPLEUSE, &loginCookie_),
                      S_OK);
        }
    }
    void Unserve() {
        if (clientCookie_) CoRevokeClassObject(std::exchange(clientCookie_, 0));
        if (loginCookie_) CoRevokeClassObject(std::exchange(loginCookie_, 0));
    }
    void ServeAndInit() {
        Serve();
        ASSERT_EQ(backEnd_->Init(data_), S_OK);
    }

    OutsideScript script_;
    com_testing::CountingClassFactory clientClass_{
        [] { return static_cast<IUnknown*>(static_cast<ITavroskClient*>(new FakeOutsideObject(true))); }};
    com_testing::CountingClassFactory loginClass_{
        [] { return static_cast<IUnknown*>(static_cast<ITavroskClient*>(new FakeOutsideObject(false))); }};
    DWORD clientCookie_ = 0;
    DWORD loginCookie_ = 0;
    RefPtr<CItemCacheFile> cacheFile_;
    std::unique_ptr<CProxyTavroskAPI> backEnd_;
    InitData data_{};
};

TEST_F(ClientBackEndTest, InitCreatesBothObjectsAndKeepsTheIdentity) {
    ServeAndInit();
    EXPECT_NE(backEnd_->mpoGetClient(), nullptr);
    EXPECT_NE(backEnd_->mpoGetLogin(), nullptr);
    EXPECT_EQ(backEnd_->mulGetParentWnd(), 0x1234u);
    EXPECT_EQ(Text(backEnd_->moGetDomainName()), u"WORK");
    EXPECT_EQ(Text(backEnd_->moGetComputerName()), u"PC-7");
    EXPECT_EQ(Text(backEnd_->moGetViewPath()), u"C:\\Views\\Pumps");
    EXPECT_EQ(backEnd_->moGetViewGUID(), data_.moViewGUID);
    EXPECT_EQ(backEnd_->moGetVaultGUID(), data_.moVaultGUID);
    EXPECT_EQ(backEnd_->mlGetViewServerID(), 3);
    EXPECT_EQ(backEnd_->mlGetUserID(), 0);
    EXPECT_EQ(backEnd_->mpoGetSpMgr(), nullptr);
}

TEST_F(ClientBackEndTest, EachFailingCreationStepIsReturnedWithThatObjectLeftNull) {
    enum Step { kNotServed, kNotRunning, kNoInterface };
    struct Case {
        bool client;
        Step step;
        HRESULT expected;
    } const cases[] = {
        {true, kNotServed, S_OK},  {true, kNotRunning, kRunFailed},  {true, kNoInterface, E_NOINTERFACE},
        {false, kNotServed, S_OK}, {false, kNotRunning, kRunFailed}, {false, kNoInterface, E_NOINTERFACE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.client) + " " + std::to_string(c.step));
        script_.client = {};
        script_.loginServer = {};
        FakeClass& failing = c.client ? script_.client : script_.loginServer;
        failing.served = c.step != kNotServed;
        failing.runs = c.step != kNotRunning;
        failing.mainInterface = c.step != kNoInterface;
        Serve();
        auto backEnd = std::make_unique<CProxyTavroskAPI>(cacheFile_);
        HRESULT hr = backEnd->Init(data_);
        if (c.step == kNotServed)
            EXPECT_TRUE(FAILED(hr));  // the runtime's "class not available" code
        else
            EXPECT_EQ(hr, c.expected);
        if (c.client) {
            EXPECT_EQ(backEnd->mpoGetClient(), nullptr);
        }
        EXPECT_EQ(backEnd->mpoGetLogin(), nullptr);
        EXPECT_EQ(backEnd->mulGetParentWnd(), 0u);  // nothing kept
        backEnd.reset();
        Unserve();
    }
}

TEST_F(ClientBackEndTest, LoginAndLogin2AskTheLoginServerWithTheirOwnRequest) {
    ServeAndInit();
    BSTR vault = SysAllocString(u"Demo");
    EXPECT_EQ(backEnd_->Login(vault, nullptr), S_OK);
    EXPECT_EQ(script_.infoTexts[0], u"Demo");
    for (int i = 1; i < 5; ++i) EXPECT_EQ(script_.infoTexts[i], u"<null>");
    EXPECT_EQ(script_.info.mlUserID, 0u);
    EXPECT_EQ(script_.info.mbDirectLogin, VARIANT_FALSE);
    EXPECT_EQ(script_.info.mlParentWnd, 0x1234u);

    BSTR user = SysAllocString(u"ada"), password = SysAllocString(u"pw"), sqlUser = SysAllocString(u"sa"),
         sqlPassword = SysAllocString(u"sapw");
    EXPECT_EQ(backEnd_->Login2(vault, user, password, sqlUser, sqlPassword, 23, nullptr), S_OK);
    EXPECT_EQ(script_.infoTexts[1], u"ada");
    EXPECT_EQ(script_.infoTexts[2], u"pw");
    EXPECT_EQ(script_.infoTexts[3], u"sa");
    EXPECT_EQ(script_.infoTexts[4], u"sapw");
    EXPECT_EQ(script_.info.mlUserID, 23u);
    EXPECT_EQ(script_.info.mbDirectLogin, VARIANT_TRUE);
    EXPECT_EQ(script_.info.mlParentWnd, 0x1234u);
    for (BSTR text : {vault, user, password, sqlUser, sqlPassword}) SysFreeString(text);
}

TEST_F(ClientBackEndTest, ANullVaultNameIsRefusedWithoutAskingTheLoginServer) {
    ServeAndInit();
    LoginDataOut out{};
    EXPECT_EQ(backEnd_->Login(nullptr, &out), kNullValue);
    EXPECT_EQ(backEnd_->Login2(nullptr, nullptr, nullptr, nullptr, nullptr, 0, &out), kNullValue);
    EXPECT_EQ(script_.loginServer.loginCalls, 0);
}

TEST_F(ClientBackEndTest, TheClientLibraryGetsEveryFieldOfTheLoginRecord) {
    ServeAndInit();
    BSTR vault = SysAllocString(u"Demo");
    ASSERT_EQ(backEnd_->Login(vault, nullptr), S_OK);
    SysFreeString(vault);
    const LoginRecord& r = script_.record;
    EXPECT_EQ(r.mpoSpMgr, script_.spMgr);
    EXPECT_EQ(r.moVaultGUID, data_.moVaultGUID);
    EXPECT_EQ(r.moViewGUID, data_.moViewGUID);
    EXPECT_EQ(script_.recordTexts[0], u"C:\\Views\\Pumps");
    EXPECT_EQ(script_.recordTexts[1], u"PC-7");
    EXPECT_EQ(script_.recordTexts[2], u"WORK");
    EXPECT_EQ(script_.recordTexts[3], u"Ada");
    EXPECT_EQ(script_.recordTexts[4], u"secret");
    EXPECT_EQ(script_.recordTexts[5], u"Demo");
    EXPECT_EQ(script_.recordTexts[6], u"archive.local");
    EXPECT_EQ(r.musPort, 3030);
    EXPECT_EQ(r.mlUserID, 17);
    EXPECT_EQ(r.mlArchiveServerID, 9);
    EXPECT_EQ(r.mlDateFmt, 2);
    EXPECT_EQ(r.mlSystemRights, 0x105);
    EXPECT_EQ(r.mlReserved, 0);
}

TEST_F(ClientBackEndTest, ASuccessfulLoginKeepsItsDataAndGivesTheCallerAReference) {
    ServeAndInit();
    BSTR vault = SysAllocString(u"Demo");
    LoginDataOut out{};
    ASSERT_EQ(backEnd_->Login(vault, &out), S_OK);
    SysFreeString(vault);
    EXPECT_EQ(out.mlUserID, 17);
    EXPECT_EQ(Text(out.moUsername), u"Ada");
    EXPECT_EQ(out.moVaultGUID, com::MakeGuid("0F0E0D0C-0B0A-0908-0706-050403020100"));
    EXPECT_EQ(out.mpoSpMgr, reinterpret_cast<uintptr_t>(script_.spMgr));
    EXPECT_EQ(out.mlRootItemFolderID, 500);
    // The test's own, the back end's and the caller's.
    EXPECT_EQ(References(script_.spMgr), 3u);
    EXPECT_EQ(backEnd_->mpoGetSpMgr(), script_.spMgr);
    EXPECT_EQ(backEnd_->mlGetUserID(), 17);
    EXPECT_EQ(backEnd_->mlGetDateFormat(), 2);
    EXPECT_EQ(backEnd_->mlGetSystemRights(), 0x105);
    EXPECT_EQ(Text(backEnd_->moGetVaultName()), u"Demo");
    SysFreeString(out.moUsername);
    script_.spMgr->Release();
}

TEST_F(ClientBackEndTest, WithoutAResultRecordTheLoginStillKeepsItsData) {
    ServeAndInit();
    BSTR vault = SysAllocString(u"Demo");
    ASSERT_EQ(backEnd_->Login(vault, nullptr), S_OK);
    SysFreeString(vault);
    EXPECT_EQ(References(script_.spMgr), 2u);
    EXPECT_EQ(backEnd_->mlGetUserID(), 17);
}

TEST_F(ClientBackEndTest, ASecondLoginReleasesTheFirstConnection) {
    ServeAndInit();
    BSTR vault = SysAllocString(u"Demo");
    ASSERT_EQ(backEnd_->Login(vault, nullptr), S_OK);
    SpMgr* first = script_.spMgr;
    first->AddRef();  // the test keeps watching it
    script_.spMgr = new SpMgr();
    ASSERT_EQ(backEnd_->Login(vault, nullptr), S_OK);
    EXPECT_EQ(backEnd_->mpoGetSpMgr(), script_.spMgr);
    EXPECT_EQ(References(first), 2u);  // the test's two: the back end let go
    first->Release();
    EXPECT_EQ(first->Release(), 0u);
    SysFreeString(vault);
}

TEST_F(ClientBackEndTest, AFailedLoginKeepsOnlyTheVaultNameAndReleasesTheConnection) {
    struct Case {
        const char* what;
        HRESULT loginServer;
        bool services;
        HRESULT library;
        HRESULT expected;
    } const cases[] = {
        {"login server fails", E_ACCESSDENIED, true, S_OK, E_ACCESSDENIED},
        {"no service interface", S_OK, false, S_OK, kNullValue},
        {"client library fails", S_OK, true, E_FAIL, E_FAIL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        script_.loginServer.login = c.loginServer;
        script_.client.services = c.services;
        script_.client.login = c.library;
        auto backEnd = std::make_unique<CProxyTavroskAPI>(cacheFile_);
        Serve();
        ASSERT_EQ(backEnd->Init(data_), S_OK);
        BSTR vault = SysAllocString(u"Other");
        LoginDataOut out{};
        EXPECT_EQ(backEnd->Login(vault, &out), c.expected);
        SysFreeString(vault);
        EXPECT_EQ(References(script_.spMgr), 1u);  // only the test's
        EXPECT_EQ(backEnd->mpoGetSpMgr(), nullptr);
        EXPECT_EQ(backEnd->mlGetUserID(), 0);
        EXPECT_EQ(Text(backEnd->moGetVaultName()), u"Other");
        EXPECT_EQ(out.moUsername, nullptr);
        EXPECT_EQ(out.mpoSpMgr, 0u);
        backEnd.reset();
        Unserve();
    }
}

TEST_F(ClientBackEndTest, LogOutTellsTheClientLibraryThenTheLoginServer) {
    struct Case {
        HRESULT client;
        HRESULT loginServer;
        HRESULT expected;
        int loginServerCalls;
    } const cases[] = {
        {S_OK, S_OK, S_OK, 1},
        {E_FAIL, S_OK, kNullValue, 0},
        {S_OK, E_ACCESSDENIED, E_ACCESSDENIED, 1},
    };
    for (const Case& c : cases) {
        script_.client = {};
        script_.loginServer = {};
        script_.client.logout = c.client;
        script_.loginServer.logout = c.loginServer;
        auto backEnd = std::make_unique<CProxyTavroskAPI>(cacheFile_);
        Serve();
        ASSERT_EQ(backEnd->Init(data_), S_OK);
        EXPECT_EQ(backEnd->LogOut(), c.expected);
        EXPECT_EQ(script_.client.logoutCalls, 1);
        EXPECT_EQ(script_.loginServer.logoutCalls, c.loginServerCalls);
        backEnd.reset();
        Unserve();
    }
}

TEST_F(ClientBackEndTest, LogOutWithoutTheObjectsOfInit) {
    EXPECT_EQ(backEnd_->LogOut(), kNullValue);  // no client object
    script_.loginServer.served = false;
    Serve();
    EXPECT_TRUE(FAILED(backEnd_->Init(data_)));
    EXPECT_EQ(backEnd_->LogOut(), kNotInitialized);  // a client object but no login object
}

TEST_F(ClientBackEndTest, TheConnectionOfNewItemsIsTheClientObjectWithoutAReference) {
    ServeAndInit();
    ItmObjectData record{};
    EXPECT_EQ(backEnd_->SetItemConnection(&record), S_OK);
    EXPECT_EQ(record.mpoConnection, static_cast<IUnknown*>(backEnd_->mpoGetClient()));
}

TEST_F(ClientBackEndTest, OperationsOfLaterStepsAnswerNotImplementedAndDoNothing) {
    ServeAndInit();
    EXPECT_EQ(backEnd_->RefreshLocalCache(), E_NOTIMPL);
    EXPECT_EQ(backEnd_->GetLatestVersion(nullptr, VARIANT_FALSE, nullptr, VARIANT_FALSE), E_NOTIMPL);
    EXPECT_EQ(backEnd_->CheckOut(nullptr, VARIANT_FALSE, nullptr), E_NOTIMPL);
    EXPECT_EQ(script_.client.loginCalls + script_.loginServer.loginCalls, 0);
}

}  // namespace
