// The merge's cache store: only with Bgtf_UpdateFileCache, only the input
// items, children lists only for items checked out in this view, in the
// caller's scope when it gives one. Read back with the cache operations.
#include "merge_fixture.h"

#include "common/error_codes.h"

#include <gtest/gtest.h>

using namespace merge_test;

namespace {

Row InputItem(LONG id, const GUID& lockView) {
    Row row{.type = ItmObjectType_Item, .id = id, .parentType = ItmObjectType_ItemFolder, .parent = 10, .project = 10};
    row.attached = 4;
    row.lockView = lockView;
    return row;
}
Row FileOf(LONG item, LONG id, ItmLinkOperation operation = LinkOp_None) {
    return {.type = ItmObjectType_File,
            .id = id,
            .parentType = ItmObjectType_Item,
            .parent = item,
            .project = 10,
            .config = 2,
            .linkType = LinkType_Static,
            .linkOperation = operation};
}

class MergeCacheTest : public MergeTest {
protected:
    // Item 1 is checked out here, item 2 elsewhere; item 3 is not an input.
    std::vector<Row> Input() { return {InputItem(1, kViewGUID), InputItem(2, kOtherViewGUID)}; }
    std::vector<Row> Fetched() {
        return {InputItem(1, kViewGUID),
                InputItem(2, kOtherViewGUID),
                InputItem(3, kViewGUID),
                FileOf(1, 7, LinkOp_New),
                FileOf(1, 8),
                FileOf(2, 9),
                FileOf(3, 6)};
    }
    bool Cached(const std::u16string& name) {
        CItemCacheLock lock(file_, kCacheLockDirect);
        return file_->mhItemExists(lock, name) == S_OK;
    }
};

TEST_F(MergeCacheTest, NothingIsStoredWithoutUpdateFileCache) {
    Merge(Input(), Fetched(),
          Bgtf_Latest | Bgtf_Recursive | Bgtf_IgnoreInputFromFileCache | Bgtf_MarkMissingChildrenRemoved |
              Bgtf_SetModifiedNowForMyCheckedOut);
    EXPECT_FALSE(std::filesystem::exists(machine_.root() / "cache.Items"));
}

TEST_F(MergeCacheTest, StoresTheInputItemsAndChildrenOfThoseCheckedOutHere) {
    StoreChildren(u"2.<item>", {MakeChild(99)});
    Merge(Input(), Fetched(), Bgtf_UpdateFileCache);

    EXPECT_TRUE(Cached(u"1.<item>"));
    EXPECT_TRUE(Cached(u"2.<item>"));
    EXPECT_FALSE(Cached(u"3.<item>"));
    EXPECT_EQ(StoredChildren(u"1.<item>"), (std::vector<std::string>{"7/2/2", "8/2/1"}));
    // Checked out elsewhere: the cache keeps no children list for it.
    EXPECT_EQ(StoredChildren(u"2.<item>", E_OXN_FILE_NOT_FOUND), std::vector<std::string>{});

    CItemCacheLock lock(file_, kCacheLockDirect);
    RefPtr<ItemObject> item;
    ASSERT_EQ(file_->mhReadItem(lock, u"1.<item>", item), S_OK);
    EXPECT_EQ(item->mlObjectID, 1);
    EXPECT_EQ(item->mlParentProjectID, 10);
    EXPECT_EQ(item->mlAttachedVersion, 4);
    EXPECT_EQ(item->mdModifiedDate, 45000.5);
    EXPECT_EQ(item->mlDirty, 0);
    EXPECT_EQ(item->moPath(), u"C:\\Views\\Ann\\Pumps\\1.<item>");
    ChildList children;
    ASSERT_EQ(file_->mhReadChildren(lock, u"1.<item>", children), S_OK);
    ASSERT_EQ(children.size(), 2u);
    EXPECT_EQ(children[0]->meInitialLinkType, LinkType_Static);
    EXPECT_EQ(children[0]->meInitialLinkOperation, LinkOp_New);
    EXPECT_EQ(children[0]->moFileName(), u"7.part");
    EXPECT_EQ(children[0]->moPath(), u"C:\\Views\\Ann\\Pumps\\7.part");
}

// What becomes of a stored list of an item checked out here, by flags.
TEST_F(MergeCacheTest, FlagsChooseHowTheFetchedChildrenMeetTheStoredList) {
    struct Case {
        int32_t flags;
        std::vector<std::string> stored;
    };
    const Case cases[] = {
        {Bgtf_UpdateFileCache, {"7/2/2", "8/2/1", "50/-1/1"}},                       // added to the list
        {Bgtf_UpdateFileCache | Bgtf_IgnoreInputFromFileCache, {"7/2/2", "8/2/1"}},  // replaces it
        {Bgtf_UpdateFileCache | Bgtf_IgnoreInputFromFileCache | Bgtf_MarkMissingChildrenRemoved,
         {"7/2/2", "8/2/1", "50/-1/3"}},  // replaces it, the missing one marked removed
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        StoreChildren(u"1.<item>", {MakeChild(50)});
        Merge(Input(), Fetched(), c.flags);
        EXPECT_EQ(StoredChildren(u"1.<item>"), c.stored);
    }
}

TEST_F(MergeCacheTest, StoresInTheCallersScope) {
    {
        CItemCacheLock lock(file_, kCacheLockTransacted);
        Merge(Input(), Fetched(), Bgtf_UpdateFileCache, 0, &lock);
        EXPECT_EQ(file_->mhItemExists(lock, u"1.<item>"), S_OK);
        ASSERT_EQ(file_->mhRevert(lock), S_OK);
    }
    EXPECT_FALSE(Cached(u"1.<item>"));
}

TEST_F(MergeCacheTest, FailureOfTheStoreIsTheMergesResult) {
    // A scope that does not hold the file: the store cannot write in it.
    CItemCacheLock notOpen;
    MergeNs::CMerge merge(Keep(Input()), Keep(Fetched()), Bgtf_UpdateFileCache, kViewGUID, &backEnd_, &notOpen);
    EXPECT_EQ(merge.mhMerge(0), E_FAIL);
    EXPECT_FALSE(Cached(u"1.<item>"));
}

TEST_F(MergeCacheTest, FailedStoreInItsOwnScopeLeavesTheCacheAsItWas) {
    Row nameless = InputItem(4, kViewGUID);
    nameless.name = u"";  // an item record without a name cannot be stored
    MergeNs::CMerge merge(Keep({InputItem(1, kViewGUID), nameless}), Keep({InputItem(1, kViewGUID), nameless}),
                          Bgtf_UpdateFileCache, kViewGUID, &backEnd_, nullptr);
    EXPECT_EQ(merge.mhMerge(0), E_OXN_INVALID_NAME);
    EXPECT_FALSE(Cached(u"1.<item>"));
}

}  // namespace
