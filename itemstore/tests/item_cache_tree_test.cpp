// Item trees in the item cache (storing fetched trees, reading cached ones)
// and the rename of an item.
#include "cache_file_probe.h"
#include "cache_operations_support.h"

#include "common/error_codes.h"
#include "format/file.h"

#include "winapi/errors.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>

namespace {

const GUID kThisView{0xA1, 0x2, 0x3, {4, 5, 6, 7, 8, 9, 10, 11}};
const GUID kOtherView{0xB2, 0x2, 0x3, {4, 5, 6, 7, 8, 9, 10, 11}};
const std::u16string kPump = u"Pump.<item>";

// Stored list: file 1 (pending switch), file 2; fetched: file 1, file 3.
TEST_F(CacheOperationsTest, StoringAFetchedTreeKeepsListsOnlyForItemsCheckedOutHere) {
    struct Case {
        const char* what;
        GUID lockView;
        bool replace, mark, fetchedEmpty;
        std::vector<std::string> expected;  // empty: no list
    };
    const Case cases[] = {
        {"here, replace+mark", kThisView, true, true, false, {"1/-1/1", "3/-1/1", "2/-1/3"}},
        {"here, replace+mark, nothing fetched", kThisView, true, true, true, {"1/-1/3", "2/-1/3"}},
        {"here, replace", kThisView, true, false, false, {"1/-1/1", "3/-1/1"}},
        {"here, replace, nothing fetched", kThisView, true, false, true, {}},
        {"here, merge", kThisView, false, false, false, {"1/-1/1", "3/-1/1", "2/-1/1"}},
        {"here, merge, nothing fetched", kThisView, false, false, true, {}},
        {"elsewhere, replace+mark", kOtherView, true, true, false, {}},
        {"elsewhere, merge", kOtherView, false, false, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StoreChildren(kPump, {MakeChild(1, kObjectTypeFile, -1, 5), MakeChild(2)});
        RefPtr<ItemObject> item = MakeItem(kPump, 77);
        item->moLockViewID = c.lockView;
        ChildList fetched;
        if (!c.fetchedEmpty) fetched = {MakeChild(1), MakeChild(3)};
        {
            CItemCacheLock lock(file_, kCacheLockTransacted);
            EXPECT_EQ(S_OK, file_->mhWriteItemsWithChildren(lock, {{item, fetched}}, kThisView, c.replace, c.mark));
            EXPECT_EQ(S_OK, file_->mhItemExists(lock, kPump));
        }
        EXPECT_EQ(StoredChildren(kPump, c.expected.empty() ? E_OXN_FILE_NOT_FOUND : S_OK), c.expected);
    }
}

TEST_F(CacheOperationsTest, StoringATreeProcessesEveryPairAndReportsTheLastFailure) {
    RefPtr<ItemObject> good = MakeItem(u"Good.<item>");
    RefPtr<ItemObject> noKey = MakeItem(u".<item>");
    RefPtr<ItemObject> wrongType = MakeItem(u"Folder.<item>");
    wrongType->meObjectType = kObjectTypeItemFolder;
    CItemCacheLock lock(file_, kCacheLockDirect);
    HRESULT hr =
        file_->mhWriteItemsWithChildren(lock, {{noKey, {}}, {wrongType, {}}, {good, {}}}, kThisView, true, false);
    // The map's order is by record address: either refusal may come last.
    EXPECT_TRUE(hr == E_OXN_INVALID_NAME || hr == E_OXN_INVALID_TYPE) << std::hex << hr;
    EXPECT_EQ(S_OK, file_->mhItemExists(lock, u"Good.<item>"));
}

// Names in a read tree, sorted, with the number of times each was delivered.
std::multiset<std::string> Names(const ItemTree& tree) {
    std::multiset<std::string> names;
    for (const auto& [item, children] : tree) names.insert(NarrowName(item->moFileName()));
    return names;
}

TEST_F(CacheOperationsTest, ReadingATreeWalksBreadthFirstAndStopsAtCycles) {
    auto itemChild = [](const std::u16string& name) {
        RefPtr<ChildWithLink> child = MakeChild(0, kObjectTypeItem);
        child->mvSetFileName(name);
        return child;
    };
    // A -> B, C, file; B -> D, A (a cycle); C -> D (a diamond); D -> D (itself).
    for (const char16_t* name : {u"A.<item>", u"B.<item>", u"C.<item>", u"D.<item>"}) StoreItem(MakeItem(name));
    StoreChildren(u"A.<item>", {itemChild(u"B.<item>"), itemChild(u"C.<item>"), MakeChild(9)});
    StoreChildren(u"B.<item>", {itemChild(u"D.<item>"), itemChild(u"A.<item>")});
    StoreChildren(u"C.<item>", {itemChild(u"D.<item>"), itemChild(u"Uncached.<item>")});
    StoreChildren(u"D.<item>", {itemChild(u"D.<item>")});

    struct Case {
        uint32_t levels;
        std::multiset<std::string> expected;
    };
    const Case cases[] = {
        {1, {"A.<item>"}},
        {2, {"A.<item>", "B.<item>", "C.<item>"}},
        {0, {"A.<item>", "B.<item>", "C.<item>", "D.<item>", "D.<item>"}},
    };
    CItemCacheLock lock(file_, kCacheLockDirect);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.levels);
        ItemTree tree;
        ASSERT_EQ(S_OK, file_->mhReadItemTree(lock, {u"A.<item>", u"Uncached.<item>"}, c.levels, tree));
        EXPECT_EQ(Names(tree), c.expected);
        for (const auto& [item, children] : tree) {
            if (item->moFileName() == u"A.<item>") {
                EXPECT_EQ(3u, children.size());
            }
        }
    }
}

TEST_F(CacheOperationsTest, RenameMovesTheRecordAndItsChildren) {
    RefPtr<ItemObject> item = MakeItem(kPump, 5);
    item->mvSetPath(u"\\<items>\\Pumps\\Pump.<item>");
    StoreItem(item);
    StoreChildren(kPump, {MakeChild(1, kObjectTypeFile, -1, 5)});
    StoreChildren(u"Valve.<item>", {MakeChild(2)});  // merged with the moved children
    {
        CItemCacheLock lock(file_, kCacheLockDirect);
        EXPECT_EQ(S_OK, file_->mhRenameItem(lock, u"Never.<item>", u"Other.<item>"));
        EXPECT_EQ(S_FALSE, file_->mhItemExists(lock, u"Other.<item>"));
        ASSERT_EQ(S_OK, file_->mhRenameItem(lock, kPump, u"Valve.<item>"));
        RefPtr<ItemObject> read;
        ASSERT_EQ(S_OK, file_->mhReadItem(lock, u"Valve.<item>", read));
        EXPECT_EQ(u"Valve.<item>", read->moFileName());
        EXPECT_EQ(u"\\<items>\\Pumps\\Valve.<item>", read->moPath());
        EXPECT_EQ(5, read->mlObjectID);
        EXPECT_EQ(S_FALSE, file_->mhItemExists(lock, kPump));
        // A path that does not end in the old name stays.
        item = MakeItem(u"Gear.<item>");
        item->mvSetPath(u"\\<items>\\Gears\\Spur");
        ASSERT_EQ(S_OK, file_->mhWriteItem(lock, item));
        ASSERT_EQ(S_OK, file_->mhRenameItem(lock, u"Gear.<item>", u"Cog.<item>"));
        ASSERT_EQ(S_OK, file_->mhReadItem(lock, u"Cog.<item>", read));
        EXPECT_EQ(u"\\<items>\\Gears\\Spur", read->moPath());
        // A new name without a key is refused and changes nothing.
        EXPECT_EQ(E_OXN_INVALID_NAME, file_->mhRenameItem(lock, u"Cog.<item>", u".<item>"));
        EXPECT_EQ(S_OK, file_->mhItemExists(lock, u"Cog.<item>"));
    }
    EXPECT_EQ(StoredChildren(u"Valve.<item>"), (std::vector<std::string>{"1/-1/5", "2/-1/1"}));
    EXPECT_EQ(StoredChildren(kPump, E_OXN_FILE_NOT_FOUND), std::vector<std::string>{});
}

// The disk fills up after the record was written under the new name: the
// old item keeps its record and children, the new name's own list (with its
// pending changes) survives, and only the new record is taken back.
// In a direct scope every write operation commits at most once, however
// many elements it touches, and one that changes nothing (the same record
// or list again, nothing there to delete) does not commit; reads never do.
TEST_F(CacheOperationsTest, ADirectWriteOperationCommitsOnceAndNotAtAllWhenNothingChanged) {
    auto checkedOut = [](const std::u16string& name, int32_t id) {
        RefPtr<ItemObject> item = MakeItem(name, id);
        item->moLockViewID = kThisView;
        return item;
    };
    ItemTree tree;
    for (int32_t i = 0; i < 3; ++i)
        tree.emplace(checkedOut(u"Tree " + std::u16string(1, u'0' + i) + u".<item>", 20 + i),
                     ChildList{MakeChild(100 + i), MakeChild(200 + i)});
    const std::vector<RefPtr<ItemObject>> three{MakeItem(u"D.<item>", 4), MakeItem(u"E.<item>", 5),
                                                MakeItem(u"F.<item>", 6)};
    const ChildList list{MakeChild(1), MakeChild(2, kObjectTypeFile, 3)};
    CItemCacheLock lock(file_, kCacheLockDirect);
    ASSERT_NE(nullptr, lock.mpoChain());
    CItemCacheFile& file = *file_;
    ItemTree read;
    RefPtr<ItemObject> record;
    struct Case {
        const char* what;
        std::function<HRESULT()> run;
        unsigned long commits;
    };
    const Case cases[] = {
        {"a new item", [&] { return file.mhWriteItem(lock, MakeItem(kPump, 1)); }, 1},
        {"the same record again", [&] { return file.mhWriteItem(lock, MakeItem(kPump, 1)); }, 0},
        {"the record changed", [&] { return file.mhWriteItem(lock, MakeItem(kPump, 2)); }, 1},
        {"three new items", [&] { return file.mhWriteItems(lock, three); }, 1},
        {"the same three again", [&] { return file.mhWriteItems(lock, three); }, 0},
        {"a new list", [&] { return file.mhWriteChildren(lock, kPump, list); }, 1},
        {"the same list again", [&] { return file.mhWriteChildren(lock, kPump, list); }, 0},
        {"erasing a child the list lacks", [&] { return file.mhEraseChildren(lock, kPump, {MakeChild(9)}); }, 0},
        {"a tree of three items with lists",
         [&] { return file.mhWriteItemsWithChildren(lock, tree, kThisView, true, false); }, 1},
        {"the same tree again", [&] { return file.mhWriteItemsWithChildren(lock, tree, kThisView, true, false); }, 0},
        {"reading the tree", [&] { return file.mhReadItemTree(lock, {u"Tree 0.<item>"}, 0, read); }, 0},
        {"reading a record", [&] { return file.mhReadItem(lock, kPump, record); }, 0},
        {"deleting items not cached",
         [&] {
             return file.mhDeleteItems(lock, {u"X.<item>", u"Y.<item>"});
         },
         0},
        {"deleting two items with their lists",
         [&] {
             return file.mhDeleteItems(lock, {u"Tree 0.<item>", u"Tree 1.<item>"});
         },
         1},
        {"a rename with a list", [&] { return file.mhRenameItem(lock, kPump, u"Valve.<item>"); }, 1},
        {"a touch", [&] { return file.mhTouchItem(lock, u"Valve.<item>"); }, 1},
    };
    for (const Case& c : cases) {
        const unsigned long before = lock.mpoChain()->mlCommits();
        EXPECT_EQ(S_OK, c.run()) << c.what;
        EXPECT_EQ(c.commits, lock.mpoChain()->mlCommits() - before) << c.what;
    }
    EXPECT_EQ(S_OK, file.mhItemExists(lock, u"Tree 2.<item>"));
    EXPECT_EQ(S_FALSE, file.mhItemExists(lock, u"Tree 1.<item>"));
}

// A rename commits once, at its end: a failed commit leaves the file as it
// was and the scope with the whole rename (the record moved, the lists
// merged, the old name gone), never a part of it; the scope's close writes
// it whole.
TEST_F(CacheOperationsTest, ARenameWhoseCommitFailsLosesNoListAndLandsWhole) {
    StoreItem(MakeItem(kPump, 5));
    StoreChildren(kPump, {MakeChild(1, kObjectTypeFile, -1, 5)});
    StoreChildren(u"Valve.<item>", {MakeChild(2, kObjectTypeFile, -1, 2)});
    const std::u16string path = Path();
    auto fileBytes = [&path] {
        std::ifstream in(std::filesystem::path(std::string(path.begin(), path.end())), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string before = fileBytes();
    {
        CItemCacheLock lock(file_, kCacheLockDirect);
        // Every write fails, so each commit stops at its first write.
        int commits = 0;
        storage::format::SetWriteHook([&commits](uint64_t, size_t) {
            ++commits;
            return ENOSPC;
        });
        EXPECT_EQ(E_OXN_IO_ERROR, file_->mhRenameItem(lock, kPump, u"Valve.<item>"));
        storage::format::SetWriteHook({});
        EXPECT_EQ(1, commits);
        EXPECT_EQ(before, fileBytes());
        EXPECT_EQ(S_OK, file_->mhItemExists(lock, u"Valve.<item>"));
        EXPECT_EQ(S_FALSE, file_->mhItemExists(lock, kPump));
    }
    EXPECT_EQ(StoredChildren(u"Valve.<item>"), (std::vector<std::string>{"1/-1/5", "2/-1/2"}));
    EXPECT_EQ(StoredChildren(kPump, E_OXN_FILE_NOT_FOUND), std::vector<std::string>{});
}

// A new name that addresses the same elements must not delete the item: the
// record is rewritten in place and the children (with their pending link
// changes) stay.
TEST_F(CacheOperationsTest, RenameToTheSameNameOrOnlyAnotherCaseKeepsTheItem) {
    for (const std::u16string& newName : std::vector<std::u16string>{kPump, u"PUMP.<item>", u"pump.<ITEM>"}) {
        SCOPED_TRACE(NarrowName(newName));
        RefPtr<ItemObject> item = MakeItem(kPump, 5);
        item->mvSetPath(u"\\<items>\\Pump.<item>");
        StoreItem(item);
        StoreChildren(kPump, {MakeChild(1, kObjectTypeFile, -1, 5)});
        {
            CItemCacheLock lock(file_, kCacheLockDirect);
            ASSERT_EQ(S_OK, file_->mhRenameItem(lock, kPump, newName));
            RefPtr<ItemObject> read;
            ASSERT_EQ(S_OK, file_->mhReadItem(lock, newName, read));
            EXPECT_EQ(newName, read->moFileName());
            EXPECT_EQ(u"\\<items>\\" + newName, read->moPath());
            EXPECT_EQ(5, read->mlObjectID);
        }
        EXPECT_EQ(StoredChildren(newName), std::vector<std::string>{"1/-1/5"});
        // Put the original name back for the next case.
        CItemCacheLock lock(file_, kCacheLockDirect);
        ASSERT_EQ(S_OK, file_->mhRenameItem(lock, newName, kPump));
    }
}

}  // namespace
