// The client library's item-tree operations over the seeded item tree
// (browse_fixture.h): the folder listing (service slot 4), new items (slot
// 10) and item folders (folder interface slot 7), moves (slot 9), renames
// (slot 11), path resolution (file-info slot 3), and the user rights that
// the vault's object_rights table grants on them.
#include "browse_fixture.h"

#include "bellquist/ids.h"
#include "bellquist/menu_info.h"
#include "bellquist/type_library.h"
#include "com/task_memory.h"
#include "com_testing/bstr_text.h"
#include "com_testing/pending_error_info.h"
#include "common/error_codes.h"
#include "vaultdb/schema.h"
#include "winapi/text.h"

#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace tavrosk_test;
using BellquistLib::ItmDbInfo;
using BellquistLib::ItmObjectData;
using BellquistLib::XRefRootObject;
using vennacle_test::Sql;

constexpr char16_t kViewGuidText[] = u"{5D1C0B2A-3E4F-4A5B-8C6D-7E8F90A1B2C3}";

// An [in] array of the item server's records T, made by the test.
template <class T>
class InArray {
public:
    explicit InArray(ULONG count) {
        IRecordInfo* info = nullptr;
        EXPECT_EQ(GetRecordInfoFromGuids(BellquistLib::LIBID_BellquistLib, 1, 0, 0, T::kRecordGuid, &info), S_OK);
        array_ = SafeArrayCreateVectorEx(VT_RECORD, 0, count, info);
        if (info) info->Release();
        EXPECT_EQ(SafeArrayAccessData(array_, reinterpret_cast<void**>(&data_)), S_OK);
    }
    ~InArray() {
        SafeArrayUnaccessData(array_);
        SafeArrayDestroy(array_);
    }
    InArray(const InArray&) = delete;
    InArray& operator=(const InArray&) = delete;

    T& operator[](ULONG i) { return data_[i]; }
    SAFEARRAY* get() const { return array_; }
    SAFEARRAY** address() { return &array_; }

private:
    SAFEARRAY* array_ = nullptr;
    T* data_ = nullptr;
};

// A failure leaves its description pending, which the caller takes.
HRESULT Told(HRESULT hr) {
    if (FAILED(hr)) {
        EXPECT_NE(com_testing::TakePendingDescription(), u"<none>") << "a failure without its text";
    }
    return hr;
}

class ItemChangesTest : public BrowseTest {
protected:
    void SetUp() override {
        BrowseTest::SetUp();
        BellquistLib::RegisterRecords();
    }

    // The first column of the first row as text ("" without a row).
    std::u16string Text(const std::string& sql, std::initializer_list<vennacle_test::SqlValue> values = {}) {
        std::unique_ptr<vaultdb::Statement> st;
        EXPECT_EQ(vault_.db->Prepare(sql, st), S_OK) << sql;
        int index = 1;
        for (const vennacle_test::SqlValue& value : values) {
            if (auto* i = std::get_if<int32_t>(&value)) st->BindInt32(index, *i);
            if (auto* t = std::get_if<std::u16string>(&value)) st->BindText(index, std::u16string_view(*t));
            ++index;
        }
        return st->Step() == S_OK ? st->ColumnText(0) : std::u16string();
    }
    int64_t Count(const std::string& table) { return Sql(*vault_.db, "SELECT COUNT(*) FROM " + table); }

    void Grant(LONG user, LONG type, LONG id, ULONG rights) {
        Sql(*vault_.db, "INSERT INTO object_rights (user_id, object_type, object_id, rights) VALUES (?, ?, ?, ?)",
            {user, type, id, static_cast<int32_t>(rights)});
    }
    void LockFor(LONG item, LONG user, const std::u16string& view) {
        Sql(*vault_.db,
            "INSERT INTO locks (document_id, user_id, view_guid, computer, locked_path) VALUES (?, ?, ?, 'PC', 'x')",
            {item, user, view});
    }

    struct Listed {
        HRESULT hr = E_FAIL;
        std::vector<std::u16string> names;
    };
    Listed List(LONG folder, LONG type = 3) {
        SAFEARRAY* children = nullptr;
        Listed listed;
        listed.hr = Told(services_->ListFolder(folder, 0, 0, type, nullptr, 0, &children));
        Received<ItmObjectData> records(children);
        for (const ItmObjectData& record : records) listed.names.push_back(com_testing::Text(record.moFilename));
        return listed;
    }

    HRESULT NewFolder(LONG parent, const char16_t* name, LONG* id = nullptr) {
        com::ComPtr<TavroskClientLib::ITavroskFolders> folders;
        EXPECT_EQ(client_->QueryInterface(IID_PPV_ARGS(&folders)), S_OK);
        CComBSTR bsName(name), stored;
        LONG newId = 0;
        const HRESULT hr = Told(folders->CreateNewItemFolder(parent, bsName, 0, &stored, &newId));
        if (SUCCEEDED(hr)) {
            EXPECT_EQ(com_testing::Text(stored), name);
        }
        if (id) *id = newId;
        return hr;
    }

    // A new item's record, cleared and freed as the item server does.
    struct NewItem {
        HRESULT hr = E_FAIL;
        LONG id = 0;
        std::u16string name;
    };
    NewItem MakeItem(LONG parent, LONG parentType = 3, ItmObjectData* copy = nullptr) {
        ItmObjectData* record = nullptr;
        NewItem made;
        made.hr = Told(services_->CreateNewItem(parent, parentType, &record));
        if (!record) return made;
        made.id = record->mlObjectID;
        made.name = com_testing::Text(record->moFilename);
        if (copy) {
            *copy = *record;
            copy->moFilename = copy->moPath = copy->moLockedBy = copy->moLockedPath = nullptr;
            copy->moConfigName = copy->moState = copy->moDomain = copy->moAlternateName = copy->mbsLinkedFile = nullptr;
        }
        IRecordInfo* info = nullptr;
        EXPECT_EQ(GetRecordInfoFromGuids(TavroskClientLib::LIBID_TavroskClientLib, 1, 0, 0, ItmObjectData::kRecordGuid,
                                         &info),
                  S_OK);
        info->RecordClear(record);
        info->Release();
        CoTaskMemFree(record);
        return made;
    }

    HRESULT Rename(LONG id, LONG type, const char16_t* name) {
        CComBSTR bsName(name);
        return Told(services_->Rename(id, 0, type, bsName));
    }

    // Moves objects {meType, id} into `destination`.
    HRESULT Move(std::initializer_list<std::pair<BellquistLib::ObjectType, LONG>> objects, LONG destination) {
        InArray<XRefRootObject> array(static_cast<ULONG>(objects.size()));
        ULONG i = 0;
        for (const auto& [type, id] : objects) {
            array[i].meType = type;
            (type == BellquistLib::Ot_ItemFolder ? array[i].mlProjectID : array[i].mlDocumentID) = id;
            ++i;
        }
        return Told(services_->Move(array.get(), destination));
    }

    std::u16string FolderPath(LONG id) { return Text("SELECT vault_path FROM folders WHERE id = ?", {id}); }
    std::u16string LockedPath(LONG id) { return Text("SELECT locked_path FROM locks WHERE document_id = ?", {id}); }
    int64_t History(int action, LONG type, LONG id) {
        return Sql(
            *vault_.db,
            "SELECT COUNT(*) FROM history WHERE action = ? AND object_type = ? AND object_id = ? AND user_id = ?",
            {action, type, id, vault_.alice});
    }
};

TEST_F(ItemChangesTest, ListingGivesSubFoldersThenItemsByNameWithTheirLocks) {
    EXPECT_EQ(List(vault_.itemsFolder).names, (std::vector<std::u16string>{u"Parts", u"C.<item>"}));
    EXPECT_EQ(List(vault_.itemsFolder, 2).names, List(vault_.itemsFolder).names) << "the vault's object";

    SAFEARRAY* children = nullptr;
    ASSERT_EQ(services_->ListFolder(vault_.partsFolder, 0, 0, 3, nullptr, 0, &children), S_OK);
    Received<ItmObjectData> records(children);
    ASSERT_EQ(records.size(), 2);
    const ItmObjectData& a = records[0];
    EXPECT_EQ(com_testing::Text(a.moFilename), u"A.<item>");
    EXPECT_EQ(a.meObjectType, 4);
    EXPECT_EQ(a.mlObjectID, itemA_);
    EXPECT_EQ(a.mlParentObjectID, vault_.partsFolder);
    EXPECT_EQ(a.meParentDocType, 3);
    EXPECT_EQ(a.mlParentProjectID, vault_.partsFolder);
    EXPECT_EQ(com_testing::Text(a.moPath), u"\\<items>\\Parts\\");
    EXPECT_EQ(a.moLockViewID, kViewGuid) << "checked out to this view";
    EXPECT_EQ(a.mlLockedBy, vault_.alice);
    EXPECT_EQ(a.mbHasChildren, VARIANT_TRUE);
    EXPECT_EQ(a.mlLatestVersion, 1);
    const ItmObjectData& b = records[1];
    EXPECT_EQ(com_testing::Text(b.moFilename), u"B.<item>");
    EXPECT_EQ(b.moLockViewID, GUID{});
    EXPECT_EQ(b.mlLockedBy, 0);
}

TEST_F(ItemChangesTest, ListingRefusesWhatIsNoItemFolder) {
    const struct {
        LONG folder;
        LONG type;
        HRESULT expected;
    } cases[] = {
        {9999, 3, E_OXN_FOLDER_NOT_FOUND},
        {vault_.cadFolder, 3, E_ITEM_INVALID_TARGET},
        {vault_.itemsFolder, 4, E_ITEM_INVALID_ITEM_TYPE},
    };
    for (const auto& c : cases) {
        SAFEARRAY* children = reinterpret_cast<SAFEARRAY*>(1);
        EXPECT_EQ(Told(services_->ListFolder(c.folder, 0, 0, c.type, nullptr, 0, &children)), c.expected) << c.folder;
        EXPECT_EQ(children, nullptr);
    }
    EXPECT_EQ(services_->ListFolder(vault_.itemsFolder, 0, 0, 3, nullptr, 0, nullptr), E_POINTER);
}

TEST_F(ItemChangesTest, ANewItemTakesTheNextCounterAndIsCheckedOutInThisView) {
    ItmObjectData record{};
    const NewItem first = MakeItem(vault_.partsFolder, 3, &record);
    ASSERT_EQ(first.hr, S_OK);
    EXPECT_EQ(first.name, u"ITM-000001.<item>");
    EXPECT_EQ(record.meObjectType, 4);
    EXPECT_EQ(record.mlParentObjectID, vault_.partsFolder);
    EXPECT_EQ(record.meParentDocType, 3);
    EXPECT_EQ(record.mlParentProjectID, vault_.partsFolder);
    EXPECT_EQ(record.moLockViewID, kViewGuid);
    EXPECT_EQ(record.mlLockedBy, vault_.alice);
    EXPECT_EQ(record.mlAttachedVersion, 1);
    EXPECT_EQ(record.mlLatestVersion, 1);
    EXPECT_EQ(record.mbIsUpToDate, 1);

    EXPECT_EQ(Text("SELECT item_number FROM items WHERE document_id = ?", {first.id}), u"ITM-000001");
    EXPECT_EQ(Sql(*vault_.db, "SELECT spent_by_item FROM counters WHERE name = 'ITM-000001' AND state = 2"), first.id);
    EXPECT_EQ(Text("SELECT view_guid FROM locks WHERE document_id = ?", {first.id}), kViewGuidText);
    EXPECT_EQ(LockedPath(first.id), u"C:\\Views\\Demo\\<items>\\Parts\\ITM-000001.<item>");
    EXPECT_EQ(History(vaultdb::kHistoryAdd, 4, first.id), 1);
    EXPECT_EQ(List(vault_.partsFolder).names,
              (std::vector<std::u16string>{u"A.<item>", u"B.<item>", u"ITM-000001.<item>"}));

    // A counter whose name an item holds already is passed over; the vault's
    // object stands for the root item folder.
    AddItem(u"ITM-000002.<item>", vault_.itemsFolder);
    const NewItem second = MakeItem(vault_.itemsFolder, 2, &record);
    ASSERT_EQ(second.hr, S_OK);
    EXPECT_EQ(second.name, u"ITM-000003.<item>");
    EXPECT_EQ(record.meParentDocType, 2);
    EXPECT_EQ(Sql(*vault_.db, "SELECT state FROM counters WHERE name = 'ITM-000002'"), vaultdb::kCounterSpent);
}

TEST_F(ItemChangesTest, ANewItemIsRefusedWhereItCannotBeMadeAndLeavesNoTrace) {
    const struct {
        const char* what;
        LONG parent;
        LONG parentType;
        ULONG itemsFolderRights;  // the user's rights row on "\<items>\", inherited by Parts
        HRESULT expected;
    } cases[] = {
        {"an item as parent", vault_.partsFolder, 4, BellquistLib::kAllUserRights, E_ITEM_INVALID_TARGET},
        {"an unknown folder", 9999, 3, BellquistLib::kAllUserRights, E_OXN_FOLDER_NOT_FOUND},
        {"no item folder", vault_.cadFolder, 3, BellquistLib::kAllUserRights, E_ITEM_INVALID_TARGET},
        {"no write right", vault_.partsFolder, 3, BellquistLib::UserRight_Create, E_OXN_PERMISSION_DENIED},
        {"no create right", vault_.partsFolder, 3, BellquistLib::UserRight_Write, E_OXN_PERMISSION_DENIED},
    };
    const int64_t documents = Count("documents");
    for (const auto& c : cases) {
        Sql(*vault_.db, "DELETE FROM object_rights");
        Grant(vault_.alice, 3, vault_.itemsFolder, c.itemsFolderRights);
        ItmObjectData* record = reinterpret_cast<ItmObjectData*>(1);
        EXPECT_EQ(Told(services_->CreateNewItem(c.parent, c.parentType, &record)), c.expected) << c.what;
        EXPECT_EQ(record, nullptr) << c.what;
    }
    EXPECT_EQ(Count("documents"), documents);
    EXPECT_EQ(Count("counters"), 0) << "no counter stays reserved";
    EXPECT_EQ(services_->CreateNewItem(vault_.partsFolder, 3, nullptr), E_POINTER);
}

TEST_F(ItemChangesTest, RightsComeFromTheObjectElseTheNearestFolderAboveElseAll) {
    // New item folders below Parts need Create and CreateFolders on Parts.
    constexpr ULONG kNone = 0;
    const struct {
        const char* what;
        std::vector<std::tuple<LONG, LONG, LONG, ULONG>> rows;  // user, type, id, rights
        HRESULT expected;
    } cases[] = {
        {"no rows: every right", {}, S_OK},
        {"inherited from \\<items>\\", {{vault_.alice, 3, vault_.itemsFolder, kNone}}, E_OXN_PERMISSION_DENIED},
        {"the nearest folder wins",
         {{vault_.alice, 3, vault_.itemsFolder, kNone}, {vault_.alice, 3, vault_.partsFolder, ~0u}},
         S_OK},
        {"the folder's own row", {{vault_.alice, 3, vault_.partsFolder, kNone}}, E_OXN_PERMISSION_DENIED},
        {"another user's row", {{vault_.bob, 3, vault_.partsFolder, kNone}}, S_OK},
        {"a row of another object type", {{vault_.alice, 4, vault_.partsFolder, kNone}}, S_OK},
        {"create folders only",
         {{vault_.alice, 3, vault_.partsFolder, BellquistLib::UserRight_CreateFolders}},
         E_OXN_PERMISSION_DENIED},
    };
    int n = 0;
    for (const auto& c : cases) {
        Sql(*vault_.db, "DELETE FROM object_rights");
        for (const auto& [user, type, id, rights] : c.rows) Grant(user, type, id, rights);
        const std::u16string name = u"Sub" + std::u16string(1, char16_t(u'A' + n++));
        EXPECT_EQ(NewFolder(vault_.partsFolder, name.c_str()), c.expected) << c.what;
    }
}

TEST_F(ItemChangesTest, ANewItemFolderLiesBelowItsParentUnderAValidFreeName) {
    LONG id = 0;
    ASSERT_EQ(NewFolder(vault_.partsFolder, u"Bolts", &id), S_OK);
    EXPECT_EQ(FolderPath(id), u"\\<items>\\Parts\\Bolts\\");
    EXPECT_EQ(Sql(*vault_.db, "SELECT parent_id FROM folders WHERE id = ?", {id}), vault_.partsFolder);
    EXPECT_EQ(Sql(*vault_.db, "SELECT created_by FROM folders WHERE id = ?", {id}), vault_.alice);
    EXPECT_EQ(History(vaultdb::kHistoryAdd, 3, id), 1);
    EXPECT_EQ(List(vault_.partsFolder).names, (std::vector<std::u16string>{u"Bolts", u"A.<item>", u"B.<item>"}));

    const struct {
        const char16_t* name;
        LONG parent;
        HRESULT expected;
    } cases[] = {
        {u"", vault_.partsFolder, E_OXN_INVALID_NAME},
        {u".", vault_.partsFolder, E_OXN_INVALID_NAME},
        {u"..", vault_.partsFolder, E_OXN_INVALID_NAME},
        {u"a\\b", vault_.partsFolder, E_OXN_INVALID_NAME},
        {u"a/b", vault_.partsFolder, E_OXN_INVALID_NAME},
        {u"tab\there", vault_.partsFolder, E_OXN_INVALID_NAME},
        {u"dot.", vault_.partsFolder, E_OXN_INVALID_NAME},
        {u"parts", vault_.itemsFolder, E_OXN_NAME_ALREADY_EXISTS},
        {u"BOLTS", vault_.partsFolder, E_OXN_NAME_ALREADY_EXISTS},
        {u"Elsewhere", vault_.cadFolder, E_ITEM_INVALID_TARGET},
        {u"Nowhere", 9999, E_OXN_FOLDER_NOT_FOUND},
    };
    const int64_t folders = Count("folders");
    for (const auto& c : cases) EXPECT_EQ(NewFolder(c.parent, c.name), c.expected) << winapi::ToUtf8(c.name);
    EXPECT_EQ(Count("folders"), folders);
}

TEST_F(ItemChangesTest, AMovedFolderTakesItsSubtreeAndTheCheckOutsInItAlong) {
    LONG sub = 0, deep = 0;
    ASSERT_EQ(NewFolder(vault_.itemsFolder, u"Sub", &sub), S_OK);
    ASSERT_EQ(NewFolder(vault_.partsFolder, u"Deep", &deep), S_OK);

    ASSERT_EQ(Move({{BellquistLib::Ot_ItemFolder, vault_.partsFolder}, {BellquistLib::Ot_Item, itemC_}}, sub), S_OK);
    EXPECT_EQ(FolderPath(vault_.partsFolder), u"\\<items>\\Sub\\Parts\\");
    EXPECT_EQ(FolderPath(deep), u"\\<items>\\Sub\\Parts\\Deep\\");
    EXPECT_EQ(Sql(*vault_.db, "SELECT id FROM folders WHERE path_key = ?",
                  {vaultdb::FoldKey(u"\\<items>\\sub\\parts\\deep\\")}),
              deep);
    EXPECT_EQ(LockedPath(itemA_), u"C:\\Views\\Demo\\<items>\\Sub\\Parts\\A.<item>");
    EXPECT_EQ(List(sub).names, (std::vector<std::u16string>{u"Parts", u"C.<item>"}));
    EXPECT_EQ(List(vault_.itemsFolder).names, (std::vector<std::u16string>{u"Sub"}));
    EXPECT_EQ(History(vaultdb::kHistoryMove, 3, vault_.partsFolder), 1);
    EXPECT_EQ(Text("SELECT comment FROM history WHERE action = ? AND object_id = ?", {vaultdb::kHistoryMove, itemC_}),
              u"\\<items>\\");

    // Into the folder it is in already: nothing to do.
    ASSERT_EQ(Move({{BellquistLib::Ot_Item, itemC_}}, sub), S_OK);
    EXPECT_EQ(History(vaultdb::kHistoryMove, 4, itemC_), 1);
}

TEST_F(ItemChangesTest, AMoveIsRefusedWholeWhenOneObjectCannotMove) {
    LONG deep = 0, other = 0, twin = 0;
    ASSERT_EQ(NewFolder(vault_.partsFolder, u"Deep", &deep), S_OK);
    ASSERT_EQ(NewFolder(vault_.itemsFolder, u"Other", &other), S_OK);
    ASSERT_EQ(NewFolder(other, u"Parts", &twin), S_OK);
    const LONG lockedByBob = AddItem(u"Bobs.<item>", vault_.itemsFolder);
    LockFor(lockedByBob, vault_.bob, u"{00000000-0000-0000-0000-000000000001}");
    using BellquistLib::Ot_Document;
    using BellquistLib::Ot_Item;
    using BellquistLib::Ot_ItemFolder;
    using BellquistLib::Ot_RootItemFolder;
    const struct {
        const char* what;
        BellquistLib::ObjectType type;
        LONG id;
        LONG destination;
        HRESULT expected;
    } cases[] = {
        {"a folder into itself", Ot_ItemFolder, vault_.partsFolder, vault_.partsFolder,
         E_OXN_CANT_MOVE_FOLDER_TO_SUBFOLDER},
        {"a folder below itself", Ot_ItemFolder, vault_.partsFolder, deep, E_OXN_CANT_MOVE_FOLDER_TO_SUBFOLDER},
        {"a folder onto a namesake", Ot_ItemFolder, vault_.partsFolder, other, E_OXN_NAME_ALREADY_EXISTS},
        {"the root item folder", Ot_ItemFolder, vault_.itemsFolder, other, E_ITEM_INVALID_SOURCE},
        {"the root item folder's kind", Ot_RootItemFolder, vault_.itemsFolder, other, E_ITEM_INVALID_SOURCE},
        {"a file", Ot_Document, vault_.bracket, other, E_ITEM_INVALID_SOURCE},
        {"an item checked out by another", Ot_Item, lockedByBob, other, E_OXN_LOCKED_BY_ANOTHER_USER},
        {"an unknown item", Ot_Item, 9999, other, E_OXN_FILE_NOT_FOUND},
        {"into no item folder", Ot_Item, itemC_, vault_.cadFolder, E_ITEM_INVALID_TARGET},
    };
    for (const auto& c : cases) {
        // Item B goes first and comes back: the move is all or nothing.
        EXPECT_EQ(Move({{Ot_Item, itemB_}, {c.type, c.id}}, c.destination), c.expected) << c.what;
        EXPECT_EQ(Sql(*vault_.db, "SELECT folder_id FROM documents WHERE id = ?", {itemB_}), vault_.partsFolder)
            << c.what;
    }
    EXPECT_EQ(FolderPath(vault_.partsFolder), u"\\<items>\\Parts\\");

    // Moving takes the rights to delete at the source and to make at the destination.
    Grant(vault_.alice, 4, itemB_, BellquistLib::kAllUserRights & ~BellquistLib::UserRight_DeleteDocuments);
    EXPECT_EQ(Move({{Ot_Item, itemB_}}, other), E_OXN_PERMISSION_DENIED);
    Grant(vault_.alice, 3, other, BellquistLib::UserRight_Create);
    EXPECT_EQ(Move({{Ot_Item, itemC_}}, other), E_OXN_PERMISSION_DENIED);
    EXPECT_EQ(Move({}, other), S_OK);
}

TEST_F(ItemChangesTest, ARenamedItemKeepsItsExtensionAndAVaultWideUniqueName) {
    ASSERT_EQ(Rename(itemA_, 4, u"Bracket"), S_OK);
    EXPECT_EQ(Text("SELECT name FROM documents WHERE id = ?", {itemA_}), u"Bracket.<item>");
    EXPECT_EQ(Text("SELECT comment FROM history WHERE action = ? AND object_id = ?", {vaultdb::kHistoryRename, itemA_}),
              u"A.<item>");
    ASSERT_EQ(Rename(itemA_, 4, u"BRACKET.<item>"), S_OK) << "another case of the name";
    EXPECT_EQ(Text("SELECT name FROM documents WHERE id = ?", {itemA_}), u"BRACKET.<item>");
    ASSERT_EQ(Rename(itemA_, 4, u"BRACKET.<item>"), S_OK);
    EXPECT_EQ(History(vaultdb::kHistoryRename, 4, itemA_), 2) << "the same name changes nothing";

    // The item row keeps the item number and takes the new name.
    const NewItem made = MakeItem(vault_.partsFolder);
    ASSERT_EQ(made.hr, S_OK);
    ASSERT_EQ(Rename(made.id, 4, u"Widget.<item>"), S_OK);
    EXPECT_EQ(Text("SELECT item_name FROM items WHERE document_id = ?", {made.id}), u"Widget");
    EXPECT_EQ(Text("SELECT item_number FROM items WHERE document_id = ?", {made.id}), u"ITM-000001");
    EXPECT_EQ(LockedPath(made.id), u"C:\\Views\\Demo\\<items>\\Parts\\Widget.<item>");

    const LONG lockedByBob = AddItem(u"Bobs.<item>", vault_.itemsFolder);
    LockFor(lockedByBob, vault_.bob, u"{00000000-0000-0000-0000-000000000001}");
    const LONG elsewhere = AddItem(u"Elsewhere.<item>", vault_.itemsFolder);
    LockFor(elsewhere, vault_.alice, u"{00000000-0000-0000-0000-000000000002}");
    const struct {
        LONG id;
        LONG type;
        const char16_t* name;
        HRESULT expected;
    } cases[] = {
        {itemB_, 4, u"c.<item>", E_OXN_NAME_ALREADY_EXISTS},  // C lies in another folder
        {itemB_, 4, u".<item>", E_OXN_INVALID_NAME},
        {itemB_, 4, u"a\\b", E_OXN_INVALID_NAME},
        {itemB_, 4, u"", E_OXN_INVALID_NAME},
        {lockedByBob, 4, u"Mine", E_OXN_LOCKED_BY_ANOTHER_USER},
        {elsewhere, 4, u"Moved", E_OXN_LOCKED_IN_OTHER_FOLDER},
        {9999, 4, u"Ghost", E_OXN_FILE_NOT_FOUND},
        {vault_.bracket, 6, u"file", E_ITEM_INVALID_SOURCE},
        {vault_.itemsFolder, 3, u"Things", E_ITEM_INVALID_SOURCE},
    };
    for (const auto& c : cases) EXPECT_EQ(Rename(c.id, c.type, c.name), c.expected) << winapi::ToUtf8(c.name);
    EXPECT_EQ(Text("SELECT name FROM documents WHERE id = ?", {itemB_}), u"B.<item>");

    Grant(vault_.alice, 4, itemB_, BellquistLib::kAllUserRights & ~BellquistLib::UserRight_Write);
    EXPECT_EQ(Rename(itemB_, 4, u"Other"), E_OXN_PERMISSION_DENIED);
}

TEST_F(ItemChangesTest, ARenamedFolderMovesThePathsBelowItAndABomTakesItsName) {
    LONG deep = 0;
    ASSERT_EQ(NewFolder(vault_.partsFolder, u"Deep", &deep), S_OK);
    ASSERT_EQ(Rename(vault_.partsFolder, 3, u"Fasteners"), S_OK);
    EXPECT_EQ(FolderPath(vault_.partsFolder), u"\\<items>\\Fasteners\\");
    EXPECT_EQ(Text("SELECT name FROM folders WHERE id = ?", {vault_.partsFolder}), u"Fasteners");
    EXPECT_EQ(FolderPath(deep), u"\\<items>\\Fasteners\\Deep\\");
    EXPECT_EQ(LockedPath(itemA_), u"C:\\Views\\Demo\\<items>\\Fasteners\\A.<item>");
    LONG twin = 0;
    ASSERT_EQ(NewFolder(vault_.itemsFolder, u"Parts", &twin), S_OK) << "the old name is free";
    EXPECT_EQ(Rename(vault_.partsFolder, 3, u"PARTS"), E_OXN_NAME_ALREADY_EXISTS);
    EXPECT_EQ(Rename(vault_.partsFolder, 3, u"<bad>"), E_OXN_INVALID_NAME);

    ASSERT_EQ(Rename(bom_, 7, u"bracket parts list"), S_OK);
    EXPECT_EQ(Text("SELECT name FROM boms WHERE id = ?", {bom_}), u"bracket parts list");
    EXPECT_EQ(History(vaultdb::kHistoryRename, 7, bom_), 1);
    EXPECT_EQ(Rename(9999, 7, u"x"), E_OXN_BOM_NOT_FOUND);
}

TEST_F(ItemChangesTest, PathsOfTheViewResolveToTheVaultsFoldersAndDocuments) {
    com::ComPtr<TavroskClientLib::ITavroskFileInfo> fileInfo;
    ASSERT_EQ(client_->QueryInterface(IID_PPV_ARGS(&fileInfo)), S_OK);
    using BellquistLib::ItmObjectType;
    const struct {
        ItmObjectType type;
        const char16_t* path;
        const char16_t* name;
        ItmObjectType expectedType;
        LONG document;
        LONG project;
    } cases[] = {
        {BellquistLib::ItmObjectType_Project, u"\\", u"", BellquistLib::ItmObjectType_Project, 0, 1},
        {BellquistLib::ItmObjectType_Project, u"\\<items>\\Parts\\", u"", BellquistLib::ItmObjectType_Project, 0,
         vault_.partsFolder},
        {BellquistLib::ItmObjectType_Project, u"\\<items>\\", u"Parts", BellquistLib::ItmObjectType_Project, 0,
         vault_.partsFolder},
        {BellquistLib::ItmObjectType_File, u"\\Cad\\", u"bracket.zvkprt", BellquistLib::ItmObjectType_File,
         vault_.bracket, vault_.cadFolder},
        {BellquistLib::ItmObjectType_File, u"/CAD/", u"PLATE.ZVKPRT", BellquistLib::ItmObjectType_File, vault_.plate,
         vault_.cadFolder},
        {BellquistLib::ItmObjectType_File, u"\\<items>\\Parts\\", u"A.<item>", BellquistLib::ItmObjectType_Item, itemA_,
         vault_.partsFolder},
        {BellquistLib::ItmObjectType_File, u"\\Cad\\", u"local-only.txt", BellquistLib::ItmObjectType_File, 0, 0},
        {BellquistLib::ItmObjectType_Project, u"\\Nowhere\\", u"", BellquistLib::ItmObjectType_Project, 0, 0},
    };
    const ULONG count = sizeof(cases) / sizeof(cases[0]);
    InArray<ItmDbInfo> records(count);
    for (ULONG i = 0; i < count; ++i) {
        records[i].meItemType = cases[i].type;
        records[i].moItemPath = SysAllocString(cases[i].path);
        records[i].moItemName = SysAllocString(cases[i].name);
    }
    ASSERT_EQ(fileInfo->ResolvePaths(records.address()), S_OK);
    for (ULONG i = 0; i < count; ++i) {
        const std::u16string what = std::u16string(cases[i].path) + cases[i].name;
        EXPECT_EQ(records[i].meItemType, cases[i].expectedType) << winapi::ToUtf8(what);
        EXPECT_EQ(records[i].mlDocumentID, cases[i].document) << winapi::ToUtf8(what);
        EXPECT_EQ(records[i].mlProjectID, cases[i].project) << winapi::ToUtf8(what);
    }
    EXPECT_EQ(fileInfo->ResolvePaths(nullptr), E_POINTER);
}

TEST_F(ItemChangesTest, EveryOperationNeedsALogin) {
    com::ComPtr<TavroskClientLib::ITavroskClient> client = CreateClient();
    com::ComPtr<TavroskClientLib::ITavroskServices> services = Services(client);
    com::ComPtr<TavroskClientLib::ITavroskFolders> folders;
    com::ComPtr<TavroskClientLib::ITavroskFileInfo> fileInfo;
    ASSERT_EQ(client->QueryInterface(IID_PPV_ARGS(&folders)), S_OK);
    ASSERT_EQ(client->QueryInterface(IID_PPV_ARGS(&fileInfo)), S_OK);
    SAFEARRAY* array = nullptr;
    ItmObjectData* record = nullptr;
    BSTR stored = nullptr;
    LONG id = 0;
    CComBSTR name(u"x");
    EXPECT_EQ(services->ListFolder(vault_.itemsFolder, 0, 0, 3, nullptr, 0, &array), E_OXN_NOT_LOGGED_IN);
    EXPECT_EQ(services->CreateNewItem(vault_.itemsFolder, 3, &record), E_OXN_NOT_LOGGED_IN);
    EXPECT_EQ(services->Move(nullptr, vault_.itemsFolder), E_OXN_NOT_LOGGED_IN);
    EXPECT_EQ(services->Rename(itemA_, 0, 4, name), E_OXN_NOT_LOGGED_IN);
    EXPECT_EQ(folders->CreateNewItemFolder(vault_.itemsFolder, name, 0, &stored, &id), E_OXN_NOT_LOGGED_IN);
    EXPECT_EQ(fileInfo->ResolvePaths(&array), E_OXN_NOT_LOGGED_IN);
}

}  // namespace
