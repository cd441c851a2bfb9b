// The after-step of a check-in or undo check-out over a real item cache:
// which items are refreshed, and what the step answers for items the cache
// does not hold.

#include "unlock_driver.h"

#include "record_conversions.h"
#include "registered_records_fixture.h"

#include "itemstore/item_cache_lock.h"
#include "itemstore/item_object.h"

#include "common/error_codes.h"
#include "winapi/errors.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Names = std::vector<std::u16string>;

struct Fetched {
    LONG id;
    LONG folder;
    std::u16string name;
    bool operator==(const Fetched&) const = default;
};

class UnlockAfterStepTest : public RegisteredRecordsTest {
protected:
    void SetUp() override {
        RegisteredRecordsTest::SetUp();
        if (HasFatalFailure()) return;
        cache_ = NewItemCache();
        Cache(u"Pump.<item>", 10, 5);
        Cache(u"Gear.<item>", 11, 6);
    }
    void TearDown() override {
        cache_ = nullptr;
        RegisteredRecordsTest::TearDown();
    }

    void Cache(const std::u16string& name, LONG id, LONG folder) {
        CItemCacheLock lock(cache_, kCacheLockDirect);
        RefPtr<ItemObject> item(new ItemObject());
        item->meObjectType = kObjectTypeItem;
        item->mlObjectID = id;
        item->mlParentProjectID = folder;
        item->mvSetFileName(name);
        ASSERT_EQ(cache_->mhWriteItem(lock, item), S_OK);
    }

    // Runs the step over `cache`, recording the update it asks for.
    HRESULT Run(const Names& names, const RefPtr<CItemCacheFile>& cache, HRESULT updateResult = S_OK) {
        return ghRefreshUnlockedItems(names, cache,
                                      [&](const Names& keys, const std::vector<CacheUpdateEntry>& items) -> HRESULT {
                                          ++updates_;
                                          removed_ = keys;
                                          for (const CacheUpdateEntry& item : items)
                                              fetched_.push_back({item.mlId, item.mlFolderId, item.mbsName});
                                          return updateResult;
                                      });
    }

    RefPtr<CItemCacheFile> cache_;
    int updates_ = 0;
    Names removed_;
    std::vector<Fetched> fetched_;
};

// An item the cache does not hold is skipped and the step still succeeds;
// the others are refreshed.
TEST_F(UnlockAfterStepTest, CachedItemsAreRefreshedAndUncachedOnesSkipped) {
    struct Case {
        const char* what;
        Names names;
        std::vector<Fetched> fetched;  // none: no update at all
    };
    const Case cases[] = {
        {"nothing processed", {}, {}},
        {"one cached item", {u"Pump.<item>"}, {{10, 5, u"Pump.<item>"}}},
        {"cached and uncached",
         {u"Gear.<item>", u"Valve.<item>", u"Pump.<item>"},
         {{11, 6, u"Gear.<item>"}, {10, 5, u"Pump.<item>"}}},
        {"only uncached", {u"Valve.<item>", u"Seal.<item>"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        updates_ = 0;
        removed_.clear();
        fetched_.clear();
        EXPECT_EQ(Run(c.names, cache_), S_OK);
        EXPECT_EQ(updates_, c.fetched.empty() ? 0 : 1);
        EXPECT_EQ(fetched_, c.fetched);
        Names keys;
        for (const Fetched& f : c.fetched) keys.push_back(f.name);
        EXPECT_EQ(removed_, keys) << "the refreshed items are removed first";
    }
}

// A cache that cannot be read fails the step with that failure, before any
// update; the update's failure is the step's.
TEST_F(UnlockAfterStepTest, FailuresOfTheReadAndTheUpdateAreReturned) {
    RefPtr<CItemCacheFile> unreadable(new CItemCacheFile(u"/nonexistent/items.cache"));
    const HRESULT read = Run({u"Pump.<item>"}, unreadable);
    EXPECT_TRUE(FAILED(read));
    EXPECT_NE(read, E_OXN_FILE_NOT_FOUND);
    EXPECT_EQ(updates_, 0);
    EXPECT_EQ(Run({}, unreadable), S_OK) << "nothing to refresh: the cache is not opened";

    EXPECT_EQ(Run({u"Pump.<item>"}, cache_, E_OXN_DATABASE_ACCESS), E_OXN_DATABASE_ACCESS);
    EXPECT_EQ(updates_, 1);
}

}  // namespace
