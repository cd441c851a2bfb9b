// A folder choice as the prompter meets it: the dialog starts at the
// caller's folder, a typed path and a chosen row agree, OK takes the folder
// the path names (and refuses a path that names none), Cancel chooses
// nothing; and the same through the shared library's export, loaded by name.
#include "folder_choice.h"
#include "folder_dialog.h"
#include "yandrel_fixture.h"

#include "com/bstr.h"
#include "ui/message_box.h"
#include "ui/window_messages.h"
#include "ui_testing/scripted_prompter.h"
#include "winapi/modules.h"
#include "winapi/text.h"
#include "yandrel/sel_proj.h"

#include <functional>

namespace yandrel_test {
namespace {

using yandrel::FolderDialog;
using yandrel::IDC_SELPROJ_PATH;

class FolderChoiceTest : public YandrelTest {
protected:
    yandrel::FolderChoice Choice(LONG initialFolderId, LONG itemsRootId) {
        yandrel::FolderChoice choice;
        choice.initialFolderId = initialFolderId;
        choice.itemsRootId = itemsRootId;
        choice.spMgr = &Mgr();
        choice.basePath = kBasePath;
        choice.caption = u"Select Destination Folder";
        return choice;
    }
};

TEST_F(FolderChoiceTest, TakesTheFolderThePathNames) {
    using Script = std::function<void(ui::PromptedDialog&)>;
    struct Case {
        const char* what;
        LONG initial;
        const char16_t* shownAtFirst;
        Script script;
        LONG expected;  // a folder of the fixture, by a getter
    };
    const auto press = [](int id) { return [id](ui::PromptedDialog& d) { EXPECT_TRUE(d.PressButton(id)); }; };
    const auto type = [](const char16_t* path) {
        return [path](ui::PromptedDialog& d) {
            EXPECT_TRUE(d.SetControlText(IDC_SELPROJ_PATH, path));
            EXPECT_TRUE(d.PressButton(IDOK));
        };
    };
    const Case cases[] = {
        {"the initial folder", vault_.partsFolder, u"C:\\Vault\\<items>\\Parts", press(IDOK), vault_.partsFolder},
        {"an unknown initial folder starts at the root", 4711, kBasePath, press(IDOK), vault_.itemsFolder},
        {"no initial folder starts at the root", 0, kBasePath, press(IDOK), vault_.itemsFolder},
        {"a folder outside the root starts at the root", vault_.cadFolder, kBasePath, press(IDOK), vault_.itemsFolder},
        {"a typed path in any case", vault_.partsFolder, u"C:\\Vault\\<items>\\Parts",
         type(u"c:\\vault\\<ITEMS>\\parts\\screws\\"), screws_},
        {"cancel", vault_.partsFolder, u"C:\\Vault\\<items>\\Parts", press(IDCANCEL), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ui_testing::ScriptedPrompter prompter;
        prompter.DriveDialog(yandrel::kFolderDialogName, [&](ui::PromptedDialog& dialog) {
            EXPECT_EQ(dialog.Caption(), u"Select Destination Folder");
            EXPECT_EQ(dialog.ControlText(IDC_SELPROJ_PATH), c.shownAtFirst);
            c.script(dialog);
        });
        std::u16string vaultPath = u"unchanged";
        EXPECT_EQ(yandrel::ChooseItemFolder(Choice(c.initial, vault_.itemsFolder), vaultPath), c.expected);
        if (c.expected == screws_) {
            EXPECT_EQ(vaultPath, u"\\<items>\\Parts\\Screws\\");
        }
        if (c.expected == 0) {
            EXPECT_EQ(vaultPath, u"unchanged");
        }
    }
}

TEST_F(FolderChoiceTest, ShowsTheTreeAndKeepsRowAndPathInLine) {
    ui_testing::ScriptedPrompter prompter;
    prompter.DriveDialog(yandrel::kFolderDialogName, [&](ui::PromptedDialog& prompted) {
        auto& dialog = dynamic_cast<FolderDialog&>(prompted);
        EXPECT_EQ(dialog.ShownRows(),
                  (std::vector<std::u16string>{kBasePath, u"C:\\Vault\\<items>\\Assemblies",
                                               u"C:\\Vault\\<items>\\Parts", u"C:\\Vault\\<items>\\Parts\\Screws"}));
        EXPECT_EQ(dialog.SelectedRowFolderId(), vault_.itemsFolder);
        // A chosen row writes its path; a typed path chooses its row.
        EXPECT_TRUE(dialog.SelectRow(assemblies_));
        EXPECT_EQ(dialog.ControlText(IDC_SELPROJ_PATH), u"C:\\Vault\\<items>\\Assemblies");
        EXPECT_TRUE(dialog.SetControlText(IDC_SELPROJ_PATH, u"C:\\Vault\\<items>\\Parts\\Screws"));
        EXPECT_EQ(dialog.SelectedRowFolderId(), screws_);
        // A path that names no folder leaves the row; OK refuses it.
        EXPECT_TRUE(dialog.SetControlText(IDC_SELPROJ_PATH, u"C:\\Vault\\<items>\\Gears"));
        EXPECT_EQ(dialog.SelectedRowFolderId(), screws_);
        EXPECT_TRUE(dialog.PressButton(IDOK));
        EXPECT_FALSE(dialog.IsEnded());
        EXPECT_EQ(dialog.ControlText(IDC_SELPROJ_PATH), u"C:\\Vault\\<items>\\Gears");
        EXPECT_TRUE(dialog.SetControlText(IDC_SELPROJ_PATH, u"C:\\Vault\\<items>\\Parts"));
        EXPECT_TRUE(dialog.PressButton(IDOK));
    });
    prompter.AnswerMessageBox(IDOK, [](const ui::MessageBoxQuestion& question) {
        EXPECT_EQ(question.text, u"'C:\\Vault\\<items>\\Gears' is not an item folder.");
        EXPECT_EQ(question.caption, u"Select Destination Folder");
        EXPECT_EQ(question.style, static_cast<UINT>(MB_OK | MB_ICONERROR));
    });
    std::u16string vaultPath;
    EXPECT_EQ(yandrel::ChooseItemFolder(Choice(0, vault_.itemsFolder), vaultPath), vault_.partsFolder);
    EXPECT_EQ(vaultPath, u"\\<items>\\Parts\\");
}

TEST_F(FolderChoiceTest, FindsTheItemsRootItselfOrChoosesNothingWithoutOne) {
    {
        ui_testing::ScriptedPrompter prompter;
        prompter.DriveDialog(yandrel::kFolderDialogName, [](ui::PromptedDialog& dialog) {
            EXPECT_EQ(dialog.ControlText(IDC_SELPROJ_PATH), kBasePath);
            dialog.PressButton(IDOK);
        });
        std::u16string vaultPath;
        EXPECT_EQ(yandrel::ChooseItemFolder(Choice(0, 0), vaultPath), vault_.itemsFolder);
    }
    // No connection, or a vault without item folders: no question at all.
    ui_testing::ScriptedPrompter prompter;
    std::u16string vaultPath;
    yandrel::FolderChoice withoutConnection = Choice(0, 0);
    withoutConnection.spMgr = nullptr;
    EXPECT_EQ(yandrel::ChooseItemFolder(withoutConnection, vaultPath), 0);
    Sql(*vault_.db, "UPDATE vault SET root_item_folder_id = NULL");
    Sql(*vault_.db, "DELETE FROM folders WHERE id IN (?, ?, ?, ?)",
        {screws_, assemblies_, vault_.partsFolder, vault_.itemsFolder});
    EXPECT_EQ(yandrel::ChooseItemFolder(Choice(0, 0), vaultPath), 0);
}

TEST_F(FolderChoiceTest, TellsWhyTheFoldersCannotBeRead) {
    ui_testing::ScriptedPrompter prompter;
    prompter.AnswerMessageBox(IDOK, [](const ui::MessageBoxQuestion& question) {
        EXPECT_EQ(question.caption, u"Select Destination Folder");
        EXPECT_EQ(question.style, static_cast<UINT>(MB_OK | MB_ICONERROR));
        EXPECT_FALSE(question.text.empty());
    });
    std::u16string vaultPath;
    EXPECT_EQ(yandrel::ChooseItemFolder(Choice(0, 4711), vaultPath), 0);
}

// The export as the item generation server calls it: the library loaded by
// name, the export looked up, the strings and out values passed by address.
TEST_F(FolderChoiceTest, TheLibraryExportsTheChoice) {
    HMODULE library = LoadLibraryW(yandrel::kLibraryName);
    ASSERT_NE(library, nullptr);
    auto selProj = reinterpret_cast<SelProjFunction>(GetProcAddress(library, yandrel::kSelProjExport));
    ASSERT_NE(selProj, nullptr);

    BSTR basePath = SysAllocString(kBasePath);
    BSTR caption = SysAllocString(u"Select Destination Folder");
    BSTR outPath = SysAllocString(u"");
    ULONGLONG outWord = 0;
    void* outPointer = nullptr;
    LONG outNumber = 0;
    {
        ui_testing::ScriptedPrompter prompter;
        prompter.DriveDialog(yandrel::kFolderDialogName, [](ui::PromptedDialog& dialog) {
            EXPECT_EQ(dialog.ControlText(IDC_SELPROJ_PATH), u"C:\\Vault\\<items>\\Parts");
            dialog.SetControlText(IDC_SELPROJ_PATH, u"C:\\Vault\\<items>\\Parts\\Screws");
            dialog.PressButton(IDOK);
        });
        EXPECT_EQ(selProj(nullptr, vault_.partsFolder, vault_.itemsFolder, 0, 0, &Mgr(), &basePath, &caption, &outPath,
                          &outWord, &outPointer, &outNumber, vault_.alice, 0, 1, 1),
                  screws_);
    }
    EXPECT_EQ(com::BstrView(outPath), u"\\<items>\\Parts\\Screws\\");
    EXPECT_EQ(outWord, 0u);
    EXPECT_EQ(outPointer, nullptr);
    EXPECT_EQ(outNumber, 0);
    {
        ui_testing::ScriptedPrompter prompter;
        prompter.DriveDialog(yandrel::kFolderDialogName,
                             [](ui::PromptedDialog& dialog) { dialog.PressButton(IDCANCEL); });
        EXPECT_EQ(selProj(nullptr, 0, vault_.itemsFolder, 0, 0, &Mgr(), &basePath, &caption, &outPath, &outWord,
                          &outPointer, &outNumber, vault_.alice, 0, 1, 1),
                  0);
    }
    EXPECT_EQ(com::BstrView(outPath), u"\\<items>\\Parts\\Screws\\");
    SysFreeString(basePath);
    SysFreeString(caption);
    SysFreeString(outPath);
    EXPECT_TRUE(FreeLibrary(library));
}

}  // namespace
}  // namespace yandrel_test
