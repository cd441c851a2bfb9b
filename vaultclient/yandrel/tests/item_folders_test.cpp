// The item folders a choice offers, read from the vault, and the paths a
// user sees and types for them.
#include "item_folders.h"
#include "yandrel_fixture.h"

#include "common/error_codes.h"
#include "vennacle/sp_project.h"
#include "winapi/text.h"

namespace yandrel_test {
namespace {

using yandrel::ItemFolder;
using yandrel::ItemFolderTree;

using ItemFoldersTest = YandrelTest;

TEST_F(ItemFoldersTest, ReadsTheRootAndEveryFolderBelowItDepthFirst) {
    ItemFolderTree tree;
    ASSERT_EQ(tree.Load(*Mgr().mpoGetProject(), vault_.itemsFolder), S_OK);
    std::u16string shown;
    for (const ItemFolder& folder : tree.Folders())
        shown += std::u16string(folder.depth, u'.') + ItemFolderTree::ShownPath(folder, kBasePath) + u"|" +
                 folder.vaultPath + u";";
    EXPECT_EQ(shown,
              u"C:\\Vault\\<items>|\\<items>\\;"
              u".C:\\Vault\\<items>\\Assemblies|\\<items>\\Assemblies\\;"
              u".C:\\Vault\\<items>\\Parts|\\<items>\\Parts\\;"
              u"..C:\\Vault\\<items>\\Parts\\Screws|\\<items>\\Parts\\Screws\\;");
    EXPECT_EQ(tree.Find(screws_)->parentId, vault_.partsFolder);
    EXPECT_EQ(tree.Find(vault_.cadFolder), nullptr);  // not below the root

    // A sub-tree of its own, and a root the vault does not have.
    ASSERT_EQ(tree.Load(*Mgr().mpoGetProject(), vault_.partsFolder), S_OK);
    EXPECT_EQ(tree.Folders().size(), 2u);
    EXPECT_EQ(tree.Load(*Mgr().mpoGetProject(), 4711), E_OXN_FOLDER_NOT_FOUND);
    EXPECT_TRUE(tree.Folders().empty());
}

TEST_F(ItemFoldersTest, FindsTheFolderOfATypedPath) {
    ItemFolderTree tree;
    ASSERT_EQ(tree.Load(*Mgr().mpoGetProject(), vault_.itemsFolder), S_OK);
    struct Case {
        const char16_t* path;
        const char16_t* basePath;
        int32_t expected;
    } const cases[] = {
        {u"C:\\Vault\\<items>", kBasePath, vault_.itemsFolder},
        {u"C:\\Vault\\<items>\\", kBasePath, vault_.itemsFolder},
        {u"C:\\Vault\\<items>", u"C:\\Vault\\<items>\\", vault_.itemsFolder},
        {u"c:\\VAULT\\<Items>\\parts\\screws\\", kBasePath, screws_},
        {u"C:\\Vault\\<items>\\Parts", kBasePath, vault_.partsFolder},
        {u"C:\\Vault\\<items>\\Screws", kBasePath, 0},   // not a folder of the root
        {u"C:\\Vault\\<items>Parts", kBasePath, 0},      // no separator after the base
        {u"C:\\Vault\\<items>\\\\Parts", kBasePath, 0},  // an empty name
        {u"D:\\Vault\\<items>\\Parts", kBasePath, 0},    // another base
        {u"C:\\Vault", kBasePath, 0},
        {u"", kBasePath, 0},
    };
    for (const Case& c : cases) {
        const ItemFolder* found = tree.FindShownPath(c.path, c.basePath);
        EXPECT_EQ(found ? found->id : 0, c.expected) << winapi::ToUtf8(c.path);
    }
}

}  // namespace
}  // namespace yandrel_test
