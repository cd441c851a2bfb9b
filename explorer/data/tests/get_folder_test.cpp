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
