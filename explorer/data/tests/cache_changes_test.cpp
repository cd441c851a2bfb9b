// The item cache's changes: objects dropped and unlinked, links added under
// items, occurrences moved between folders, paths after a folder rename,
// and the re-keying of the vault root at login.
#include "cache_fixture.h"

#include "explorer/data/tree_node.h"
#include "explorer/data/vault_node.h"

#include "com/ccom_bstr.h"

using namespace BellquistLib;
using namespace item_objects;
using cache_testing::CacheTest;

namespace {

std::u16string PathOf(IItmObject* object) {
    CComBSTR path;
    EXPECT_EQ(object->get_Path(&path), S_OK);
    return std::u16string(path.m_str ? path.m_str : u"", path.Length());
}

// Folder Pumps (5) in the vault (1) holds items A (7) and C (9); A and C
// both link the file X (61, configuration 2), fetched under A.
class CacheChangesTest : public CacheTest {
protected:
    void SetUp() override {
        CacheTest::SetUp();
        vault_ = Vault(kRoot);
        pumps_ = Folder(5, kRoot, u"Pumps");
        a_ = Item(7, 5, u"ITM-7");
        c_ = Item(9, 5, u"ITM-9");
        x_ = Make(UnderItem(FileRecord(61, 5, 2, u"pump.part"), 7));
        ASSERT_EQ(Link(a_, x_), S_OK);
        ASSERT_EQ(Link(c_, x_), S_OK);
        for (IItmObject* object : {vault_, pumps_, a_, c_, x_}) Add(object);
    }
    void TearDown() override {
        vault_ = pumps_ = a_ = c_ = x_ = nullptr;
        CacheTest::TearDown();
    }

    CComPtr<IItmObject> vault_, pumps_, a_, c_, x_;
};

TEST_F(CacheChangesTest, UnlinkingFromTheLastItemDropsTheObject) {
    // C links X in the index, but X has no place under C yet.
    EXPECT_EQ(ParentsOf({6, 61, 2}).size(), 2u);
    RefPtr<CCacheObjInner> file = cache_->Objects().at(CacheObjKey{6, 61, 2});

    EXPECT_EQ(cache_->mlUnlink({4, 7, -1}, {6, 61, 2}), 1);
    EXPECT_FALSE(FindLink({6, 4, 7, 61, 2}));
    EXPECT_TRUE(Find({6, 61, 2}));
    EXPECT_FALSE(file->mbRemoved);
    EXPECT_EQ(cache_->mlUnlink({4, 7, -1}, {6, 61, 2}), -1);  // not a parent any more

    EXPECT_EQ(cache_->mlUnlink({4, 9, -1}, {6, 61, 2}), 0);
    EXPECT_TRUE(file->mbRemoved);
    EXPECT_EQ(cache_->Objects().count(CacheObjKey{6, 61, 2}), 0u);
    EXPECT_EQ(cache_->Parents().count(CacheObjKey{6, 61, 2}), 0u);
    EXPECT_FALSE(Find({6, 61, 2}));
    // Its folder occurrence stays in the link map, still holding the record.
    EXPECT_EQ(FindLink({6, 3, 5, 61, 2})->moInner, file);
    std::vector<RefPtr<CCacheObj>> inFolder;
    cache_->GetObjectsInFolder(5, inFolder);
    EXPECT_EQ(inFolder.size(), 2u);  // A and C

    EXPECT_EQ(cache_->mlUnlink({4, 7, -1}, {4, 12345, -1}), -1);  // never indexed
}

TEST_F(CacheChangesTest, AnObjectWithoutItsFolderOccurrenceIsNotFound) {
    // Unlinking from a folder takes the occurrence; folders are not in the
    // index, so nothing else changes.
    EXPECT_EQ(cache_->mlUnlink({3, 5, -1}, {4, 7, -1}), -1);
    EXPECT_EQ(cache_->Objects().count(CacheObjKey{4, 7, -1}), 1u);
    EXPECT_FALSE(Find({4, 7, -1}));
}

TEST_F(CacheChangesTest, LinkingUnderAnItemAddsThePlaceAndTheParent) {
    cache_->mvLinkUnder({4, 9, -1}, {6, 61, 2});
    RefPtr<CCacheObj> underC = FindLink({6, 4, 9, 61, 2});
    ASSERT_TRUE(underC);
    EXPECT_EQ(underC->meParentType, ItmObjectType_Item);
    EXPECT_EQ(underC->mlParentID, 9);
    EXPECT_EQ(underC->moInner, cache_->Objects().at(CacheObjKey{6, 61, 2}));
    // Again: the place is replaced by a new occurrence.
    cache_->mvLinkUnder({4, 9, -1}, {6, 61, 2});
    EXPECT_NE(FindLink({6, 4, 9, 61, 2}), underC);
    // Under a folder: a place, no parent entry; an uncached child: nothing.
    cache_->mvLinkUnder({2, kRoot, -1}, {4, 7, -1});
    EXPECT_EQ(FindLink({4, 3, kRoot, 7, -1})->meParentType, ItmObjectType_ItemFolder);
    EXPECT_TRUE(ParentsOf({4, 7, -1}).empty());
    const size_t links = cache_->Links().size();
    cache_->mvLinkUnder({4, 9, -1}, {6, 77, -1});
    EXPECT_EQ(cache_->Links().size(), links);

    cache_->mvAddParentItem({3, 5, -1}, {4, 9, -1});  // a folder is no parent item
    EXPECT_TRUE(ParentsOf({4, 9, -1}).empty());
    cache_->mvAddParentItem({4, 7, -1}, {4, 9, -1});
    EXPECT_TRUE((ParentsOf({4, 9, -1}) == std::vector<CacheObjKey>{{4, 7, -1}}));
}

TEST_F(CacheChangesTest, AChildIsLinkedUnderAnItemFromItsFolderOccurrence) {
    RefPtr<CCacheObjInner> c = cache_->Objects().at(CacheObjKey{4, 9, -1});
    EXPECT_FALSE(cache_->mbLinkChildUnderItem(6, c, {6, 61, 2}));  // not in folder 6
    EXPECT_TRUE(cache_->mbLinkChildUnderItem(5, c, {6, 61, 2}));
    RefPtr<CCacheObj> underC = FindLink({6, 4, 9, 61, 2});
    ASSERT_TRUE(underC);
    EXPECT_EQ(underC->moInner, FindLink({6, 3, 5, 61, 2})->moInner);
    EXPECT_EQ(underC->mlParentID, 9);
    EXPECT_FALSE(cache_->mbLinkChildUnderItem(5, c, {6, 61, 2}));  // present already
    EXPECT_EQ(FindLink({6, 4, 9, 61, 2}), underC);
}

TEST_F(CacheChangesTest, RekeyingMovesTheOccurrenceAndReplacesAnOccupiedKey) {
    RefPtr<CCacheObj> inPumps = FindLink({4, 3, 5, 7, -1});
    EXPECT_EQ(cache_->mhRekeyUnderFolder({4, 7, -1}, 6, 8), E_FAIL);
    cache_->mvLinkUnder({3, 8, -1}, {4, 7, -1});  // occupies the new key
    ASSERT_TRUE(FindLink({4, 3, 8, 7, -1}));
    EXPECT_EQ(cache_->mhRekeyUnderFolder({4, 7, -1}, 5, 8), S_OK);
    EXPECT_FALSE(FindLink({4, 3, 5, 7, -1}));
    EXPECT_EQ(FindLink({4, 3, 8, 7, -1}), inPumps);
    EXPECT_EQ(inPumps->mlParentID, 8);
}

TEST_F(CacheChangesTest, ARenamedFolderGivesItsItemsAndSubfoldersTheNewPath) {
    // Pumps > Small > ITM-11, and the file in Pumps, which keeps its path.
    CComPtr<IItmObject> small = Folder(6, 5, u"Small");
    CComPtr<IItmObject> deep = Item(11, 6, u"ITM-11");
    Add(small);
    Add(deep);
    ObjectRecord renamed = FolderRecord(5, kRoot, u"Pumps");
    renamed.path = u"\\<items>\\Fans\\";
    CComPtr<IItmObject> fans = Make(renamed);
    cache_->mvUpdateChildPaths(fans);
    EXPECT_EQ(PathOf(a_), u"\\<items>\\Fans\\ITM-7.<item>");
    EXPECT_EQ(PathOf(c_), u"\\<items>\\Fans\\ITM-9.<item>");
    EXPECT_EQ(PathOf(small), u"\\<items>\\Fans\\Small");
    EXPECT_EQ(PathOf(deep), u"\\<items>\\Fans\\Small\\ITM-11.<item>");
    EXPECT_EQ(PathOf(x_), u"C:\\View\\pump.part");

    // A removed item is left alone; a folder that is its own parent ends.
    cache_->mvMarkRemoved({4, 9, -1});
    CComPtr<IItmObject> selfish = Folder(30, 30, u"Self");
    Add(selfish);
    ObjectRecord moved = FolderRecord(30, 30, u"Self");
    moved.path = u"\\<items>\\Elsewhere\\";
    cache_->mvUpdateChildPaths(Make(moved));
    EXPECT_EQ(PathOf(selfish), u"\\<items>\\Elsewhere\\Self");
    renamed.path = u"\\<items>\\Blowers\\";
    cache_->mvUpdateChildPaths(Make(renamed));
    EXPECT_EQ(PathOf(c_), u"\\<items>\\Fans\\ITM-9.<item>");
    EXPECT_EQ(PathOf(a_), u"\\<items>\\Blowers\\ITM-7.<item>");
}

TEST_F(CacheChangesTest, MarkRemovedFlagsTheRecordItsHoldersKeep) {
    RefPtr<CCacheObj> a = Find({4, 7, -1});
    cache_->mvMarkRemoved({4, 7, -1});
    EXPECT_TRUE(a->moInner->mbRemoved);
    EXPECT_FALSE(Find({4, 7, -1}));
    cache_->mvMarkRemoved({4, 7, -1});  // absent: nothing
    cache_->mvClear();
    EXPECT_TRUE(cache_->Links().empty());
    EXPECT_TRUE(cache_->Objects().empty());
    EXPECT_TRUE(cache_->Parents().empty());
}

// The re-keying at login, over a vault node of the test's own.
class VaultNumberTest : public CacheTest {
protected:
    static constexpr GUID kView = com::MakeGuid("0A000000-0000-0000-0000-000000000001");
    static constexpr GUID kVault = com::MakeGuid("0B000000-0000-0000-0000-000000000002");

    void SetUp() override {
        CacheTest::SetUp();
        node_ = RefPtr<CVaultNode>(new CVaultNode(kView, kVault, u"Demo", u"c:\\view\\"));
        cache_ = std::make_unique<CCache>(node_);
    }
    void TearDown() override {
        if (node_) node_->moTreeNode = nullptr;
        cache_.reset();
        node_ = nullptr;
        CacheTest::TearDown();
    }
    // The root as the node puts it in: "<items>" under id 1 (type 2).
    RefPtr<CCacheObj> PutRoot() {
        CComPtr<IItmObject> root = Vault(1);
        RefPtr<CCacheObj> made;
        EXPECT_EQ(MakeCacheObj(root, cache_.get(), made), S_OK);
        cache_->mvInsert({2, 1, -1}, made);
        node_->mlRootID = 1;
        return made;
    }
    // The login's root object replaces the cached root's item.
    void LogIn(const RefPtr<CCacheObj>& root, LONG number) {
        CComPtr<IItmObject> fresh = Vault(number);
        root->moInner->mvSetItem(fresh);
        cache_->mvSetVaultNumber(number);
    }

    RefPtr<CVaultNode> node_;
};

TEST_F(VaultNumberTest, TheCacheTakesTheNodesGuids) {
    EXPECT_TRUE(cache_->moViewID == kView);
    EXPECT_TRUE(cache_->moVaultID == kVault);
    EXPECT_EQ(cache_->Owner(), node_);
    EXPECT_EQ(cache_->mlHideFiles, 0);
}

TEST_F(VaultNumberTest, TheRootIsRekeyedWithItsTreeNode) {
    RefPtr<CCacheObj> root = PutRoot();
    RefPtr<CCacheObj> shown = root;
    node_->moTreeNode = RefPtr<CTreeNode>(new CTreeNode(std::move(shown)));
    LogIn(root, 42);
    EXPECT_EQ(node_->mlRootID, 42);
    EXPECT_EQ(root->moInner->mlID, 42);
    EXPECT_EQ(cache_->Objects().size(), 1u);
    EXPECT_EQ(cache_->Objects().at(CacheObjKey{2, 42, -1}), root->moInner);
    EXPECT_EQ(cache_->Links().size(), 1u);
    EXPECT_EQ(FindLink({3, 3, 0, 42, -1})->moInner, root->moInner);
    EXPECT_EQ(Find({3, 42, -1})->moInner, root->moInner);
}

TEST_F(VaultNumberTest, TheRootIsRekeyedWithoutATreeNode) {
    RefPtr<CCacheObj> root = PutRoot();
    LogIn(root, 42);
    EXPECT_EQ(node_->mlRootID, 42);
    EXPECT_EQ(cache_->Objects().at(CacheObjKey{2, 42, -1}), root->moInner);
    EXPECT_EQ(root->moInner->mlID, 42);
    ASSERT_TRUE(Find({2, 42, -1}));
    EXPECT_FALSE(FindLink({3, 3, 0, 1, -1}));
}

TEST_F(VaultNumberTest, TheSameNumberOrNoRootChangesNothing) {
    cache_->mvSetVaultNumber(42);  // no root yet
    EXPECT_EQ(node_->mlRootID, 1);
    EXPECT_TRUE(cache_->Objects().empty());

    RefPtr<CCacheObj> root = PutRoot();
    RefPtr<CCacheObj> before = FindLink({3, 3, 0, 1, -1});
    cache_->mvSetVaultNumber(1);
    EXPECT_EQ(FindLink({3, 3, 0, 1, -1}), before);
    EXPECT_EQ(node_->mlRootID, 1);

    CCache ownerless(nullptr);
    ownerless.mvSetVaultNumber(42);
    EXPECT_TRUE(ownerless.Objects().empty());
}

}  // namespace
