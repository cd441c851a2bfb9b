// Loading fetched objects into the cache keeps one item object per cached
// object: a fresh instance is taken into the cached record (or the cached
// record takes it) so every holder sees the change, and the cache's own
// occurrence is what the holders get back.
#include "explorer/data/cache.h"

#include "cache_fixture.h"
#include "item_helpers.h"
#include "item_objects.h"

#include "com/bstr.h"
#include "com/bstr_t.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace BellquistLib;
using namespace item_objects;

namespace {

constexpr LONG kFolder = 10;
constexpr GUID kThisView = com::MakeGuid("5A0E3C1B-2F6D-4A71-9C88-0B1D2E3F4A5B");
constexpr GUID kOtherView = com::MakeGuid("6B1F4D2C-3A7E-4B82-8D99-1C2E3F405B6C");

class CacheLoadingTest : public cache_testing::CacheTest {
protected:
    void SetUp() override {
        CacheTest::SetUp();
        cache_->moViewID = kThisView;
    }

    static std::u16string NameOf(IItmObject* object) {
        _bstr_t name;
        EXPECT_EQ(object->get_Name(name.GetAddress()), S_OK);
        return com::BstrText(name);
    }
    static CacheObjKey ItemKey(LONG id) { return {ItmObjectType_Item, id, -1}; }
    static CacheObjKey FileKey(LONG id, LONG config) { return {ItmObjectType_File, id, config}; }
    // The cache's folder occurrence of an object: {type, 3, folder, id, config}.
    RefPtr<CCacheObj> FolderOccurrence(LONG type, LONG folder, LONG id, LONG config = -1) {
        return FindLink({type, ItmObjectType_ItemFolder, folder, id, config});
    }
};

TEST_F(CacheLoadingTest, TheRootItemFolderIsHandedOutButNotCached) {
    ObjectRecord root = FolderRecord(1, 0, u"<items>");
    root.type = ItmObjectType_Root_ItemFolder;
    CComPtr<IItmObject> object = Make(root);
    RefPtr<CCacheObj> out;
    ASSERT_EQ(cache_->mhAddObject(object, true, false, &out), S_OK);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->moInner->mpoItem, object);
    EXPECT_TRUE(cache_->Objects().empty());
    EXPECT_TRUE(cache_->Links().empty());
    EXPECT_EQ(cache_->mhAddObject(nullptr, false, false, &out), E_INVALIDARG);
}

// A new object goes in with its occurrences; it counts as complete when the
// caller says it is fully loaded (replace) or when it is a BOM, which has no
// children to load.
TEST_F(CacheLoadingTest, ANewObjectIsCachedAndCompleteWhenReplacedOrABom) {
    struct Case {
        ObjectRecord record;
        bool replace;
        LONG complete;
    } cases[] = {
        {ItemRecord(20, kFolder, u"ITM-20"), false, 0},
        {ItemRecord(21, kFolder, u"ITM-21"), true, 1},
        {BomRecord(22, 7, 3, u"pump.bom"), false, 1},
        {FolderRecord(23, kFolder, u"Sub"), false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.record.id);
        CComPtr<IItmObject> object = Make(c.record);
        RefPtr<CCacheObj> out;
        ASSERT_EQ(cache_->mhAddObject(object, c.replace, false, &out), S_OK);
        RefPtr<CCacheObj> occurrence =
            FolderOccurrence(c.record.type, c.record.parentProjectId, c.record.id, c.record.configId);
        ASSERT_TRUE(occurrence);
        EXPECT_EQ(out, occurrence) << "the holder gets the cache's own occurrence";
        EXPECT_EQ(occurrence->moInner->mpoItem, object);
        EXPECT_EQ(occurrence->moInner->mbComplete, c.complete);
    }
    EXPECT_EQ(cache_->Objects().size(), 4u);
}

// An object already cached: keepCached changes nothing; replace makes the
// cached record take the fresh instance; otherwise only an incomplete record
// takes it. Every way the holder gets the cache's occurrence, which shares
// the cached record.
TEST_F(CacheLoadingTest, ACachedObjectTakesTheFreshInstanceOnlyWhenItMay) {
    struct Case {
        const char* name;
        bool replace, keepCached;
        LONG completeBefore;
        bool takesFresh;
        LONG completeAfter;
    } cases[] = {
        {"keep cached", true, true, 0, false, 0},
        {"replace", true, false, 1, true, 1},
        {"incomplete", false, false, 0, true, 0},
        {"complete", false, false, 1, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cache_->mvClear();
        CComPtr<IItmObject> cachedItem = Item(30, kFolder, u"ITM-30");
        RefPtr<CCacheObj> cached = Add(cachedItem);
        cached->moInner->mbComplete = c.completeBefore;
        RefPtr<CCacheObj> occurrence = FolderOccurrence(ItmObjectType_Item, kFolder, 30);
        ASSERT_TRUE(occurrence);

        CComPtr<IItmObject> fresh = Item(30, kFolder, u"ITM-30");
        RefPtr<CCacheObj> out;
        ASSERT_EQ(cache_->mhAddObject(fresh, c.replace, c.keepCached, &out), S_OK);
        EXPECT_EQ(out, occurrence);
        EXPECT_EQ(out->moInner, cached->moInner);
        EXPECT_EQ(cached->moInner->mpoItem, c.takesFresh ? fresh : cachedItem);
        EXPECT_EQ(cached->moInner->mbComplete, c.completeAfter);
        EXPECT_EQ(cache_->Objects().size(), 1u);
    }
}

TEST_F(CacheLoadingTest, AnArrayStopsAtItsFirstElementThatIsNotAnObject) {
    CComPtr<IItmObject> a = Item(40, kFolder, u"A"), b = Item(41, kFolder, u"B"), c = Item(42, kFolder, u"C");
    ItemArray array{a.GetInterfacePtr(), b.GetInterfacePtr(), ItemArray::Element::Number(7), c.GetInterfacePtr()};
    EXPECT_EQ(cache_->mhAddObjects(array.get()), E_INVALIDARG);
    EXPECT_TRUE(Find(ItemKey(40)));
    EXPECT_TRUE(Find(ItemKey(41)));
    EXPECT_FALSE(Find(ItemKey(42)));
    EXPECT_EQ(cache_->mhAddObjects(nullptr), E_INVALIDARG);

    std::vector<RefPtr<CCacheObj>> out;
    EXPECT_EQ(cache_->mhRefreshObjects(nullptr, out), E_INVALIDARG);
    EXPECT_EQ(cache_->mhAddOrUpdateObjects(nullptr, &out), E_INVALIDARG);
}

// The version refresh keeps what is cached and hands back the occurrences
// in array order.
TEST_F(CacheLoadingTest, RefreshingObjectsKeepsTheCachedRecordsAndListsTheirOccurrences) {
    CComPtr<IItmObject> cachedItem = Item(50, kFolder, u"ITM-50");
    RefPtr<CCacheObj> cached = Add(cachedItem);
    cached->moInner->mbComplete = 0;
    CComPtr<IItmObject> fresh = Item(50, kFolder, u"ITM-50");
    CComPtr<IItmObject> other = File(61, 7, 2, u"pump.prt");
    ItemArray array{other.GetInterfacePtr(), fresh.GetInterfacePtr()};

    std::vector<RefPtr<CCacheObj>> out;
    ASSERT_EQ(cache_->mhRefreshObjects(array.get(), out), S_OK);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0], FolderOccurrence(ItmObjectType_File, 7, 61, 2));
    EXPECT_EQ(out[1], FolderOccurrence(ItmObjectType_Item, kFolder, 50));
    EXPECT_EQ(cached->moInner->mpoItem, cachedItem) << "an incomplete record is kept too";
}

// Linking files from file paths returns new instances of items the cache
// holds: the cached instance takes their data and stays the one instance.
TEST_F(CacheLoadingTest, AddOrUpdateTakesAReturnedItemIntoTheCachedInstance) {
    CComPtr<IItmObject> cachedItem = Item(60, kFolder, u"ITM-60");
    RefPtr<CCacheObj> cached = Add(cachedItem);
    CComPtr<IItmObject> returned = Item(60, kFolder, u"ITM-60 renamed");
    CComPtr<IItmObject> newItem = Item(61, kFolder, u"ITM-61");
    CComPtr<IItmObject> file = File(62, 7, 1, u"part.prt");
    ItemArray array{returned.GetInterfacePtr(), newItem.GetInterfacePtr(), file.GetInterfacePtr()};

    std::vector<RefPtr<CCacheObj>> out;
    ASSERT_EQ(cache_->mhAddOrUpdateObjects(array.get(), &out), S_OK);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0]->moInner, cached->moInner);
    EXPECT_EQ(cached->moInner->mpoItem, cachedItem);
    EXPECT_EQ(NameOf(cachedItem), u"ITM-60 renamed.<item>");
    EXPECT_EQ(cached->moInner->mbComplete, 1);
    EXPECT_EQ(out[1]->moInner->mpoItem, newItem);
    EXPECT_EQ(out[2]->moInner->mpoItem, file);
    EXPECT_EQ(cache_->mhAddOrUpdateObjects(array.get(), nullptr), S_OK);
}

// A tree load with its parent: the parent takes the fresh instance and is
// complete; a child the cache holds dirty keeps its instance, a clean one
// that is not complete takes the fresh one; new children are complete when
// fully loaded (BOMs always).
TEST_F(CacheLoadingTest, ATreeLoadWithAParentReplacesOnlyWhatLosesNothing) {
    CComPtr<IItmObject> cachedParent = Item(70, kFolder, u"ITM-70");
    RefPtr<CCacheObj> parent = Add(cachedParent);
    ObjectRecord dirtyRecord = UnderItem(ItemRecord(71, kFolder, u"ITM-71"), 70);
    dirtyRecord.dirty = true;
    CComPtr<IItmObject> cachedDirty = Make(dirtyRecord);
    RefPtr<CCacheObj> dirty = Add(cachedDirty);
    CComPtr<IItmObject> cachedClean = Make(UnderItem(ItemRecord(72, kFolder, u"ITM-72"), 70));
    RefPtr<CCacheObj> clean = Add(cachedClean);

    CComPtr<IItmObject> freshParent = Item(70, kFolder, u"ITM-70");
    CComPtr<IItmObject> freshDirty = Make(UnderItem(ItemRecord(71, kFolder, u"ITM-71"), 70));
    CComPtr<IItmObject> freshClean = Make(UnderItem(ItemRecord(72, kFolder, u"ITM-72"), 70));
    ObjectRecord unloadedRecord = UnderItem(ItemRecord(73, kFolder, u"ITM-73"), 70);
    unloadedRecord.hasChildren = true;
    CComPtr<IItmObject> newUnloaded = Make(unloadedRecord);
    CComPtr<IItmObject> newBom = Make(UnderItem(BomRecord(74, 7, 2, u"ITM-70.bom"), 70));
    CComPtr<IItmObject> newFile = Make(UnderItem(FileRecord(75, 7, 0, u"p.prt"), 70));
    for (IItmObject* child : {freshDirty.GetInterfacePtr(), freshClean.GetInterfacePtr(), newUnloaded.GetInterfacePtr(),
                              newBom.GetInterfacePtr(), newFile.GetInterfacePtr()})
        ASSERT_EQ(Link(freshParent, child), S_OK);
    ItemArray tree{freshDirty.GetInterfacePtr(),  freshParent.GetInterfacePtr(), freshClean.GetInterfacePtr(),
                   newUnloaded.GetInterfacePtr(), newBom.GetInterfacePtr(),      newFile.GetInterfacePtr()};

    EXPECT_EQ(cache_->mhAddTrees(tree.get(), true, &parent), S_FALSE);
    EXPECT_EQ(parent->moInner->mpoItem, freshParent);
    EXPECT_EQ(parent->moInner->mbComplete, 1);
    EXPECT_EQ(dirty->moInner->mpoItem, cachedDirty);
    EXPECT_EQ(dirty->moInner->mbComplete, 0);
    EXPECT_EQ(clean->moInner->mpoItem, freshClean);
    EXPECT_EQ(clean->moInner->mbComplete, 1);
    EXPECT_EQ(Find(ItemKey(73))->moInner->mbComplete, 0);
    EXPECT_EQ(Find({ItmObjectType_BOM, 74, 2})->moInner->mbComplete, 1);
    EXPECT_EQ(Find(FileKey(75, 0))->moInner->mbComplete, 0);
    // Every child is under the parent item, and the parent is theirs.
    for (const CacheObjKey& child :
         {ItemKey(71), ItemKey(72), ItemKey(73), CacheObjKey{ItmObjectType_BOM, 74, 2}, FileKey(75, 0)}) {
        SCOPED_TRACE(child.mlObjectID);
        EXPECT_TRUE(FindLink({child.meObjectType, ItmObjectType_Item, 70, child.mlObjectID, child.mlConfigID}));
        EXPECT_EQ(ParentsOf(child), std::vector<CacheObjKey>{ItemKey(70)});
    }
}

// Without a parent: a complete tree replaces what is not complete; a partial
// one only adds.
TEST_F(CacheLoadingTest, ATreeLoadWithoutAParentIsOnePass) {
    for (bool complete : {false, true}) {
        SCOPED_TRACE(complete);
        cache_->mvClear();
        CComPtr<IItmObject> cachedItem = Item(80, kFolder, u"ITM-80");
        RefPtr<CCacheObj> cached = Add(cachedItem);
        CComPtr<IItmObject> fresh = Item(80, kFolder, u"ITM-80");
        CComPtr<IItmObject> added = Item(81, kFolder, u"ITM-81");
        ItemArray tree{fresh.GetInterfacePtr(), added.GetInterfacePtr()};
        EXPECT_EQ(cache_->mhAddTrees(tree.get(), complete, nullptr), S_FALSE);
        EXPECT_EQ(cached->moInner->mpoItem, complete ? fresh : cachedItem);
        EXPECT_EQ(cached->moInner->mbComplete, complete ? 1 : 0);
        EXPECT_EQ(Find(ItemKey(81))->moInner->mbComplete, complete ? 1 : 0);
    }
    EXPECT_EQ(cache_->mhAddTrees(nullptr, true, nullptr), S_OK);
    ItemArray empty{};
    EXPECT_EQ(cache_->mhAddTrees(empty.get(), true, nullptr), S_FALSE);
    CComPtr<IItmObject> item = Item(82, kFolder, u"ITM-82");
    ItemArray withNumber{item.GetInterfacePtr(), ItemArray::Element::Number(1)};
    EXPECT_EQ(cache_->mhAddTrees(withNumber.get(), false, nullptr), E_INVALIDARG);
    EXPECT_TRUE(Find(ItemKey(82)));
}

TEST_F(CacheLoadingTest, FullyLoadedMeansTheCachedVersionAndNoUnloadedChildren) {
    struct Case {
        const char* name;
        LONG attached;
        bool unloaded;
        LONG cachedVersion;
        bool expected;
    } cases[] = {
        {"no version given", 5, false, 0, true},  {"same version", 5, false, 5, true},
        {"another version", 5, false, 4, false},  {"dirty", 5, false, -1, false},
        {"unloaded children", 5, true, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ObjectRecord record = ItemRecord(90, kFolder, u"ITM-90");
        record.attachedVersion = c.attached;
        record.hasChildren = c.unloaded;
        CComPtr<IItmObject> item = Make(record);
        EXPECT_EQ(mbIsFullyLoaded(item, c.cachedVersion), c.expected);
    }
    CComPtr<IItmObject> file = File(91, 7, 0, u"p.prt");
    EXPECT_FALSE(mbIsFullyLoaded(file, 0)) << "no link manager";
}

// A move: the moved item is found under its new folder, and its BOM follows
// it there (project id, path and occurrence).
TEST_F(CacheLoadingTest, AMovedItemAndItsBomsAreFoundInTheNewFolder) {
    constexpr LONG kNewFolder = 11;
    ObjectRecord itemRecord = ItemRecord(100, kFolder, u"ITM-100");
    itemRecord.path = u"\\<items>\\Old\\ITM-100.<item>";
    CComPtr<IItmObject> item = Make(itemRecord);
    CComPtr<IItmObject> bom = Bom(101, kFolder, 4, u"ITM-100.bom");
    ASSERT_EQ(Link(item, bom), S_OK);
    Add(item);
    Add(bom);

    // The item manager moved the cached instance.
    itemRecord.parentProjectId = itemRecord.parentId = kNewFolder;
    itemRecord.path = u"\\<items>\\New\\ITM-100.<item>";
    CComPtr<IItmObject> moved = Make(itemRecord);
    ASSERT_EQ(item->Swap(moved, VARIANT_FALSE), S_OK);
    ItemArray array{item.GetInterfacePtr()};
    cache_->mvAfterMove(array.get());

    RefPtr<CCacheObj> found = Find(ItemKey(100));
    ASSERT_TRUE(found);
    EXPECT_EQ(found, FolderOccurrence(ItmObjectType_Item, kNewFolder, 100));
    EXPECT_TRUE(FolderOccurrence(ItmObjectType_Item, kFolder, 100)) << "the views drop the old row themselves";
    LONG bomFolder = 0;
    EXPECT_EQ(bom->get_ParentProjectID(&bomFolder), S_OK);
    EXPECT_EQ(bomFolder, kNewFolder);
    _bstr_t bomPath;
    EXPECT_EQ(bom->get_Path(bomPath.GetAddress()), S_OK);
    EXPECT_EQ(com::BstrText(bomPath), u"\\<items>\\New\\ITM-100.bom");
    EXPECT_TRUE(FolderOccurrence(ItmObjectType_BOM, kNewFolder, 101, 4));
    EXPECT_FALSE(FolderOccurrence(ItmObjectType_BOM, kFolder, 101, 4));
    EXPECT_EQ(Find({ItmObjectType_BOM, 101, 4})->moInner->mpoItem, bom);
}

// An item's cached children follow its links: equal sets change nothing, a
// child it no longer links is unlinked, a cached child it links now is put
// under it.
TEST_F(CacheLoadingTest, UpdatingChildrenFollowsTheItemsLinks) {
    CComPtr<IItmObject> item = Item(110, kFolder, u"ITM-110");
    CComPtr<IItmObject> kept = File(111, 7, 0, u"kept.prt");
    CComPtr<IItmObject> dropped = File(112, 7, 0, u"dropped.prt");
    CComPtr<IItmObject> added = File(113, 7, 0, u"added.prt");
    CComPtr<IItmObject> uncached = File(114, 7, 0, u"uncached.prt");
    ASSERT_EQ(Link(item, kept), S_OK);
    ASSERT_EQ(Link(item, dropped), S_OK);
    RefPtr<CCacheObj> occurrence = Add(item);
    Add(kept);
    Add(dropped);
    Add(added);
    ASSERT_TRUE(cache_->mbLinkChildUnderItem(7, occurrence->moInner, FileKey(111, 0)));
    ASSERT_TRUE(cache_->mbLinkChildUnderItem(7, occurrence->moInner, FileKey(112, 0)));
    const size_t linksBefore = cache_->Links().size();

    std::vector<CacheObjKey> previous{FileKey(111, 0), FileKey(112, 0)};
    ASSERT_EQ(cache_->mhUpdateChildren(occurrence->moInner, previous), S_OK);
    EXPECT_TRUE(previous.empty());
    EXPECT_EQ(cache_->Links().size(), linksBefore);

    CComPtr<IItmLinkManager> links = LinkManagerOf(item);
    ItmUniqueID droppedId{ItmObjectType_File, 112, 110, 0};
    ASSERT_EQ(links->RemoveLink(&droppedId), S_OK);
    ASSERT_EQ(Link(item, added), S_OK);
    ASSERT_EQ(Link(item, uncached), S_OK);
    previous = {FileKey(111, 0), FileKey(112, 0)};
    ASSERT_EQ(cache_->mhUpdateChildren(occurrence->moInner, previous), S_OK);
    EXPECT_EQ(previous, std::vector<CacheObjKey>{FileKey(112, 0)}) << "what the item no longer links";
    EXPECT_FALSE(FindLink({ItmObjectType_File, ItmObjectType_Item, 110, 112, 0}));
    EXPECT_TRUE(FindLink({ItmObjectType_File, ItmObjectType_Item, 110, 113, 0}));
    EXPECT_EQ(ParentsOf(FileKey(113, 0)), std::vector<CacheObjKey>{ItemKey(110)});
    EXPECT_FALSE(FindLink({ItmObjectType_File, ItmObjectType_Item, 110, 114, 0})) << "not cached: left out";
    EXPECT_TRUE(FindLink({ItmObjectType_File, ItmObjectType_Item, 110, 111, 0}));

    RefPtr<CCacheObjInner> none;
    EXPECT_EQ(cache_->mhUpdateChildren(none, previous), E_POINTER);
}

}  // namespace
