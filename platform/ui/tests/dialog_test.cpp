// Message boxes and modal dialogs through the prompter, and dialogs'
// controls.
#include "recording_window.h"
#include "ui/dialog.h"
#include "ui/message_box.h"
#include "ui_testing/scripted_prompter.h"
#include "ui_testing/ui_test.h"

#include <QLineEdit>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace {

class DialogTest : public ui_testing::UiTest {};

struct MessageBoxCase {
    UINT style;
    int answer;
};

TEST_F(DialogTest, MessageBoxesAskThePrompterWithCaptionTextAndStyle) {
    RecordingWindow owner;
    HWND ownerHandle = owner.CreateTopLevel();
    const MessageBoxCase cases[] = {
        {MB_OK | MB_ICONEXCLAMATION, IDOK},        {MB_OKCANCEL | MB_ICONERROR, IDCANCEL},
        {MB_YESNOCANCEL | MB_ICONQUESTION, IDYES}, {MB_YESNO | MB_ICONWARNING, IDNO},
        {MB_RETRYCANCEL | MB_ICONHAND, IDRETRY},
    };
    for (const auto& c : cases) {
        ui_testing::ScriptedPrompter prompter;
        prompter.AnswerMessageBox(c.answer, [&](const ui::MessageBoxQuestion& question) {
            EXPECT_EQ(question.owner, ownerHandle);
            EXPECT_EQ(question.caption, u"Caption");
            EXPECT_EQ(question.text, u"Is the text right?");
            EXPECT_EQ(question.style, c.style);
        });
        EXPECT_EQ(MessageBoxW(ownerHandle, u"Is the text right?", u"Caption", c.style), c.answer) << c.style;
    }
}

TEST_F(DialogTest, MessageBoxDefaultsAndBadArguments) {
    ui_testing::ScriptedPrompter prompter;
    prompter.AnswerMessageBox(IDOK);
    EXPECT_EQ(MessageBoxW(nullptr, nullptr, nullptr, MB_OK), IDOK);
    ASSERT_EQ(prompter.AskedMessageBoxes().size(), 1u);
    EXPECT_EQ(prompter.AskedMessageBoxes()[0].caption, u"Error");
    EXPECT_EQ(prompter.AskedMessageBoxes()[0].text, u"");

    EXPECT_EQ(MessageBoxW(nullptr, u"t", u"c", 0x0000000FL), 0) << "no such button set";
    RecordingWindow gone;
    HWND goneHandle = gone.CreateTopLevel();
    DestroyWindow(goneHandle);
    EXPECT_EQ(MessageBoxW(goneHandle, u"t", u"c", MB_OK), 0);
    EXPECT_EQ(prompter.AskedMessageBoxes().size(), 1u) << "refused boxes are never asked";
}

TEST_F(DialogTest, TheScriptedPrompterFailsLoudlyOnAnUnexpectedQuestion) {
    EXPECT_NONFATAL_FAILURE(
        {
            ui_testing::ScriptedPrompter prompter;
            EXPECT_EQ(MessageBoxW(nullptr, u"Surprise", u"Caption", MB_YESNO), IDCANCEL);
        },
        "unexpected message box \"Caption\": \"Surprise\"");
    EXPECT_NONFATAL_FAILURE(
        {
            ui_testing::ScriptedPrompter prompter;
            prompter.AnswerMessageBox(IDOK);
            MessageBoxW(nullptr, u"t", u"c", MB_YESNO);
        },
        "is not a button of");
    EXPECT_NONFATAL_FAILURE(
        {
            ui_testing::ScriptedPrompter prompter;
            prompter.AnswerMessageBox(IDOK);
        },
        "never asked for");
}

// A small login-style dialog: OK is taken only with a user name, else the
// dialog says so in a message box and stays open.
enum { kUserEdit = 1001, kPasswordEdit = 1002, kNote = 1003 };
const ui::DialogTemplate kLoginTemplate{130,
                                        "Credentials",
                                        u"Log in",
                                        180,
                                        70,
                                        u"MS Shell Dlg",
                                        8,
                                        {{kNote, ui::ControlKind::Static, u"Enter your name", 7, 7, 160, 8},
                                         {kUserEdit, ui::ControlKind::Edit, u"", 7, 18, 160, 12},
                                         {kPasswordEdit, ui::ControlKind::Edit, u"", 7, 33, 160, 12, ES_PASSWORD},
                                         {IDOK, ui::ControlKind::Button, u"OK", 68, 50, 50, 14, BS_DEFPUSHBUTTON},
                                         {IDCANCEL, ui::ControlKind::Button, u"Cancel", 123, 50, 50, 14}}};

class CredentialsDialog : public ui::Dialog {
public:
    CredentialsDialog() : ui::Dialog(kLoginTemplate) {}
    std::u16string user, password;
    int changes = 0;

protected:
    BOOL OnInitDialog() override {
        SetDlgItemTextW(Handle(), kUserEdit, u"guest");
        changes = 0;
        return TRUE;
    }
    void OnCommand(int id, int notifyCode, HWND control) override {
        if (notifyCode == EN_CHANGE) ++changes;
        if (id == IDOK) {
            WCHAR buffer[64];
            GetDlgItemTextW(Handle(), kUserEdit, buffer, 64);
            user = buffer;
            GetDlgItemTextW(Handle(), kPasswordEdit, buffer, 64);
            password = buffer;
            if (user.empty()) {
                MessageBoxW(Handle(), u"A user name is needed.", u"Log in", MB_OK | MB_ICONEXCLAMATION);
                return;
            }
        }
        ui::Dialog::OnCommand(id, notifyCode, control);
    }
};

TEST_F(DialogTest, AModalDialogIsDrivenByTheScript) {
    CredentialsDialog dialog;
    ui_testing::ScriptedPrompter prompter;
    prompter.DriveDialog(130, [](ui::PromptedDialog& shown) {
        EXPECT_EQ(shown.DialogName(), "Credentials");
        EXPECT_EQ(shown.Caption(), u"Log in");
        EXPECT_EQ(shown.ControlText(kNote), u"Enter your name");
        EXPECT_EQ(shown.ControlText(kUserEdit), u"guest") << "WM_INITDIALOG ran first";
        EXPECT_TRUE(shown.SetControlText(kUserEdit, u""));
        EXPECT_TRUE(shown.PressButton(IDOK));  // asks the message box below
        EXPECT_FALSE(shown.IsEnded());
        EXPECT_TRUE(shown.SetControlText(kUserEdit, u"anna"));
        EXPECT_TRUE(shown.SetControlText(kPasswordEdit, u"secret"));
        EXPECT_FALSE(shown.SetControlText(4242, u"x")) << "no such control";
        EXPECT_TRUE(shown.PressButton(IDOK));
    });
    prompter.AnswerMessageBox(
        IDOK, [](const ui::MessageBoxQuestion& question) { EXPECT_EQ(question.text, u"A user name is needed."); });
    EXPECT_EQ(dialog.DoModal(nullptr), IDOK);
    EXPECT_EQ(dialog.user, u"anna");
    EXPECT_EQ(dialog.password, u"secret");
    EXPECT_EQ(dialog.changes, 3) << "every text change is an EN_CHANGE";
    EXPECT_FALSE(dialog.Exists()) << "DoModal destroys the dialog";
    EXPECT_EQ(prompter.RunDialogs(), (std::vector<std::string>{"Credentials"}));
}

TEST_F(DialogTest, ADisabledButtonCannotBePressedAndCancelEnds) {
    CredentialsDialog dialog;
    ui_testing::ScriptedPrompter prompter;
    prompter.DriveDialog("Credentials", [&](ui::PromptedDialog&) {
        EnableWindow(dialog.GetDlgItem(IDOK), FALSE);
        EXPECT_FALSE(dialog.PressButton(IDOK));
        EXPECT_TRUE(dialog.PressButton(IDCANCEL));
    });
    EXPECT_EQ(dialog.DoModal(nullptr), IDCANCEL);
}

TEST_F(DialogTest, AScriptThatLeavesTheDialogOpenFails) {
    CredentialsDialog dialog;
    INT_PTR result = 0;
    EXPECT_NONFATAL_FAILURE(
        {
            ui_testing::ScriptedPrompter prompter;
            prompter.DriveDialog(130, [](ui::PromptedDialog&) {});
            result = dialog.DoModal(nullptr);
        },
        "left dialog 130");
    EXPECT_EQ(result, IDCANCEL);
}

TEST_F(DialogTest, ModelessDialogKeysAndControls) {
    RecordingWindow owner;
    HWND ownerHandle = owner.CreateTopLevel(nullptr, WS_VISIBLE);
    CredentialsDialog dialog;
    HWND hwnd = dialog.Create(ownerHandle);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(GetParent(hwnd), ownerHandle);
    EXPECT_FALSE(IsWindowVisible(hwnd)) << "shown by its code";
    HWND edit = GetDlgItem(hwnd, kUserEdit);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(GetDlgCtrlID(edit), kUserEdit);
    EXPECT_EQ(GetParent(edit), hwnd);
    EXPECT_EQ(GetDlgItem(hwnd, 4242), nullptr);
    EXPECT_TRUE(qobject_cast<QLineEdit*>(dialog.Widget()->findChildren<QLineEdit*>().value(1))->echoMode() ==
                QLineEdit::Password);

    // Dialog units become pixels through the font: wider than tall units.
    RECT units{0, 0, 4, 8};
    ASSERT_TRUE(MapDialogRect(hwnd, &units));
    EXPECT_GT(units.right, 0);
    EXPECT_GT(units.bottom, units.right);

    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_FALSE(IsWindow(edit)) << "controls go with their dialog";
}

// A check box: the prompter's press toggles it and notifies the dialog
// (BN_CLICKED); BM_SETCHECK sets it without a notification.
enum { kRemember = 1004 };
const ui::DialogTemplate kCheckTemplate{0,
                                        "Remember",
                                        u"Remember",
                                        120,
                                        40,
                                        u"MS Shell Dlg",
                                        8,
                                        {{kRemember, ui::ControlKind::CheckBox, u"Remember me", 7, 7, 100, 10},
                                         {IDOK, ui::ControlKind::Button, u"OK", 63, 22, 50, 14, BS_DEFPUSHBUTTON}}};

class CheckDialog : public ui::Dialog {
public:
    CheckDialog() : ui::Dialog(kCheckTemplate) {}
    std::vector<UINT> clicks;  // the state at each BN_CLICKED

protected:
    BOOL OnInitDialog() override {
        CheckDlgButton(Handle(), kRemember, BST_CHECKED);
        return TRUE;
    }
    void OnCommand(int id, int notifyCode, HWND control) override {
        if (id == kRemember && notifyCode == BN_CLICKED) clicks.push_back(IsDlgButtonChecked(Handle(), kRemember));
        ui::Dialog::OnCommand(id, notifyCode, control);
    }
};

TEST_F(DialogTest, ACheckBoxTogglesWhenPressedAndTellsTheDialog) {
    CheckDialog dialog;
    ui_testing::ScriptedPrompter prompter;
    prompter.DriveDialog("Remember", [&](ui::PromptedDialog& shown) {
        EXPECT_EQ(shown.ControlText(kRemember), u"Remember me");
        EXPECT_EQ(IsDlgButtonChecked(dialog.Handle(), kRemember), static_cast<UINT>(BST_CHECKED));
        EXPECT_TRUE(shown.PressButton(kRemember));
        EXPECT_TRUE(shown.PressButton(kRemember));
        EXPECT_TRUE(shown.PressButton(kRemember));
        EXPECT_EQ(IsDlgButtonChecked(dialog.Handle(), kRemember), static_cast<UINT>(BST_UNCHECKED));
        EXPECT_EQ(IsDlgButtonChecked(dialog.Handle(), IDOK), 0u) << "a push button has no check";
        EXPECT_FALSE(CheckDlgButton(dialog.Handle(), 4242, BST_CHECKED));
        EXPECT_TRUE(shown.PressButton(IDOK));
    });
    EXPECT_EQ(dialog.DoModal(nullptr), IDOK);
    EXPECT_EQ(dialog.clicks, (std::vector<UINT>{BST_UNCHECKED, BST_CHECKED, BST_UNCHECKED}))
        << "setting the state in WM_INITDIALOG sent nothing";
}

}  // namespace
