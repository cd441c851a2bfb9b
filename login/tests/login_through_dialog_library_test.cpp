// A dialog login from end to end: the login object on the system's own
// ways shows the dialog library of the build (found beside the program),
// and the user at its dialog is played through the prompter.
#include "login_fixture.h"

#include "com/server/com_object.h"
#include "common/error_codes.h"
#include "login/login_class.h"
#include "login/login_errors.h"
#include "pruvane_login_dialog.h"
#include "ui_testing/scripted_prompter.h"
#include "ui_testing/ui_test.h"
#include "ui/window_messages.h"

using namespace login_test;

namespace {

class LoginThroughDialogLibraryTest : public LoginFixture {
protected:
    void SetUp() override {
        LoginFixture::SetUp();
        ui_testing::EnsureApplication();
        MakeLoginTable();  // the server program's: no start, no wait
    }

    // A dialog login of the vault by a login object on the system's own ways.
    static HRESULT Login(HeldResult& result) {
        Request request(kVault, false, u"", u"");
        CComObject<CLogin>* login = nullptr;
        EXPECT_EQ(CComObject<CLogin>::CreateInstance(&login), S_OK);
        login->AddRef();
        const HRESULT hr = login->Login(request.info, &result.r);
        login->Release();
        com_testing::ClearPendingErrorInfo();
        return hr;
    }

    static void Type(ui::PromptedDialog& dialog, std::u16string_view user, std::u16string_view password) {
        EXPECT_TRUE(dialog.SetControlText(pruvane::kUserNameControl, user));
        EXPECT_TRUE(dialog.SetControlText(pruvane::kPasswordControl, password));
    }

    ui_testing::ScriptedPrompter prompter_;
};

TEST_F(LoginThroughDialogLibraryTest, TheUsersLoginIsAcceptedAndStored) {
    prompter_.DriveDialog(pruvane::kLoginDialogId, [](ui::PromptedDialog& dialog) {
        EXPECT_EQ(dialog.ControlText(pruvane::kVaultNameControl), kVault);
        Type(dialog, kUser, kPassword);
        EXPECT_TRUE(dialog.PressButton(IDOK));
        EXPECT_TRUE(dialog.IsEnded());
    });
    HeldResult result;
    ASSERT_EQ(Login(result), S_OK);
    EXPECT_EQ(Text(result.r.moUsername), kUser);
    EXPECT_EQ(result.r.mlUserID, userId_);
    ASSERT_NE(result.Connection(), nullptr);
    EXPECT_NE(result.Connection()->mpoGetUser(), nullptr);
    const std::vector<std::pair<std::u16string, std::u16string>> stored = {{kVault, kUser}};
    EXPECT_EQ(Entries(), stored);
}

TEST_F(LoginThroughDialogLibraryTest, CancelAfterAWrongPasswordEndsTheLoginAndStoresNothing) {
    const std::vector<BYTE> before = TableBytes();
    const int baseline = OpenConnections();
    prompter_.DriveDialog(pruvane::kLoginDialogId, [](ui::PromptedDialog& dialog) {
        Type(dialog, kUser, u"guess");
        EXPECT_TRUE(dialog.PressButton(IDOK));
        ASSERT_FALSE(dialog.IsEnded()) << "the user may try again";
        EXPECT_EQ(dialog.ControlText(pruvane::kFailureControl), pruvane::kWrongCredentialsText);
        EXPECT_TRUE(dialog.PressButton(IDCANCEL));
    });
    HeldResult result;
    EXPECT_EQ(Login(result), E_OXN_CANCELLED_BY_USER);
    EXPECT_EQ(result.r.mpoSpMgr, 0u);
    EXPECT_EQ(OpenConnections(), baseline);
    EXPECT_EQ(TableBytes(), before);
}

}  // namespace
