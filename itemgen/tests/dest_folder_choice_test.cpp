// The tree handler's destination folder over a real vault: the items root
// is found, or made on the first choice, and kept; the folder dialog of the
// project-selection library starts at the destination or at the folder the
// current path names, and its choice becomes the destination; a missing
// library or an items root that cannot be made is told to the user.
#include "dest_folder_fixture.h"
#include "handler_fixture.h"

#include "common/error_catalogue.h"
#include "common/error_codes.h"
#include "ui/message_box.h"
#include "ui/window_messages.h"
#include "ui_testing/scripted_prompter.h"

namespace itemgen_test {
namespace {

using vennacle_test::Sql;

class HandlerDestFolderTest : public coravent_test::HandlerTest {
protected:
    void SetUp() override {
        HandlerTest::SetUp();
        MakeHandler(CoraventLib::TreeCreationType_ItemGeneration);
    }

    // Deletes the item folders, as in a vault that has none yet.
    void DropItemFolders() {
        Sql(*vault_.db, "UPDATE vault SET root_item_folder_id = NULL");
        Sql(*vault_.db, "DELETE FROM folders WHERE id IN (?, ?)", {vault_.partsFolder, vault_.itemsFolder});
    }

    LONG ItemsFolderInVault() {
        return static_cast<LONG>(Sql(*vault_.db, "SELECT id FROM folders WHERE path_key = '\\<items>\\'"));
    }

    SharedLocation shared_{machine_.root()};
};

TEST_F(HandlerDestFolderTest, TheFirstChoiceMakesTheItemsRootAndKeepsIt) {
    DropItemFolders();
    ui_testing::ScriptedPrompter prompter;
    prompter.DriveDialog(kFolderDialog, [](ui::PromptedDialog& dialog) {
        EXPECT_EQ(dialog.Caption(), u"Select Destination Folder");
        EXPECT_EQ(dialog.ControlText(kFolderPathEdit), u"C:\\Vault\\<items>");
        dialog.PressButton(IDOK);
    });
    EXPECT_TRUE(handler_->mbChooseDestFolder(0, nullptr));
    const LONG made = ItemsFolderInVault();
    EXPECT_GT(made, 1);
    EXPECT_EQ(handler_->mlDestFolderID, made);
    // Kept for the handler's dialog run: no second lookup.
    Sql(*vault_.db, "UPDATE folders SET path_key = 'moved' WHERE id = ?", {made});
    EXPECT_EQ(handler_->mlGetItemsRootID(0), made);
}

TEST_F(HandlerDestFolderTest, StartsAtTheDestinationOrTheCurrentPathAndTakesTheChoice) {
    struct Case {
        const char* what;
        const char16_t* rootPath;
        LONG destination;
        const char16_t* currentPath;
        const char16_t* shownAtFirst;
        bool cancel;
        bool expected;
        LONG destinationAfter;
    } const cases[] = {
        {"no destination", u"C:\\Vault\\", 0, nullptr, u"C:\\Vault\\<items>", false, true, vault_.itemsFolder},
        {"destination 1", u"C:\\Vault\\", 1, nullptr, u"C:\\Vault\\<items>", false, true, vault_.itemsFolder},
        {"the destination", u"C:\\Vault\\", vault_.partsFolder, nullptr, u"C:\\Vault\\<items>\\Parts", false, true,
         vault_.partsFolder},
        {"the current path below a root with its backslash", u"C:\\Vault\\", 0, u"c:\\vault\\Parts",
         u"C:\\Vault\\<items>\\Parts", false, true, vault_.partsFolder},
        {"the current path below a root without one", u"C:\\Vault", 0, u"C:\\Vault\\Parts\\",
         u"C:\\Vault\\<items>\\Parts", false, true, vault_.partsFolder},
        {"the root itself", u"C:\\Vault\\", vault_.partsFolder, u"C:\\Vault", u"C:\\Vault\\<items>\\Parts", false, true,
         vault_.partsFolder},
        {"another drive", u"C:\\Vault\\", 0, u"D:\\Vault\\Parts", u"C:\\Vault\\<items>", false, true,
         vault_.itemsFolder},
        {"cancelled", u"C:\\Vault\\", vault_.partsFolder, nullptr, u"C:\\Vault\\<items>\\Parts", true, false,
         vault_.partsFolder},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MakeHandler(CoraventLib::TreeCreationType_ItemGeneration, c.rootPath);
        handler_->mlDestFolderID = c.destination;
        ui_testing::ScriptedPrompter prompter;
        prompter.DriveDialog(kFolderDialog, [&](ui::PromptedDialog& dialog) {
            EXPECT_EQ(dialog.ControlText(kFolderPathEdit), c.shownAtFirst);
            dialog.PressButton(c.cancel ? IDCANCEL : IDOK);
        });
        EXPECT_EQ(handler_->mbChooseDestFolder(0, c.currentPath), c.expected);
        EXPECT_EQ(handler_->mlDestFolderID, c.destinationAfter);
    }
}

TEST_F(HandlerDestFolderTest, AMissingLibraryLeavesTheDestination) {
    shared_.Put(SharedLibrary::None);
    handler_->mlDestFolderID = vault_.partsFolder;
    ui_testing::ScriptedPrompter prompter;
    prompter.AnswerMessageBox(IDOK, [](const ui::MessageBoxQuestion& question) {
        EXPECT_EQ(question.style, static_cast<UINT>(MB_ICONWARNING));
        EXPECT_NE(question.text.find(u"Could not load the dynamic link library"), std::u16string::npos);
    });
    EXPECT_FALSE(handler_->mbChooseDestFolder(0, nullptr));
    EXPECT_EQ(handler_->mlDestFolderID, vault_.partsFolder);
}

// A vault that refuses "<items>" as existing while it has none: the search
// ends and is told, and the folder dialog still runs (and finds no items
// root to show).
TEST_F(HandlerDestFolderTest, AnItemsRootThatCannotBeMadeIsToldOnce) {
    DropItemFolders();
    Sql(*vault_.db,
        "CREATE TRIGGER refuse_items BEFORE INSERT ON folders WHEN NEW.name = '<items>'"
        " BEGIN SELECT RAISE(ABORT, 'taken'); END");
    ui_testing::ScriptedPrompter prompter;
    prompter.AnswerMessageBox(IDOK, [](const ui::MessageBoxQuestion& question) {
        EXPECT_EQ(question.text, ErrorText(E_OXN_FOLDER_NOT_FOUND));
        EXPECT_EQ(question.caption, u"Select Destination Folder");
        EXPECT_EQ(question.style, static_cast<UINT>(MB_ICONERROR));
    });
    EXPECT_FALSE(handler_->mbChooseDestFolder(0, nullptr));
    EXPECT_EQ(handler_->mlDestFolderID, 0);
    EXPECT_EQ(ItemsFolderInVault(), -1);
}

}  // namespace
}  // namespace itemgen_test
