// The item objects the data layer's tests are built on answer as the
// explorer expects of the item server's objects.
#include "item_objects.h"

#include <tuple>

using namespace BellquistLib;
using namespace item_objects;

namespace {

class ItemObjectsContractTest : public ItemObjectsTest {};

TEST_F(ItemObjectsContractTest, ObjectsAnswerTheirRecords) {
    CComPtr<IItmObject> file = File(61, 5, 2, u"pump.part");
    ASSERT_NE(file, nullptr);
    ItmObjectType type{};
    LONG id = 0, project = 0, config = 0;
    EXPECT_EQ(file->get_Type(&type), S_OK);
    EXPECT_EQ(file->get_ID(&id), S_OK);
    EXPECT_EQ(file->get_ParentProjectID(&project), S_OK);
    EXPECT_EQ(CComQIPtr<IItmFile>(file)->get_ConfigID(&config), S_OK);
    EXPECT_EQ(std::tuple(type, id, project, config), std::tuple(ItmObjectType_File, 61L, 5L, 2L));
    CComPtr<IItmLinkManager> none;
    EXPECT_TRUE(FAILED(file->get_LinkManager(&none)));

    CComPtr<IItmObject> bom = Bom(62, 5, 3, u"pump.bom");
    EXPECT_EQ(CComQIPtr<IItmBOM>(bom)->get_ConfigID(&config), S_OK);
    EXPECT_EQ(config, 3);

    CComPtr<IItmObject> plain = ItemWithoutLinkManager(ItemRecord(7, 5, u"ITM-1"));
    EXPECT_EQ(plain->get_LinkManager(&none), E_POINTER);
    SetErrorInfo(0, nullptr);  // the server's description of the missing manager
}

TEST_F(ItemObjectsContractTest, LinkedItemsAnswerTheirLinks) {
    CComPtr<IItmObject> item = Item(7, 5, u"ITM-1");
    CComPtr<IItmObject> child = Make(UnderItem(ItemRecord(8, 5, u"ITM-2"), 7));
    CComPtr<IItmObject> file = File(61, 5, 2, u"pump.part");
    ItmObjectType type{};
    EXPECT_EQ(item->get_Type(&type), S_OK);
    EXPECT_EQ(type, ItmObjectType_Item);
    EXPECT_EQ(Link(item, file), S_OK);
    EXPECT_EQ(Link(item, child), S_OK);
    EXPECT_EQ(LinkIds(item), (std::vector<LinkId>{{4, 8, -1}, {6, 61, 2}}));  // the manager's order
    EXPECT_TRUE(LinkIds(child).empty());

    ItemArray array{item.GetInterfacePtr(), nullptr, ItemArray::Element::Number(3)};
    std::vector<CComPtr<IItmObject>> back = ObjectsOf(array.get());
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0], item);
    EXPECT_EQ(back[1], nullptr);
    EXPECT_EQ(back[2], nullptr);
}

}  // namespace
