// The document's item operations and the item data loading against the real
// servers on the demo content: the vault attached at its first touch (the
// login typed into the login dialog), then folders listed, an item's tree
// and links loaded into the cache with one live object per item, an item
// checked out and its check-out undone, and a folder made and renamed - each
// checked in the vault's database.
#include "vault_list_fixture.h"

#include "explorer/data/cache.h"
#include "explorer/data/halvaran_doc.h"
#include "explorer/data/item_data_loading.h"
#include "explorer/data/tree_node.h"

#include "fake_application.h"
#include "item_helpers.h"
#include "item_objects.h"

#include "castavy/dialog_script.h"
#include "com/owned_safearray.h"
#include "pruvane_login_dialog.h"
#include "ui/window_messages.h"
#include "ui_testing/scripted_prompter.h"
#include "ui_testing/ui_test.h"
#include "vaultadmin/demo_seeding.h"
#include "vaultadmin/user_admin.h"
#include "vaultdb/statement.h"

#include <memory>
#include <string>
#include <vector>

namespace {

using BellquistLib::IItmObject;
using BellquistLib::ItmObjectType_File;
using BellquistLib::ItmObjectType_Item;
using BellquistLib::ItmObjectType_ItemFolder;
using BellquistLib::ItmObjectType_Vault;
using explorer_testing::FakeApplication;

constexpr char16_t kVault[] = u"Demo";
constexpr char16_t kUser[] = u"Alice";
constexpr char16_t kPassword[] = u"wonderland";
constexpr char16_t kBracket[] = u"ITM-00007.<item>";  // not checked out, its part file and no drawing
constexpr char16_t kBracketPart[] = u"P-00007.zvkprt";

class DocumentSessionTest : public VaultListTest {
protected:
    DocumentSessionTest()
        : VaultListTest({u"VaultServer.dll", u"Dunmorrow.dll", u"TavroskClient.dll", u"OxnVault.dll", u"Brevanne.dll",
                         u"Castavy.dll"}) {}

    void SetUp() override {
        VaultListTest::SetUp();
        ui_testing::EnsureApplication();
        vault_ = Create(kVault);
        {
            auto database = vaultadmin::OpenRegisteredVault(kVault);
            vaultadmin::SeedDemoVault(*database);
            userId_ = vaultadmin::AddUser(*database, kUser, kPassword, {vaultadmin::kCheckInRight});
        }
        MakeLoginTable();

        app_ = std::make_unique<FakeApplication>();
        ASSERT_TRUE(app_->OpenMainWindow());
        app_->vaults = Load();
        doc_ = std::make_unique<CHalvaranDoc>();
        doc_->moVaultManager = app_->vaults;
        node_ = app_->vaults->FindVaultNode(vault_.viewId);
        ASSERT_TRUE(node_);

        prompter_.DriveDialog(pruvane::kLoginDialogId, [](ui::PromptedDialog& dialog) {
            dialog.SetControlText(pruvane::kUserNameControl, kUser);
            dialog.SetControlText(pruvane::kPasswordControl, kPassword);
            dialog.PressButton(IDOK);
        });
        ASSERT_EQ(doc_->attachVault(vault_.viewId), S_OK);
        cache_ = doc_->GetVaultCache(vault_.viewId);
        ASSERT_NE(cache_, nullptr);
    }
    void TearDown() override {
        cache_ = nullptr;
        node_ = nullptr;
        doc_.reset();
        app_.reset();
        SetErrorInfo(0, nullptr);
        VaultListTest::TearDown();
    }

    LONG Number(const std::string& sql, const std::u16string& parameter = u"") {
        auto database = vaultadmin::OpenRegisteredVault(kVault);
        std::unique_ptr<vaultdb::Statement> row;
        EXPECT_EQ(database->Prepare(sql, row), S_OK) << sql;
        if (!row) return 0;
        if (!parameter.empty()) row->BindText(1, parameter);
        return row->Step() == S_OK ? row->ColumnInt32(0) : 0;
    }
    std::vector<LONG> Numbers(const std::string& sql) {
        std::vector<LONG> values;
        auto database = vaultadmin::OpenRegisteredVault(kVault);
        std::unique_ptr<vaultdb::Statement> row;
        EXPECT_EQ(database->Prepare(sql, row), S_OK) << sql;
        while (row && row->Step() == S_OK) values.push_back(row->ColumnInt32(0));
        return values;
    }
    LONG DocumentId(const std::u16string& name) { return Number("SELECT id FROM documents WHERE name = ?", name); }
    LONG FolderOf(LONG document) {
        return Number("SELECT folder_id FROM documents WHERE id = " + std::to_string(document));
    }
    LONG LockHolder(LONG document) {
        return Number("SELECT user_id FROM locks WHERE document_id = " + std::to_string(document));
    }

    RefPtr<CCacheObj> Cached(LONG type, LONG id, LONG config = -1) {
        RefPtr<CCacheObj> found;
        cache_->mbFindObject({type, id, config}, found);
        return found;
    }
    static RefPtr<CTreeNode> NodeOf(RefPtr<CCacheObj> object) {
        return RefPtr<CTreeNode>(new CTreeNode(std::move(object)));
    }
    // Lists the item folders from the root down to `folder` through the
    // document, as the item-folder tree does when the user opens them; the
    // folder's node.
    RefPtr<CTreeNode> OpenFolder(LONG folder) {
        std::vector<LONG> chain;
        for (LONG id = folder; id != node_->mlRootID && id != 0;
             id = Number("SELECT parent_id FROM folders WHERE id = " + std::to_string(id)))
            chain.insert(chain.begin(), id);
        RefPtr<CTreeNode> open = NodeOf(Cached(ItmObjectType_Vault, node_->mlRootID));
        EXPECT_EQ(doc_->mhEnumItemFolder(vault_.viewId, open), S_OK);
        for (LONG id : chain) {
            RefPtr<CCacheObj> next = Cached(ItmObjectType_ItemFolder, id);
            EXPECT_TRUE(next) << "folder " << id << " listed";
            if (!next) return nullptr;
            open = NodeOf(next);
            EXPECT_EQ(doc_->mhEnumItemFolder(vault_.viewId, open), S_OK);
        }
        return open;
    }

    ui_testing::ScriptedPrompter prompter_;
    vaultadmin::CreatedVault vault_;
    LONG userId_ = 0;
    std::unique_ptr<FakeApplication> app_;
    std::unique_ptr<CHalvaranDoc> doc_;
    RefPtr<CVaultNode> node_;
    CCache* cache_ = nullptr;
};

TEST_F(DocumentSessionTest, AFoldersItemsAndAnItemsTreeLoadWithOneLiveObjectPerItem) {
    const LONG bracket = DocumentId(kBracket);
    const LONG part = DocumentId(kBracketPart);
    ASSERT_NE(bracket, 0);
    RefPtr<CTreeNode> folder = OpenFolder(FolderOf(bracket));
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->moCacheObj->moInner->mbEnumerated, 1);
    EXPECT_EQ(folder->moCacheObj->moInner->mbComplete, 1);
    // Every item of the folder is cached, once.
    const std::vector<LONG> itemsThere =
        Numbers("SELECT id FROM documents WHERE doc_type = 4 AND folder_id = " + std::to_string(FolderOf(bracket)));
    ASSERT_FALSE(itemsThere.empty());
    for (LONG id : itemsThere) EXPECT_TRUE(Cached(ItmObjectType_Item, id)) << id;

    // The item's tree: its part file comes under it, and the links give its
    // occurrence there.
    RefPtr<CCacheObj> item = Cached(ItmObjectType_Item, bracket);
    ASSERT_TRUE(item);
    std::vector<RefPtr<CCacheObj>> linked;
    EXPECT_EQ(ExpandCacheObject(node_, NodeOf(item), cache_, linked), S_OK);
    EXPECT_EQ(item->moInner->mbComplete, 1);
    ASSERT_EQ(linked.size(), 1u);
    EXPECT_EQ(linked[0]->meParentType, ItmObjectType_Item);
    EXPECT_EQ(linked[0]->mlParentID, bracket);
    LONG id = 0;
    EXPECT_EQ(linked[0]->moInner->mpoItem->get_ID(&id), S_OK);
    EXPECT_EQ(id, part);

    // Listing the folder again leaves the complete item as it is; fetching
    // its tree through the document puts the fresh instance into the one
    // shared record, which every holder sees.
    const CComPtr<IItmObject> loaded = item->moInner->mpoItem;
    EXPECT_EQ(doc_->mhEnumItemFolder(vault_.viewId, folder), S_OK);
    EXPECT_EQ(item->moInner->mpoItem, loaded);
    SAFEARRAY* made = nullptr;
    ASSERT_EQ(ItemsToSafeArray({loaded.GetInterfacePtr()}, &made), S_OK);
    const com::OwnedSafeArray items(made);
    EXPECT_EQ(doc_->mhBatchGetTrees(vault_.viewId, items.get(), true, true, &item), S_OK);
    RefPtr<CCacheObj> again = Cached(ItmObjectType_Item, bracket);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->moInner, item->moInner);
    EXPECT_EQ(again->moInner->mbComplete, 1);
    EXPECT_EQ(again->moInner->mpoItem->get_ID(&id), S_OK);
    EXPECT_EQ(id, bracket);
}

TEST_F(DocumentSessionTest, AnItemIsCheckedOutFetchedAndItsCheckOutUndone) {
    const LONG bracket = DocumentId(kBracket);
    ASSERT_TRUE(OpenFolder(FolderOf(bracket)));
    RefPtr<CCacheObj> item = Cached(ItmObjectType_Item, bracket);
    ASSERT_TRUE(item);
    SAFEARRAY* made = nullptr;
    ASSERT_EQ(ItemsToSafeArray({item->moInner->mpoItem.GetInterfacePtr()}, &made), S_OK);
    const com::OwnedSafeArray items(made);

    EXPECT_EQ(doc_->mhCheckOut(vault_.viewId, items.get(), VARIANT_TRUE), S_OK);
    EXPECT_EQ(LockHolder(bracket), userId_);
    const HRESULT got = doc_->mhGetLatestVersion(vault_.viewId, items.get(), true);
    EXPECT_TRUE(got == S_OK || got == S_FALSE) << std::hex << got;

    prompter_.DriveDialog(castavy::kDialogName,
                          [](ui::PromptedDialog& dialog) { EXPECT_TRUE(dialog.PressButton(IDOK)); });
    EXPECT_EQ(doc_->mhUndoCheckOut(vault_.viewId, items.get()), S_OK);
    EXPECT_EQ(LockHolder(bracket), 0);
}

TEST_F(DocumentSessionTest, ANewFolderIsMadeCachedAndRenamed) {
    const LONG parent = FolderOf(DocumentId(kBracket));
    RefPtr<CTreeNode> folder = OpenFolder(parent);
    ASSERT_TRUE(folder);

    CComPtr<BellquistLib::IItmFolder> created;
    RefPtr<CCacheObj> cached;
    ASSERT_EQ(doc_->mhCreateNewItemFolder(folder, &created, u"Fixtures", &cached), S_OK);
    const LONG id = Number("SELECT id FROM folders WHERE name = 'Fixtures' AND parent_id = " + std::to_string(parent));
    ASSERT_NE(id, 0);
    ASSERT_TRUE(cached);
    EXPECT_EQ(cached->moInner->mlID, id);
    EXPECT_EQ(Cached(ItmObjectType_ItemFolder, id)->moInner, cached->moInner);

    EXPECT_EQ(doc_->mhRename(vault_.viewId, created, u"Jigs"), S_OK);
    EXPECT_EQ(Number("SELECT COUNT(*) FROM folders WHERE name = 'Jigs' AND id = " + std::to_string(id)), 1);
}

}  // namespace
