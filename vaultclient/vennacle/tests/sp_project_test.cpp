// Item folders by vault path, over a real vault database.
#include "vault_seed.h"

#include "common/error_codes.h"
#include "vennacle/sp_project.h"

namespace {

using namespace vennacle_test;

using SpProjectTest = VennacleTest;

TEST_F(SpProjectTest, FindsFoldersByPathInAnyCase) {
    SpProject* project = Mgr().mpoGetProject();
    struct Case {
        const char16_t* path;
        LONG expected;
    };
    const Case cases[] = {
        {u"\\<items>\\", vault_.itemsFolder},
        {u"\\<ITEMS>\\parts\\", vault_.partsFolder},
        {u"\\<items>\\Parts", vault_.partsFolder},  // the trailing backslash is added
        {u"\\<items>\\Gears\\", 0},
        {u"\\<items>\\Parts\\Sub\\", 0},
    };
    for (const Case& c : cases) {
        LONG id = -5;
        EXPECT_EQ(project->mhGetProjectIDFromDbPath(&id, c.path), S_OK);
        EXPECT_EQ(id, c.expected) << std::u16string(c.path).size();
    }
    EXPECT_EQ(project->mhGetProjectIDFromDbPath(nullptr, u"\\<items>\\"), E_POINTER);
}

TEST_F(SpProjectTest, GivesTheVaultPathOfAFolder) {
    SpProject* project = Mgr().mpoGetProject();
    SpStr path;
    ASSERT_EQ(project->mhGetProjectPath(vault_.partsFolder, &path), S_OK);
    EXPECT_EQ(path.View(), u"\\<items>\\Parts\\");
    EXPECT_EQ(project->mhGetProjectPath(9999, &path), E_OXN_FOLDER_NOT_FOUND);
    EXPECT_EQ(path.View(), u"\\<items>\\Parts\\");
}

TEST_F(SpProjectTest, ListsTheFoldersBelowAFolderByName) {
    AddFolder(*vault_.db, vault_.itemsFolder, u"gears", u"\\<items>\\gears\\");
    AddFolder(*vault_.db, vault_.itemsFolder, u"Bolts", u"\\<items>\\Bolts\\");
    AddFolder(*vault_.db, vault_.partsFolder, u"Sub", u"\\<items>\\Parts\\Sub\\");
    SpProject* project = Mgr().mpoGetProject();
    const auto names = [&](LONG parent) {
        std::vector<SpProjectData> folders(1);  // replaced
        EXPECT_EQ(project->mhGetSubProjects(parent, folders), S_OK);
        std::u16string text;
        for (const SpProjectData& folder : folders) {
            EXPECT_GT(folder.mlProjectID, 1);
            text += std::u16string(folder.moName.View()) + u";";
        }
        return text;
    };
    EXPECT_EQ(names(vault_.itemsFolder), u"Bolts;gears;Parts;");
    EXPECT_EQ(names(vault_.partsFolder), u"Sub;");
    EXPECT_EQ(names(4711), u"");
}

TEST_F(SpProjectTest, AddsTheItemsRootOnce) {
    // A vault without item folders yet.
    Sql(*vault_.db, "UPDATE vault SET root_item_folder_id = NULL");
    Sql(*vault_.db, "DELETE FROM folders WHERE id IN (?, ?)", {vault_.partsFolder, vault_.itemsFolder});
    SpProject* project = Mgr().mpoGetProject();
    LONG id = -1;
    ASSERT_EQ(project->mhGetProjectIDFromDbPath(&id, u"\\<items>\\"), S_OK);
    EXPECT_EQ(id, 0);

    SpProjectData data;
    data.moName = u"<items>";
    ASSERT_EQ(project->mhAddProject(1, 2, data, 2, false, false), S_OK);
    EXPECT_GT(data.mlProjectID, 1);
    EXPECT_EQ(project->mhGetProjectIDFromDbPath(&id, u"\\<Items>\\"), S_OK);
    EXPECT_EQ(id, data.mlProjectID);
    EXPECT_EQ(Sql(*vault_.db, "SELECT root_item_folder_id FROM vault"), data.mlProjectID);

    SpProjectData again;
    again.moName = u"<ITEMS>";
    EXPECT_EQ(project->mhAddProject(1, 2, again, 2, false, false), E_OXN_NAME_ALREADY_EXISTS);
    EXPECT_EQ(again.mlProjectID, 0);
    EXPECT_EQ(Sql(*vault_.db, "SELECT COUNT(*) FROM folders WHERE path_key = '\\<items>\\'"), 1);

    SpProjectData bad;
    bad.moName = u"a\\b";
    EXPECT_EQ(project->mhAddProject(1, 2, bad, 2, false, false), E_OXN_INVALID_NAME);
    bad.moName = u"Orphan";
    EXPECT_EQ(project->mhAddProject(4711, 2, bad, 2, false, false), E_OXN_FOLDER_NOT_FOUND);
}

}  // namespace
