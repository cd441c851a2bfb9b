// Children lists in the item cache: writing, merging, erasing, marking,
// link words, and that a failed rewrite keeps the old list.
#include "cache_file_probe.h"
#include "cache_operations_support.h"

#include "common/error_codes.h"
#include "format/file.h"

#include "winapi/errors.h"

#include <cerrno>
#include <functional>

namespace {

const std::u16string kPump = u"Pump.<item>";

TEST_F(CacheOperationsTest, AListIsWrittenReadAndRemoved) {
    ChildList children{MakeChild(1), MakeChild(2, kObjectTypeBom), MakeChild(3, kObjectTypeItem, -1, kLinkOpRemove)};
    {
        CItemCacheLock lock(file_, kCacheLockDirect);
        uint32_t live = 9;
        EXPECT_EQ(E_OXN_FILE_NOT_FOUND, file_->mhHasChildrenList(lock, kPump));
        EXPECT_EQ(E_OXN_FILE_NOT_FOUND, file_->mhHasLiveChildren(lock, kPump, live));
        EXPECT_EQ(S_OK, file_->mhDeleteChildren(lock, kPump));  // missing: no error

        ASSERT_EQ(S_OK, file_->mhWriteChildren(lock, kPump, children));
        EXPECT_EQ(S_OK, file_->mhHasChildrenList(lock, kPump));
        EXPECT_EQ(S_OK, file_->mhHasLiveChildren(lock, kPump, live));
        EXPECT_EQ(1u, live);
    }
    // The BOM child is not stored; no temporary element is left behind.
    EXPECT_EQ(StoredChildren(kPump), (std::vector<std::string>{"1/-1/1", "3/-1/3"}));
    EXPECT_EQ(ElementTree(file_->mPath()), (std::vector<std::string>{"PumpCS", "headerstreamS"}));

    StoreChildren(kPump, {MakeChild(3, kObjectTypeItem, -1, kLinkOpDelete)});
    {
        CItemCacheLock lock(file_, kCacheLockDirect);
        uint32_t live = 9;
        EXPECT_EQ(S_OK, file_->mhHasLiveChildren(lock, kPump, live));
        EXPECT_EQ(0u, live);
        // An empty vector leaves the item without a list.
        EXPECT_EQ(S_OK, file_->mhWriteChildren(lock, kPump, {}));
        EXPECT_EQ(E_OXN_FILE_NOT_FOUND, file_->mhHasChildrenList(lock, kPump));
        EXPECT_EQ(E_OXN_INVALID_NAME, file_->mhWriteChildren(lock, u".<item>", {MakeChild(1)}));
        EXPECT_EQ(E_OXN_INVALID_NAME, file_->mhWriteChildren(lock, u"a\\b.<item>", {MakeChild(1)}));
    }
    EXPECT_EQ(ElementTree(file_->mPath()), std::vector<std::string>{"headerstreamS"});
}

TEST_F(CacheOperationsTest, AddChildrenPutsTheGivenFirstAndKeepsUnmatchedStoredOnes) {
    // Stored: file 10 config 1, file 10 config 2, file 20, item 30.
    StoreChildren(kPump, {MakeChild(10, kObjectTypeFile, 1), MakeChild(10, kObjectTypeFile, 2),
                          MakeChild(20, kObjectTypeFile, 5), MakeChild(30, kObjectTypeItem)});
    {
        CItemCacheLock lock(file_, kCacheLockDirect);
        EXPECT_EQ(E_ITEM_INVALID_OBJECT, file_->mhAddChildren(lock, kPump, {}));
        // File 10 config 2 replaces only its own config; an item child with
        // the id of stored file 20 replaces it whatever the types.
        EXPECT_EQ(S_OK, file_->mhAddChildren(
                            lock, kPump, {MakeChild(10, kObjectTypeFile, 2, 2), MakeChild(20, kObjectTypeItem, 9, 2)}));
    }
    EXPECT_EQ(StoredChildren(kPump), (std::vector<std::string>{"10/2/2", "20/9/2", "10/1/1", "30/-1/1"}));

    // Without a stored list the given children are the list.
    {
        CItemCacheLock lock(file_, kCacheLockDirect);
        EXPECT_EQ(S_OK, file_->mhAddChildren(lock, u"Valve.<item>", {MakeChild(4)}));
    }
    EXPECT_EQ(StoredChildren(u"Valve.<item>"), std::vector<std::string>{"4/-1/1"});
}

TEST_F(CacheOperationsTest, EraseChildrenMatchesAllFiveLinkFields) {
    auto variant = [](const std::function<void(ChildWithLink&)>& change) {
        RefPtr<ChildWithLink> c = MakeChild(10, kObjectTypeFile, 1);
        change(*c);
        return c;
    };
    // None of these equals the stored child: each differs in one field.
    ChildList nearMisses{variant([](ChildWithLink& c) { c.meLinkType = 2; }),
                         variant([](ChildWithLink& c) { c.mlConfigID = 2; }),
                         variant([](ChildWithLink& c) { c.mlAttachedVersion = 3; }),
                         variant([](ChildWithLink& c) { c.mlParentProjectID = 8; }),
                         variant([](ChildWithLink& c) { c.mlObjectID = 11; })};
    StoreChildren(kPump, {MakeChild(10, kObjectTypeFile, 1), MakeChild(20)});
    CItemCacheLock lock(file_, kCacheLockDirect);
    EXPECT_EQ(S_OK, file_->mhEraseChildren(lock, u"Never.<item>", {MakeChild(1)}));  // no list
    EXPECT_EQ(S_OK, file_->mhEraseChildren(lock, kPump, nearMisses));
    ChildList stored;
    ASSERT_EQ(S_OK, file_->mhReadChildren(lock, kPump, stored));
    EXPECT_EQ(Describe(stored), (std::vector<std::string>{"10/1/1", "20/-1/1"}));

    // The link operation is not compared; erasing the last child leaves no list.
    EXPECT_EQ(S_OK, file_->mhEraseChildren(lock, kPump, {MakeChild(10, kObjectTypeFile, 1, kLinkOpRemove)}));
    EXPECT_EQ(S_OK, file_->mhEraseChildren(lock, kPump, {MakeChild(20)}));
    EXPECT_EQ(E_OXN_FILE_NOT_FOUND, file_->mhHasChildrenList(lock, kPump));
}

TEST_F(CacheOperationsTest, RemoveChildrenMarksMatchingStoredChildren) {
    RefPtr<ChildWithLink> otherProject = MakeChild(10, kObjectTypeFile, 1);
    otherProject->mlParentProjectID = 99;
    StoreChildren(kPump, {MakeChild(10, kObjectTypeFile, 1), MakeChild(10, kObjectTypeFile, 2), otherProject});
    CItemCacheLock lock(file_, kCacheLockDirect);
    EXPECT_EQ(S_OK, file_->mhRemoveChildren(lock, u"Never.<item>", {MakeChild(1)}, kLinkOpRemove));
    // The given child's type and link words do not matter.
    EXPECT_EQ(S_OK, file_->mhRemoveChildren(lock, kPump, {MakeChild(10, kObjectTypeItem, 1, 5)}, kLinkOpRemove));
    ChildList stored;
    ASSERT_EQ(S_OK, file_->mhReadChildren(lock, kPump, stored));
    EXPECT_EQ(Describe(stored), (std::vector<std::string>{"10/1/3", "10/2/1", "10/1/1"}));
    EXPECT_EQ(1, stored[0]->meInitialLinkOperation);  // the initial pair stays
    uint32_t live = 0;
    EXPECT_EQ(S_OK, file_->mhHasLiveChildren(lock, kPump, live));
    EXPECT_EQ(1u, live);

    // A stored list without records.
    ASSERT_EQ(S_OK, file_->mhWriteChildren(lock, kPump, {MakeChild(1, kObjectTypeBom)}));
    EXPECT_EQ(E_ITEM_INVALID_OBJECT, file_->mhRemoveChildren(lock, kPump, {MakeChild(1)}, kLinkOpRemove));
    stored.clear();
    EXPECT_EQ(S_OK, file_->mhReadChildren(lock, kPump, stored));
    EXPECT_TRUE(stored.empty());
}

TEST_F(CacheOperationsTest, FileChildLinksAreSetAndReadByIdAndConfig) {
    StoreChildren(kPump, {MakeChild(10, kObjectTypeFile, 1), MakeChild(10, kObjectTypeFile, 2)});
    CItemCacheLock lock(file_, kCacheLockDirect);
    EXPECT_EQ(E_OXN_INVALID_TYPE, file_->mhSetFileChildLink(lock, kPump, MakeChild(10, kObjectTypeItem, 2), 3, 5));
    EXPECT_EQ(E_OXN_FILE_NOT_FOUND, file_->mhSetFileChildLink(lock, kPump, MakeChild(10, kObjectTypeFile, 3), 3, 5));
    EXPECT_EQ(E_OXN_FILE_NOT_FOUND,
              file_->mhSetFileChildLink(lock, u"Never.<item>", MakeChild(10, kObjectTypeFile, 1), 3, 5));
    EXPECT_EQ(S_OK, file_->mhSetFileChildLink(lock, kPump, MakeChild(10, kObjectTypeFile, 2), 3, 5));

    int32_t type = 0, op = 0, initialType = 0, initialOp = 0;
    ASSERT_EQ(S_OK, file_->mhGetChildLink(lock, kPump, 10, 2, type, op, initialType, initialOp));
    EXPECT_EQ((std::vector<int32_t>{3, 5, 1, 1}), (std::vector<int32_t>{type, op, initialType, initialOp}));
    ASSERT_EQ(S_OK, file_->mhGetChildLink(lock, kPump, 10, 1, type, op, initialType, initialOp));
    EXPECT_EQ((std::vector<int32_t>{1, 1, 1, 1}), (std::vector<int32_t>{type, op, initialType, initialOp}));
    EXPECT_EQ(E_OXN_FILE_NOT_FOUND, file_->mhGetChildLink(lock, kPump, 10, 7, type, op, initialType, initialOp));
    EXPECT_EQ(E_OXN_FILE_NOT_FOUND,
              file_->mhGetChildLink(lock, u"Never.<item>", 10, 1, type, op, initialType, initialOp));
}

// Every operation that rewrites a list, when the file cannot be written
// (a full disk at the direct scope's commit): the failure is reported and
// the stored list, with its pending link changes, is intact - in the scope
// and in the file.
TEST_F(CacheOperationsTest, AFailedListRewriteKeepsTheOldList) {
    const ChildList original{MakeChild(10, kObjectTypeFile, 1, 2), MakeChild(20, kObjectTypeFile, 1, 5)};
    const std::vector<std::string> originalText{"10/1/2", "20/1/5"};
    CItemCacheFile& f = *file_;
    struct Case {
        const char* what;
        std::function<HRESULT(CItemCacheLock&)> change;
    };
    const Case cases[] = {
        {"write", [&](CItemCacheLock& l) { return f.mhWriteChildren(l, kPump, {MakeChild(30)}); }},
        {"add", [&](CItemCacheLock& l) { return f.mhAddChildren(l, kPump, {MakeChild(30)}); }},
        {"erase", [&](CItemCacheLock& l) { return f.mhEraseChildren(l, kPump, {original[0]}); }},
        {"mark", [&](CItemCacheLock& l) { return f.mhRemoveChildren(l, kPump, {original[0]}, kLinkOpRemove); }},
        {"set link",
         [&](CItemCacheLock& l) { return f.mhSetFileChildLink(l, kPump, MakeChild(20, kObjectTypeFile, 1), 2, 5); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StoreChildren(kPump, original);
        {
            CItemCacheLock lock(file_, kCacheLockDirect);
            storage::format::SetWriteHook([](uint64_t, size_t) { return ENOSPC; });
            EXPECT_EQ(E_OXN_IO_ERROR, c.change(lock));
            storage::format::SetWriteHook({});
            ChildList stored;
            EXPECT_EQ(S_OK, file_->mhReadChildren(lock, kPump, stored));
            EXPECT_EQ(Describe(stored), originalText);
        }
        EXPECT_EQ(StoredChildren(kPump), originalText);
        EXPECT_EQ(ElementTree(file_->mPath()), (std::vector<std::string>{"PumpCS", "headerstreamS"}));
    }
}

}  // namespace
