// The client back end's operations driven through outside objects, against
// fakes of the get and delete operations and of the revision object served
// in this process, a fake client library that records the tree fetch, and a
// real item cache: the get driver's decision table, the silent get latest,
// the argument checks, the delete and the revision increment. Every list an
// operation hands back must be freed on every path (the leak check).

#include "proxy_tavrosk_api.h"

#include "itm_manager.h"

#include "itemstore/item_cache_file.h"
#include "itemstore/item_cache_lock.h"
#include "itemstore/itm_file_class.h"

#include "bellquist/enums.h"
#include "bellquist/ids.h"
#include "bellquist/item_interfaces.h"
#include "bellquist/type_library.h"
#include "com/bstr.h"
#include "com/ccom_ptr.h"
#include "com/runtime.h"
#include "com/safearray.h"
#include "com/server/com_object.h"
#include "com_testing/bstr_text.h"
#include "com_testing/fake_parts.h"
#include "com_testing/leak_checked_test.h"
#include "common/error_codes.h"
#include "common/record_array.h"
#include "fake_client_library.h"
#include "fake_outside_operations.h"
#include "item_objects_support.h"
#include "outside_libraries.h"
#include "registered_records_fixture.h"
#include "tavrosk/client_interfaces.h"
#include "testsupport/fresh_machine.h"
#include "vennacle/sp_mgr.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace BellquistLib;
using namespace fake_client;
using com_testing::Text;
using outside_fakes::kEmptyParam;
using outside_fakes::LongParam;
using outside_fakes::OperationScript;
using outside_fakes::RevisionScript;
using TavroskClientLib::ITavroskClient;
using TavroskClientLib::ITavroskServices;

namespace {

constexpr ULONGLONG kParentWnd = 0x4321;
constexpr LONG kUserId = 17;

// An item in the folder "\Pumps\" (id 5), as the tests give and compare
// them.
Row Item(LONG id, std::u16string name, LONG flags = 0) {
    return {ItmObjectType_Item, id, 5, ItmObjectType_ItemFolder, std::move(name), LinkType_BOM, flags};
}

// What the fake client library's tree fetch was given and answers: the
// input records come back as fetched.
struct FetchScript {
    HRESULT result = S_OK;
    int calls = 0;
    VARIANT_BOOL recursive = 0;
    LONG options = -1;
    LONG levels = -1;
    bool cachedGiven = false;
    std::vector<Row> input;
};

class FakeClient final : public OwnedClientLibrary {
public:
    explicit FakeClient(FetchScript& script) : script_(script) {}

    HRESULT STDMETHODCALLTYPE FetchTrees(VARIANT_BOOL recursive, LONG options, VARIANT_BOOL, LONG levels,
                                         SAFEARRAY* input, SAFEARRAY** fetched, SAFEARRAY* cached,
                                         SAFEARRAY** deleted) override {
        ++script_.calls;
        script_.recursive = recursive;
        script_.options = options;
        script_.levels = levels;
        script_.cachedGiven = cached != nullptr;
        script_.input = Rows(input);
        *fetched = nullptr;
        *deleted = nullptr;
        if (FAILED(script_.result)) return script_.result;
        *fetched = NewRecords(script_.input);
        return S_OK;
    }

private:
    FetchScript& script_;
};

// The back end with the fake library in place of a created one, logged in
// as far as the operations here need.
class TestBackEnd : public BackEnd {
public:
    TestBackEnd(const RefPtr<CItemCacheFile>& cache, ITavroskClient* client, SpMgr* spMgr) : BackEnd(cache, client) {
        mulParentWnd = kParentWnd;
        mlUserID = kUserId;
        spMgr->AddRef();
        mvTakeSpMgr(spMgr);
    }
};

const Row kPump = Item(10, u"Pump.<item>");
const Row kGear = Item(11, u"Gear.<item>");

class OutsideOperationsTest : public RegisteredRecordsTest {
protected:
    void SetUp() override {
        RegisteredRecordsTest::SetUp();
        if (HasFatalFailure()) return;
        cache_ = NewItemCache();
        spMgr_ = new SpMgr();
        client_ = std::make_unique<FakeClient>(fetch_);
        backEnd_ = std::make_unique<TestBackEnd>(cache_, client_.get(), spMgr_);
        CComObject<CItmManager>* manager = nullptr;
        ASSERT_EQ(CComObject<CItmManager>::CreateInstance(&manager), S_OK);
        manager_ = static_cast<IItmManager*>(manager);
        served_ = std::make_unique<outside_fakes::ServedOutsideOperations>(get_, delete_, revision_);
        // What a get operation hands back unless a test says otherwise.
        get_.lockList = [] { return NewRecords({kGear}); };
        get_.getList = [] { return NewRecords({kPump}); };
        delete_.lockList = get_.lockList;
        delete_.getList = get_.getList;
    }
    void TearDown() override {
        served_.reset();
        manager_ = nullptr;
        backEnd_.reset();
        EXPECT_EQ(client_->References(), 1u);
        EXPECT_EQ(spMgr_->Release(), 0u);
        cache_ = nullptr;
        CoFreeUnusedLibraries();
        RegisteredRecordsTest::TearDown();
    }

    // A SAFEARRAY of VARIANTs with item objects of the rows (connection: the
    // fake library), for the caller.
    SAFEARRAY* NewItems(const std::vector<Row>& rows) {
        return fake_client::NewItems(*backEnd_, cache_, client_->Unknown(), rows);
    }

    // The outside get of `version` on one item; the names of the returned
    // objects go to `returned`.
    HRESULT Get(LONG version, bool silent, std::vector<std::u16string>* returned = nullptr) {
        SAFEARRAY* items = NewItems({kPump});
        SAFEARRAY* objects = nullptr;
        HRESULT hr = backEnd_->mhGetThroughOperation(version, items, &objects, silent, manager_);
        SafeArrayDestroy(items);
        TakeNames(objects, returned);
        return hr;
    }

    static void TakeNames(SAFEARRAY* objects, std::vector<std::u16string>* names) {
        for (const CComPtr<IItmObject>& object : conversion_test::TakeObjects(objects)) {
            BSTR name = nullptr;
            object->get_Name(&name);
            if (names) names->push_back(Text(name));
            SysFreeString(name);
        }
    }

    bool Cached(const std::u16string& name) {
        CItemCacheLock lock(cache_, kCacheLockDirect);
        return cache_->mhItemExists(lock, name) == S_OK;
    }

    RefPtr<CItemCacheFile> cache_;
    SpMgr* spMgr_ = nullptr;
    FetchScript fetch_;
    std::unique_ptr<FakeClient> client_;
    std::unique_ptr<TestBackEnd> backEnd_;
    CComPtr<IItmManager> manager_;
    OperationScript get_;
    OperationScript delete_;
    RevisionScript revision_;
    std::unique_ptr<outside_fakes::ServedOutsideOperations> served_;
};

// --- The outside get operation ---------------------------------------------

// What the start and end steps answer decides whether the operation's get
// list is fetched, and how: the client library sees latest (1) or a given
// version (2), metadata (4) and respect-versions (8); recursive with the
// latest. Both lists are freed on every path.
TEST_F(OutsideOperationsTest, TheGetDriversDecisionTable) {
    constexpr HRESULT kOtherSuccess = static_cast<HRESULT>(2);
    constexpr LONG kNone = -1;  // no fetch
    struct Case {
        const char* what;
        HRESULT start;
        HRESULT end;
        std::optional<LONG> result;
        LONG version;
        HRESULT expected;
        int ends;
        LONG options;  // kNone: no fetch
        VARIANT_BOOL recursive;
    } const cases[] = {
        {"start fails", E_FAIL, S_OK, 1, -1, E_FAIL, 0, kNone, 0},
        {"start fails, version", E_ACCESSDENIED, S_OK, 1, 5, E_ACCESSDENIED, 0, kNone, 0},
        {"start: nothing to do", E_OXN_NOT_INITIALIZED, S_OK, 1, 5, S_OK, 0, kNone, 0},
        {"start: finished", S_FALSE, S_OK, 1, -1, S_OK, 0, kNone, 0},
        {"start: finished, version", S_FALSE, S_OK, 1, 5, S_OK, 0, kNone, 0},
        {"start: other success, latest", kOtherSuccess, S_OK, 1, -1, S_OK, 0, 1 | 4, VARIANT_TRUE},
        {"start: other success, version", kOtherSuccess, S_OK, 1, 5, S_OK, 0, 2 | 4, VARIANT_FALSE},
        {"end: nothing", S_OK, S_FALSE, 1, -1, S_OK, 1, kNone, 0},
        {"end: nothing, version", S_OK, S_FALSE, 2, 5, S_OK, 1, kNone, 0},
        {"end: latest got, latest asked", S_OK, S_OK, 1, -1, S_OK, 1, 1 | 4, VARIANT_TRUE},
        {"end: latest got, version asked", S_OK, S_OK, 1, 5, S_OK, 1, 1 | 4 | 8, VARIANT_TRUE},
        {"end: older got, latest asked", S_OK, S_OK, 2, -1, S_OK, 1, 2 | 4, VARIANT_FALSE},
        {"end: older got, version asked", S_OK, S_OK, 2, 5, S_OK, 1, 2 | 4, VARIANT_FALSE},
        {"end: no result set", S_OK, S_OK, std::nullopt, 5, S_OK, 1, 2 | 4, VARIANT_FALSE},
        {"end fails, latest asked", S_OK, E_FAIL, 1, -1, S_OK, 1, 1 | 4, VARIANT_TRUE},
        {"end fails, version asked", S_OK, E_FAIL, 1, 5, S_OK, 1, 2 | 4, VARIANT_FALSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        get_.start = c.start;
        get_.end = c.end;
        get_.result = c.result;
        get_.ends = 0;
        fetch_ = {};
        std::vector<std::u16string> returned;
        EXPECT_EQ(Get(c.version, false, &returned), c.expected);
        EXPECT_EQ(get_.ends, c.ends);
        if (c.ends) {
            EXPECT_EQ(get_.endParam.vt, VT_DISPATCH);
        }
        EXPECT_EQ(get_.startParam, c.version == -1 ? kEmptyParam : LongParam(c.version));
        if (c.options == kNone) {
            EXPECT_EQ(fetch_.calls, 0);
            EXPECT_TRUE(returned.empty());
            continue;
        }
        ASSERT_EQ(fetch_.calls, 1);
        EXPECT_EQ(fetch_.options, c.options);
        EXPECT_EQ(fetch_.recursive, c.recursive);
        EXPECT_EQ(fetch_.levels, 0);
        EXPECT_FALSE(fetch_.cachedGiven);  // from the vault alone
        EXPECT_EQ(fetch_.input, std::vector<Row>{kPump});
        EXPECT_EQ(returned, std::vector<std::u16string>{u"Pump.<item>"});
    }
}

TEST_F(OutsideOperationsTest, TheFetchedItemsOfAGetLandInTheCache) {
    get_.result = 1;
    EXPECT_FALSE(Cached(u"Pump.<item>"));
    EXPECT_EQ(Get(-1, false), S_OK);
    EXPECT_TRUE(Cached(u"Pump.<item>"));
}

TEST_F(OutsideOperationsTest, AGetWithoutAGetListOrWithAFailingFetch) {
    get_.result = 1;
    get_.getList = nullptr;
    EXPECT_EQ(Get(5, false), S_OK);
    EXPECT_EQ(fetch_.calls, 0);

    get_.getList = [] { return NewRecords({kPump}); };
    fetch_.result = E_ACCESSDENIED;
    EXPECT_EQ(Get(5, false), E_ACCESSDENIED);
    EXPECT_EQ(fetch_.calls, 1);
}

// The operation is set up with the manager's item list, a feedback object
// and the silent flag; GetLatestItems (interactive) and GetSpecificVersion
// run it with the latest or the given version.
TEST_F(OutsideOperationsTest, TheGetOperationIsSetUpAsItsCallerAsks) {
    get_.start = S_FALSE;
    EXPECT_EQ(Get(-1, true), S_OK);
    EXPECT_EQ(get_.created, 1);
    EXPECT_TRUE(get_.vaultUtilsGiven);
    EXPECT_TRUE(get_.callbackGiven);
    EXPECT_EQ(get_.initParam, LongParam(1));

    SAFEARRAY* items = NewItems({kPump, kGear});
    SAFEARRAY* returned = nullptr;
    EXPECT_EQ(backEnd_->GetLatestItems(items, &returned, false, true, manager_), S_OK);
    EXPECT_EQ(get_.initParam, kEmptyParam);
    EXPECT_EQ(get_.startParam, kEmptyParam);
    LONG vaults = -1;
    CComQIPtr<IVaultUtils>(manager_)->GetVaultCount(&vaults);
    EXPECT_EQ(vaults, 0);  // the manager holds the new list, not yet grouped

    VARIANT pump;
    LONG index = 0;
    SafeArrayGetElement(items, &index, &pump);
    CComQIPtr<IItmObject> item(pump.pdispVal);
    VariantClear(&pump);
    EXPECT_EQ(backEnd_->GetSpecificVersion(item, 3, &returned, manager_), S_OK);
    EXPECT_EQ(get_.initParam, kEmptyParam);
    EXPECT_EQ(get_.startParam, LongParam(3));
    EXPECT_EQ(returned, nullptr);
    EXPECT_EQ(get_.created, 3);
    SafeArrayDestroy(items);
}

TEST_F(OutsideOperationsTest, TheGetRefusesMissingArgumentsAndDoesNothingForAnEmptyList) {
    SAFEARRAY* items = NewItems({kPump});
    SAFEARRAY* empty = SafeArrayCreateVector(VT_VARIANT, 0, 0);
    SAFEARRAY* returned = reinterpret_cast<SAFEARRAY*>(0x1);
    EXPECT_EQ(backEnd_->mhGetThroughOperation(-1, nullptr, &returned, false, manager_), E_OXN_NULL_VALUE);
    EXPECT_EQ(backEnd_->mhGetThroughOperation(-1, items, nullptr, false, manager_), E_OXN_NULL_VALUE);
    EXPECT_EQ(backEnd_->mhGetThroughOperation(-1, items, &returned, false, nullptr), E_OXN_NULL_VALUE);
    EXPECT_EQ(backEnd_->mhGetThroughOperation(-1, empty, &returned, false, manager_), S_OK);
    EXPECT_EQ(returned, nullptr);
    EXPECT_EQ(get_.created, 0);

    EXPECT_EQ(backEnd_->GetSpecificVersion(nullptr, 1, &returned, manager_), E_OXN_NULL_VALUE);
    VARIANT pump;
    LONG index = 0;
    SafeArrayGetElement(items, &index, &pump);
    CComQIPtr<IItmObject> item(pump.pdispVal);
    VariantClear(&pump);
    EXPECT_EQ(backEnd_->GetSpecificVersion(item, 1, nullptr, manager_), E_OXN_NULL_VALUE);
    EXPECT_EQ(get_.created, 0);
    SafeArrayDestroy(items);
    SafeArrayDestroy(empty);
}

TEST_F(OutsideOperationsTest, OnlyItemsHaveASpecificVersion) {
    conversion_test::ObjectValues values;  // a file
    CComPtr<IItmObject> file = conversion_test::Loaded<CItmFile>(values);
    SAFEARRAY* returned = nullptr;
    EXPECT_EQ(backEnd_->GetSpecificVersion(file, 1, &returned, manager_), E_ITEM_INVALID_SOURCE);
    EXPECT_EQ(get_.created, 0);
}

TEST_F(OutsideOperationsTest, AGetOperationThatIsNotInstalledIsReported) {
    served_.reset();
    const HRESULT hr = Get(-1, false);
    EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
    EXPECT_EQ(fetch_.calls, 0);
}

// Silent, GetLatestItems needs no operation: the tree fetch of the latest,
// recursive, from the vault alone, with metadata when asked.
TEST_F(OutsideOperationsTest, ASilentGetLatestIsATreeFetch) {
    for (bool copyMetaData : {false, true}) {
        SCOPED_TRACE(copyMetaData);
        fetch_ = {};
        SAFEARRAY* items = NewItems({kPump});
        SAFEARRAY* returned = nullptr;
        EXPECT_EQ(backEnd_->GetLatestItems(items, &returned, true, copyMetaData, manager_), S_OK);
        SafeArrayDestroy(items);
        std::vector<std::u16string> names;
        TakeNames(returned, &names);
        EXPECT_EQ(names, std::vector<std::u16string>{u"Pump.<item>"});
        EXPECT_EQ(fetch_.options, copyMetaData ? 1 | 4 : 1);
        EXPECT_EQ(fetch_.recursive, VARIANT_TRUE);
        EXPECT_FALSE(fetch_.cachedGiven);
        EXPECT_EQ(get_.created, 0);
    }
    EXPECT_TRUE(Cached(u"Pump.<item>"));
}

// --- The outside delete operation ------------------------------------------

TEST_F(OutsideOperationsTest, DeleteStartsTheDeleteOperationAndNeverEndsIt) {
    struct Case {
        HRESULT init;
        HRESULT start;
        HRESULT expected;
    } const cases[] = {
        {S_OK, S_OK, S_OK},
        {S_OK, S_FALSE, S_OK},
        {S_OK, static_cast<HRESULT>(2), S_OK},
        {S_OK, E_ACCESSDENIED, E_ACCESSDENIED},
        {S_OK, E_OXN_NOT_INITIALIZED, S_OK},
        {E_FAIL, S_OK, E_FAIL},
        {E_OXN_NOT_INITIALIZED, S_OK, S_OK},
    };
    SAFEARRAY* items = NewItems({kPump, kGear});
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.init) + " " + std::to_string(c.start));
        delete_ = OperationScript{};
        delete_.init = c.init;
        delete_.start = c.start;
        delete_.lockList = [] { return NewRecords({kGear}); };
        delete_.getList = [] { return NewRecords({kPump}); };
        EXPECT_EQ(backEnd_->Delete(VARIANT_TRUE, items, manager_), c.expected);
        EXPECT_EQ(delete_.created, 1);
        EXPECT_TRUE(delete_.vaultUtilsGiven);
        EXPECT_TRUE(delete_.callbackGiven);
        EXPECT_EQ(delete_.initParam, kEmptyParam);
        EXPECT_EQ(delete_.starts, c.init == S_OK ? 1 : 0);
        if (delete_.starts) {
            EXPECT_EQ(delete_.startParam, kEmptyParam);
        }
        EXPECT_EQ(delete_.ends, 0);
    }
    EXPECT_EQ(fetch_.calls, 0);
    EXPECT_EQ(get_.created, 0);
    EXPECT_EQ(backEnd_->Delete(VARIANT_FALSE, nullptr, manager_), E_OXN_NULL_VALUE);
    EXPECT_EQ(backEnd_->Delete(VARIANT_FALSE, items, nullptr), E_OXN_NULL_VALUE);
    SafeArrayDestroy(items);
}

// --- The revision object ---------------------------------------------------

TEST_F(OutsideOperationsTest, TheRevisionObjectStartsWithTheSessionAndGetsTheUnflaggedItems) {
    SAFEARRAY* items = NewItems({kPump, Item(12, u"Plate.<item>", 1), kGear});
    EXPECT_EQ(backEnd_->IncrRevision(items), S_OK);
    SafeArrayDestroy(items);

    EXPECT_EQ(revision_.created, 1);
    const CoraventLib::InitData& start = revision_.startRecord;
    EXPECT_EQ(start.mpoSpMgr, reinterpret_cast<uintptr_t>(spMgr_));
    EXPECT_EQ(std::memcmp(&start.moViewID, &kViewGUID, sizeof kViewGUID), 0);
    EXPECT_EQ(start.mlUserID, kUserId);
    EXPECT_EQ(start.mlSystemRights, 0);
    EXPECT_EQ(start.meTreeCreationType, CoraventLib::TreeCreationType_IncrRevisions);
    EXPECT_EQ(start.mlCreationFlags, 0);
    EXPECT_TRUE(revision_.startStringsNull);

    const std::vector<std::pair<LONG, LONG>> expected = {{Ot_Item, 10}, {Ot_Item, 11}};
    EXPECT_EQ(revision_.items, expected);
    EXPECT_EQ(revision_.asks, 1);
    EXPECT_EQ(revision_.askReserved, 0);
    EXPECT_EQ(revision_.askWindow, reinterpret_cast<HWND>(static_cast<uintptr_t>(kParentWnd)));
    EXPECT_EQ(revision_.runs, 1);
    EXPECT_EQ(revision_.runWindow, reinterpret_cast<HWND>(static_cast<uintptr_t>(kParentWnd)));
}

// Each answer and failure of the revision object, and lists with nothing
// to increment.
TEST_F(OutsideOperationsTest, TheRevisionIncrementsAnswers) {
    struct Case {
        const char* what;
        std::vector<Row> items;
        RevisionScript script;
        HRESULT expected;
        int sets, asks, runs;
    };
    auto script = [](auto change) {
        RevisionScript s;
        change(s);
        return s;
    };
    const auto none = [](RevisionScript&) {};
    const std::vector<Row> two = {kPump, kGear};
    const Case cases[] = {
        {"done", two, script(none), S_OK, 1, 1, 1},
        {"all items flagged",
         {Item(10, u"Pump.<item>", 1), Item(11, u"Gear.<item>", 3)},
         script(none),
         S_FALSE,
         0,
         0,
         0},
        {"no items", {}, script(none), S_FALSE, 0, 0, 0},
        {"the user declines", two, script([](RevisionScript& s) { s.askAnswer = VARIANT_FALSE; }), S_FALSE, 1, 1, 0},
        {"nothing was run", two, script([](RevisionScript& s) { s.runAnswer = VARIANT_FALSE; }), S_FALSE, 1, 1, 1},
        {"start fails", two, script([](RevisionScript& s) { s.start = E_INVALIDARG; }), E_INVALIDARG, 0, 0, 0},
        {"items refused", two, script([](RevisionScript& s) { s.setItems = E_OXN_INVALID_TYPE; }), E_OXN_INVALID_TYPE,
         1, 0, 0},
        {"ask fails", two, script([](RevisionScript& s) { s.ask = E_FAIL; }), E_FAIL, 1, 1, 0},
        {"run fails", two, script([](RevisionScript& s) { s.run = E_OXN_LOCKED_BY_ANOTHER_USER; }),
         E_OXN_LOCKED_BY_ANOTHER_USER, 1, 1, 1},
        {"run: nothing to do", two, script([](RevisionScript& s) { s.run = E_OXN_NOT_INITIALIZED; }), S_OK, 1, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        revision_ = c.script;
        SAFEARRAY* items = NewItems(c.items);
        EXPECT_EQ(backEnd_->IncrRevision(items), c.expected);
        SafeArrayDestroy(items);
        EXPECT_EQ(revision_.starts, 1);
        EXPECT_EQ(revision_.sets, c.sets);
        EXPECT_EQ(revision_.asks, c.asks);
        EXPECT_EQ(revision_.runs, c.runs);
    }
    EXPECT_EQ(backEnd_->IncrRevision(nullptr), E_POINTER);
    served_.reset();
    SAFEARRAY* items = NewItems({kPump});
    EXPECT_TRUE(FAILED(backEnd_->IncrRevision(items)));  // the class is not served
    SafeArrayDestroy(items);
}

}  // namespace
