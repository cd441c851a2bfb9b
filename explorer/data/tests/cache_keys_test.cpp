// The cached objects and the keys of the item cache: byte order, identity,
// the occurrences an object belongs under, and the values read once.
#include "explorer/data/cache_keys.h"
#include "explorer/data/cache_obj.h"

#include "common/error_codes.h"

#include "item_helpers.h"
#include "item_objects.h"

#include "com/com_error.h"

#include <map>
#include <vector>

using namespace BellquistLib;
using namespace item_objects;

namespace {

bool operator<(const CacheLinkKey& a, const CacheLinkKey& b) { return CacheKeyLess()(a, b); }

TEST(CacheKeyOrderTest, KeysCompareAsTheirBytes) {
    // Little-endian images: 256 is 00 01 00 00, 1 is 01 00 00 00.
    EXPECT_TRUE(CacheKeyLess()(CacheObjKey{4, 256, -1}, CacheObjKey{4, 1, -1}));
    EXPECT_FALSE(CacheKeyLess()(CacheObjKey{4, 1, -1}, CacheObjKey{4, 256, -1}));
    // -1 (FF FF FF FF) after every value whose low byte is below FF.
    EXPECT_TRUE(CacheKeyLess()(CacheObjKey{6, 9, 254}, CacheObjKey{6, 9, -1}));
    EXPECT_TRUE(CacheKeyLess()(CacheObjKey{6, 9, 255}, CacheObjKey{6, 9, -1}));
    EXPECT_TRUE(CacheKeyLess()(CacheObjKey{6, 9, 256}, CacheObjKey{6, 9, 255}));  // 00 01 before FF 00
    EXPECT_TRUE(CacheLinkKey(4, 3, 7, 256, -1) < CacheLinkKey(4, 3, 7, 1, -1));

    std::map<CacheObjKey, int, CacheKeyLess> map{{{4, 1, -1}, 1}, {{4, 256, -1}, 256}, {{4, 2, -1}, 2}};
    std::vector<int> order;
    for (const auto& [key, value] : map) order.push_back(value);
    EXPECT_EQ(order, (std::vector<int>{256, 1, 2}));
    EXPECT_TRUE((CacheObjKey{3, 5, -1} == CacheObjKey{3, 5, -1}));
    EXPECT_FALSE((CacheObjKey{3, 5, -1} == CacheObjKey{2, 5, -1}));
}

TEST(CacheKeyOrderTest, VaultAndProjectCountAsItemFolderInLinkKeys) {
    EXPECT_EQ(NormalizeLinkKeyType(ItmObjectType_Vault), ItmObjectType_ItemFolder);
    EXPECT_EQ(NormalizeLinkKeyType(ItmObjectType_Project), ItmObjectType_ItemFolder);
    for (LONG kept : {1, 3, 4, 6, 7}) EXPECT_EQ(NormalizeLinkKeyType(kept), kept);
}

class CacheObjectsTest : public ItemObjectsTest {};

TEST_F(CacheObjectsTest, IdentityCarriesTheConfigurationOfFilesAndBomsOnly) {
    struct Case {
        CComPtr<IItmObject> object;
        CacheObjKey expected;
    };
    ObjectRecord itemWithConfig = ItemRecord(7, 5, u"ITM-7");
    itemWithConfig.configId = 12;  // an item's configuration is not part of its key
    std::vector<Case> cases{
        {File(61, 5, 2, u"pump.part"), {6, 61, 2}},
        {Bom(62, 5, 3, u"pump.bom"), {7, 62, 3}},
        {Make(itemWithConfig), {4, 7, -1}},
        {Folder(5, 1, u"Pumps"), {3, 5, -1}},
        {Vault(1), {2, 1, -1}},
    };
    for (const Case& c : cases) {
        CacheObjKey key{};
        EXPECT_EQ(ReadObjectIdentity(c.object, key), S_OK);
        EXPECT_TRUE(key == c.expected) << key.meObjectType << " " << key.mlObjectID << " " << key.mlConfigID;
    }
    CacheObjKey key{};
    EXPECT_EQ(ReadObjectIdentity(nullptr, key), E_POINTER);
}

TEST_F(CacheObjectsTest, AFileWithoutItsInterfaceOrAFailingReadRaises) {
    // The plain object class answers no IItmFile, though its record says file.
    CComPtr<IItmObject> plainFile = MakeObject(CLSID_ItmObject, FileRecord(61, 5, 2, u"pump.part"));
    CacheObjKey key{};
    try {
        ReadObjectIdentity(plainFile, key);
        ADD_FAILURE() << "no raise";
    } catch (const _com_error& e) {
        EXPECT_EQ(e.Error(), E_NOINTERFACE);
    }
    try {
        MakeLinkKey(Unloaded(CLSID_ItmFolder), 3, 5);
        ADD_FAILURE() << "no raise";
    } catch (const _com_error& e) {
        EXPECT_EQ(e.Error(), E_POINTER);
    }
    try {
        MakeLinkKey(nullptr, 3, 5);
        ADD_FAILURE() << "no raise";
    } catch (const _com_error& e) {
        EXPECT_EQ(e.Error(), E_POINTER);
    }
    SetErrorInfo(0, nullptr);
}

TEST_F(CacheObjectsTest, LinkKeysNormaliseBothTypes) {
    CComPtr<IItmObject> vault = Vault(1);
    CacheLinkKey key = MakeLinkKey(vault, ItmObjectType_Project, 0);
    EXPECT_TRUE((key == CacheLinkKey{3, 3, 0, 1, -1}));
    EXPECT_EQ(MakeFolderLinkKey(vault, key), S_OK);
    EXPECT_TRUE((key == CacheLinkKey{3, 3, 0, 1, -1}));

    CComPtr<IItmObject> file = File(61, 5, 2, u"pump.part");
    EXPECT_EQ(MakeFolderLinkKey(file, key), S_OK);
    EXPECT_TRUE((key == CacheLinkKey{6, 3, 5, 61, 2}));

    // Under an item occurrence the parent type is 4; under anything else 3.
    CComPtr<IItmObject> item = Item(7, 5, u"ITM-7");
    RefPtr<CCacheObj> underItem(new CCacheObj(
        RefPtr<CCacheObjInner>(new CCacheObjInner(nullptr, ItmObjectType_Item, 7, item, u"ITM-7.<item>")), 3, 5));
    EXPECT_TRUE((MakeChildLinkKey(underItem, file) == CacheLinkKey{6, 4, 7, 61, 2}));
    RefPtr<CCacheObj> underVault(new CCacheObj(
        RefPtr<CCacheObjInner>(new CCacheObjInner(nullptr, ItmObjectType_Vault, 1, vault, u"<items>")), 3, 0));
    EXPECT_TRUE((MakeChildLinkKey(underVault, item) == CacheLinkKey{4, 3, 1, 7, -1}));
}

TEST_F(CacheObjectsTest, OwnLinkKeysPutThePlaceUnderTheItemFirst) {
    auto keysOf = [](const ObjectRecord& record) {
        CComPtr<IItmObject> object = Make(record);
        RefPtr<CCacheObjInner> inner(new CCacheObjInner(nullptr, record.type, record.id, object, record.name));
        std::vector<CacheLinkKey> keys;
        EXPECT_EQ(GetOwnLinkKeys(*inner, keys), S_OK);
        return keys;
    };
    std::vector<CacheLinkKey> keys = keysOf(UnderItem(FileRecord(61, 5, 2, u"pump.part"), 7));
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_TRUE((keys[0] == CacheLinkKey{6, 4, 7, 61, 2}));
    EXPECT_TRUE((keys[1] == CacheLinkKey{6, 3, 5, 61, 2}));

    // A parent item id of 0 gives no place under an item.
    keys = keysOf(UnderItem(FileRecord(61, 5, 2, u"pump.part"), 0));
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_TRUE((keys[0] == CacheLinkKey{6, 3, 5, 61, 2}));

    // In its folder: the folder place only; the vault root: its own only.
    keys = keysOf(ItemRecord(7, 5, u"ITM-7"));
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_TRUE((keys[0] == CacheLinkKey{4, 3, 5, 7, -1}));
    ObjectRecord vault = UnderItem(VaultRecord(1), 9);  // whatever its parent says
    keys = keysOf(vault);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_TRUE((keys[0] == CacheLinkKey{3, 3, 0, 1, -1}));
}

TEST_F(CacheObjectsTest, LocalVersionIsReadOnceAndADirtyItemStaysDirtyUntilReplaced) {
    ObjectRecord record = ItemRecord(7, 5, u"ITM-7");
    record.localVersion = 4;
    record.dirty = true;
    CComPtr<IItmObject> item = Make(record);
    RefPtr<CCacheObjInner> inner(new CCacheObjInner(nullptr, 4, 7, item, record.name));
    RefPtr<CCacheObj> occurrence(new CCacheObj(inner));
    EXPECT_EQ(occurrence->mlParentID, 5);
    EXPECT_EQ(occurrence->meParentType, ItmObjectType_ItemFolder);

    EXPECT_EQ(inner->mlGetLocalVersion(), -1);
    ASSERT_EQ(item->put_IsDirty(VARIANT_FALSE), S_OK);
    EXPECT_EQ(inner->mlGetLocalVersion(), -1);  // not asked again

    inner->mvSetItem(item);  // the same object: read again
    EXPECT_EQ(inner->mlGetLocalVersion(), 4);
    ASSERT_EQ(item->put_LocalVersion(6), S_OK);
    EXPECT_EQ(inner->mlGetLocalVersion(), 4);  // kept

    // Changed here now: dirty, dated to the second, read again.
    occurrence->mvSetModifiedNow();
    VARIANT_BOOL dirty = VARIANT_FALSE;
    EXPECT_EQ(item->get_IsDirty(&dirty), S_OK);
    EXPECT_EQ(dirty, VARIANT_TRUE);
    const DATE modified = inner->mdGetModifiedDate();
    EXPECT_GT(modified, 40000.0);
    EXPECT_DOUBLE_EQ(modified * 86400.0, static_cast<double>(static_cast<long long>(modified * 86400.0 + 0.5)));
    EXPECT_EQ(inner->mlGetLocalVersion(), -1);
}

TEST_F(CacheObjectsTest, AccessorsWithoutAnItemOrWithAFailingOneGiveTheirDefaults) {
    RefPtr<CCacheObjInner> empty(new CCacheObjInner(nullptr, 4, 7, nullptr, u"ITM-7.<item>"));
    RefPtr<CCacheObj> occurrence(new CCacheObj(empty));
    EXPECT_EQ(occurrence->mlParentID, -1);
    EXPECT_EQ(occurrence->mlGetParentProjectID(), -1);
    EXPECT_EQ(empty->mlGetLocalVersion(), 0);
    EXPECT_EQ(empty->mdGetModifiedDate(), 0.0);
    EXPECT_TRUE(empty->moGetLockViewID() == GUID_NULL);
    occurrence->mvSetModifiedNow();  // nothing to mark

    RefPtr<CCacheObjInner> failing(new CCacheObjInner(nullptr, 4, 7, Unloaded(CLSID_ItmFolder), u""));
    RefPtr<CCacheObj> failingOccurrence(new CCacheObj(failing));
    EXPECT_EQ(failingOccurrence->mlParentID, -1);
    EXPECT_EQ(failingOccurrence->mlGetParentProjectID(), -1);
    EXPECT_EQ(failing->mdGetModifiedDate(), 0.0);
    EXPECT_TRUE(failing->moGetLockViewID() == GUID_NULL);

    ObjectRecord locked = ItemRecord(7, 5, u"ITM-7");
    locked.lockViewId = com::MakeGuid("11111111-2222-3333-4444-555555555555");
    RefPtr<CCacheObjInner> lockedInner(new CCacheObjInner(nullptr, 4, 7, Make(locked), u""));
    EXPECT_TRUE(lockedInner->moGetLockViewID() == locked.lockViewId);
    SetErrorInfo(0, nullptr);
}

TEST_F(CacheObjectsTest, TheMakerReadsNameIdAndType) {
    RefPtr<CCacheObj> made;
    EXPECT_EQ(MakeCacheObj(nullptr, nullptr, made), E_POINTER);
    CComPtr<IItmObject> file = File(61, 5, 2, u"pump.part");
    EXPECT_EQ(MakeCacheObj(file, nullptr, made), E_POINTER);  // no vault cache
    EXPECT_EQ(MakeCacheObj(Unloaded(CLSID_ItmFile), reinterpret_cast<CCache*>(this), made), E_ITEM_INVALID_OBJECT);
    EXPECT_FALSE(made);

    auto* cache = reinterpret_cast<CCache*>(this);  // only kept, never used
    ASSERT_EQ(MakeCacheObj(file, cache, made), S_OK);
    EXPECT_EQ(made->meParentType, ItmObjectType_ItemFolder);
    EXPECT_EQ(made->mlParentID, 5);
    EXPECT_EQ(made->moInner->meType, ItmObjectType_File);
    EXPECT_EQ(made->moInner->mlID, 61);
    EXPECT_EQ(made->moInner->moName, u"pump.part");
    EXPECT_EQ(made->moInner->mpoCache, cache);
    EXPECT_EQ(made->moInner->mpoItem, file);
    EXPECT_EQ(made->moInner->mbComplete, 0);
    EXPECT_FALSE(made->moInner->mbRemoved);
}

}  // namespace
