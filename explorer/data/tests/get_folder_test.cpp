#include "explorer/data/get_folder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The folder and the folder above it, each with exactly one backslash.
TEST(GetFolderTest, FolderAndParentOfAPath) {
    struct Case {
        const char16_t* path;
        const char16_t* folder;
        const char16_t* parent;
    };
    const Case cases[] = {
        {u"C:\\Vault\\<items>\\Parts\\Bracket.<item>", u"C:\\Vault\\<items>\\Parts\\", u"C:\\Vault\\<items>\\"},
        {u"C:\\Vault\\<items>\\Parts\\\\", u"C:\\Vault\\<items>\\Parts\\", u"C:\\Vault\\<items>\\"},
        {u"C:\\Vault\\<items>\\Parts\\", u"C:\\Vault\\<items>\\Parts\\", u"C:\\Vault\\<items>\\"},
        {u"C:\\Vault\\Bracket.sldprt", u"C:\\Vault\\", u"C:\\"},
        {u"C:\\Bracket.sldprt", u"C:\\", u"C:\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path, c.path + std::char_traits<char16_t>::length(c.path)));
        HelperUtilsNS::GetFolder folder(c.path);
        ASSERT_TRUE(folder.mbGetParentFolder());  // works out the folder first
        EXPECT_EQ(folder.Folder(), c.folder);
        EXPECT_EQ(folder.ParentFolder(), c.parent);
        ASSERT_TRUE(folder.mbGetFolder());
        EXPECT_EQ(folder.Folder(), c.folder);
    }
}

TEST(GetFolderTest, EmptyPathHasNoFolder) {
    HelperUtilsNS::GetFolder folder;
    EXPECT_FALSE(folder.mbGetFolder());
    EXPECT_FALSE(folder.mbGetParentFolder());
    EXPECT_TRUE(folder.Folder().empty());
    EXPECT_TRUE(folder.ParentFolder().empty());
}

}  // namespace

#include "explorer/data/cache_obj.h"
#include "explorer/data/tree_node.h"

#include "item_objects.h"

namespace {

using namespace item_objects;

class GetFolderItemTest : public ItemObjectsTest {};

RefPtr<CTreeNode> NodeOf(IItmObject* item, LONG type, LONG id) {
    return RefPtr<CTreeNode>(new CTreeNode(
        RefPtr<CCacheObj>(new CCacheObj(RefPtr<CCacheObjInner>(new CCacheObjInner(nullptr, type, id, item, u""))))));
}

// The path comes from the node's object for a vault, item folder or item
// only; the folder resolves from it as from any path.
TEST_F(GetFolderItemTest, FolderOfTheNodesObject) {
    struct Case {
        const char* what;
        ObjectRecord record;
        bool found;
        std::u16string folder;
        std::u16string parent;
    };
    ObjectRecord item = ItemRecord(7, 5, u"Pump");
    item.path = u"C:\\Vault\\<items>\\Pumps\\Pump.<item>";
    ObjectRecord folder = FolderRecord(5, 1, u"Pumps");
    folder.path = u"C:\\Vault\\<items>\\Pumps\\";
    ObjectRecord vault = VaultRecord(1);
    vault.path = u"C:\\Vault\\<items>\\";
    const Case cases[] = {
        {"item", item, true, u"C:\\Vault\\<items>\\Pumps\\", u"C:\\Vault\\<items>\\"},
        {"item folder", folder, true, u"C:\\Vault\\<items>\\Pumps\\", u"C:\\Vault\\<items>\\"},
        {"vault", vault, true, u"C:\\Vault\\<items>\\", u"C:\\Vault\\"},
        {"file", FileRecord(61, 5, 2, u"pump.part"), false, u"", u""},
        {"BOM", BomRecord(62, 5, 2, u"pump.part"), false, u"", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CComPtr<IItmObject> object = Make(c.record);
        HelperUtilsNS::GetFolderItem resolver(NodeOf(object, c.record.type, c.record.id));
        EXPECT_EQ(resolver.mbGetFolder(), c.found);
        EXPECT_EQ(resolver.mbGetParentFolder(), c.found);
        EXPECT_EQ(resolver.Folder(), c.folder);
        EXPECT_EQ(resolver.ParentFolder(), c.parent);
    }
}

TEST_F(GetFolderItemTest, AGivenPathWinsAndAnUnusableNodeHasNoFolder) {
    CComPtr<IItmObject> file = File(61, 5, 2, u"pump.part");
    HelperUtilsNS::GetFolderItem given(NodeOf(file, 6, 61), u"C:\\Vault\\Pumps\\pump.part");
    ASSERT_TRUE(given.mbGetFolder());
    EXPECT_EQ(given.Folder(), u"C:\\Vault\\Pumps\\");

    // The type the object answers counts, not the one cached; an object
    // without data answers none.
    CComPtr<IItmObject> unloaded = Unloaded(BellquistLib::CLSID_ItmFolder);
    HelperUtilsNS::GetFolderItem noData(NodeOf(unloaded, 3, 5));
    EXPECT_FALSE(noData.mbGetFolder());
    HelperUtilsNS::GetFolderItem noItem(NodeOf(nullptr, 3, 5));
    EXPECT_FALSE(noItem.mbGetFolder());
    HelperUtilsNS::GetFolderItem noNode(nullptr);
    EXPECT_FALSE(noNode.mbGetParentFolder());
}

}  // namespace
