// The item cache: putting objects in with their occurrences, and finding
// them again - by key, under a parent, in a folder, by path.
#include "cache_fixture.h"

#include "common/error_codes.h"

#include "com/com_error.h"

#include <set>
#include <vector>

using namespace BellquistLib;
using namespace item_objects;
using cache_testing::CacheTest;

namespace {

std::vector<CacheObjKey> KeysOf(const std::vector<RefPtr<CCacheObj>>& occurrences) {
    std::vector<CacheObjKey> keys;
    for (const RefPtr<CCacheObj>& o : occurrences)
        keys.push_back(CacheObjKey{o->moInner->meType, o->moInner->mlID, -1});
    return keys;
}
bool operator==(const std::vector<CacheObjKey>& a, const std::vector<CacheObjKey>& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

// The vault "<items>" (1) with the folder Pumps (5) under it; item A (7) in
// Pumps links the file X (61, configuration 2) and item B (8); B is in
// Pumps too and was fetched as A's child, as was X.
class CacheTreeTest : public CacheTest {
protected:
    void SetUp() override {
        CacheTest::SetUp();
        vault_ = Vault(kRoot);
        pumps_ = Folder(5, kRoot, u"Pumps");
        a_ = Item(7, 5, u"ITM-7");
        b_ = Make(UnderItem(ItemRecord(8, 5, u"ITM-8"), 7));
        x_ = Make(UnderItem(FileRecord(61, 5, 2, u"pump.part"), 7));
        ASSERT_EQ(Link(a_, x_), S_OK);
        ASSERT_EQ(Link(a_, b_), S_OK);
        for (IItmObject* object : {vault_, pumps_, a_, b_, x_}) Add(object);
    }
    void TearDown() override {
        vault_ = pumps_ = a_ = b_ = x_ = nullptr;
        CacheTest::TearDown();
    }

    CComPtr<IItmObject> vault_, pumps_, a_, b_, x_;
};

TEST_F(CacheTreeTest, EachObjectIsHeldOnceAndPlacedUnderItsFolderAndItsItem) {
    EXPECT_EQ(cache_->Objects().size(), 5u);
    std::vector<CacheLinkKey> links;
    for (const auto& [key, occurrence] : cache_->Links()) links.push_back(key);
    // In byte order of the keys.
    std::vector<CacheLinkKey> expected{
        {3, 3, 0, kRoot, -1}, {3, 3, kRoot, 5, -1}, {4, 3, 5, 7, -1}, {4, 4, 7, 8, -1},
        {4, 3, 5, 8, -1},     {6, 4, 7, 61, 2},     {6, 3, 5, 61, 2},
    };
    std::sort(expected.begin(), expected.end(), CacheKeyLess());
    ASSERT_EQ(links.size(), expected.size());
    for (size_t i = 0; i < links.size(); ++i) EXPECT_TRUE(links[i] == expected[i]) << i;

    // Every occurrence shares the object's one record.
    RefPtr<CCacheObjInner> file = cache_->Objects().at(CacheObjKey{6, 61, 2});
    EXPECT_EQ(FindLink({6, 4, 7, 61, 2})->moInner, file);
    EXPECT_EQ(FindLink({6, 3, 5, 61, 2})->moInner, file);
    EXPECT_EQ(FindLink({6, 4, 7, 61, 2})->meParentType, ItmObjectType_Item);
    EXPECT_EQ(FindLink({6, 4, 7, 61, 2})->mlParentID, 7);
    EXPECT_EQ(FindLink({3, 3, 0, kRoot, -1})->moInner, cache_->Objects().at(CacheObjKey{2, kRoot, -1}));
    // The occurrence a new object was made with is the one in its folder.
    CComPtr<IItmObject> d = Item(20, 5, u"ITM-20");
    RefPtr<CCacheObj> made = Add(d);
    EXPECT_EQ(Find({4, 20, -1}), made);

    // Items are parents in the index; folders are not.
    EXPECT_TRUE((ParentsOf({6, 61, 2}) == std::vector<CacheObjKey>{{4, 7, -1}}));
    EXPECT_TRUE((ParentsOf({4, 8, -1}) == std::vector<CacheObjKey>{{4, 7, -1}}));
    EXPECT_TRUE(ParentsOf({4, 7, -1}).empty());
    EXPECT_EQ(cache_->Parents().size(), 2u);
    d = nullptr;
}

TEST_F(CacheTreeTest, InsertKeepsTheObjectAlreadyCached) {
    RefPtr<CCacheObjInner> cached = cache_->Objects().at(CacheObjKey{4, 7, -1});
    CComPtr<IItmObject> again = Item(7, 5, u"ITM-7");
    RefPtr<CCacheObj> second = Add(again);
    EXPECT_EQ(cache_->Objects().at(CacheObjKey{4, 7, -1}), cached);
    EXPECT_EQ(cache_->Objects().at(CacheObjKey{4, 7, -1})->mpoItem, a_);
    EXPECT_EQ(Find({4, 7, -1})->moInner, cached);
    EXPECT_NE(second->moInner, cached);
}

TEST_F(CacheTreeTest, FindObjectTakesVaultAndFolderForOneKind) {
    RefPtr<CCacheObj> root = Find({3, kRoot, -1});
    ASSERT_TRUE(root);
    EXPECT_EQ(root->moInner->meType, ItmObjectType_Vault);
    EXPECT_EQ(Find({2, kRoot, -1}), root);
    RefPtr<CCacheObj> pumps = Find({2, 5, -1});
    ASSERT_TRUE(pumps);
    EXPECT_EQ(pumps->moInner->meType, ItmObjectType_ItemFolder);
    EXPECT_EQ(Find({3, 5, -1}), pumps);
    // Only vault and folder swap, and the configuration is part of the key.
    EXPECT_FALSE(Find({4, 5, -1}));
    EXPECT_FALSE(Find({6, 61, -1}));
    // The folder occurrence is what is found.
    EXPECT_EQ(Find({6, 61, 2}), FindLink({6, 3, 5, 61, 2}));

    RefPtr<CCacheObj> out = root;
    CCache empty(nullptr);
    EXPECT_FALSE(empty.mbFindObject({2, kRoot, -1}, out));
    EXPECT_FALSE(out);  // cleared
}

TEST_F(CacheTreeTest, ChildrenAndParentsAreFoundThroughTheirOccurrences) {
    RefPtr<CCacheObj> a = Find({4, 7, -1});
    RefPtr<CCacheObj> found;
    EXPECT_TRUE(cache_->mbFindChild(a, ItmObjectType_File, 61, 2, found));
    EXPECT_EQ(found, FindLink({6, 4, 7, 61, 2}));
    EXPECT_FALSE(cache_->mbFindChild(a, ItmObjectType_File, 61, -1, found));
    EXPECT_EQ(found, FindLink({6, 4, 7, 61, 2}));  // a miss leaves it
    RefPtr<CCacheObj> root = Find({2, kRoot, -1});
    EXPECT_TRUE(cache_->mbFindChild(root, ItmObjectType_Vault, 5, -1, found));  // types normalised
    EXPECT_EQ(found, Find({3, 5, -1}));

    EXPECT_TRUE(cache_->mbFindLink(a, b_, found));
    EXPECT_EQ(found, FindLink({4, 4, 7, 8, -1}));
    found = nullptr;
    EXPECT_FALSE(cache_->mbFindLink(a, Unloaded(CLSID_ItmFolder), found));  // unreadable: not found
    EXPECT_FALSE(found);

    RefPtr<CCacheObj> xUnderA = FindLink({6, 4, 7, 61, 2});
    RefPtr<CCacheObj> parent;
    EXPECT_TRUE(cache_->mbGetParent(xUnderA, parent));
    EXPECT_EQ(parent, a);
    EXPECT_TRUE(cache_->mbGetParentFolder(xUnderA, parent));
    EXPECT_EQ(parent, Find({3, 5, -1}));
    EXPECT_TRUE(cache_->mbGetParent(Find({6, 61, 2}), parent));
    EXPECT_EQ(parent, Find({3, 5, -1}));
    EXPECT_TRUE(cache_->mbGetParentFolder(Find({3, 5, -1}), parent));  // a vault's folder key is {2, id}
    EXPECT_EQ(parent, root);
    EXPECT_FALSE(cache_->mbGetParentFolder(root, parent));  // project 0 is not cached

    RefPtr<CCacheObj> bare(new CCacheObj(RefPtr<CCacheObjInner>(new CCacheObjInner(cache_.get(), 4, 9, nullptr, u""))));
    EXPECT_FALSE(cache_->mbGetParentFolder(bare, parent));
    RefPtr<CCacheObj> failing(
        new CCacheObj(RefPtr<CCacheObjInner>(new CCacheObjInner(cache_.get(), 4, 9, Unloaded(CLSID_ItmFolder), u""))));
    EXPECT_THROW(cache_->mbGetParentFolder(failing, parent), _com_error);
}

TEST_F(CacheTreeTest, PathsFollowFoldersOrParentItems) {
    RefPtr<CCacheObj> xUnderA = FindLink({6, 4, 7, 61, 2});
    EXPECT_EQ(cache_->GetItemPath(xUnderA), u"<items>\\Pumps\\ITM-7.<item>\\pump.part");
    EXPECT_EQ(cache_->GetFolderPath(xUnderA), u"<items>\\Pumps\\pump.part");
    EXPECT_EQ(cache_->GetItemPath(Find({4, 7, -1})), u"<items>\\Pumps\\ITM-7.<item>");
    EXPECT_EQ(cache_->GetItemPath(Find({2, kRoot, -1})), u"<items>");
    EXPECT_EQ(cache_->GetItemPath(nullptr), u"");

    // A folder whose parent is not cached: the walk ends at it.
    CComPtr<IItmObject> orphan = Folder(40, 39, u"Orphan");
    EXPECT_EQ(cache_->GetFolderPath(Add(orphan)), u"Orphan");
    // A folder that is its own parent (damaged data) ends too.
    CComPtr<IItmObject> loop = Folder(41, 41, u"Loop");
    EXPECT_EQ(cache_->GetFolderPath(Add(loop)), u"Loop");
}

TEST_F(CacheTreeTest, ObjectsInAFolderComeInKeyOrder) {
    std::vector<RefPtr<CCacheObj>> found;
    cache_->GetObjectsInFolder(5, found);
    EXPECT_TRUE(KeysOf(found) == (std::vector<CacheObjKey>{{4, 7, -1}, {4, 8, -1}, {6, 61, -1}}));
    EXPECT_EQ(found[2], Find({6, 61, 2}));
    found.clear();
    cache_->GetObjectsInFolder(kRoot, found);
    EXPECT_TRUE(KeysOf(found) == (std::vector<CacheObjKey>{{3, 5, -1}}));

    // Removed objects are skipped.
    cache_->mvMarkRemoved({4, 8, -1});
    found.clear();
    cache_->GetObjectsInFolder(5, found);
    EXPECT_TRUE(KeysOf(found) == (std::vector<CacheObjKey>{{4, 7, -1}, {6, 61, -1}}));
}

TEST_F(CacheTreeTest, FindObjectsTakesTheObjectElementsOfAnArray) {
    CComPtr<IItmObject> unknown = Item(99, 5, u"ITM-99");
    CComPtr<IItmObject> freshX = Make(FileRecord(61, 5, 2, u"pump.part"));  // another instance, same identity
    ItemArray array{a_.GetInterfacePtr(), nullptr, ItemArray::Element::Number(4), unknown.GetInterfacePtr(),
                    freshX.GetInterfacePtr()};
    std::vector<RefPtr<CCacheObj>> found;
    cache_->mvFindObjects(array.get(), found);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0], Find({4, 7, -1}));
    EXPECT_EQ(found[1], Find({6, 61, 2}));
    cache_->mvFindObjects(nullptr, found);
    EXPECT_EQ(found.size(), 2u);
}

// Takes the occurrences whose object id is in the set.
class IdMatcher : public CCache::GetItemsComparatorI {
public:
    explicit IdMatcher(std::set<LONG> ids) : ids_(std::move(ids)) {}
    LONG mlMatches(const RefPtr<CCacheObj>& occurrence) override { return ids_.count(occurrence->moInner->mlID); }

private:
    std::set<LONG> ids_;
};

TEST_F(CacheTreeTest, GetItemsGivesMatchingItemsAndFoldersAndTheItemsOfMatchingFiles) {
    // A second item C (9) links X too.
    CComPtr<IItmObject> c = Item(9, 5, u"ITM-9");
    ASSERT_EQ(Link(c, x_), S_OK);
    Add(c);
    cache_->mvLinkUnder({4, 9, -1}, {6, 61, 2});
    EXPECT_EQ(cache_->Objects().size(), 6u);
    EXPECT_EQ(cache_->Links().size(), 9u);

    struct Case {
        std::set<LONG> ids;
        std::vector<CacheObjKey> expected;
    } cases[] = {
        // The file under A, C and its folder: A and C once each, not the file.
        {{61}, {{4, 7, -1}, {4, 9, -1}}},
        // An item and its own child item: each once.
        {{7, 8}, {{4, 7, -1}, {4, 8, -1}}},
        // A folder; the vault root (kept as it is, no parent asked).
        {{5}, {{3, 5, -1}}},
        {{kRoot}, {{2, kRoot, -1}}},
        {{12345}, {}},
    };
    for (const Case& c : cases) {
        IdMatcher match(c.ids);
        std::vector<RefPtr<CCacheObj>> found;
        cache_->GetItems(match, found);
        std::vector<CacheObjKey> keys = KeysOf(found);
        std::sort(keys.begin(), keys.end(), [](const CacheObjKey& l, const CacheObjKey& r) {
            return std::tie(l.meObjectType, l.mlObjectID) < std::tie(r.meObjectType, r.mlObjectID);
        });
        std::string got;
        for (const CacheObjKey& k : keys)
            got += std::to_string(k.meObjectType) + ":" + std::to_string(k.mlObjectID) + " ";
        EXPECT_TRUE(keys == c.expected) << *c.ids.begin() << " gave " << got;
    }
}

TEST_F(CacheTreeTest, ParentItemsInInputOrderWithoutTheExcludedOnes) {
    RefPtr<CCacheObj> xUnderA = FindLink({6, 4, 7, 61, 2});
    RefPtr<CCacheObj> bUnderA = FindLink({4, 4, 7, 8, -1});
    std::vector<RefPtr<CCacheObj>> parents;
    cache_->mvGetParentItems({xUnderA, Find({6, 61, 2}), Find({2, kRoot, -1}), bUnderA}, parents);
    EXPECT_TRUE(KeysOf(parents) == (std::vector<CacheObjKey>{{4, 7, -1}, {4, 7, -1}}));
    parents.clear();
    const std::set<LONG> excluded{7};
    cache_->mvGetParentItems({xUnderA, bUnderA}, parents, &excluded);
    EXPECT_TRUE(parents.empty());
}

TEST_F(CacheTreeTest, AlreadyLinkedObjectsAreRefused) {
    RefPtr<CCacheObj> a = Find({4, 7, -1});
    EXPECT_EQ(cache_->CheckNotAlreadyLinked(a, {Find({3, 5, -1}), Find({6, 61, 2})}), E_ITEM_LINK_DUPLICATED);
    EXPECT_EQ(cache_->CheckNotAlreadyLinked(a, {Find({3, 5, -1})}), S_OK);
    // Another configuration of the file is another object.
    CComPtr<IItmObject> otherConfig = File(61, 5, 3, u"pump.part");
    EXPECT_EQ(cache_->CheckNotAlreadyLinked(a, {Add(otherConfig)}), S_OK);
    // An item without links.
    EXPECT_EQ(cache_->CheckNotAlreadyLinked(FindLink({4, 4, 7, 8, -1}), {Find({6, 61, 2})}), S_OK);

    EXPECT_EQ(cache_->CheckNotAlreadyLinked(nullptr, {}), E_ITEM_INVALID_OBJECT);
    CComPtr<IItmObject> plain = ItemWithoutLinkManager(ItemRecord(50, 5, u"ITM-50"));
    RefPtr<CCacheObj> plainItem(
        new CCacheObj(RefPtr<CCacheObjInner>(new CCacheObjInner(cache_.get(), 4, 50, plain, u""))));
    EXPECT_EQ(cache_->CheckNotAlreadyLinked(plainItem, {Find({6, 61, 2})}), E_POINTER);
}

}  // namespace
