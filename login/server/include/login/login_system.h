// What a login asks of the system besides the vault and the login table:
// waiting, starting the server program that makes the login table, and
// showing the login dialog. The login object goes through this class so that
// tests can replace the parts that wait for seconds or need a user.
#pragma once

#include "common/vault_connection_settings.h"
#include "dunmorrow/records.h"
#include "winapi/types.h"

class Pruvane;

namespace login {

class LoginSystem {
public:
    LoginSystem() = default;
    virtual ~LoginSystem() = default;
    LoginSystem(const LoginSystem&) = delete;
    LoginSystem& operator=(const LoginSystem&) = delete;

    // The system's own: Sleep, StartServerProcess and ShowLoginDialog.
    static LoginSystem& Default();

    virtual void Pause(DWORD milliseconds);
    // Whether the server program was started (not whether it made the table).
    virtual bool StartServerProgram();
    // The login dialog for `host` (see ShowLoginDialog): 0 when it could not
    // be shown, else the dialog library's result.
    virtual int ShowDialog(Pruvane& host, LPCWSTR vaultName, const VaultConnectionSettings& settings,
                           const DunmorrowLib::LoginInfo& loginInfo);
};

}  // namespace login
