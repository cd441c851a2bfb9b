// The attach against the real servers of a machine: the item server, the
// login server with its dialog (typed in through the prompter), the client
// library and the vault object. The first touch of a vault logs in (the
// login table shows it), the node gets the login's facts and the cache its
// root folder under the login's id; a cancelled login leaves nothing behind;
// a reset vault is attached again at its next touch.
#include "vault_list_fixture.h"

#include "explorer/data/cache.h"
#include "explorer/data/halvaran_doc.h"
#include "explorer/data/login_list.h"
#include "explorer/data/tree_node.h"
#include "explorer/data/view_server_event_handler.h"

#include "fake_application.h"
#include "item_helpers.h"

#include "com/bstr.h"
#include "common/error_codes.h"
#include "oxnvault/ids.h"
#include "oxnvault/interfaces.h"
#include "pruvane_login_dialog.h"
#include "com/error_info.h"
#include "ui/window_functions.h"
#include "ui/window_messages.h"
#include "ui_testing/scripted_prompter.h"
#include "ui_testing/ui_test.h"
#include "vaultadmin/user_admin.h"
#include "vaultdb/statement.h"

namespace {

using BellquistLib::ItmObjectType_Vault;
using explorer_testing::FakeApplication;

constexpr char16_t kVault[] = u"Demo";
constexpr char16_t kUser[] = u"Alice";
constexpr char16_t kPassword[] = u"wonderland";

class AttachSessionTest : public VaultListTest {
protected:
    AttachSessionTest()
        : VaultListTest({u"VaultServer.dll", u"Dunmorrow.dll", u"TavroskClient.dll", u"OxnVault.dll"}) {}

    void SetUp() override {
        VaultListTest::SetUp();
        ui_testing::EnsureApplication();
        vault_ = Create(kVault);
        userId_ = vaultadmin::AddUser(*vaultadmin::OpenRegisteredVault(kVault), kUser, kPassword, {});
        MakeLoginTable();  // the server program's, which the login server writes into

        app_ = std::make_unique<FakeApplication>();
        ASSERT_TRUE(app_->OpenMainWindow());
        app_->vaults = Load();
        doc_ = std::make_unique<CHalvaranDoc>();
        doc_->moVaultManager = app_->vaults;
        node_ = app_->vaults->FindVaultNode(vault_.viewId);
        ASSERT_TRUE(node_);
    }
    void TearDown() override {
        node_ = nullptr;
        doc_.reset();
        app_.reset();
        SetErrorInfo(0, nullptr);
        VaultListTest::TearDown();
    }

    void TypeLogin(const char16_t* password = kPassword) {
        prompter_.DriveDialog(pruvane::kLoginDialogId, [password](ui::PromptedDialog& dialog) {
            EXPECT_EQ(dialog.ControlText(pruvane::kVaultNameControl), kVault);
            dialog.SetControlText(pruvane::kUserNameControl, kUser);
            dialog.SetControlText(pruvane::kPasswordControl, password);
            dialog.PressButton(IDOK);
        });
    }
    void CancelLogin() {
        prompter_.DriveDialog(pruvane::kLoginDialogId,
                              [](ui::PromptedDialog& dialog) { dialog.PressButton(IDCANCEL); });
    }

    // The user the login table holds for the vault ("" when none).
    std::u16string TableUser() {
        LoginSyncObjects objects = OpenLoginSyncObjects();
        std::u16string user, password;
        LONG value = 0;
        if (!OpenLoginTableMapping(objects) || !readLoginList(objects, kVault, user, password, value)) user.clear();
        CloseLoginSyncObjects(objects);
        return user;
    }
    // The id of the vault's root item folder "<items>".
    LONG ItemsRootId() {
        auto database = vaultadmin::OpenRegisteredVault(kVault);
        std::unique_ptr<vaultdb::Statement> row;
        EXPECT_EQ(database->Prepare("SELECT id FROM folders WHERE name = '<items>'", row), S_OK);
        return row && row->Step() == S_OK ? row->ColumnInt32(0) : 0;
    }
    static LONG IdOf(BellquistLib::IItmObject* item) {
        LONG id = 0;
        return item && item->get_ID(&id) == S_OK ? id : -1;
    }
    bool CacheHoldsRoot(LONG id) {
        RefPtr<CCacheObj> root;
        return node_->mpoCache->mbFindObject({ItmObjectType_Vault, id, -1}, root);
    }
    bool IsLoggedOutWithoutHandles() const {
        return node_->mbLoggedIn == 0 && !node_->mpoItmManager && !node_->mpoVault &&
               !app_->vaults->IsVaultLoggedIn(vault_.viewId);
    }

    ui_testing::ScriptedPrompter prompter_;
    vaultadmin::CreatedVault vault_;
    LONG userId_ = 0;
    std::unique_ptr<FakeApplication> app_;
    std::unique_ptr<CHalvaranDoc> doc_;
    RefPtr<CVaultNode> node_;
};

TEST_F(AttachSessionTest, TheFirstTouchLogsInAndPutsTheLoginsRootIntoTheCache) {
    // The item-folder tree shows the vault: its node holds the cache's root.
    RefPtr<CCacheObj> shownRoot;
    ASSERT_TRUE(node_->mpoCache->mbFindObject({ItmObjectType_Vault, 1, -1}, shownRoot));
    node_->moTreeNode = new CTreeNode(RefPtr<CCacheObj>(shownRoot));

    TypeLogin();
    ASSERT_EQ(doc_->attachVault(vault_.viewId), S_OK);
    EXPECT_EQ(TableUser(), kUser);
    EXPECT_TRUE(app_->vaults->IsVaultLoggedIn(vault_.viewId));
    EXPECT_EQ(node_->mlUserID, userId_);
    EXPECT_EQ(std::u16string(static_cast<const OLECHAR*>(node_->moUserName)), kUser);
    ASSERT_TRUE(node_->mpoSpMgr);
    EXPECT_NE(node_->mpoSpMgr->mpoGetUser(), nullptr);

    const LONG rootId = ItemsRootId();
    ASSERT_NE(rootId, 0);
    EXPECT_EQ(node_->mlRootID, rootId);
    EXPECT_TRUE(CacheHoldsRoot(rootId));
    EXPECT_FALSE(CacheHoldsRoot(1));
    EXPECT_EQ(IdOf(node_->moTreeNode->moCacheObj->moInner->mpoItem), rootId) << "the tree shows the new root";

    // The vault object works in the session of that login.
    CComQIPtr<OxnVaultLib::IOxnVault11> vault(node_->mpoVault);
    ASSERT_TRUE(vault);
    CComPtr<IDispatch> utility;
    EXPECT_EQ(vault->CreateUtility(OxnVaultLib::kUtilityBatchGet, &utility), S_OK);

    // A second touch changes nothing and asks nothing.
    BellquistLib::IItmManager* manager = node_->mpoItmManager.GetInterfacePtr();
    EXPECT_EQ(doc_->attachVault(vault_.viewId), S_OK);
    EXPECT_EQ(node_->mpoItmManager.GetInterfacePtr(), manager);
    EXPECT_EQ(prompter_.RunDialogs().size(), 1u);
}

TEST_F(AttachSessionTest, ACancelledLoginLeavesTheNodeLoggedOutAndTheNextTouchStartsAgain) {
    CancelLogin();
    EXPECT_EQ(doc_->attachVault(vault_.viewId), E_OXN_CANCELLED_BY_USER);
    EXPECT_TRUE(IsLoggedOutWithoutHandles());
    EXPECT_EQ(TableUser(), u"");
    EXPECT_TRUE(CacheHoldsRoot(1)) << "the cache keeps its root until a login";

    TypeLogin();
    EXPECT_EQ(doc_->attachVault(vault_.viewId), S_OK);
    EXPECT_EQ(node_->mbLoggedIn, 1);
    EXPECT_EQ(prompter_.RunDialogs().size(), 2u);
}

TEST_F(AttachSessionTest, AResetVaultIsAttachedAgainAtItsNextTouch) {
    TypeLogin();
    ASSERT_EQ(doc_->attachVault(vault_.viewId), S_OK);
    RefPtr<CViewServerEventHandler> handler(new CViewServerEventHandler(nullptr));
    BSTR name = SysAllocString(kVault);
    EXPECT_EQ(handler->OnVaultReset(name), 1);
    SysFreeString(name);
    EXPECT_TRUE(IsLoggedOutWithoutHandles());
    EXPECT_TRUE(CacheHoldsRoot(1));

    // The session's login stays in the table: no dialog this time.
    EXPECT_EQ(doc_->attachVault(vault_.viewId), S_OK);
    EXPECT_TRUE(app_->vaults->IsVaultLoggedIn(vault_.viewId));
    EXPECT_TRUE(CacheHoldsRoot(ItemsRootId()));
    EXPECT_EQ(prompter_.RunDialogs().size(), 1u);
}

TEST_F(AttachSessionTest, AnUnknownViewOrNoMainWindowAttachesNothing) {
    const GUID unknown = com::MakeGuid("0D6E0B0A-0000-4000-8000-000000000099");
    EXPECT_EQ(doc_->attachVault(unknown), E_OXN_MISSING_VIEW_INFO);
    CHalvaranDoc withoutVaults;
    EXPECT_EQ(withoutVaults.attachVault(vault_.viewId), E_OXN_MISSING_VIEW_INFO);

    DestroyWindow(app_->mainWindow.m_hWnd);
    EXPECT_EQ(doc_->attachVault(vault_.viewId), E_FAIL);
    EXPECT_TRUE(IsLoggedOutWithoutHandles());
    IErrorInfo* info = nullptr;
    EXPECT_EQ(GetErrorInfo(0, &info), S_OK) << "the failure is described";
    if (info) info->Release();
    app_->mainWindow.m_hWnd = nullptr;
}

}  // namespace
