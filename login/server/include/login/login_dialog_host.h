// The login dialog host: lets the user log in to a vault through the login
// dialog library ("Pruvane.dll") and keeps what the dialog accepted, for the
// login object to take.
#pragma once

#include "common/vault_connection_settings.h"
#include "dunmorrow/records.h"
#include "common/login_dialog_host_abi.h"

#include <string>

class SpMgr;

// The host handed to the dialog library. One exists per dialog login; the
// dialog may check credentials several times, and each check replaces the
// user name, password and connection, while only a successful one sets the
// database credentials.
class Pruvane : public LoginDialog {
public:
    Pruvane() = default;
    // Drops the connection the host still holds.
    virtual ~Pruvane();

    // Slot 3 (see LoginDialog).
    int GetVaultName(WCHAR* buffer, int length) override;
    // Slot 7: asks the vault server object for the vault's database
    // credentials, opens a new connection with them and verifies the login
    // (kLoginCheck... results).
    int ConnectAndVerify(INT_PTR context, LPCWSTR userName, LPCWSTR password) override;

    // What the login dialog accepted: the user name and password last
    // checked, and the database credentials of the last successful check.
    const std::u16string& UserName() const noexcept { return moUserName; }
    const std::u16string& Password() const noexcept { return moPassword; }
    const std::u16string& DbUser() const noexcept { return moDbUser; }
    const std::u16string& DbPassword() const noexcept { return moDbPassword; }
    // The value the vault server object's verification gave (0 before).
    LONG VerificationValue() const noexcept { return mlVerification; }

    // The verified connection, null when the host holds none. Connection
    // lends it (the host keeps its reference); TakeConnection passes the
    // host's one reference to the caller, who drops it with SpMgr::Release.
    SpMgr* Connection() const noexcept { return mpoConnection; }
    SpMgr* TakeConnection() noexcept;

    // Sets what the checks use: the vault name (null: empty), the vault's
    // connection settings (ServerLoc, DbServer, DbName, ServerPort) and the
    // window that owns the host's messages. ShowLoginDialog does this first.
    void Fill(LPCWSTR vaultName, const VaultConnectionSettings& settings, HWND parent);

    const std::u16string& VaultName() const noexcept { return moVaultName; }
    HWND ParentWindow() const noexcept { return mhParent; }

private:
    // Replaces the connection the host holds (dropping the old reference).
    void ReplaceConnection(SpMgr* connection) noexcept;

    std::u16string moServerLoc;
    std::u16string moDbServer;
    std::u16string moDbName;
    std::u16string moShellRoot;  // stays empty
    int32_t mlServerPort = 0;
    std::u16string moVaultName;
    std::u16string moUserName;
    std::u16string moPassword;
    std::u16string moDbUser;
    std::u16string moDbPassword;
    HWND mhParent = nullptr;
    SpMgr* mpoConnection = nullptr;  // one reference when not null
    LONG mlVerification = 0;
};

// Fills `host` from the vault name, the vault's connection settings and the
// login request (its parent window), loads the login dialog library (by
// name, then from the shared location folder), and shows the dialog.
// Returns 0 when the dialog could not be shown (the library missing in both
// places is reported to the user; a library without the export is not),
// else the library's result (LoginDialogResult).
int ShowLoginDialog(Pruvane& host, LPCWSTR vaultName, VaultConnectionSettings settings,
                    DunmorrowLib::LoginInfo loginInfo);
