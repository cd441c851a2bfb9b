// The unlock command in the file-reference dialog, as the prompter meets
// it: the dialog names what the command will do, starts with the command's
// text, hands back the comment the user wrote when OK ends it, and tells a
// cancel apart.
#include "unlock_fixture.h"

#include "castavy/dialog_script.h"
#include "castavy/ids.h"
#include "castavy/interfaces.h"
#include "com_testing/bstr_text.h"
#include "ui/dialog.h"
#include "ui/window_functions.h"
#include "ui/window_messages.h"
#include "ui_testing/scripted_prompter.h"
#include "ui_testing/ui_test.h"

namespace brevanne_test {
namespace {

using namespace BrevanneLib;
using castavy::IDC_CASTAVY_COMMENT;
using castavy::IDC_CASTAVY_MESSAGE;

class UnlockDialogTest : public UnlockTest {
protected:
    void SetUp() override {
        UnlockTest::SetUp();
        if (HasFatalFailure()) return;
        ui_testing::EnsureApplication();
        command_ = CreateCommand();
        ASSERT_NE(command_, nullptr);
        com::ComPtr<IUnlockStart> start;
        ASSERT_EQ(command_->QueryInterface(IID_PPV_ARGS(&start)), S_OK);
        com::ComPtr<IUnlockOpDb> provider;
        ASSERT_EQ(client_->QueryInterface(IID_PPV_ARGS(&provider)), S_OK);
        CComBSTR viewPath(u"C:\\Views\\Demo");
        UnlockStartRecord record = AliceStart(viewPath);
        SAFEARRAY* files = FileRecords({{vault_.plate, 0}, {vault_.bracket, 0}});
        ASSERT_EQ(start->Start(provider.GetInterfacePtr(), &record, files), S_OK);
        SafeArrayDestroy(files);

        com::ComPtr<IUnknown> unknown;
        ASSERT_EQ(com_testing::RegisterServerLibrary(u"Castavy.dll"), S_OK);
        ASSERT_EQ(CoCreateInstance(CASTAVYLib::CLSID_FileCastavy, nullptr, 23, IID_IUnknown,
                                   reinterpret_cast<void**>(&unknown)),
                  S_OK);
        ASSERT_EQ(OleRun(unknown.GetInterfacePtr()), S_OK);
        ASSERT_EQ(unknown->QueryInterface(IID_PPV_ARGS(&dialog_)), S_OK);
    }
    void TearDown() override {
        dialog_ = nullptr;
        command_ = nullptr;
        UnlockTest::TearDown();
    }

    std::u16string DialogText() {
        BSTR text = nullptr;
        EXPECT_EQ(dialog_->GetText(&text), S_OK);
        return com_testing::TakeText(text);
    }

    // Passes the command's text to the dialog and shows it, as the driver
    // does.
    HRESULT Show(const char16_t* caption) {
        BSTR text = nullptr;
        EXPECT_EQ(command_->GetText(&text), S_OK);
        EXPECT_EQ(dialog_->SetText(text), S_OK);
        SysFreeString(text);
        CComBSTR title(caption);
        return dialog_->Show(0, command_.GetInterfacePtr(), 0, CASTAVYLib::kDialogWidth, title);
    }

    com::ComPtr<IUnlockCommand> command_;
    com::ComPtr<CASTAVYLib::IFileCastavy> dialog_;
};

TEST_F(UnlockDialogTest, OkHandsBackTheCommentTheUserWrote) {
    ASSERT_EQ(command_->SetCommand(kCommandCheckIn, 0), S_OK);
    CComBSTR earlier(u"first try");
    ASSERT_EQ(command_->SetText(earlier), S_OK);
    ui_testing::ScriptedPrompter prompter;
    prompter.DriveDialog(castavy::kDialogName, [](ui::PromptedDialog& dialog) {
        EXPECT_EQ(dialog.Caption(), u"Unlock");
        EXPECT_EQ(dialog.ControlText(IDC_CASTAVY_MESSAGE), u"Check in the 2 selected objects.");
        EXPECT_EQ(dialog.ControlText(IDC_CASTAVY_COMMENT), u"first try");
        EXPECT_TRUE(dialog.SetControlText(IDC_CASTAVY_COMMENT, u"Holes moved"));
        EXPECT_TRUE(dialog.PressButton(IDOK));
    });
    EXPECT_EQ(Show(u"Unlock"), S_OK);
    EXPECT_EQ(DialogText(), u"Holes moved");
}

TEST_F(UnlockDialogTest, CancelKeepsTheTextAsItWas) {
    ASSERT_EQ(command_->SetCommand(kCommandCheckIn, 0), S_OK);
    ui_testing::ScriptedPrompter prompter;
    prompter.DriveDialog(castavy::kDialogName, [](ui::PromptedDialog& dialog) {
        EXPECT_TRUE(dialog.SetControlText(IDC_CASTAVY_COMMENT, u"never mind"));
        EXPECT_TRUE(dialog.PressButton(IDCANCEL));
    });
    EXPECT_EQ(Show(u"Unlock"), S_FALSE);
    EXPECT_EQ(DialogText(), u"");
}

// An undo of check-outs takes no comment: the edit is disabled and the
// message warns of the local changes.
TEST_F(UnlockDialogTest, AnUndoTakesNoComment) {
    ASSERT_EQ(command_->SetCommand(kCommandUndoCheckOut, 0), S_OK);
    ui_testing::ScriptedPrompter prompter;
    prompter.DriveDialog(castavy::kDialogName, [](ui::PromptedDialog& dialog) {
        EXPECT_EQ(dialog.Caption(), u"UndoCheckout");
        EXPECT_EQ(dialog.ControlText(IDC_CASTAVY_MESSAGE),
                  u"Undo the check-out of the 2 selected objects? Changes to their local copies are lost.");
        auto* window = dynamic_cast<ui::Dialog*>(&dialog);
        ASSERT_NE(window, nullptr);
        EXPECT_FALSE(IsWindowEnabled(window->GetDlgItem(IDC_CASTAVY_COMMENT)));
        EXPECT_TRUE(dialog.PressButton(IDOK));
    });
    EXPECT_EQ(Show(u"UndoCheckout"), S_OK);
}

TEST_F(UnlockDialogTest, ShowNeedsAnUnlockCommand) {
    CComBSTR caption(u"Unlock");
    EXPECT_EQ(dialog_->Show(0, nullptr, 0, CASTAVYLib::kDialogWidth, caption), E_POINTER);
    EXPECT_EQ(dialog_->Show(0, dialog_.GetInterfacePtr(), 0, CASTAVYLib::kDialogWidth, caption), E_NOINTERFACE);
    EXPECT_EQ(dialog_->GetText(nullptr), E_POINTER);
}

}  // namespace
}  // namespace brevanne_test
