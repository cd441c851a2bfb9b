// The login dialog: shows the vault's name, asks for user name and password,
// and has the host check them when the user presses OK. A wrong user name or
// password keeps the dialog open with a line saying so, for another try.
#pragma once

#include "common/login_dialog_host_abi.h"
#include "ui/dialog.h"

namespace pruvane {

// The dialog's template and control ids.
inline constexpr int kLoginDialogId = 4101;
inline constexpr int kVaultNameControl = 4102;
inline constexpr int kUserNameControl = 4104;
inline constexpr int kPasswordControl = 4106;
inline constexpr int kFailureControl = 4107;
const ui::DialogTemplate& LoginDialogTemplate();

// Shown under the fields after the host found the user name or password wrong.
inline constexpr const char16_t* kWrongCredentialsText = u"Login failed because of an invalid user name or password.";

class PruvaneLoginDialog : public ui::Dialog {
public:
    explicit PruvaneLoginDialog(LoginDialog& host);

protected:
    BOOL OnInitDialog() override;
    void OnCommand(int id, int notifyCode, HWND control) override;

private:
    LoginDialog& host_;
};

// Runs the dialog modally over `parent` for `host`: kLoginDialogAccepted when
// a check succeeded, kLoginDialogCancelled when the user cancelled,
// kLoginDialogDatabaseFailure when the host could not open or verify the
// database, kLoginDialogFailed when the check failed otherwise (the host
// told the user) or the dialog could not be shown.
int RunLoginDialog(HWND parent, LoginDialog* host);

}  // namespace pruvane
