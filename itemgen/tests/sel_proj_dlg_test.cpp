// One call of the project-selection library: loaded from the shared
// location for the call, its folder dialog answered by the prompter; a
// missing library or export told to the user with the product's name.
#include "dest_folder_fixture.h"
#include "sel_proj_dlg.h"
#include "vault_seed.h"

#include "ui/message_box.h"
#include "ui/prompter.h"
#include "ui/window_messages.h"
#include "ui_testing/scripted_prompter.h"

#include <new>

namespace itemgen_test {
namespace {

using coravent::SelProjDlg;

class SelProjDlgTest : public vennacle_test::VennacleTest {
protected:
    // A call as the destination-folder choice fills it.
    void Fill(SelProjDlg& dialog, LONG initialFolderId) {
        dialog.mlInitialFolderID = initialFolderId;
        dialog.mlItemsRootID = vault_.itemsFolder;
        Mgr().AddRef();
        dialog.mpoSpMgr.reset(&Mgr());
        dialog.moBasePath = u"C:\\Vault\\<items>";
        dialog.moCaption = u"Select Destination Folder";
        dialog.moOutString = u"";
        dialog.mlUserID = vault_.alice;
    }
    // The connection's references beside the test's own.
    ULONG OtherReferences() {
        Mgr().AddRef();
        return Mgr().Release() - 1;
    }

    SharedLocation shared_{machine_.root()};
};

TEST_F(SelProjDlgTest, CallsTheLibraryOfTheSharedLocation) {
    const ULONG before = OtherReferences();
    ui_testing::ScriptedPrompter prompter;
    prompter.DriveDialog(kFolderDialog, [](ui::PromptedDialog& dialog) {
        EXPECT_EQ(dialog.Caption(), u"Select Destination Folder");
        EXPECT_EQ(dialog.ControlText(kFolderPathEdit), u"C:\\Vault\\<items>\\Parts");
        dialog.SetControlText(kFolderPathEdit, u"C:\\Vault\\<items>");
        dialog.PressButton(IDOK);
    });
    {
        SelProjDlg dialog;
        Fill(dialog, vault_.partsFolder);
        dialog.mpoOutPointer = ::operator new(16);  // the object frees what the library leaves there
        EXPECT_EQ(dialog.mlRun(), vault_.itemsFolder);
        EXPECT_EQ(OtherReferences(), before + 1);
    }
    EXPECT_EQ(OtherReferences(), before);

    prompter.DriveDialog(kFolderDialog, [](ui::PromptedDialog& dialog) { dialog.PressButton(IDCANCEL); });
    SelProjDlg cancelled;
    Fill(cancelled, vault_.partsFolder);
    EXPECT_EQ(cancelled.mlRun(), 0);
}

TEST_F(SelProjDlgTest, TellsOfAMissingLibraryOrExport) {
    testsupport::WriteText(HKEY_LOCAL_MACHINE, kProductKeyPath, nullptr, u"Machine Product");
    struct Case {
        const char* what;
        SharedLibrary library;
        std::u16string text;
        UINT style;
    } const cases[] = {
        {"missing", SharedLibrary::None,
         u"Could not load the dynamic link library '" + shared_.LibraryPath() +
             u"'.\nPlease repair/reinstall Machine Product.\n\nWin32 Error:\nThe specified module could not be "
             u"found.\r\n",
         MB_ICONWARNING},
        {"without its export", SharedLibrary::WithoutExport,
         u"The dynamic link library '" + shared_.LibraryPath() +
             u"' is corrupt.\nPlease repair/reinstall Machine Product.",
         MB_ICONERROR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        shared_.Put(c.library);
        ui_testing::ScriptedPrompter prompter;
        prompter.AnswerMessageBox(IDOK, [&](const ui::MessageBoxQuestion& question) {
            EXPECT_EQ(question.text, c.text);
            EXPECT_EQ(question.caption, u"Select Destination Folder");
            EXPECT_EQ(question.style, c.style);
        });
        SelProjDlg dialog;
        Fill(dialog, vault_.partsFolder);
        EXPECT_EQ(dialog.mlRun(), 0);
    }
}

}  // namespace
}  // namespace itemgen_test
