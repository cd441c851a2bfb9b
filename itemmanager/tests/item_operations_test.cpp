// The client back end's item operations against a fake client library that
// records what it is given, over a real item cache file: the listing of a
// folder and what the cache adds to it, new items and item folders, move,
// rename (with the item extension), the cyclic-reference check, the
// existence in the cache, and the menu information and supplement passed
// through; the library's failures come back with its error info.

#include "proxy_tavrosk_api.h"

#include "fake_client_library.h"
#include "item_objects_support.h"
#include "itemstore/item_cache_lock.h"
#include "outside_libraries.h"
#include "registered_records_fixture.h"
#include "itemstore/itm_folder_class.h"
#include "itemstore/itm_object_private.h"

#include "bellquist/enums.h"
#include "bellquist/ids.h"
#include "bellquist/item_interfaces.h"
#include "bellquist/type_library.h"
#include "com/bstr.h"
#include "com/ccom_ptr.h"
#include "com/error_info.h"
#include "com/runtime.h"
#include "com/safearray.h"
#include "com/task_memory.h"
#include "com_testing/bstr_text.h"
#include "com_testing/counting_class_factory.h"
#include "com_testing/fake_parts.h"
#include "com_testing/leak_checked_test.h"
#include "com_testing/pending_error_info.h"
#include "common/error_codes.h"
#include "common/record_array.h"
#include "tavrosk/client_interfaces.h"
#include "testsupport/fresh_machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

using namespace BellquistLib;
using namespace fake_client;
using com_testing::TakePendingDescription;
using com_testing::TakeText;
using com_testing::Text;
using conversion_test::TakeObjects;
using TavroskClientLib::ITavroskClient;
using TavroskClientLib::ITavroskFolders;
using TavroskClientLib::ITavroskServices;

namespace {

const GUID kOtherView = com::MakeGuid("B0B1B2B3-C0C1-D0D1-E0E1-F0F1F2F3F4F5");

// What the fake library answers, and what it was given.
struct LibraryScript {
    bool services = true;             // answers the service interface
    bool folders = true;              // answers the folder interface
    HRESULT result = S_OK;            // of the service or folder call
    const char16_t* error = nullptr;  // the description a failing call leaves

    // ListFolder: the children, and which of them are checked out where.
    std::vector<Row> listed;
    std::set<LONG> lockedHere;
    std::set<LONG> lockedElsewhere;
    std::set<LONG> reportsChildren;
    // CreateNewItem: the record, unless none is given.
    bool giveRecord = true;
    Row newItem{ItmObjectType_Item, 40, 5, ItmObjectType_ItemFolder, u"ITM-00040.<item>"};
    // CreateNewItemFolder.
    LONG newFolderId = 77;
    std::u16string storedName = u"Stored";
    // FetchTrees.
    std::vector<Row> fetched;

    std::vector<std::string> calls;
    std::vector<LONG> numbers;  // the LONG arguments of the last call, in order
    std::u16string text;        // its string argument
    std::vector<XRefRootObject> roots;
    std::vector<UniqueDocument> documents;
    LONG fetchOptions = -1;
    VARIANT_BOOL fetchRecursive = VARIANT_FALSE;
    std::vector<SAFEARRAY**> outArguments;  // GetMenuInfo's array out-pointers
};

class FakeLibrary final : public FakeClientLibrary, public FakeClientFolders, public ISupportErrorInfo {
public:
    explicit FakeLibrary(LibraryScript& script) : script_(script) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        IUnknown* answer = nullptr;
        if (iid == IID_IUnknown || iid == ITavroskClient::kIid) answer = static_cast<ITavroskClient*>(this);
        if (iid == ITavroskServices::kIid && script_.services) answer = static_cast<ITavroskServices*>(this);
        if (iid == ITavroskFolders::kIid && script_.folders) answer = static_cast<ITavroskFolders*>(this);
        if (iid == ISupportErrorInfo::kIid) answer = static_cast<ISupportErrorInfo*>(this);
        return com_testing::AnswerQuery(out, answer);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override { return --references_; }
    ULONG References() const { return references_; }
    IUnknown* Unknown() { return static_cast<ITavroskClient*>(this); }
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override {
        return iid == ITavroskServices::kIid || iid == ITavroskFolders::kIid ? S_OK : S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE ListFolder(LONG folderID, LONG reserved1, LONG reserved2, LONG folderType, BSTR path,
                                         LONG reserved3, SAFEARRAY** children) override {
        Called("ListFolder", {folderID, reserved1, reserved2, folderType, reserved3}, path);
        if (FAILED(script_.result)) return Failed();
        *children = NewRecords(script_.listed);
        RecordArray<ItmObjectData> records(*children);
        for (ItmObjectData* r = records.mpoBegin(); r != records.mpoEnd(); ++r) {
            r->mlParentProjectID = folderID;  // the children lie in the folder
            if (script_.lockedHere.contains(r->mlObjectID)) r->moLockViewID = kViewGUID;
            if (script_.lockedElsewhere.contains(r->mlObjectID)) r->moLockViewID = kOtherView;
            r->mbHasChildren = script_.reportsChildren.contains(r->mlObjectID) ? VARIANT_TRUE : VARIANT_FALSE;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CreateNewItem(LONG parentID, LONG parentType, ItmObjectData** record) override {
        Called("CreateNewItem", {parentID, parentType});
        if (FAILED(script_.result)) return Failed();
        if (!script_.giveRecord) return S_OK;
        auto* made = static_cast<ItmObjectData*>(CoTaskMemAlloc(sizeof(ItmObjectData)));
        *made = ItmObjectData{};
        FillRecord(*made, script_.newItem);
        made->moLockViewID = kViewGUID;
        made->mpoConnection = static_cast<ITavroskClient*>(this);
        AddRef();
        *record = made;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CreateNewItemFolder(LONG parentID, BSTR name, LONG reserved, BSTR* storedName,
                                                  LONG* newID) override {
        Called("CreateNewItemFolder", {parentID, reserved}, name);
        if (FAILED(script_.result)) return Failed();
        *storedName = SysAllocString(script_.storedName.c_str());
        *newID = script_.newFolderId;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Move(SAFEARRAY* objects, LONG destination) override {
        Called("Move", {destination});
        RecordArray<XRefRootObject> roots(objects);
        script_.roots.assign(roots.mpoBegin(), roots.mpoEnd());
        return FAILED(script_.result) ? Failed() : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Rename(LONG id, LONG parentID, LONG type, BSTR name) override {
        Called("Rename", {id, parentID, type}, name);
        return FAILED(script_.result) ? Failed() : S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMenuInfo(SAFEARRAY* documents, ULONG infoToReturn, ULONG* enableFlags,
                                          ULONG* userRights, SAFEARRAY** systemRights, SAFEARRAY** versions,
                                          SAFEARRAY** transitions, SAFEARRAY** statuses) override {
        Called("GetMenuInfo", {static_cast<LONG>(infoToReturn)});
        RecordArray<UniqueDocument> list(documents);
        script_.documents.assign(list.mpoBegin(), list.mpoEnd());
        script_.outArguments = {systemRights, versions, transitions, statuses};
        if (FAILED(script_.result)) return Failed();
        *enableFlags = 0x1022;
        *userRights = 0x9;
        *systemRights = SafeArrayCreateVector(VT_UI4, 0, 1);
        return S_FALSE;  // a success code of its own goes back as it is
    }
    HRESULT STDMETHODCALLTYPE GetItmInfoSupplement(SAFEARRAY** supplement) override {
        Called("GetItmInfoSupplement", {});
        if (FAILED(script_.result)) return Failed();
        *supplement = SafeArrayCreateVector(VT_I4, 0, 2);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE FetchTrees(VARIANT_BOOL recursive, LONG options, VARIANT_BOOL, LONG levels,
                                         SAFEARRAY* input, SAFEARRAY** fetched, SAFEARRAY*,
                                         SAFEARRAY** deleted) override {
        Called("FetchTrees", {levels});
        script_.fetchOptions = options;
        script_.fetchRecursive = recursive;
        script_.text = Rows(input).empty() ? u"" : Rows(input).front().name;
        *fetched = NewRecords(script_.fetched);
        *deleted = nullptr;
        return S_OK;
    }

private:
    void Called(const char* call, std::vector<LONG> numbers, BSTR text = nullptr) {
        script_.calls.push_back(call);
        script_.numbers = std::move(numbers);
        script_.text = text ? Text(text) : u"<null>";
    }
    // Leaves the script's description as the thread's error info.
    HRESULT Failed() {
        if (script_.error) com_testing::SetPendingErrorInfo(script_.error);
        return script_.result;
    }

    LibraryScript& script_;
    ULONG references_ = 1;
};

IUnknown* NewFolder() {
    CComObject<CItmFolder>* created = nullptr;
    CComObject<CItmFolder>::CreateInstance(&created);
    IUnknown* unknown = nullptr;
    created->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown));
    return unknown;
}

// An object of a result or the test, as the tests compare them.
struct Seen {
    LONG type = 0;
    LONG id = 0;
    std::u16string name;
    bool operator==(const Seen&) const = default;
};

Seen SeenOf(IItmObject* object) {
    Seen seen;
    ItmObjectType type{};
    object->get_Type(&type);
    seen.type = type;
    object->get_ID(&seen.id);
    BSTR name = nullptr;
    object->get_Name(&name);
    seen.name = TakeText(name);
    return seen;
}

struct CachedState {
    bool exists = false;
    uint32_t dirty = 0;
    size_t children = 0;
    bool operator==(const CachedState&) const = default;
};

class ItemOperationsTest : public RegisteredRecordsTest {
protected:
    void SetUp() override {
        RegisteredRecordsTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(CoRegisterClassObject(CLSID_ItmFolder, &folderClass_, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                        &folderCookie_),
                  S_OK);
        cache_ = NewItemCache();
        library_ = std::make_unique<FakeLibrary>(script_);
        backEnd_ = std::make_unique<BackEnd>(cache_, library_.get());
    }
    void TearDown() override {
        objects_.clear();
        backEnd_.reset();
        EXPECT_EQ(library_->References(), 1u);  // every connection given back
        cache_ = nullptr;
        CoRevokeClassObject(folderCookie_);
        RegisteredRecordsTest::TearDown();
    }

    // An item object of the back end for the row (loaded with a link manager
    // over the cache), kept until the test ends.
    IItmObject* Object(const Row& row) {
        IItmObject* object = NewObject(*backEnd_, cache_, library_->Unknown(), row);
        objects_.push_back(CComPtr<IItmObject>(object, false));
        return object;
    }

    // Writes an item record, dirty or not, with `children` live children.
    void SeedItem(const std::u16string& name, LONG id, bool dirty, int children) {
        CItemCacheLock lock(cache_, kCacheLockDirect);
        RefPtr<ItemObject> item(new ItemObject());
        item->meObjectType = ItmObjectType_Item;
        item->mlObjectID = id;
        item->mvSetFileName(name);
        item->mvSetPath(u"\\Pumps\\" + name);
        item->mlDirty = dirty ? 1 : 0;
        ASSERT_EQ(cache_->mhWriteItem(lock, item), S_OK);
        ChildList list;
        for (int i = 0; i < children; ++i) {
            RefPtr<ChildWithLink> child(new ChildWithLink());
            child->meObjectType = ItmObjectType_File;
            child->mlObjectID = 900 + i;
            child->meLinkType = LinkType_Static;
            child->mvSetFileName(u"part" + std::u16string(1, static_cast<char16_t>(u'0' + i)) + u".part");
            list.push_back(child);
        }
        if (!list.empty()) {
            ASSERT_EQ(cache_->mhWriteChildren(lock, name, list), S_OK);
        }
    }
    CachedState Cached(const std::u16string& name) {
        CItemCacheLock lock(cache_, kCacheLockDirect);
        CachedState state;
        state.exists = cache_->mhItemExists(lock, name) == S_OK;
        if (!state.exists) return state;
        cache_->mhGetItemDirty(lock, name, state.dirty);
        ChildList children;
        cache_->mhReadChildren(lock, name, children);
        state.children = children.size();
        return state;
    }
    static std::vector<ItmLink> Links(IItmObject* object) {
        CComPtr<IItmLinkManager> manager;
        EXPECT_EQ(object->get_LinkManager(&manager), S_OK);
        SAFEARRAY* array = nullptr;
        EXPECT_EQ(manager->GetLinks(LinkType_All, &array), S_OK);
        std::vector<ItmLink> links;
        if (!array) return links;
        {
            RecordArray<ItmLink> records(array);
            links.assign(records.mpoBegin(), records.mpoEnd());
        }
        SafeArrayDestroy(array);
        return links;
    }

    LibraryScript script_;
    com_testing::CountingClassFactory folderClass_{&NewFolder};
    DWORD folderCookie_ = 0;
    RefPtr<CItemCacheFile> cache_;
    std::unique_ptr<FakeLibrary> library_;
    std::unique_ptr<BackEnd> backEnd_;
    std::vector<CComPtr<IItmObject>> objects_;
};

const Row kPumps{ItmObjectType_ItemFolder, 5, 1, ItmObjectType_ItemFolder, u"Pumps"};
const Row kPump{ItmObjectType_Item, 10, 5, ItmObjectType_ItemFolder, u"Pump.<item>"};

// --- EnumItemFolder ---------------------------------------------------------------

TEST_F(ItemOperationsTest, AListingAsksTheLibraryForTheFolderAndReturnsItsChildren) {
    script_.listed = {kPump, {ItmObjectType_ItemFolder, 6, 5, ItmObjectType_ItemFolder, u"Spares"}};
    IItmObject* folder = Object(kPumps);
    SAFEARRAY* items = nullptr;
    ASSERT_EQ(backEnd_->EnumItemFolder(&folder, &items), S_OK);
    EXPECT_EQ(script_.calls, std::vector<std::string>{"ListFolder"});
    EXPECT_EQ(script_.numbers, (std::vector<LONG>{5, 0, 0, ItmObjectType_ItemFolder, 0}));
    BSTR path = nullptr;
    folder->get_Path(&path);
    EXPECT_EQ(script_.text, TakeText(path));
    std::vector<Seen> seen;
    for (const auto& object : TakeObjects(items)) seen.push_back(SeenOf(object));
    EXPECT_NE(std::find(seen.begin(), seen.end(), Seen{ItmObjectType_Item, 10, u"Pump.<item>"}), seen.end());
    EXPECT_NE(std::find(seen.begin(), seen.end(), Seen{ItmObjectType_ItemFolder, 6, u"Spares"}), seen.end());
}

TEST_F(ItemOperationsTest, ItemsCheckedOutHereTakeTheCachedDirtyFlagAndLiveChildren) {
    // Name, checked out (here / elsewhere / no), the library saw children,
    // cached (dirty, live children) -> IsDirty, has unloaded children.
    struct Case {
        const char16_t* name;
        int lock;  // 1 here, 2 elsewhere, 0 none
        bool reportsChildren;
        bool cached;
        bool cachedDirty;
        int cachedChildren;
        VARIANT_BOOL dirty;
        VARIANT_BOOL hasChildren;
    } const cases[] = {
        {u"A.<item>", 1, false, true, true, 0, VARIANT_TRUE, VARIANT_FALSE},
        {u"B.<item>", 2, false, true, true, 2, VARIANT_FALSE, VARIANT_FALSE},
        {u"C.<item>", 1, false, true, false, 2, VARIANT_FALSE, VARIANT_TRUE},
        {u"D.<item>", 1, true, true, false, 0, VARIANT_FALSE, VARIANT_TRUE},
        {u"E.<item>", 1, false, false, false, 0, VARIANT_FALSE, VARIANT_FALSE},
        {u"F.<item>", 0, false, true, true, 1, VARIANT_FALSE, VARIANT_FALSE},
    };
    LONG id = 20;
    std::map<std::u16string, const Case*> byName;
    for (const Case& c : cases) {
        script_.listed.push_back({ItmObjectType_Item, id, 5, ItmObjectType_ItemFolder, c.name});
        if (c.lock == 1) script_.lockedHere.insert(id);
        if (c.lock == 2) script_.lockedElsewhere.insert(id);
        if (c.reportsChildren) script_.reportsChildren.insert(id);
        if (c.cached) SeedItem(c.name, id, c.cachedDirty, c.cachedChildren);
        byName[c.name] = &c;
        ++id;
    }
    IItmObject* folder = Object(kPumps);
    SAFEARRAY* items = nullptr;
    ASSERT_EQ(backEnd_->EnumItemFolder(&folder, &items), S_OK);
    int found = 0;
    for (const auto& object : TakeObjects(items)) {
        const Seen seen = SeenOf(object);
        if (seen.type != ItmObjectType_Item) continue;
        SCOPED_TRACE(std::string(seen.name.begin(), seen.name.end()));
        const Case& c = *byName.at(seen.name);
        VARIANT_BOOL dirty = 7;
        EXPECT_EQ(object->get_IsDirty(&dirty), S_OK);
        EXPECT_EQ(dirty, c.dirty);
        CComPtr<IItmLinkManager> links;
        ASSERT_EQ(object->get_LinkManager(&links), S_OK);
        VARIANT_BOOL unloaded = 7;
        EXPECT_EQ(links->HasUnloadedChildren(&unloaded), S_OK);
        EXPECT_EQ(unloaded, c.hasChildren);
        ++found;
    }
    EXPECT_EQ(found, static_cast<int>(std::size(cases)));
}

TEST_F(ItemOperationsTest, AVaultWithoutConnectionGetsTheClientObject) {
    script_.listed = {kPump};
    ItmObjectData record{};
    FillRecord(record, {ItmObjectType_Vault, 1, 0, 0, u"Demo"});
    IItmObject* vault = nullptr;
    ASSERT_EQ(backEnd_->mhCreateItmObject(&record, &vault, cache_, nullptr, nullptr), S_OK);
    SysFreeString(record.moFilename);
    SysFreeString(record.moPath);
    CComPtr<IItmObject> held(vault, false);
    SAFEARRAY* items = nullptr;
    ASSERT_EQ(backEnd_->EnumItemFolder(&vault, &items), S_OK);
    EXPECT_EQ(script_.numbers[3], ItmObjectType_Vault);
    TakeObjects(items);
    CComPtr<IUnknown> connection;
    ASSERT_EQ(vault->get_TavroskAPI(&connection), S_OK);
    EXPECT_EQ(connection.GetInterfacePtr(), library_->Unknown());
}

TEST_F(ItemOperationsTest, AListingRefusesWhatIsNoFolderAndReportsTheLibrarysFailure) {
    IItmObject* pump = Object(kPump);
    IItmObject* none = nullptr;
    SAFEARRAY* items = nullptr;
    EXPECT_EQ(backEnd_->EnumItemFolder(nullptr, &items), E_OXN_NULL_VALUE);
    EXPECT_EQ(backEnd_->EnumItemFolder(&none, &items), E_OXN_NULL_VALUE);
    EXPECT_EQ(backEnd_->EnumItemFolder(&pump, &items), E_ITEM_INVALID_ITEM_TYPE);
    EXPECT_TRUE(script_.calls.empty());

    IItmObject* folder = Object(kPumps);
    script_.result = E_OXN_IO_ERROR;
    script_.error = u"The vault cannot be reached.";
    EXPECT_EQ(backEnd_->EnumItemFolder(&folder, &items), E_OXN_IO_ERROR);
    EXPECT_EQ(TakePendingDescription(), u"The vault cannot be reached.");
    EXPECT_EQ(items, nullptr);

    script_.services = false;
    EXPECT_EQ(backEnd_->EnumItemFolder(&folder, &items), E_OXN_NULL_VALUE);
}

// --- CreateNewItem / ExistInFileCache --------------------------------------------

TEST_F(ItemOperationsTest, ANewItemIsLinkedIntoItsParentAndLiesInTheCache) {
    IItmObject* folder = Object(kPumps);
    IItmItem* item = nullptr;
    ASSERT_EQ(backEnd_->CreateNewItem(folder, &item), S_OK);
    ASSERT_NE(item, nullptr);
    CComPtr<IItmItem> held(item, false);
    EXPECT_EQ(script_.numbers, (std::vector<LONG>{5, ItmObjectType_ItemFolder}));
    EXPECT_EQ(SeenOf(item), (Seen{ItmObjectType_Item, 40, u"ITM-00040.<item>"}));

    VARIANT_BOOL exists = VARIANT_FALSE;
    EXPECT_EQ(backEnd_->ExistInFileCache(item, &exists), S_OK);
    EXPECT_EQ(exists, VARIANT_TRUE);
    const std::vector<ItmLink> links = Links(folder);
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0].meObjectType, ItmObjectType_Item);
    EXPECT_EQ(links[0].mlObjectID, 40);
    EXPECT_EQ(links[0].meLinkType, LinkType_BOM);

    // The connection of the new item is its parent's.
    CComPtr<IUnknown> connection;
    ASSERT_EQ(item->get_TavroskAPI(&connection), S_OK);
    EXPECT_EQ(connection.GetInterfacePtr(), library_->Unknown());
}

TEST_F(ItemOperationsTest, ANewItemNeedsAFolderAndTheLibrarysRecord) {
    IItmObject* pump = Object(kPump);
    IItmObject* folder = Object(kPumps);
    IItmItem* item = reinterpret_cast<IItmItem*>(1);
    EXPECT_EQ(backEnd_->CreateNewItem(nullptr, &item), E_OXN_NULL_VALUE);
    EXPECT_EQ(item, nullptr);
    EXPECT_EQ(backEnd_->CreateNewItem(folder, nullptr), E_OXN_NULL_VALUE);
    EXPECT_EQ(backEnd_->CreateNewItem(pump, &item), E_ITEM_INVALID_TARGET);
    EXPECT_TRUE(script_.calls.empty());

    script_.giveRecord = false;
    EXPECT_EQ(backEnd_->CreateNewItem(folder, &item), E_POINTER);
    script_.result = E_ACCESSDENIED;
    script_.error = u"Not allowed here.";
    EXPECT_EQ(backEnd_->CreateNewItem(folder, &item), E_ACCESSDENIED);
    EXPECT_EQ(TakePendingDescription(), u"Not allowed here.");
    EXPECT_EQ(item, nullptr);
    EXPECT_TRUE(Links(folder).empty());
}

TEST_F(ItemOperationsTest, ExistInFileCacheAnswersFromTheCache) {
    SeedItem(u"Pump.<item>", 10, false, 0);
    IItmObject* pump = Object(kPump);
    IItmObject* valve = Object({ItmObjectType_Item, 11, 5, ItmObjectType_ItemFolder, u"Valve.<item>"});
    VARIANT_BOOL exists = 7;
    EXPECT_EQ(backEnd_->ExistInFileCache(pump, &exists), S_OK);
    EXPECT_EQ(exists, VARIANT_TRUE);
    EXPECT_EQ(backEnd_->ExistInFileCache(valve, &exists), S_OK);
    EXPECT_EQ(exists, VARIANT_FALSE);
    EXPECT_EQ(backEnd_->ExistInFileCache(nullptr, &exists), E_POINTER);
    EXPECT_EQ(backEnd_->ExistInFileCache(pump, nullptr), E_POINTER);
}

// --- CreateNewItemFolder ------------------------------------------------------------

TEST_F(ItemOperationsTest, ANewFolderHasItsPathBelowItsParentAndIsNotCached) {
    struct Case {
        const char16_t* parentPath;
        const char16_t* expected;
    } const cases[] = {
        {u"\\<items>\\A\\\\", u"\\<items>\\A\\New\\"},
        {u"\\<items>\\A", u"\\<items>\\A\\New\\"},
        {u"", u"\\New\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.parentPath, c.parentPath + std::char_traits<char16_t>::length(c.parentPath)));
        IItmObject* parent = Object(kPumps);
        CComQIPtr<IItmObjectPrivate> privateParent(parent);
        VARIANT path;
        path.vt = VT_BSTR;
        path.bstrVal = SysAllocString(c.parentPath);
        ASSERT_EQ(privateParent->PutProperty(ItmProperty_Path, path), S_OK);
        VariantClear(&path);

        BSTR name = SysAllocString(u"New");
        IItmFolder* folder = nullptr;
        ASSERT_EQ(backEnd_->CreateNewItemFolder(parent, name, &folder), S_OK);
        SysFreeString(name);
        CComPtr<IItmFolder> held(folder, false);
        EXPECT_EQ(script_.numbers, (std::vector<LONG>{5, 0}));
        EXPECT_EQ(script_.text, u"New");
        EXPECT_EQ(SeenOf(folder), (Seen{ItmObjectType_ItemFolder, 77, u"Stored"}));
        BSTR folderPath = nullptr;
        ASSERT_EQ(folder->get_Path(&folderPath), S_OK);
        EXPECT_EQ(TakeText(folderPath), c.expected);
        LONG parentID = 0;
        ItmObjectType parentType{};
        folder->get_ParentID(&parentID);
        folder->get_ParentType(&parentType);
        EXPECT_EQ(parentID, 5);
        EXPECT_EQ(parentType, ItmObjectType_ItemFolder);
        GUID lockView{};
        folder->get_LockViewID(&lockView);
        EXPECT_EQ(lockView, kViewGUID);
        const std::vector<ItmLink> links = Links(parent);
        ASSERT_EQ(links.size(), 1u);
        EXPECT_EQ(links[0].meObjectType, ItmObjectType_ItemFolder);
        EXPECT_EQ(links[0].mlObjectID, 77);
        EXPECT_FALSE(Cached(u"Stored").exists);
    }
}

TEST_F(ItemOperationsTest, ANewFolderNeedsItsArgumentsAndTheFolderInterface) {
    IItmObject* parent = Object(kPumps);
    BSTR name = SysAllocString(u"New");
    IItmFolder* folder = nullptr;
    EXPECT_EQ(backEnd_->CreateNewItemFolder(nullptr, name, &folder), E_OXN_NULL_VALUE);
    EXPECT_EQ(backEnd_->CreateNewItemFolder(parent, nullptr, &folder), E_OXN_NULL_VALUE);
    EXPECT_EQ(backEnd_->CreateNewItemFolder(parent, name, nullptr), E_OXN_NULL_VALUE);
    script_.folders = false;
    EXPECT_EQ(backEnd_->CreateNewItemFolder(parent, name, &folder), E_OXN_NULL_VALUE);
    EXPECT_TRUE(script_.calls.empty());
    script_.folders = true;
    script_.result = E_OXN_INVALID_NAME;
    script_.error = u"A folder of that name exists.";
    EXPECT_EQ(backEnd_->CreateNewItemFolder(parent, name, &folder), E_OXN_INVALID_NAME);
    EXPECT_EQ(TakePendingDescription(), u"A folder of that name exists.");
    EXPECT_EQ(folder, nullptr);
    EXPECT_TRUE(Links(parent).empty());
    SysFreeString(name);
}

// --- Move -----------------------------------------------------------------------------

TEST_F(ItemOperationsTest, MovedObjectsGoToTheLibraryAndTakeTheDestination) {
    IItmObject* pump = Object(kPump);
    IItmObject* spares = Object({ItmObjectType_ItemFolder, 6, 5, ItmObjectType_ItemFolder, u"Spares"});
    IItmObject* destination = Object({ItmObjectType_ItemFolder, 30, 1, ItmObjectType_ItemFolder, u"Dest"});
    CComQIPtr<IItmFolder> target(destination);
    CComQIPtr<IItmObjectPrivate> privateTarget(destination);
    VARIANT path;
    path.vt = VT_BSTR;
    path.bstrVal = SysAllocString(u"\\<items>\\Dest\\");
    ASSERT_EQ(privateTarget->PutProperty(ItmProperty_Path, path), S_OK);
    VariantClear(&path);

    conversion_test::ObjectList items({pump, spares});
    ASSERT_EQ(backEnd_->Move(items.get(), target), S_OK);
    EXPECT_EQ(script_.numbers, std::vector<LONG>{30});
    ASSERT_EQ(script_.roots.size(), 2u);
    EXPECT_EQ(script_.roots[0].meType, Ot_Item);
    EXPECT_EQ(script_.roots[0].mlDocumentID, 10);
    EXPECT_EQ(script_.roots[1].meType, Ot_ItemFolder);
    EXPECT_EQ(script_.roots[1].mlProjectID, 6);
    for (IItmObject* object : {pump, spares}) {
        LONG project = 0;
        object->get_ParentProjectID(&project);
        EXPECT_EQ(project, 30);
        BSTR moved = nullptr;
        object->get_Path(&moved);
        EXPECT_EQ(TakeText(moved).rfind(u"\\<items>\\Dest\\", 0), 0u);
    }
}

TEST_F(ItemOperationsTest, AMoveNeedsItsArgumentsAndReportsTheLibrarysFailure) {
    IItmObject* pump = Object(kPump);
    CComQIPtr<IItmFolder> target(Object(kPumps));
    conversion_test::ObjectList items({pump});
    EXPECT_EQ(backEnd_->Move(nullptr, target), E_OXN_NULL_VALUE);
    EXPECT_EQ(backEnd_->Move(items.get(), nullptr), E_OXN_NULL_VALUE);
    script_.services = false;
    EXPECT_EQ(backEnd_->Move(items.get(), target), E_OXN_NULL_VALUE);
    EXPECT_TRUE(script_.calls.empty());
    script_.services = true;
    script_.result = static_cast<HRESULT>(0x80040203);
    EXPECT_EQ(backEnd_->Move(items.get(), target), static_cast<HRESULT>(0x80040203));
    LONG project = 0;
    pump->get_ParentProjectID(&project);
    EXPECT_EQ(project, 7);  // unchanged
}

// --- Rename -----------------------------------------------------------------------------

TEST_F(ItemOperationsTest, ARenameSendsTheNameWithTheItemExtensionAndMovesTheCacheRecord) {
    struct Case {
        LONG type;
        LONG parentType;
        const char16_t* newName;
        const char16_t* sent;
        LONG parentID;  // sent to the library: ParentID, or the parent project under an item
    } const cases[] = {
        {ItmObjectType_Item, ItmObjectType_ItemFolder, u"X", u"X.<item>", 5},
        {ItmObjectType_Item, ItmObjectType_Vault, u"Y.<item>", u"Y.<item>", 5},
        {ItmObjectType_Item, ItmObjectType_Item, u"Z.part", u"Z.part.<item>", 7},
        {ItmObjectType_Item, ItmObjectType_ItemFolder, u"W.<ITEM>", u"W.<ITEM>.<item>", 5},
        {ItmObjectType_ItemFolder, ItmObjectType_ItemFolder, u"Sub", u"Sub", 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.sent, c.sent + std::char_traits<char16_t>::length(c.sent)));
        const std::u16string oldName = c.type == ItmObjectType_Item ? u"Old.<item>" : u"Old";
        if (c.type == ItmObjectType_Item) SeedItem(oldName, 10, true, 2);
        IItmObject* object = Object({c.type, 10, 5, c.parentType, oldName});
        BSTR name = SysAllocString(c.newName);
        ASSERT_EQ(backEnd_->Rename(object, name), S_OK);
        SysFreeString(name);
        EXPECT_EQ(script_.numbers, (std::vector<LONG>{10, c.parentID, c.type}));
        EXPECT_EQ(script_.text, c.sent);
        EXPECT_EQ(SeenOf(object).name, c.sent);
        if (c.type == ItmObjectType_Item) {
            EXPECT_FALSE(Cached(oldName).exists);
            EXPECT_EQ(Cached(c.sent), (CachedState{true, 1, 2}));
            CItemCacheLock lock(cache_, kCacheLockDirect);
            cache_->mhDeleteItem(lock, c.sent);
        }
    }
}

TEST_F(ItemOperationsTest, ARenameToTheSameNameKeepsTheCachedItem) {
    SeedItem(u"Pump.<item>", 10, true, 2);
    IItmObject* pump = Object(kPump);
    for (const char16_t* same : {u"Pump.<item>", u"Pump"}) {
        BSTR name = SysAllocString(same);
        EXPECT_EQ(backEnd_->Rename(pump, name), S_OK);
        SysFreeString(name);
        EXPECT_EQ(script_.text, u"Pump.<item>");
        EXPECT_EQ(Cached(u"Pump.<item>"), (CachedState{true, 1, 2}));
    }
}

TEST_F(ItemOperationsTest, ARenameIsRefusedBeforeTheLibraryForWrongObjectsAndNames) {
    SeedItem(u"Pump.<item>", 10, false, 0);
    IItmObject* pump = Object(kPump);
    IItmObject* orphan = Object({ItmObjectType_Item, 12, 0, ItmObjectType_Undefined, u"Orphan.<item>"});
    IItmObject* vault = Object({ItmObjectType_Vault, 1, 0, 0, u"Demo"});
    BSTR good = SysAllocString(u"Valve");
    BSTR slash = SysAllocString(u"Valve\\A");
    EXPECT_EQ(backEnd_->Rename(nullptr, good), E_POINTER);
    EXPECT_EQ(backEnd_->Rename(pump, nullptr), E_POINTER);
    EXPECT_EQ(backEnd_->Rename(vault, good), E_ITEM_INVALID_SOURCE);
    EXPECT_EQ(backEnd_->Rename(orphan, good), E_ITEM_INVALID_OBJECT);
    EXPECT_EQ(backEnd_->Rename(pump, slash), E_OXN_INVALID_NAME);
    script_.services = false;
    EXPECT_EQ(backEnd_->Rename(pump, good), E_OXN_NULL_VALUE);
    EXPECT_TRUE(script_.calls.empty());

    script_.services = true;
    script_.result = E_OXN_INVALID_NAME;
    script_.error = u"An item of that name exists.";
    EXPECT_EQ(backEnd_->Rename(pump, good), E_OXN_INVALID_NAME);
    EXPECT_EQ(TakePendingDescription(), u"An item of that name exists.");
    EXPECT_EQ(SeenOf(pump).name, u"Pump.<item>");
    EXPECT_TRUE(Cached(u"Pump.<item>").exists);
    SysFreeString(good);
    SysFreeString(slash);
}

// --- CheckCyclicReferences --------------------------------------------------------------

TEST_F(ItemOperationsTest, AnItemFoundAnywhereInTheOtherTreeIsACycle) {
    // The right item's tree: the assembly 10, below it 11, below that 12;
    // a file 13 beside them.
    script_.fetched = {kPump,
                       {ItmObjectType_Item, 11, 10, ItmObjectType_Item, u"Gear.<item>"},
                       {ItmObjectType_Item, 12, 11, ItmObjectType_Item, u"Shaft.<item>"}};
    IItmObject* right = Object(kPump);
    conversion_test::ObjectList rightList({right});
    struct Case {
        Row left;
        HRESULT expected;
    } const cases[] = {
        {{ItmObjectType_Item, 12, 5, ItmObjectType_ItemFolder, u"Shaft.<item>"}, E_ITEM_CYCLIC_REFERENCE},
        {{ItmObjectType_Item, 10, 5, ItmObjectType_ItemFolder, u"Pump.<item>"}, E_ITEM_CYCLIC_REFERENCE},
        {{ItmObjectType_Item, 14, 5, ItmObjectType_ItemFolder, u"Other.<item>"}, S_OK},
        {{ItmObjectType_ItemFolder, 12, 5, ItmObjectType_ItemFolder, u"Shaft"}, S_OK},  // only items count
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.left.id);
        script_.calls.clear();
        conversion_test::ObjectList left({Object(c.left)});
        EXPECT_EQ(backEnd_->CheckCyclicReferences(left.get(), rightList.get()), c.expected);
        EXPECT_EQ(script_.calls, std::vector<std::string>{"FetchTrees"});
        EXPECT_EQ(script_.fetchOptions, 1);  // latest
        EXPECT_EQ(script_.fetchRecursive, VARIANT_TRUE);
        EXPECT_EQ(script_.numbers, std::vector<LONG>{0});  // every level
    }
    EXPECT_FALSE(Cached(u"Pump.<item>").exists);  // the check stores nothing
}

TEST_F(ItemOperationsTest, ACyclicCheckWithoutBothListsFetchesNothing) {
    conversion_test::ObjectList list({Object(kPump)});
    EXPECT_EQ(backEnd_->CheckCyclicReferences(list.get(), nullptr), S_OK);
    EXPECT_EQ(backEnd_->CheckCyclicReferences(nullptr, list.get()), S_OK);
    conversion_test::ObjectList holes({nullptr});
    EXPECT_EQ(backEnd_->CheckCyclicReferences(holes.get(), list.get()), E_OXN_NULL_VALUE);
    EXPECT_TRUE(script_.calls.empty());
}

// --- GetMenuInfo / GetItmInfoSupplement ------------------------------------------------

TEST_F(ItemOperationsTest, TheMenuInformationOfTheObjectsComesFromTheLibrary) {
    IItmObject* pump = Object(kPump);
    IItmObject* folder = Object(kPumps);
    conversion_test::ObjectList documents({pump, folder});
    ULONG enable = 0, rights = 0;
    SAFEARRAY* systemRights = nullptr;
    SAFEARRAY* transitions = nullptr;
    EXPECT_EQ(
        backEnd_->GetMenuInfo(documents.get(), 3, &enable, &rights, &systemRights, nullptr, &transitions, nullptr),
        S_FALSE);
    EXPECT_EQ(enable, 0x1022u);
    EXPECT_EQ(rights, 0x9u);
    EXPECT_NE(systemRights, nullptr);
    SafeArrayDestroy(systemRights);
    EXPECT_EQ(script_.numbers, std::vector<LONG>{3});
    EXPECT_EQ(script_.outArguments, (std::vector<SAFEARRAY**>{&systemRights, nullptr, &transitions, nullptr}));
    ASSERT_EQ(script_.documents.size(), 2u);
    EXPECT_EQ(script_.documents[0].mlDocumentID, 10);
    EXPECT_EQ(script_.documents[0].mlParentProjectID, 7);
    EXPECT_EQ(script_.documents[0].mlVersion, 1);
    EXPECT_EQ(script_.documents[0].mlObjectTypeID, 4);
    EXPECT_EQ(script_.documents[1].mlDocumentID, 0);
    EXPECT_EQ(script_.documents[1].mlParentProjectID, 5);
    EXPECT_EQ(script_.documents[1].mlObjectTypeID, 0);

    script_.result = static_cast<HRESULT>(0x8004020B);
    script_.error = u"No such document.";
    EXPECT_EQ(
        backEnd_->GetMenuInfo(documents.get(), 0, &enable, &rights, &systemRights, nullptr, &transitions, nullptr),
        static_cast<HRESULT>(0x8004020B));
    EXPECT_EQ(TakePendingDescription(), u"No such document.");
}

TEST_F(ItemOperationsTest, MenuInformationNeedsObjectsAndTheServiceInterface) {
    SAFEARRAY* empty = SafeArrayCreateVector(VT_VARIANT, 0, 0);
    ULONG enable = 0, rights = 0;
    EXPECT_EQ(backEnd_->GetMenuInfo(empty, 0, &enable, &rights, nullptr, nullptr, nullptr, nullptr),
              E_OXN_NOT_INITIALIZED);
    EXPECT_EQ(backEnd_->GetMenuInfo(nullptr, 0, &enable, &rights, nullptr, nullptr, nullptr, nullptr),
              E_OXN_NULL_VALUE);
    script_.services = false;
    EXPECT_EQ(backEnd_->GetMenuInfo(empty, 0, &enable, &rights, nullptr, nullptr, nullptr, nullptr), E_OXN_NULL_VALUE);
    SafeArrayDestroy(empty);
    EXPECT_TRUE(script_.calls.empty());
}

TEST_F(ItemOperationsTest, TheInformationSupplementIsTheLibrarys) {
    SAFEARRAY* supplement = nullptr;
    ASSERT_EQ(backEnd_->GetItmInfoSupplement(&supplement), S_OK);
    ASSERT_NE(supplement, nullptr);
    EXPECT_EQ(supplement->rgsabound[0].cElements, 2u);
    SafeArrayDestroy(supplement);
    EXPECT_EQ(backEnd_->GetItmInfoSupplement(nullptr), E_POINTER);
    script_.services = false;
    EXPECT_EQ(backEnd_->GetItmInfoSupplement(&supplement), E_OXN_NULL_VALUE);
    EXPECT_EQ(supplement, nullptr);
}

}  // namespace
