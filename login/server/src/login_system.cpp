#include "login/login_system.h"

#include "login/login_dialog_host.h"
#include "login/table/login_table.h"
#include "winapi/sync.h"

namespace login {

LoginSystem& LoginSystem::Default() {
    static LoginSystem system;
    return system;
}

void LoginSystem::Pause(DWORD milliseconds) { Sleep(milliseconds); }

bool LoginSystem::StartServerProgram() { return StartServerProcess(); }

int LoginSystem::ShowDialog(Pruvane& host, LPCWSTR vaultName, const VaultConnectionSettings& settings,
                            const DunmorrowLib::LoginInfo& loginInfo) {
    return ShowLoginDialog(host, vaultName, settings, loginInfo);
}

}  // namespace login
