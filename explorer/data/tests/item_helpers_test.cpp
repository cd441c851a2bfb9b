// The item helpers: the type mask, item arrays, the child state of a row,
// and the name a row shows.
#include "explorer/data/tree_node.h"

#include "common/error_codes.h"

#include "item_helpers.h"
#include "item_objects.h"

#include "com/com_error.h"
#include "winapi/text.h"

using namespace BellquistLib;
using namespace item_objects;

namespace {

RefPtr<CCacheObj> Cached(IItmObject* item, LONG type, LONG id, std::u16string name = u"") {
    return RefPtr<CCacheObj>(new CCacheObj(RefPtr<CCacheObjInner>(new CCacheObjInner(nullptr, type, id, item, name))));
}

TEST(TypeMaskTest, EachKindAnswersItsBitAndTheAnyBit) {
    struct Case {
        LONG type;
        LONG matching;  // the one bit besides 0x400 that takes it
    } cases[] = {{2, 0x10}, {3, 0x10}, {4, 0x08}, {6, 0x02}, {7, 0x04}, {1, 0}, {5, 0}, {8, 0}};
    for (const Case& c : cases) {
        RefPtr<CCacheObj> object = Cached(nullptr, c.type, 1);
        for (LONG bit : {0x02, 0x04, 0x08, 0x10}) EXPECT_EQ(MatchesObjectTypeMask(object, bit), bit == c.matching);
        EXPECT_TRUE(MatchesObjectTypeMask(object, 0x400)) << c.type;
        EXPECT_FALSE(MatchesObjectTypeMask(object, 0)) << c.type;
    }
    EXPECT_TRUE(MatchesObjectTypeMask(Cached(nullptr, 6, 1), 0x02 | 0x08));
    EXPECT_FALSE(MatchesObjectTypeMask(nullptr, 0x400));
}

class ItemHelpersTest : public ItemObjectsTest {};

TEST_F(ItemHelpersTest, ItemArraysHoldTheItemsInOrder) {
    CComPtr<IItmObject> item = Item(7, 5, u"ITM-7");
    CComPtr<IItmObject> file = File(61, 5, 2, u"pump.part");
    SAFEARRAY* array = nullptr;
    ASSERT_EQ(CacheObjsToSafeArray({Cached(item, 4, 7), Cached(file, 6, 61)}, &array), S_OK);
    ASSERT_NE(array, nullptr);
    VARTYPE type = VT_EMPTY;
    EXPECT_EQ(SafeArrayGetVartype(array, &type), S_OK);
    EXPECT_EQ(type, VT_VARIANT);
    LONG lower = -1;
    EXPECT_EQ(SafeArrayGetLBound(array, 1, &lower), S_OK);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(ObjectsOf(array), (std::vector<CComPtr<IItmObject>>{item, file}));
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);

    ASSERT_EQ(ItemsToSafeArray({file.GetInterfacePtr()}, &array), S_OK);
    EXPECT_EQ(ObjectsOf(array), (std::vector<CComPtr<IItmObject>>{file}));
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

TEST_F(ItemHelpersTest, AnArrayThatCannotBeFilledIsNotHandedOut) {
    CComPtr<IItmObject> item = Item(7, 5, u"ITM-7");
    SAFEARRAY* array = reinterpret_cast<SAFEARRAY*>(this);
    EXPECT_EQ(CacheObjsToSafeArray({}, &array), E_OXN_NULL_VALUE);
    EXPECT_EQ(array, nullptr);
    EXPECT_EQ(CacheObjsToSafeArray({Cached(item, 4, 7)}, nullptr), E_OXN_NULL_VALUE);
    EXPECT_EQ(ItemsToSafeArray({}, &array), E_OXN_NULL_VALUE);
    // A missing item part way: the array made so far is destroyed (the
    // fixture counts arrays).
    EXPECT_EQ(ItemsToSafeArray({item.GetInterfacePtr(), nullptr, item.GetInterfacePtr()}, &array), E_OXN_NULL_VALUE);
    EXPECT_EQ(array, nullptr);
    EXPECT_EQ(CacheObjsToSafeArray({Cached(item, 4, 7), Cached(nullptr, 4, 8)}, &array), E_OXN_NULL_VALUE);
    EXPECT_EQ(CacheObjsToSafeArray({Cached(item, 4, 7), nullptr}, &array), E_OXN_NULL_VALUE);
    EXPECT_EQ(array, nullptr);
}

TEST_F(ItemHelpersTest, ChildStateTellsLoadedUnloadedAndNone) {
    CComPtr<IItmObject> withLink = Item(7, 5, u"ITM-7");
    ASSERT_EQ(Link(withLink, File(61, 5, 2, u"pump.part")), S_OK);
    ObjectRecord unloadedRecord = ItemRecord(8, 5, u"ITM-8");
    unloadedRecord.hasChildren = true;
    CComPtr<IItmObject> unloaded = Make(unloadedRecord);
    CComPtr<IItmObject> empty = Item(9, 5, u"ITM-9");
    CComPtr<IItmObject> file = File(62, 5, 2, u"pump2.part");
    CComPtr<IItmObject> plain = ItemWithoutLinkManager(ItemRecord(10, 5, u"ITM-10"));

    EXPECT_EQ(glGetNodeChildState(Cached(withLink, 4, 7)), kChildStateLoaded);
    EXPECT_EQ(glGetNodeChildState(Cached(unloaded, 4, 8)), kChildStateUnloaded);
    EXPECT_EQ(glGetNodeChildState(Cached(empty, 4, 9)), kChildStateNone);
    EXPECT_EQ(glGetNodeChildState(Cached(file, 6, 62)), kChildStateNone);
    EXPECT_EQ(glGetNodeChildState(Cached(plain, 4, 10)), kChildStateNone);
    EXPECT_EQ(glGetNodeChildState(Cached(nullptr, 4, 11)), kChildStateNone);
    EXPECT_EQ(glGetNodeChildState(nullptr), kChildStateNone);
}

TEST_F(ItemHelpersTest, ARowShowsTheLiveNameAndNoItemExtension) {
    struct Case {
        ObjectRecord record;
        LONG cachedId;
        std::u16string cachedName;
        std::u16string shown;
    } cases[] = {
        // The live name, not the cached one.
        {ItemRecord(7, 5, u"ITM-7"), 7, u"stale.<item>", u"ITM-7"},
        {FileRecord(61, 5, 2, u"pump.part"), 61, u"", u"pump.part"},
        {FolderRecord(5, 1, u"Pumps.<item>"), 5, u"", u"Pumps.<item>"},  // only items lose it
        // Id 0: the cached name.
        {ItemRecord(0, 5, u"NEW"), 0, u"ITM-0.<ITEM>", u"ITM-0"},
        {FileRecord(0, 5, 2, u"x.part"), 0, u"y.<item>", u"y.<item>"},
    };
    for (const Case& c : cases) {
        CComPtr<IItmObject> live = Make(c.record);
        RefPtr<CCacheObj> cached = Cached(live, c.record.type, c.cachedId, c.cachedName);
        RefPtr<CTreeNode> node(new CTreeNode(std::move(cached)));
        EXPECT_FALSE(cached);  // taken over
        EXPECT_EQ(node->GetDisplayName(), CString(c.shown.c_str())) << winapi::ToUtf8(c.shown);
        EXPECT_EQ(node->mpoLastRecord, nullptr);
    }
    // An item name without the extension is kept whole.
    ObjectRecord odd = ItemRecord(12, 5, u"x");
    odd.name = u"Pump assembly";
    RefPtr<CTreeNode> node(new CTreeNode(Cached(Make(odd), 4, 12)));
    EXPECT_EQ(node->GetDisplayName(), u"Pump assembly");
    // A failing live name shows nothing.
    RefPtr<CTreeNode> failing(new CTreeNode(Cached(Unloaded(CLSID_ItmFolder), 4, 13, u"cached.<item>")));
    EXPECT_EQ(failing->GetDisplayName(), u"");
    RefPtr<CTreeNode> none(new CTreeNode(RefPtr<CCacheObj>()));
    EXPECT_EQ(none->GetDisplayName(), u"");
}

}  // namespace
