// The client back end's tree fetch and the cache refreshes built on it,
// against a fake client library that records what it is given, over a real
// item cache file: the option word, the cached trees sent along, the
// deleted list, the refresh that never stores, the transacted update and
// the dynamic-link update. Items only, so that every object the merge makes
// is created directly.

#include "proxy_tavrosk_api.h"

#include "bellquist/ids.h"
#include "bellquist/item_interfaces.h"
#include "bellquist/type_library.h"
#include "com/bstr.h"
#include "com/ccom_ptr.h"
#include "com/record_info.h"
#include "com/runtime.h"
#include "com/safearray.h"
#include "com_testing/bstr_text.h"
#include "com_testing/fake_parts.h"
#include "fake_client_library.h"
#include "item_objects_support.h"
#include "common/record_array.h"
#include "record_conversions.h"
#include "itemstore/item_cache_lock.h"
#include "tavrosk/client_interfaces.h"
#include "tavrosk/ids.h"
#include "tavrosk/link_record.h"
#include "testsupport/child_process.h"
#include "testsupport/futex_wait.h"
#include "testsupport/fresh_machine.h"
#include "winapi/sync.h"

#include <gtest/gtest.h>

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

using namespace BellquistLib;
using com_testing::Text;
using com_testing::UnexpectedCall;
using TavroskClientLib::ITavroskClient;
using TavroskClientLib::ITavroskServices;
using TavroskClientLib::LinkRecord;
using namespace fake_client;

namespace {

struct LinkRow {
    std::u16string item;
    LONG operation;
    LONG childId;
    LONG version;
    LONG linkType;
};

// What the fake client library answers, and what it was given.
struct ClientScript {
    HRESULT fetchResult = S_OK;
    std::vector<Row> fetched;
    std::vector<DelOrDestroyed> deleted;
    std::vector<LinkRow> links;
    bool noLinks = false;
    std::function<void()> duringFetch;

    int fetchCalls = 0;
    VARIANT_BOOL recursive = 0;
    LONG options = -1;
    VARIANT_BOOL refresh = 0;
    LONG levels = -1;
    bool cachedGiven = false;
    std::vector<Row> input;
    std::vector<Row> cached;
    std::vector<Row> dynLinkInput;
};

class FakeClient final : public OwnedClientLibrary {
public:
    explicit FakeClient(ClientScript& script) : script_(script) {}

    HRESULT STDMETHODCALLTYPE FetchTrees(VARIANT_BOOL recursive, LONG options, VARIANT_BOOL refresh, LONG levels,
                                         SAFEARRAY* input, SAFEARRAY** fetched, SAFEARRAY* cached,
                                         SAFEARRAY** deleted) override {
        ++script_.fetchCalls;
        script_.recursive = recursive;
        script_.options = options;
        script_.refresh = refresh;
        script_.levels = levels;
        script_.input = Rows(input);
        script_.cachedGiven = cached != nullptr;
        script_.cached = Rows(cached);
        if (script_.duringFetch) script_.duringFetch();
        if (FAILED(script_.fetchResult)) return script_.fetchResult;
        *fetched = NewRecords(script_.fetched);
        RecordArray<DelOrDestroyed> gone;
        gone.mvCreate(static_cast<ULONG>(script_.deleted.size()), LIBID_BellquistLib, kLibraryMajorVersion,
                      kLibraryMinorVersion);
        std::copy(script_.deleted.begin(), script_.deleted.end(), gone.mpoBegin());
        gone.mvHandOut(deleted);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE UpdateDynamicLinks(SAFEARRAY* items, LONG, LONG, SAFEARRAY** links) override {
        script_.dynLinkInput = Rows(items);
        *links = nullptr;
        if (script_.noLinks) return S_OK;
        SAFEARRAY* array = SafeArrayCreateVectorEx(VT_RECORD, 0, static_cast<ULONG>(script_.links.size()), LinkInfo());
        void* data = nullptr;
        SafeArrayAccessData(array, &data);
        auto* records = static_cast<LinkRecord*>(data);
        for (size_t i = 0; i < script_.links.size(); ++i) {
            const LinkRow& row = script_.links[i];
            LinkRecord& record = records[i];
            record.mbsItemName = SysAllocString(row.item.c_str());
            record.meOperation = row.operation;
            record.mlObjectID = row.childId;
            record.mlParentProjectID = 7;
            record.mlAttachedVersion = row.version;
            record.mlConfigID = -1;
            record.meObjectType = ItmObjectType_File;
            record.moModified = 45000.0;
            record.moFilename =
                SysAllocString((u"file" + std::u16string(1, u'0' + row.childId % 10) + u".part").c_str());
            record.moPath = SysAllocString(u"\\Pumps\\");
            record.meLinkType = row.linkType;
            record.meLinkOperation = LinkOp_None;
            record.meInitialLinkType = row.linkType;
            record.meInitialLinkOperation = LinkOp_None;
        }
        SafeArrayUnaccessData(array);
        *links = array;
        return S_OK;
    }
    // The description of the link records, as the library registers it.
    static IRecordInfo* LinkInfo() {
        static bool registered = [] {
            auto field = [](const char16_t* name, size_t offset, VARTYPE type) {
                return com::RecordField{name, static_cast<ULONG>(offset), type};
            };
            com::RegisterRecordDescription({TavroskClientLib::LIBID_TavroskClientLib,
                                            1,
                                            0,
                                            LinkRecord::kRecordGuid,
                                            u"LinkRecord",
                                            sizeof(LinkRecord),
                                            {field(u"mbsItemName", offsetof(LinkRecord, mbsItemName), VT_BSTR),
                                             field(u"meOperation", offsetof(LinkRecord, meOperation), VT_I4),
                                             field(u"moModified", offsetof(LinkRecord, moModified), VT_DATE),
                                             field(u"moFilename", offsetof(LinkRecord, moFilename), VT_BSTR),
                                             field(u"moPath", offsetof(LinkRecord, moPath), VT_BSTR)}});
            return true;
        }();
        (void)registered;
        IRecordInfo* info = nullptr;
        GetRecordInfoFromGuids(TavroskClientLib::LIBID_TavroskClientLib, 1, 0, 9, LinkRecord::kRecordGuid, &info);
        // The array keeps its own reference; the static one stays.
        static IRecordInfo* kept = info;
        if (info != kept) info->Release();
        return kept;
    }

private:
    ClientScript& script_;
};

struct CachedChild {
    LONG type;
    LONG id;
    std::u16string name;
    LONG linkType;
    LONG version = 1;
};

class TreeFetchTest : public testsupport::FreshMachineTest {
protected:
    void SetUp() override {
        FreshMachineTest::SetUp();
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        RegisterRecords();
        path_ = (machine_.root() / "items.cache").string();
        cache_ = new CItemCacheFile(std::u16string(path_.begin(), path_.end()));
        client_ = std::make_unique<FakeClient>(script_);
        backEnd_ = std::make_unique<BackEnd>(cache_, client_.get());
    }
    void TearDown() override {
        backEnd_.reset();
        EXPECT_EQ(client_->References(), 1u);
        cache_ = nullptr;
        CoUninitialize();
        FreshMachineTest::TearDown();
    }

    void SeedItem(const std::u16string& name, LONG id, const std::vector<CachedChild>& children) {
        CItemCacheLock lock(cache_, kCacheLockDirect);
        RefPtr<ItemObject> item(new ItemObject());
        item->meObjectType = ItmObjectType_Item;
        item->mlObjectID = id;
        item->mlParentProjectID = 7;
        item->mvSetFileName(name);
        item->mvSetPath(u"\\Pumps\\" + name);
        ASSERT_EQ(cache_->mhWriteItem(lock, item), S_OK);
        ChildList list;
        for (const CachedChild& c : children) {
            RefPtr<ChildWithLink> child(new ChildWithLink());
            child->meObjectType = c.type;
            child->mlObjectID = c.id;
            child->mlParentProjectID = 7;
            child->mlAttachedVersion = c.version;
            child->meLinkType = c.linkType;
            child->meLinkOperation = LinkOp_None;
            child->mvSetFileName(c.name);
            child->mvSetPath(u"\\Pumps\\" + c.name);
            list.push_back(child);
        }
        if (!list.empty()) {
            ASSERT_EQ(cache_->mhWriteChildren(lock, name, list), S_OK);
        }
    }
    bool Cached(const std::u16string& name) {
        CItemCacheLock lock(cache_, kCacheLockDirect);
        return cache_->mhItemExists(lock, name) == S_OK;
    }
    std::vector<std::tuple<LONG, LONG, LONG, LONG>> CachedChildren(const std::u16string& name) {
        CItemCacheLock lock(cache_, kCacheLockDirect);
        ChildList children;
        cache_->mhReadChildren(lock, name, children);
        std::vector<std::tuple<LONG, LONG, LONG, LONG>> out;  // id, version, link type, link operation
        for (const auto& c : children)
            out.emplace_back(c->mlObjectID, c->mlAttachedVersion, c->meLinkType, c->meLinkOperation);
        return out;
    }
    std::string FileBytes() {
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // A SAFEARRAY of VARIANTs with the item objects of the rows.
    SAFEARRAY* NewItems(const std::vector<Row>& rows) {
        return fake_client::NewItems(*backEnd_, cache_, client_->Unknown(), rows);
    }

    HRESULT Fetch(const std::vector<Row>& input, LONG flags, LONG levels = 0, LONG getLatest = 0,
                  std::vector<Row>* results = nullptr, std::vector<DelOrDestroyed>* deleted = nullptr) {
        SAFEARRAY* list = NewRecords(input);
        SAFEARRAY* objects = nullptr;
        SAFEARRAY* gone = nullptr;
        HRESULT hr = backEnd_->mhFetchTrees(list, flags, levels, getLatest, VARIANT_FALSE, results ? &objects : nullptr,
                                            deleted ? &gone : nullptr, nullptr);
        SafeArrayDestroy(list);
        for (const CComPtr<IItmObject>& object : conversion_test::TakeObjects(objects)) {
            LONG id = 0;
            BSTR name = nullptr;
            object->get_ID(&id);
            object->get_Name(&name);
            results->push_back({ItmObjectType_Item, id, 0, 0, Name(name)});
            SysFreeString(name);
        }
        if (gone) {
            RecordArray<DelOrDestroyed> entries(gone);
            deleted->assign(entries.mpoBegin(), entries.mpoEnd());
        }
        if (gone) SafeArrayDestroy(gone);
        return hr;
    }

    std::string path_;
    RefPtr<CItemCacheFile> cache_;
    ClientScript script_;
    std::unique_ptr<FakeClient> client_;
    std::unique_ptr<BackEnd> backEnd_;
};

const Row kPumpInput{ItmObjectType_Item, 10, 5, ItmObjectType_ItemFolder, u"Pump.<item>"};

TEST_F(TreeFetchTest, TheOptionWordFollowsTheFlagsAndTheGetLatestValue) {
    struct Case {
        LONG flags;
        LONG getLatest;
        LONG options;
        VARIANT_BOOL recursive;
    } const cases[] = {
        {0, 0, 0, VARIANT_FALSE},
        {Bgtf_Latest, 0, 1, VARIANT_FALSE},
        {Bgtf_Latest, 5, 1, VARIANT_FALSE},  // latest wins over a version
        {0, 1, 2, VARIANT_FALSE},
        {0, -1, 2, VARIANT_FALSE},
        {0, 5, 2, VARIANT_FALSE},
        {Bgtf_Recursive, 0, 0, VARIANT_TRUE},
        {Bgtf_CopyMetaData, 0, 4, VARIANT_FALSE},
        {Bgtf_RespectVersions, 5, 2 | 8, VARIANT_FALSE},
        {Bgtf_IdOnlyInput, 0, 16, VARIANT_FALSE},
        {Bgtf_UpdateFileCache | Bgtf_MarkMissingChildrenRemoved | Bgtf_SetModifiedNowForMyCheckedOut, 0, 0,
         VARIANT_FALSE},
        {Bgtf_Latest | Bgtf_Recursive | Bgtf_CopyMetaData | Bgtf_RespectVersions | Bgtf_IdOnlyInput, 0, 1 | 4 | 8 | 16,
         VARIANT_TRUE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.flags) + " / " + std::to_string(c.getLatest));
        ASSERT_EQ(Fetch({kPumpInput}, c.flags | Bgtf_IgnoreInputFromFileCache, 3, c.getLatest), S_OK);
        EXPECT_EQ(script_.options, c.options);
        EXPECT_EQ(script_.recursive, c.recursive);
        EXPECT_EQ(script_.levels, 3);
        EXPECT_EQ(script_.input, std::vector<Row>{kPumpInput});
    }
}

TEST_F(TreeFetchTest, TheCachedTreesGoAlongUnlessTheCacheIsToBeIgnored) {
    SeedItem(u"Pump.<item>", 10,
             {{ItmObjectType_File, 30, u"body.part", LinkType_Dynamic},
              {ItmObjectType_Item, 11, u"Gear.<item>", LinkType_BOM}});
    SeedItem(u"Gear.<item>", 11, {{ItmObjectType_File, 31, u"gear.part", LinkType_Static}});
    SeedItem(u"Valve.<item>", 12, {});
    const Row valve{ItmObjectType_Item, 12, 5, ItmObjectType_ItemFolder, u"Valve.<item>"};
    const Row notCached{ItmObjectType_Item, 99, 5, ItmObjectType_ItemFolder, u"Ghost.<item>"};

    ASSERT_EQ(Fetch({kPumpInput, valve, notCached}, 0, 1), S_OK);
    ASSERT_TRUE(script_.cachedGiven);
    // One level: the pump's children and the two cached input items, each
    // under the folder it was given under (side by side, both kept); nothing
    // of the gear's own tree and nothing for the item not cached.
    std::vector<Row> expected{
        {ItmObjectType_File, 30, 10, ItmObjectType_Item, u"body.part", LinkType_Dynamic},
        {ItmObjectType_Item, 11, 10, ItmObjectType_Item, u"Gear.<item>", LinkType_BOM},
        kPumpInput,
        valve,
    };
    auto sorted = [](std::vector<Row> rows) {
        std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
            return std::tie(a.type, a.id, a.parentId) < std::tie(b.type, b.id, b.parentId);
        });
        return rows;
    };
    EXPECT_EQ(sorted(script_.cached), sorted(expected));

    ASSERT_EQ(Fetch({kPumpInput}, Bgtf_IgnoreInputFromFileCache), S_OK);
    EXPECT_FALSE(script_.cachedGiven);
}

TEST_F(TreeFetchTest, OnlyKnownItemsReportedDeletedLeaveTheCache) {
    SeedItem(u"Pump.<item>", 10, {{ItmObjectType_Item, 11, u"Gear.<item>", LinkType_BOM}});
    SeedItem(u"Gear.<item>", 11, {});
    SeedItem(u"Other.<item>", 12, {});
    // The gear is known through the pump's cached children; 12 is known to
    // neither list; a file that shares the pump's id is not the pump.
    script_.deleted = {{ItmObjectType_Item, 11, VARIANT_FALSE},
                       {ItmObjectType_Item, 12, VARIANT_TRUE},
                       {ItmObjectType_File, 10, VARIANT_FALSE}};
    std::vector<DelOrDestroyed> deleted;
    ASSERT_EQ(Fetch({kPumpInput}, 0, 0, 0, nullptr, &deleted), S_OK);
    EXPECT_FALSE(Cached(u"Gear.<item>"));
    EXPECT_TRUE(Cached(u"Pump.<item>"));
    EXPECT_TRUE(Cached(u"Other.<item>"));
    ASSERT_EQ(deleted.size(), 3u);  // handed on as the library gave it
    EXPECT_EQ(deleted[1].mlId, 12);
}

TEST_F(TreeFetchTest, AFailingLibraryCallMergesAndRemovesNothing) {
    SeedItem(u"Pump.<item>", 10, {});
    script_.fetchResult = static_cast<HRESULT>(0x80040228);
    script_.deleted = {{ItmObjectType_Item, 10, VARIANT_FALSE}};
    std::vector<Row> results;
    std::vector<DelOrDestroyed> deleted;
    EXPECT_EQ(Fetch({kPumpInput}, Bgtf_UpdateFileCache, 0, 0, &results, &deleted), static_cast<HRESULT>(0x80040228));
    EXPECT_TRUE(Cached(u"Pump.<item>"));
    EXPECT_TRUE(results.empty());
    EXPECT_TRUE(deleted.empty());
}

TEST_F(TreeFetchTest, BatchRefreshTreesFetchesRecursivelyNeverStoresButRemovesDeletedItems) {
    SeedItem(u"Pump.<item>", 10, {{ItmObjectType_Item, 11, u"Gear.<item>", LinkType_BOM}});
    SeedItem(u"Gear.<item>", 11, {});
    script_.fetched = {kPumpInput, {ItmObjectType_Item, 50, 10, ItmObjectType_Item, u"Shaft.<item>"}};
    script_.deleted = {{ItmObjectType_Item, 11, VARIANT_FALSE}};
    SAFEARRAY* items = NewItems({kPumpInput});
    SAFEARRAY* objects = nullptr;
    SAFEARRAY* deleted = nullptr;
    ASSERT_EQ(backEnd_->BatchRefreshTrees(items, 2, &objects, &deleted), S_OK);
    EXPECT_EQ(script_.recursive, VARIANT_TRUE);
    EXPECT_EQ(script_.refresh, VARIANT_TRUE);
    EXPECT_EQ(script_.options, 0);
    EXPECT_EQ(script_.levels, 2);
    ASSERT_NE(objects, nullptr);
    EXPECT_EQ(objects->rgsabound[0].cElements, 2u);
    EXPECT_FALSE(Cached(u"Shaft.<item>"));
    EXPECT_FALSE(Cached(u"Gear.<item>"));
    EXPECT_EQ(backEnd_->BatchRefreshTrees(nullptr, 0, nullptr, nullptr), E_POINTER);
    SafeArrayDestroy(objects);
    SafeArrayDestroy(deleted);
    SafeArrayDestroy(items);
}

TEST_F(TreeFetchTest, AFailedTransactedUpdateLeavesTheCacheFileUnchanged) {
    SeedItem(u"Pump.<item>", 10, {{ItmObjectType_File, 30, u"body.part", LinkType_Dynamic}});
    SeedItem(u"Gear.<item>", 11, {});
    const std::string before = FileBytes();
    script_.fetchResult = static_cast<HRESULT>(0x80040228);
    EXPECT_EQ(backEnd_->mhUpdateCacheTransacted({u"Pump.<item>", u"Gear.<item>"}, {{10, 7, u"Pump.<item>"}}),
              static_cast<HRESULT>(0x80040228));
    EXPECT_EQ(FileBytes(), before);
    EXPECT_TRUE(Cached(u"Gear.<item>"));

    // Success: the removal and the fetch's store are committed together.
    script_.fetchResult = S_OK;
    script_.fetched = {{ItmObjectType_Item, 10, 7, ItmObjectType_ItemFolder, u"Pump.<item>"}};
    EXPECT_EQ(backEnd_->mhUpdateCacheTransacted({u"Pump.<item>", u"Gear.<item>"}, {{10, 7, u"Pump.<item>"}}), S_OK);
    EXPECT_EQ(script_.options, 1);
    EXPECT_FALSE(script_.cachedGiven);
    EXPECT_EQ(script_.input, (std::vector<Row>{{ItmObjectType_Item, 10, 0, 0, u"Pump.<item>", 0}}));
    EXPECT_FALSE(Cached(u"Gear.<item>"));
    EXPECT_TRUE(Cached(u"Pump.<item>"));
}

TEST_F(TreeFetchTest, DynamicLinkChangesAreGroupedByItemAndWrittenInOneTransaction) {
    SeedItem(u"Pump.<item>", 10,
             {{ItmObjectType_File, 30, u"body.part", LinkType_Dynamic, 3},
              {ItmObjectType_File, 31, u"seal.part", LinkType_Static}});
    SeedItem(u"Gear.<item>", 11, {{ItmObjectType_File, 60, u"gear.part", LinkType_Static}});
    SeedItem(u"Bare.<item>", 12, {});
    script_.links = {
        {u"Pump.<item>", LinkOp_New, 40, 1, LinkType_Static},
        {u"Pump.<item>", LinkOp_Remove, 31, 1, LinkType_Static},
        {u"Pump.<item>", LinkOp_None, 30, 4, LinkType_Dynamic},
        {u"Pump.<item>", LinkOp_None, 30, 5, LinkType_Dynamic},   // the last refreshed link wins
        {u"Gear.<item>", LinkOp_Remove, 60, 1, LinkType_Static},  // removals only: no add
    };
    const Row gear{ItmObjectType_Item, 11, 5, ItmObjectType_ItemFolder, u"Gear.<item>"};
    const Row bare{ItmObjectType_Item, 12, 5, ItmObjectType_ItemFolder, u"Bare.<item>"};
    SAFEARRAY* items = NewItems({kPumpInput, gear, bare});
    ASSERT_EQ(backEnd_->UpdateItemsFromDynLink(items), S_OK);

    // The versions of the cached dynamic links went out with the items.
    VARIANT* data = nullptr;
    SafeArrayAccessData(items, reinterpret_cast<void**>(&data));
    LONG versions[3] = {};
    for (int i = 0; i < 3; ++i)
        static_cast<IItmObject*>(static_cast<void*>(data[i].pdispVal))->get_DynamicFileLinkVersion(&versions[i]);
    SafeArrayUnaccessData(items);
    EXPECT_EQ(versions[0], 3);
    EXPECT_EQ(versions[1], -1);
    EXPECT_EQ(versions[2], -1);
    ASSERT_EQ(script_.dynLinkInput.size(), 3u);

    using Child = std::tuple<LONG, LONG, LONG, LONG>;
    EXPECT_EQ(CachedChildren(u"Pump.<item>"), (std::vector<Child>{{40, 1, LinkType_Static, LinkOp_None},
                                                                  {30, 5, LinkType_Dynamic, LinkOp_None},
                                                                  {31, 1, LinkType_Static, LinkOp_Remove}}));
    EXPECT_EQ(CachedChildren(u"Gear.<item>"), (std::vector<Child>{{60, 1, LinkType_Static, LinkOp_Remove}}));
    EXPECT_EQ(backEnd_->UpdateItemsFromDynLink(nullptr), E_POINTER);
    SafeArrayDestroy(items);
}

TEST_F(TreeFetchTest, AnotherProcessHoldingTheCacheDelaysTheCacheStepsButNotTheLibraryCall) {
    // The other process lets go from inside the library call: the fetch
    // reached the library while the mutex was held elsewhere, and its cache
    // store ran after.
    const std::string release = (machine_.root() / "release").string();
    auto holder = std::make_unique<testsupport::ChildProcess>(testsupport::SiblingProgram("cache_mutex_holder_child"),
                                                              std::vector<std::string>{path_, release});
    ASSERT_TRUE(holder->WaitForLine("inside"));
    bool heldElsewhere = false;
    script_.duringFetch = [&] {
        HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, kItemCacheMutexName);
        ASSERT_NE(mutex, nullptr);
        heldElsewhere = WaitForSingleObject(mutex, 0) == WAIT_TIMEOUT;
        if (!heldElsewhere) ReleaseMutex(mutex);
        CloseHandle(mutex);
        std::ofstream{release};
        EXPECT_EQ(holder->Wait(), 0);
    };
    script_.fetched = {kPumpInput};
    ASSERT_EQ(Fetch({kPumpInput}, Bgtf_IgnoreInputFromFileCache | Bgtf_UpdateFileCache), S_OK);
    EXPECT_TRUE(heldElsewhere);
    EXPECT_TRUE(Cached(u"Pump.<item>"));

    // Reading the cached trees waits for the other process.
    std::filesystem::remove(release);
    holder = std::make_unique<testsupport::ChildProcess>(testsupport::SiblingProgram("cache_mutex_holder_child"),
                                                         std::vector<std::string>{path_, release});
    ASSERT_TRUE(holder->WaitForLine("inside"));
    std::atomic<bool> ended{false};
    std::atomic<bool> fetchReturned{false};
    bool calledAfterTheEnd = false;
    script_.duringFetch = [&] { calledAfterTheEnd = ended; };
    const pid_t fetcher = gettid();
    std::thread ender([&] {
        // The other process lets go once the fetch sleeps on the mutex; a
        // fetch that passed its read step without waiting returns first.
        while (!testsupport::SleepsInFutex(getpid(), fetcher) && !fetchReturned) std::this_thread::yield();
        ended = true;  // before the release: the fetch cannot pass its read step earlier
        std::ofstream{release};
        EXPECT_EQ(holder->Wait(), 0);
    });
    HRESULT hr = Fetch({kPumpInput}, 0);
    fetchReturned = true;
    ender.join();
    ASSERT_EQ(hr, S_OK);
    EXPECT_TRUE(calledAfterTheEnd);
    EXPECT_EQ(script_.cached.size(), 1u);
}

}  // namespace
