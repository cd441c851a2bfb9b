// Item records in the item cache: reading, writing, deleting, the error
// mapping, and the touch time rule.
#include "cache_file_probe.h"
#include "cache_operations_support.h"

#include "com/ole_date.h"
#include "common/error_codes.h"
#include "winapi/errors.h"
#include "winapi/system_time.h"

#include <cmath>
#include <cstdlib>
#include <functional>
#include <optional>

namespace {

TEST_F(CacheOperationsTest, EveryOperationFailsOutsideTheScopeThatHasTheFileOpen) {
    CItemCacheLock empty;  // no scope has the file open
    RefPtr<ItemObject> item = MakeItem(u"Pump.<item>");
    ChildList children{MakeChild(5)};
    ItemTree tree{{item, children}};
    uint32_t value = 0;
    int32_t a = 0, b = 0, c = 0, d = 0;
    CItemCacheFile& f = *file_;
    const std::vector<std::function<HRESULT(CItemCacheLock&)>> operations = {
        [&](CItemCacheLock& l) { return f.mhReadItem(l, u"Pump.<item>", item); },
        [&](CItemCacheLock& l) { return f.mhWriteItem(l, item); },
        [&](CItemCacheLock& l) { return f.mhWriteItems(l, {item}); },
        [&](CItemCacheLock& l) { return f.mhDeleteItem(l, u"Pump.<item>"); },
        [&](CItemCacheLock& l) { return f.mhDeleteItems(l, {u"Pump.<item>"}); },
        [&](CItemCacheLock& l) { return f.mhGetItemDirty(l, u"Pump.<item>", value); },
        [&](CItemCacheLock& l) { return f.mhTouchItem(l, u"Pump.<item>"); },
        [&](CItemCacheLock& l) { return f.mhHasLiveChildren(l, u"Pump.<item>", value); },
        [&](CItemCacheLock& l) { return f.mhItemExists(l, u"Pump.<item>"); },
        [&](CItemCacheLock& l) { return f.mhAddChildren(l, u"Pump.<item>", children); },
        [&](CItemCacheLock& l) { return f.mhReadChildren(l, u"Pump.<item>", children); },
        [&](CItemCacheLock& l) { return f.mhHasChildrenList(l, u"Pump.<item>"); },
        [&](CItemCacheLock& l) { return f.mhWriteChildren(l, u"Pump.<item>", children); },
        [&](CItemCacheLock& l) { return f.mhDeleteChildren(l, u"Pump.<item>"); },
        [&](CItemCacheLock& l) { return f.mhEraseChildren(l, u"Pump.<item>", children); },
        [&](CItemCacheLock& l) { return f.mhRemoveChildren(l, u"Pump.<item>", children, kLinkOpRemove); },
        [&](CItemCacheLock& l) { return f.mhWriteItemsWithChildren(l, tree, GUID{}, true, true); },
        [&](CItemCacheLock& l) { return f.mhReadItemTree(l, {u"Pump.<item>"}, 0, tree); },
        [&](CItemCacheLock& l) { return f.mhSetFileChildLink(l, u"Pump.<item>", children[0], 1, 5); },
        [&](CItemCacheLock& l) { return f.mhGetChildLink(l, u"Pump.<item>", 5, -1, a, b, c, d); },
        [&](CItemCacheLock& l) { return f.mhRenameItem(l, u"Pump.<item>", u"Valve.<item>"); },
    };
    for (size_t i = 0; i < operations.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(E_FAIL, operations[i](empty));
    }
    // And a scope of another file does not open this one.
    RefPtr<CItemCacheFile> other(new CItemCacheFile(Path() + u"2"));
    CItemCacheLock otherScope(other, kCacheLockDirect);
    for (size_t i = 0; i < operations.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(E_FAIL, operations[i](otherScope));
    }
}

TEST_F(CacheOperationsTest, ARecordIsWrittenReadBackAndOverwrittenInPlace) {
    // Names long enough for nested storages, and one at the root.
    const std::vector<std::u16string> names{u"Pump 12.<item>", std::u16string(70, u'x') + u".<item>"};
    for (const std::u16string& name : names) {
        SCOPED_TRACE(NarrowName(name));
        RefPtr<ItemObject> item = MakeItem(name, 42);
        item->mlDirty = 1;
        {
            CItemCacheLock lock(file_, kCacheLockDirect);
            EXPECT_EQ(S_FALSE, file_->mhItemExists(lock, name));
            EXPECT_EQ(S_OK, file_->mhWriteItem(lock, item));
            EXPECT_EQ(S_OK, file_->mhItemExists(lock, name));
        }
        CItemCacheLock lock(file_, kCacheLockDirect);
        RefPtr<ItemObject> read;
        ASSERT_EQ(S_OK, file_->mhReadItem(lock, name, read));
        EXPECT_EQ(42, read->mlObjectID);
        EXPECT_EQ(name, read->moFileName());
        EXPECT_EQ(item->moPath(), read->moPath());
        uint32_t dirty = 0;
        EXPECT_EQ(S_OK, file_->mhGetItemDirty(lock, name, dirty));
        EXPECT_EQ(1u, dirty);

        // A shorter record over a longer one reads back as the shorter one.
        item->mvSetPath(u"P");
        item->mlDirty = 0;
        ASSERT_EQ(S_OK, file_->mhWriteItem(lock, item));
        ASSERT_EQ(S_OK, file_->mhReadItem(lock, name, read));
        EXPECT_EQ(u"P", read->moPath());
        EXPECT_EQ(0, read->mlDirty);
    }
}

TEST_F(CacheOperationsTest, ItemErrorsAreMappedToTheCacheCodes) {
    struct Case {
        const char* what;
        std::function<RefPtr<ItemObject>()> record;
        HRESULT expected;
    };
    const Case cases[] = {
        {"null record", [] { return RefPtr<ItemObject>(); }, E_POINTER},
        {"a file, not an item",
         [] {
             auto r = MakeItem(u"Pump.<item>");
             r->meObjectType = kObjectTypeFile;
             return r;
         },
         E_OXN_INVALID_TYPE},
        {"empty key", [] { return MakeItem(u".<item>"); }, E_OXN_INVALID_NAME},
        {"empty name", [] { return MakeItem(u""); }, E_OXN_INVALID_NAME},
        {"backslash in the name", [] { return MakeItem(u"a\\b.<item>"); }, E_OXN_INVALID_NAME},
    };
    {
        CItemCacheLock lock(file_, kCacheLockDirect);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            EXPECT_EQ(c.expected, file_->mhWriteItem(lock, c.record()));
        }
    }
    // Nothing of the refused records reached the file.
    EXPECT_EQ(ElementTree(file_->mPath()), std::vector<std::string>{"headerstreamS"});

    CItemCacheLock lock(file_, kCacheLockDirect);
    RefPtr<ItemObject> read;
    uint32_t dirty = 0;
    EXPECT_EQ(E_OXN_FILE_NOT_FOUND, file_->mhReadItem(lock, u"Never.<item>", read));
    EXPECT_EQ(E_OXN_FILE_NOT_FOUND, file_->mhReadItem(lock, std::u16string(70, u'n') + u".<item>", read));
    EXPECT_EQ(E_OXN_FILE_NOT_FOUND, file_->mhGetItemDirty(lock, u"Never.<item>", dirty));
    EXPECT_EQ(E_OXN_INVALID_NAME, file_->mhReadItem(lock, u"a\\b.<item>", read));
    EXPECT_EQ(S_FALSE, file_->mhItemExists(lock, u"Never.<item>"));
    EXPECT_EQ(E_OXN_FILE_NOT_FOUND, file_->mhTouchItem(lock, u"Never.<item>"));
}

TEST_F(CacheOperationsTest, WriteItemsStopsAtTheFirstFailure) {
    CItemCacheLock lock(file_, kCacheLockDirect);
    RefPtr<ItemObject> wrongType = MakeItem(u"B.<item>");
    wrongType->meObjectType = kObjectTypeFile;
    EXPECT_EQ(E_OXN_INVALID_TYPE,
              file_->mhWriteItems(lock, {MakeItem(u"Alpha.<item>"), wrongType, MakeItem(u"Gamma.<item>")}));
    EXPECT_EQ(S_OK, file_->mhItemExists(lock, u"Alpha.<item>"));
    EXPECT_EQ(S_FALSE, file_->mhItemExists(lock, u"Gamma.<item>"));
}

TEST_F(CacheOperationsTest, DeletingRemovesRecordAndListAndPrunesEmptiedStorages) {
    const std::u16string longName = std::u16string(70, u'x') + u".<item>";
    StoreItem(MakeItem(longName));
    StoreChildren(longName, {MakeChild(5)});
    StoreItem(MakeItem(u"Pump.<item>"));
    {
        CItemCacheLock lock(file_, kCacheLockDirect);
        // Names never cached are no error.
        EXPECT_EQ(S_OK, file_->mhDeleteItems(lock, {u"Never.<item>", longName, u"Other.<item>"}));
        EXPECT_EQ(S_FALSE, file_->mhItemExists(lock, longName));
        EXPECT_EQ(S_OK, file_->mhItemExists(lock, u"Pump.<item>"));
        EXPECT_EQ(S_OK, file_->mhDeleteItem(lock, u"Pump.<item>"));
    }
    EXPECT_EQ(ElementTree(file_->mPath()), std::vector<std::string>{"headerstreamS"});
}

// --- Touch -------------------------------------------------------------------

DATE DateOf(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME t{};
    t.wYear = year;
    t.wMonth = month;
    t.wDay = day;
    t.wHour = hour;
    t.wMinute = minute;
    t.wSecond = second;
    DATE date = 0;
    EXPECT_TRUE(SystemTimeToVariantTime(&t, &date));
    return date;
}

// Stops the clock at a UTC time and sets the zone for one test.
class ClockAndZone {
public:
    ClockAndZone(WORD year, WORD month, WORD day, WORD hour, const char* zone) {
        const char* previous = std::getenv("TZ");
        if (previous) previousZone_ = previous;
        setenv("TZ", zone, 1);
        SYSTEMTIME t{};
        t.wYear = year;
        t.wMonth = month;
        t.wDay = day;
        t.wHour = hour;
        FILETIME now{};
        EXPECT_TRUE(SystemTimeToFileTime(&t, &now));
        winapi::testing::SetClockForTesting(now);
    }
    ~ClockAndZone() {
        winapi::testing::SetClockForTesting(std::nullopt);
        if (previousZone_)
            setenv("TZ", previousZone_->c_str(), 1);
        else
            unsetenv("TZ");
    }

private:
    std::optional<std::string> previousZone_;
};

TEST_F(CacheOperationsTest, TouchMarksDirtyAndKeepsAClean2SecondsAfterItsStoredDate) {
    constexpr double kSecond = 1.0 / 86400.0;
    // 2024-07-01 12:00:00 UTC is 14:00:00 summer time in the zone.
    ClockAndZone clock(2024, 7, 1, 12, "CET-1CEST,M3.5.0,M10.5.0/3");
    const DATE utcNow = DateOf(2024, 7, 1, 12, 0, 0);
    const DATE localNow = DateOf(2024, 7, 1, 14, 0, 0);
    struct Case {
        const char* what;
        DATE stored;
        int32_t dirty;
        DATE expected;
    };
    const Case cases[] = {
        {"clean, dated now (UTC): 2 s later, in local time", utcNow, 0, localNow + 2 * kSecond},
        {"clean, dated 1 s ago", utcNow - kSecond, 0, localNow + kSecond},
        {"clean, dated an hour ago: now", utcNow - 1.0 / 24, 0, localNow},
        {"clean, dated tomorrow: 2 s later, in local time", utcNow + 1, 0, localNow + 1 + 2 * kSecond},
        {"dirty, dated now: now", utcNow, 1, localNow},
        {"dirty, dated tomorrow: now", utcNow + 1, 1, localNow},
    };
    CItemCacheLock lock(file_, kCacheLockDirect);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RefPtr<ItemObject> item = MakeItem(u"Touched.<item>");
        item->mdModifiedDate = c.stored;
        item->mlDirty = c.dirty;
        ASSERT_EQ(S_OK, file_->mhWriteItem(lock, item));
        ASSERT_EQ(S_OK, file_->mhTouchItem(lock, u"Touched.<item>"));
        RefPtr<ItemObject> read;
        ASSERT_EQ(S_OK, file_->mhReadItem(lock, u"Touched.<item>", read));
        EXPECT_NEAR(c.expected, read->mdModifiedDate, 0.01 * kSecond);
        EXPECT_EQ(1, read->mlDirty);
    }
}

TEST_F(CacheOperationsTest, TouchAddsTwoSecondsToADateBefore1900InItsLinearForm) {
    constexpr double kSecond = 1.0 / 86400.0;
    // 1899-12-29 06:00:00 is -1.25: the fraction counts forward in the day.
    ClockAndZone clock(1899, 12, 29, 6, "UTC0");
    CItemCacheLock lock(file_, kCacheLockDirect);
    RefPtr<ItemObject> item = MakeItem(u"Old.<item>");
    item->mdModifiedDate = -1.25;
    ASSERT_EQ(S_OK, file_->mhWriteItem(lock, item));
    ASSERT_EQ(S_OK, file_->mhTouchItem(lock, u"Old.<item>"));
    RefPtr<ItemObject> read;
    ASSERT_EQ(S_OK, file_->mhReadItem(lock, u"Old.<item>", read));
    // 06:00:02 of that day.
    EXPECT_NEAR(-1.25 - 2 * kSecond, read->mdModifiedDate, 0.01 * kSecond);
}

}  // namespace
