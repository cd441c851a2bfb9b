#include "pruvane_login_dialog.h"

#include "ui/window_messages.h"

#include <string>

namespace pruvane {

namespace {

constexpr int kVaultLabel = 4103;
constexpr int kUserNameLabel = 4105;
constexpr int kPasswordLabel = 4108;

// As long as the buffers the login server hands the library.
constexpr int kVaultNameLength = 120;

}  // namespace

const ui::DialogTemplate& LoginDialogTemplate() {
    static const ui::DialogTemplate dialogTemplate{
        kLoginDialogId,
        "Login",
        u"Log In",
        220,
        104,
        u"MS Shell Dlg",
        8,
        {
            {kVaultLabel, ui::ControlKind::Static, u"Vault:", 10, 12, 50, 10},
            {kVaultNameControl, ui::ControlKind::Static, u"", 64, 12, 146, 10},
            {kUserNameLabel, ui::ControlKind::Static, u"User name:", 10, 30, 50, 10},
            {kUserNameControl, ui::ControlKind::Edit, u"", 64, 28, 146, 13},
            {kPasswordLabel, ui::ControlKind::Static, u"Password:", 10, 48, 50, 10},
            {kPasswordControl, ui::ControlKind::Edit, u"", 64, 46, 146, 13, ES_PASSWORD},
            {kFailureControl, ui::ControlKind::Static, u"", 10, 66, 200, 10},
            {IDOK, ui::ControlKind::Button, u"OK", 104, 82, 50, 14, BS_DEFPUSHBUTTON},
            {IDCANCEL, ui::ControlKind::Button, u"Cancel", 160, 82, 50, 14},
        },
    };
    return dialogTemplate;
}

PruvaneLoginDialog::PruvaneLoginDialog(LoginDialog& host) : ui::Dialog(LoginDialogTemplate()), host_(host) {}

BOOL PruvaneLoginDialog::OnInitDialog() {
    WCHAR vaultName[kVaultNameLength] = {};
    host_.GetVaultName(vaultName, kVaultNameLength);
    SetControlText(kVaultNameControl, vaultName);
    return TRUE;
}

void PruvaneLoginDialog::OnCommand(int id, int notifyCode, HWND control) {
    if (id != IDOK) {
        ui::Dialog::OnCommand(id, notifyCode, control);  // Cancel ends with IDCANCEL
        return;
    }
    const std::u16string user = ControlText(kUserNameControl);
    const std::u16string password = ControlText(kPasswordControl);
    switch (host_.ConnectAndVerify(0, user.c_str(), password.c_str())) {
    case kLoginCheckWrongCredentials:
        SetControlText(kFailureControl, kWrongCredentialsText);
        SetControlText(kPasswordControl, u"");
        break;
    case kLoginCheckAccepted:
        EndDialog(kLoginDialogAccepted);
        break;
    case kLoginCheckDatabaseFailure:
        EndDialog(kLoginDialogDatabaseFailure);
        break;
    default:  // the host has told the user why
        EndDialog(kLoginDialogFailed);
        break;
    }
}

int RunLoginDialog(HWND parent, LoginDialog* host) {
    if (!host) return kLoginDialogFailed;
    PruvaneLoginDialog dialog(*host);
    const INT_PTR result = dialog.DoModal(parent);
    switch (result) {
    case IDCANCEL:
        return kLoginDialogCancelled;
    case kLoginDialogAccepted:
    case kLoginDialogDatabaseFailure:
        return static_cast<int>(result);
    default:  // -1: not shown
        return kLoginDialogFailed;
    }
}

}  // namespace pruvane
