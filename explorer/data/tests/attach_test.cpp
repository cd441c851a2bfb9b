// The attach's steps over a scripted item manager and vault object, served
// to the attach by their class ids: what Init and Login are given, what the
// node takes from the login, when the local cache is refreshed at the first
// login on the machine, and that every failure leaves the node logged out
// with the manager, the vault object and the login table's handles released.
#include "vault_list_fixture.h"

#include "explorer/data/cache.h"
#include "explorer/data/halvaran_doc.h"
#include "explorer/data/view_server_event_handler.h"

#include "fake_application.h"
#include "scripted_item_manager.h"

#include "bellquist/ids.h"
#include "com/error_info.h"
#include "com_testing/counting_class_factory.h"
#include "com_testing/fake_parts.h"
#include "common/error_codes.h"
#include "oxnvault/ids.h"
#include "oxnvault/interfaces.h"
#include "ui/window_value.h"
#include "ui_testing/ui_test.h"
#include "vaultadmin/user_admin.h"
#include "vennacle/sp_mgr.h"
#include "winapi/environment.h"

#include <filesystem>

namespace {

using explorer_test::ScriptedAnswer;
using explorer_test::ScriptedItemManager;
using explorer_testing::FakeApplication;

constexpr LONG kHandlerId = 4242;
constexpr LONG kRootId = 77;

// The vault object the attach connects: it records its opens.
class ScriptedVault final : public OxnVaultLib::IOxnVault5 {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        IUnknown* answer = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == OxnVaultLib::IOxnVault5::kIid) answer = this;
        return com_testing::AnswerQuery(object, answer);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return count.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return count.Release(); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return com_testing::UnexpectedCall("vault"); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override {
        return com_testing::UnexpectedCall("vault");
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return com_testing::UnexpectedCall("vault");
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return com_testing::UnexpectedCall("vault");
    }
    HRESULT STDMETHODCALLTYPE Open(BSTR vaultName, LONG reserved) override {
        opens.push_back(std::u16string(com::BstrView(vaultName)) + u"," + (reserved == 0 ? u"0" : u"?"));
        return openResult;
    }

    com_testing::FakeReferenceCount count{com_testing::FakeReferenceCount::Lifetime::kOwnedByTest};
    HRESULT openResult = S_OK;
    std::vector<std::u16string> opens;
};

// The test's manager and vault object, handed out by the class objects.
ScriptedItemManager* gManager = nullptr;
ScriptedVault* gVault = nullptr;
IUnknown* GiveManager() {
    gManager->AddRef();
    return static_cast<BellquistLib::IItmManager2*>(gManager);
}
IUnknown* GiveVault() {
    gVault->AddRef();
    return gVault;
}

class AttachTest : public VaultListTest {
protected:
    void SetUp() override {
        VaultListTest::SetUp();
        ui_testing::EnsureApplication();
        vault_ = Create(u"Demo");
        userId_ = vaultadmin::AddUser(*vaultadmin::OpenRegisteredVault(u"Demo"), u"Alice", u"wonderland", {});
        MakeLoginTable();
        gManager = &manager_;
        gVault = &vaultObject_;
        ASSERT_EQ(CoRegisterClassObject(BellquistLib::CLSID_ItmManager, &managerClass_, CLSCTX_INPROC_SERVER,
                                        REGCLS_MULTIPLEUSE, &managerCookie_),
                  S_OK);
        ASSERT_EQ(CoRegisterClassObject(OxnVaultLib::CLSID_OxnVault, &vaultClass_, CLSCTX_INPROC_SERVER,
                                        REGCLS_MULTIPLEUSE, &vaultCookie_),
                  S_OK);

        app_ = std::make_unique<FakeApplication>();
        ASSERT_TRUE(app_->OpenMainWindow());
        app_->vaults = Load();
        handler_ = new CViewServerEventHandler(nullptr);
        handler_->mlRegistrationID = kHandlerId;
        app_->handler = handler_.get();
        doc_.moVaultManager = app_->vaults;
        node_ = app_->vaults->FindVaultNode(vault_.viewId);
        ASSERT_TRUE(node_);
    }
    void TearDown() override {
        node_ = nullptr;
        doc_.moVaultManager = nullptr;
        handler_ = nullptr;
        app_.reset();
        CoRevokeClassObject(managerCookie_);
        CoRevokeClassObject(vaultCookie_);
        EXPECT_EQ(manager_.References(), 1u) << "every reference given back";
        EXPECT_EQ(vaultObject_.count.Count(), 1u) << "every reference given back";
        manager_.calls.clear();
        SetErrorInfo(0, nullptr);
        VaultListTest::TearDown();
    }

    // A connection to the vault's database, as the login hands one over (one
    // reference, the receiver's).
    ULONGLONG NewConnection() {
        std::unique_ptr<vaultdb::Database> database = vaultadmin::OpenRegisteredVault(u"Demo");
        SpMgr* connection = new SpMgr();
        EXPECT_EQ(connection->mhAttach(database, u"Demo"), S_OK);
        return reinterpret_cast<uintptr_t>(connection);
    }
    ScriptedAnswer LoginAnswer(bool withConnection = true) {
        ScriptedAnswer login;
        login.userID = userId_;
        login.userName = u"Alice";
        login.rootItemFolderID = kRootId;
        if (withConnection) login.spMgr = NewConnection();
        return login;
    }
    // The user's setting that asks for the local cache's refresh at login.
    void SetRefreshOnLogin(bool refresh) {
        const std::string sql = "UPDATE users SET refresh_cache_on_login = " + std::to_string(refresh ? 1 : 0) +
                                " WHERE id = " + std::to_string(userId_);
        ASSERT_EQ(vaultadmin::OpenRegisteredVault(u"Demo")->Execute(sql), S_OK);
    }
    bool IsLoggedOutWithoutHandles() const {
        return node_->mbLoggedIn == 0 && !node_->mpoItmManager && !node_->mpoVault &&
               !app_->vaults->IsVaultLoggedIn(vault_.viewId);
    }
    static size_t OpenDescriptors() {
        size_t count = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
        return count;
    }
    static std::u16string ErrorDescription() {
        IErrorInfo* info = nullptr;
        if (GetErrorInfo(0, &info) != S_OK || !info) return u"<none>";
        BSTR text = nullptr;
        info->GetDescription(&text);
        info->Release();
        std::u16string description(com::BstrView(text));
        SysFreeString(text);
        return description;
    }

    ScriptedItemManager manager_;
    ScriptedVault vaultObject_;
    com_testing::CountingClassFactory managerClass_{&GiveManager};
    com_testing::CountingClassFactory vaultClass_{&GiveVault};
    DWORD managerCookie_ = 0, vaultCookie_ = 0;
    vaultadmin::CreatedVault vault_;
    LONG userId_ = 0;
    std::unique_ptr<FakeApplication> app_;
    RefPtr<CViewServerEventHandler> handler_;
    CHalvaranDoc doc_;
    RefPtr<CVaultNode> node_;
};

TEST_F(AttachTest, InitAndLoginAreGivenTheViewAndTheNodeTakesTheLogin) {
    StoreLogin(vault_, u"Alice", u"wonderland");  // no refresh question
    manager_.Script("Login", LoginAnswer());
    ASSERT_EQ(doc_.attachVault(vault_.viewId), S_OK);

    ASSERT_EQ(manager_.Methods(), (std::vector<std::string>{"Init", "Login"}));
    const auto& init = *manager_.CallsOf("Init")[0];
    EXPECT_EQ(init.numbers, (std::vector<LONG>{BellquistLib::ClientType_Local_Client, kHandlerId,
                                               ui::WindowValue(app_->mainWindow.m_hWnd), 1}));
    WCHAR computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    ASSERT_TRUE(GetComputerNameW(computer, &size));
    EXPECT_EQ(init.texts, (std::vector<std::u16string>{computer, computer, node_->moRootPath}));
    EXPECT_EQ(manager_.CallsOf("Login")[0]->texts, std::vector<std::u16string>{u"Demo"});
    EXPECT_EQ(vaultObject_.opens, std::vector<std::u16string>{u"Demo,0"});

    EXPECT_EQ(node_->mbLoggedIn, 1);
    EXPECT_EQ(node_->mpoItmManager.GetInterfacePtr(), static_cast<BellquistLib::IItmManager*>(&manager_));
    EXPECT_NE(node_->mpoVault, nullptr);
    EXPECT_EQ(node_->mlUserID, userId_);
    EXPECT_EQ(std::u16string(static_cast<const OLECHAR*>(node_->moUserName)), u"Alice");
    EXPECT_NE(node_->mpoSpMgr, nullptr);
    EXPECT_EQ(node_->mlRootID, kRootId);
    RefPtr<CCacheObj> root;
    EXPECT_TRUE(node_->mpoCache->mbFindObject({BellquistLib::ItmObjectType_Vault, kRootId, -1}, root));

    // Attached: a second touch calls nothing and creates nothing.
    EXPECT_EQ(doc_.attachVault(vault_.viewId), S_OK);
    EXPECT_EQ(manager_.calls.size(), 2u);
    EXPECT_EQ(managerClass_.Created(), 1);
    EXPECT_EQ(vaultClass_.Created(), 1);
}

TEST_F(AttachTest, TheLocalCacheIsRefreshedOnlyAtTheFirstLoginOnTheMachineWhenTheUserAsks) {
    struct Case {
        bool loggedInElsewhere;
        bool userAsks;
        bool refreshed;
    } const cases[] = {{false, true, true}, {false, false, false}, {true, true, false}};
    for (const Case& c : cases) {
        ASSERT_NO_FATAL_FAILURE(SetRefreshOnLogin(c.userAsks));
        if (c.loggedInElsewhere) StoreLogin(vault_, u"Alice", u"wonderland");
        manager_.calls.clear();
        manager_.Script("Login", LoginAnswer());
        ASSERT_EQ(doc_.attachVault(vault_.viewId), S_OK);
        EXPECT_EQ(manager_.CallsOf("RefreshLocalCache").size(), c.refreshed ? 1u : 0u)
            << "elsewhere " << c.loggedInElsewhere << ", asks " << c.userAsks;
        // Log the node out again for the next case.
        node_->mbLoggedIn = 0;
        node_->mpoItmManager = nullptr;
        node_->mpoVault = nullptr;
    }
}

TEST_F(AttachTest, ACancelledLoginLeavesNoManagerAndTheNextTouchStartsAfresh) {
    ScriptedAnswer cancelled;
    cancelled.hr = E_OXN_CANCELLED_BY_USER;
    cancelled.errorDescription = u"The login was cancelled.";
    manager_.Script("Login", cancelled);
    EXPECT_EQ(doc_.attachVault(vault_.viewId), E_OXN_CANCELLED_BY_USER);
    EXPECT_EQ(ErrorDescription(), u"The login was cancelled.");
    EXPECT_TRUE(IsLoggedOutWithoutHandles());
    EXPECT_EQ(manager_.References(), 1u);
    EXPECT_EQ(vaultObject_.count.Count(), 1u);

    manager_.Script("Login", LoginAnswer());
    EXPECT_EQ(doc_.attachVault(vault_.viewId), S_OK);
    EXPECT_EQ(managerClass_.Created(), 2);
    EXPECT_EQ(vaultClass_.Created(), 2);
    EXPECT_EQ(manager_.Methods(), (std::vector<std::string>{"Init", "Login", "Init", "Login"}));
}

TEST_F(AttachTest, ALoginWithoutAConnectionKeepsTheNodesEarlierOne) {
    StoreLogin(vault_, u"Alice", u"wonderland");
    manager_.Script("Login", LoginAnswer());
    ASSERT_EQ(doc_.attachVault(vault_.viewId), S_OK);
    SpMgr* earlier = node_->mpoSpMgr.get();
    node_->mbLoggedIn = 0;  // as after a vault reset
    node_->mpoItmManager = nullptr;
    node_->mpoVault = nullptr;

    manager_.Script("Login", LoginAnswer(false));
    ASSERT_EQ(doc_.attachVault(vault_.viewId), S_OK);
    EXPECT_EQ(node_->mpoSpMgr.get(), earlier);
}

TEST_F(AttachTest, AFailingRefreshOfTheLocalCacheLeavesTheNodeLoggedOut) {
    ASSERT_NO_FATAL_FAILURE(SetRefreshOnLogin(true));
    manager_.Script("Login", LoginAnswer());
    ScriptedAnswer failed;
    failed.hr = E_OXN_CANT_OPEN_DATABASE;
    failed.errorDescription = u"The local cache could not be refreshed.";
    manager_.Script("RefreshLocalCache", failed);
    const size_t descriptors = OpenDescriptors();
    EXPECT_EQ(doc_.attachVault(vault_.viewId), E_OXN_CANT_OPEN_DATABASE);
    EXPECT_EQ(ErrorDescription(), u"The local cache could not be refreshed.");
    EXPECT_TRUE(IsLoggedOutWithoutHandles());
    EXPECT_EQ(OpenDescriptors(), descriptors) << "the login table's handles are closed";
    // What the login wrote stays until the next attach.
    EXPECT_EQ(node_->mlUserID, userId_);
}

TEST_F(AttachTest, AFailureBeforeTheLoginReleasesWhatWasMade) {
    struct Case {
        const char* what;
        HRESULT openResult;
        HRESULT initResult;
    } const cases[] = {
        {"the vault object does not open", E_OXN_MISSING_VIEW_INFO, S_OK},
        {"Init fails", S_OK, E_OUTOFMEMORY},
    };
    for (const Case& c : cases) {
        vaultObject_.openResult = c.openResult;
        if (FAILED(c.initResult)) {
            ScriptedAnswer init;
            init.hr = c.initResult;
            manager_.Script("Init", init);
        }
        const size_t descriptors = OpenDescriptors();
        EXPECT_EQ(doc_.attachVault(vault_.viewId), FAILED(c.openResult) ? c.openResult : c.initResult) << c.what;
        EXPECT_TRUE(IsLoggedOutWithoutHandles()) << c.what;
        EXPECT_EQ(OpenDescriptors(), descriptors) << c.what;
        EXPECT_TRUE(manager_.CallsOf("Login").empty()) << c.what;
        manager_.calls.clear();
    }
}

}  // namespace
