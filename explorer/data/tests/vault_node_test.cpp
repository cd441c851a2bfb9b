// One vault's node: its root item folder made by the item server, attached
// to the vault's cache, and the connection facts it hands to dialogs.
#include "vault_list_fixture.h"

#include "explorer/data/cache.h"
#include "explorer/data/tree_node.h"
#include "explorer/data/vault_node.h"

#include "bellquist/ids.h"
#include "com/bstr.h"
#include "com/com_error.h"
#include "vennacle/sp_mgr.h"

#include <memory>

namespace {

const GUID kViewId = com::MakeGuid("6A1B2C3D-0000-4000-8000-00000000000A");
const GUID kVaultId = com::MakeGuid("6A1B2C3D-0000-4000-8000-00000000000B");

class VaultNodeTest : public VaultListTest {
protected:
    void SetUp() override {
        VaultListTest::SetUp();
        node_ = new CVaultNode(kViewId, kVaultId, u"Demo", u"C:\\Views\\Demo\\");
        cache_.reset(new CCache(node_));
    }
    void TearDown() override {
        // The cache holds its node: it goes first, as in the vault manager.
        cache_.reset();
        node_ = nullptr;
        VaultListTest::TearDown();
    }

    RefPtr<CVaultNode> node_;
    std::unique_ptr<CCache> cache_;
};

std::u16string Text(BSTR text) {
    std::u16string value = com::BstrText(text);
    SysFreeString(text);
    return value;
}

TEST_F(VaultNodeTest, TheRootFolderIsTheItemServersFolderOfTheView) {
    CComPtr<BellquistLib::IItmObject> root;
    root.Attach(node_->CreateItemsRootFolder(7));
    ASSERT_TRUE(root);
    LONG id = 0;
    BSTR name = nullptr;
    BSTR path = nullptr;
    GUID lockView{};
    ASSERT_EQ(root->get_ID(&id), S_OK);
    ASSERT_EQ(root->get_Name(&name), S_OK);
    ASSERT_EQ(root->get_Path(&path), S_OK);
    ASSERT_EQ(root->get_LockViewID(&lockView), S_OK);
    EXPECT_EQ(id, 7);
    EXPECT_EQ(Text(name), u"<items>");
    EXPECT_EQ(Text(path), u"C:\\Views\\Demo\\<items>\\");
    EXPECT_EQ(lockView, kViewId);
}

TEST_F(VaultNodeTest, AttachingTheCachePutsTheRootFolderIntoItOnce) {
    node_->mlRootID = 12;
    RefPtr<CCacheObj> empty;
    RefPtr<CTreeNode> tree(new CTreeNode(std::move(empty)));
    node_->moTreeNode = tree;

    node_->SetCache(cache_.get());
    EXPECT_EQ(node_->mpoCache, cache_.get());
    EXPECT_EQ(node_->mlRootID, 1);
    RefPtr<CCacheObj> root;
    ASSERT_TRUE(cache_->mbFindObject({BellquistLib::ItmObjectType_Vault, 1, -1}, root));
    EXPECT_EQ(root->moInner->meType, BellquistLib::ItmObjectType_Vault);
    EXPECT_EQ(root->moInner->mlID, 1);
    EXPECT_EQ(root->moInner->moName, u"Demo");
    EXPECT_EQ(tree->moCacheObj, root);

    // Attached again to a cache that holds a root: the cached root stays.
    node_->SetCache(cache_.get());
    RefPtr<CCacheObj> kept;
    ASSERT_TRUE(cache_->mbFindObject({BellquistLib::ItmObjectType_Vault, 1, -1}, kept));
    EXPECT_EQ(kept, root);
    node_->moTreeNode = nullptr;
}

TEST_F(VaultNodeTest, WithoutItsRootFolderTheCacheIsNotAttached) {
    try {
        node_->SetCache(nullptr);
        ADD_FAILURE() << "no cache raised nothing";
    } catch (const _com_error& error) {
        EXPECT_EQ(error.Error(), E_POINTER);
    }
    EXPECT_EQ(node_->mpoCache, nullptr);

    ASSERT_EQ(
        RegDeleteTreeW(HKEY_CLASSES_ROOT, (u"CLSID\\" + winapi::GuidToString(BellquistLib::CLSID_ItmFolder)).c_str()),
        ERROR_SUCCESS);
    EXPECT_EQ(node_->CreateItemsRootFolder(1), nullptr);
    try {
        node_->SetCache(cache_.get());
        ADD_FAILURE() << "no root folder raised nothing";
    } catch (const _com_error& error) {
        EXPECT_EQ(error.Error(), E_POINTER);
    }
    EXPECT_TRUE(cache_->Objects().empty());
}

TEST_F(VaultNodeTest, TheConnectionFactsGoToDialogsWithTheirOwnReference) {
    node_->mlUserID = 4;
    node_->moUserName = u"Alice";
    RefPtr<DbInfo> info = node_->GetDbInfo();
    EXPECT_EQ(info->mlUserID, 4);
    EXPECT_EQ(info->moUserName, u"Alice");
    EXPECT_EQ(info->moVaultName, u"Demo");
    EXPECT_EQ(info->mlReserved, 0);
    EXPECT_EQ(info->moRootPath, u"C:\\Views\\Demo\\");
    EXPECT_EQ(info->moViewID, kViewId);
    // Never logged in: no connection to share.
    EXPECT_FALSE(info->mpoSpMgr);

    node_->mpoSpMgr.reset(new SpMgr());
    info = node_->GetDbInfo();
    ASSERT_EQ(info->mpoSpMgr.get(), node_->mpoSpMgr.get());
    SpMgr* connection = node_->mpoSpMgr.get();
    connection->AddRef();
    EXPECT_EQ(connection->Release(), 2u);  // the node's and the facts'
    info = nullptr;
    connection->AddRef();
    EXPECT_EQ(connection->Release(), 1u);
}

}  // namespace
