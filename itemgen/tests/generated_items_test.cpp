// The generated items in the item cache and in the caller's records: the
// cache records and their paths, the grouping of items with their links, and
// the write into the cache file of the view's vault.
#include "generated_items.h"
#include "handler_fixture.h"

#include "com_testing/pending_error_info.h"
#include "common/desktop_ini.h"
#include "common/error_codes.h"
#include "itemstore/cache_location.h"
#include "itemstore/item_cache_file.h"
#include "itemstore/item_cache_lock.h"
#include "vennacle/item_db_data.h"
#include "winapi/guid_text.h"
#include "winapi/path_mapping.h"
#include "winapi/profile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace coravent_test;
using namespace BellquistLib;

constexpr GUID kView = com::MakeGuid("6A1D2E3F-4B5C-4D6E-8F70-8192A3B4C5D6");
constexpr GUID kOtherView = com::MakeGuid("0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9");
constexpr GUID kVaultId = com::MakeGuid("11223344-5566-4788-99AA-BBCCDDEEFF00");

// A row of a generation result: an item (type 4) under a folder or an item,
// or a file (6) linked to an item. Lives on the stack: its strings are its own.
struct Row : ItemDbData {
    Row(LONG parentType, LONG parent, LONG type, LONG id, const char16_t* name, const char16_t* path = u"\\<items>\\") {
        meParentDocType = parentType;
        mlParentObjectID = parent;
        meObjectType = type;
        mlObjectID = id;
        moFilename = name;
        moPath = path;
        meLinkType = LinkType_Dynamic;
        meLinkOperation = LinkOp_None;
        mlParentFolderID = 7;
        mlAttachedVersion = 3;
        moLockViewID = kView;
    }
};

// The list of the rows, not owning them.
struct Rows : Lst<ItemDbData*> {
    explicit Rows(std::initializer_list<Row*> rows) {
        for (Row* row : rows) AddTail(row);
    }
};

// The tree as "item: child, child" lines, in item-id order.
std::map<int32_t, std::vector<int32_t>> Shape(const ItemTree& tree) {
    std::map<int32_t, std::vector<int32_t>> shape;
    for (const auto& [item, children] : tree) {
        EXPECT_EQ(shape.count(item->mlObjectID), 0u) << "item " << item->mlObjectID << " paired twice";
        std::vector<int32_t>& ids = shape[item->mlObjectID];
        for (const RefPtr<ChildWithLink>& child : children) ids.push_back(child->mlObjectID);
    }
    return shape;
}

TEST(GeneratedItemsRecords, CacheRecordJoinsThePathAndTakesTheLinkAsAChild) {
    Row file(ItmObjectType_Item, 10, ItmObjectType_File, 20, u"a.<item>", u"\\Parts\\");
    file.meLinkType = LinkType_Static;
    file.mlConfigID = 5;
    file.moModified = 45000.5;
    RefPtr<ChildWithLink> asChild = coravent::goMakeCacheRecord(file, u"C:\\Vault\\\\", true);
    EXPECT_EQ(asChild->moPath(), u"C:\\Vault\\Parts\\a.<item>");
    EXPECT_EQ(asChild->moFileName(), u"a.<item>");
    EXPECT_EQ(asChild->mlObjectID, 20);
    EXPECT_EQ(asChild->meObjectType, ItmObjectType_File);
    EXPECT_EQ(asChild->mlParentProjectID, 7);
    EXPECT_EQ(asChild->mlAttachedVersion, 3);
    EXPECT_EQ(asChild->mlConfigID, 5);
    EXPECT_EQ(asChild->mdModifiedDate, 45000.5);
    EXPECT_EQ(asChild->mlDirty, 0);
    EXPECT_EQ(asChild->meLinkType, LinkType_Static);
    EXPECT_EQ(asChild->meInitialLinkType, LinkType_Static);
    EXPECT_EQ(asChild->meLinkOperation, LinkOp_None);
    EXPECT_EQ(asChild->meInitialLinkOperation, LinkOp_None);

    RefPtr<ChildWithLink> asItem = coravent::goMakeCacheRecord(file, u"C:\\Vault", false);
    EXPECT_EQ(asItem->moPath(), u"C:\\Vault\\Parts\\a.<item>");
    EXPECT_EQ(asItem->meLinkType, -1);
    EXPECT_EQ(asItem->meInitialLinkOperation, -1);
}

TEST(GeneratedItemsRecords, ItemsGroupedWithTheirLinksOnce) {
    Row first(ItmObjectType_ItemFolder, 3, ItmObjectType_Item, 10, u"A.<item>");
    Row link1(ItmObjectType_Item, 10, ItmObjectType_File, 20, u"a.prt");
    Row link2(ItmObjectType_Item, 10, ItmObjectType_File, 21, u"b.prt");
    Row alone(ItmObjectType_ItemFolder, 3, ItmObjectType_Item, 11, u"B.<item>");
    Row vaultRow(ItmObjectType_Item, 10, ItmObjectType_Vault, 1, u"Vault");
    Row stray(ItmObjectType_Item, 99, ItmObjectType_File, 22, u"c.prt");
    Row underRoot(ItmObjectType_Root_ItemFolder, 1, ItmObjectType_Item, 12, u"C.<item>");
    Row again(ItmObjectType_Vault, 1, ItmObjectType_Item, 11, u"B2.<item>");
    const Rows rows{&first, &link1, &vaultRow, &link2, &alone, &stray, &underRoot, &again};

    const ItemTree tree = coravent::goGroupGeneratedItems(rows, u"C:\\Vault");
    // Item 10 heads its links (the vault row is no child); 11 sits in a
    // folder and the vault alone, written once and as its later row; 12 under
    // the root item folder and the links of item 99 are not written.
    EXPECT_EQ(Shape(tree), (std::map<int32_t, std::vector<int32_t>>{{10, {20, 21}}, {11, {}}}));
    for (const auto& [item, children] : tree) {
        if (item->mlObjectID == 11) {
            EXPECT_EQ(item->moFileName(), u"B2.<item>");
        }
    }

    const Rows linksOnly{&stray};
    EXPECT_TRUE(coravent::goGroupGeneratedItems(linksOnly, u"C:\\Vault").empty());
}

TEST(GeneratedItemsRecords, ResultRecordCopiesEveryField) {
    Row row(ItmObjectType_ItemFolder, 3, ItmObjectType_Item, 10, u"A.<item>", u"\\<items>\\Parts\\");
    row.mlLocalVersion = 4;
    row.mlLatestVersion = 5;
    row.mlConfigID = -1;
    row.moConfigName = u"Default";
    row.moLockedBy = u"Alice";
    row.mlLockedBy = 2;
    row.moLockedPath = u"C:\\Vault\\Parts\\A.<item>";
    row.mlStatusID = 6;
    row.moState = u"Work";
    row.moModified = 45001.0;
    row.moDomain = u"WORK";
    row.mbHasChildren = 1;
    row.moAlternateName = u"alt";
    row.mbIsUpToDate = 1;
    ItmObjectData record{};
    coravent::gvMakeObjectData(row, record);
    EXPECT_EQ(record.mlParentObjectID, 3);
    EXPECT_EQ(record.meParentDocType, ItmObjectType_ItemFolder);
    EXPECT_EQ(record.meObjectType, ItmObjectType_Item);
    EXPECT_EQ(record.meLinkType, LinkType_Dynamic);
    EXPECT_EQ(record.meLinkOperation, LinkOp_None);
    EXPECT_EQ(record.mlObjectID, 10);
    EXPECT_EQ(record.mlParentProjectID, 7);
    EXPECT_EQ(record.mlAttachedVersion, 3);
    EXPECT_EQ(record.mlLocalVersion, 4);
    EXPECT_EQ(record.mlLatestVersion, 5);
    EXPECT_EQ(record.mlConfigID, -1);
    EXPECT_EQ(record.mlLockedBy, 2);
    EXPECT_EQ(record.mlStatusID, 6);
    EXPECT_EQ(record.moModified, 45001.0);
    EXPECT_EQ(record.moLockViewID, kView);
    EXPECT_EQ(record.mbHasChildren, VARIANT_TRUE);
    EXPECT_EQ(record.mbIsUpToDate, 1);
    EXPECT_EQ(record.mpoConnection, nullptr);
    EXPECT_EQ(record.mlResult, 0);
    EXPECT_EQ(record.mbsLinkedFile, nullptr);
    const std::pair<BSTR, const char16_t*> texts[] = {
        {record.moFilename, u"A.<item>"},
        {record.moPath, u"\\<items>\\Parts\\"},
        {record.moConfigName, u"Default"},
        {record.moLockedBy, u"Alice"},
        {record.moLockedPath, u"C:\\Vault\\Parts\\A.<item>"},
        {record.moState, u"Work"},
        {record.moDomain, u"WORK"},
        {record.moAlternateName, u"alt"},
    };
    for (const auto& [text, expected] : texts) {
        EXPECT_EQ(com::BstrView(text), expected);
        SysFreeString(text);
    }
}

// The write into the item cache of the view's vault.
class GeneratedItemsCacheTest : public HandlerTest {
protected:
    static constexpr char16_t kRoot[] = u"C:\\Vault\\";

    // The view folder names its vault in its desktop.ini.
    void NameTheVault() {
        std::filesystem::create_directories(winapi::ToPosixPath(kRoot));
        const std::u16string ini = std::u16string(kRoot) + u"desktop.ini";
        ASSERT_TRUE(
            WritePrivateProfileStringW(u"Tavrosk", u"VaultID", winapi::GuidToString(kVaultId).c_str(), ini.c_str()));
    }
    std::filesystem::path CacheFile() {
        std::u16string path;
        EXPECT_EQ(ghItemCacheFilePath(kVaultId, path), S_OK);
        return winapi::ToPosixPath(path);
    }
    // The children of `name` in the cache (E_OXN_FILE_NOT_FOUND: no list or no item).
    HRESULT ReadChildren(const std::u16string& name, std::vector<int32_t>& ids, std::u16string* path = nullptr) {
        RefPtr<CItemCacheFile> cache(new CItemCacheFile(kVaultId));
        CItemCacheLock lock(cache, kCacheLockDirect);
        RefPtr<ItemObject> item;
        if (HRESULT hr = cache->mhReadItem(lock, name, item); FAILED(hr)) return hr;
        if (path) *path = item->moPath();
        ChildList children;
        if (HRESULT hr = cache->mhReadChildren(lock, name, children); FAILED(hr)) return hr;
        for (const RefPtr<ChildWithLink>& child : children) ids.push_back(child->mlObjectID);
        return S_OK;
    }
};

TEST_F(GeneratedItemsCacheTest, ItemsWithTheirLinksLandInTheViewsCache) {
    NameTheVault();
    TestHandler& handler = MakeHandler(CoraventLib::TreeCreationType_ItemGeneration, kRoot);
    handler.moViewID = kView;
    Row item(ItmObjectType_ItemFolder, 3, ItmObjectType_Item, 10, u"A.<item>");
    Row link(ItmObjectType_Item, 10, ItmObjectType_File, 20, u"a.prt", u"\\Cad\\");
    Row alone(ItmObjectType_ItemFolder, 3, ItmObjectType_Item, 11, u"B.<item>");
    Row elsewhere(ItmObjectType_ItemFolder, 3, ItmObjectType_Item, 12, u"C.<item>");
    elsewhere.moLockViewID = kOtherView;
    Row elsewhereLink(ItmObjectType_Item, 12, ItmObjectType_File, 21, u"c.prt", u"\\Cad\\");
    Rows rows{&item, &link, &alone, &elsewhere, &elsewhereLink};
    ASSERT_EQ(handler.AddGeneratedItemsToCache(rows), S_OK);

    std::vector<int32_t> children;
    std::u16string path;
    ASSERT_EQ(ReadChildren(u"A.<item>", children, &path), S_OK);
    EXPECT_EQ(children, std::vector<int32_t>{20});
    EXPECT_EQ(path, u"C:\\Vault\\<items>\\A.<item>");
    // An item without links is cached without a list; an item checked out
    // to another view keeps no list.
    EXPECT_EQ(ReadChildren(u"B.<item>", children), E_OXN_FILE_NOT_FOUND);
    EXPECT_EQ(ReadChildren(u"C.<item>", children), E_OXN_FILE_NOT_FOUND);
    RefPtr<CItemCacheFile> cache(new CItemCacheFile(kVaultId));
    CItemCacheLock lock(cache, kCacheLockDirect);
    EXPECT_EQ(cache->mhItemExists(lock, u"B.<item>"), S_OK);
    EXPECT_EQ(cache->mhItemExists(lock, u"C.<item>"), S_OK);
}

TEST_F(GeneratedItemsCacheTest, AViewWithoutVaultIdWritesNoCache) {
    TestHandler& handler = MakeHandler(CoraventLib::TreeCreationType_ItemGeneration, kRoot);
    Row item(ItmObjectType_ItemFolder, 3, ItmObjectType_Item, 10, u"A.<item>");
    Rows rows{&item};
    EXPECT_EQ(handler.AddGeneratedItemsToCache(rows), E_OXN_MISSING_VIEW_INFO);
    EXPECT_EQ(com_testing::TakePendingDescription(), u"The view folder does not name its vault.");
    EXPECT_FALSE(std::filesystem::exists(CacheFile()));
}

TEST_F(GeneratedItemsCacheTest, AFailedWriteIsReported) {
    NameTheVault();
    // A folder where the cache file should be: the file cannot be opened.
    std::filesystem::create_directories(CacheFile());
    TestHandler& handler = MakeHandler(CoraventLib::TreeCreationType_ItemGeneration, kRoot);
    Row item(ItmObjectType_ItemFolder, 3, ItmObjectType_Item, 10, u"A.<item>");
    Rows rows{&item};
    EXPECT_TRUE(FAILED(handler.AddGeneratedItemsToCache(rows)));
}

}  // namespace
