// The vault object opened by name (IOxnVault5::Open): the vault's
// registration names its database and view folder, and the login table of
// the user's session the user it works as.
#include "vault_object.h"

#include "common/desktop_ini.h"
#include "common/error_codes.h"
#include "common/login_sync_objects.h"
#include "common/login_table_lock.h"
#include "common/registry.h"
#include "common/settings_light.h"
#include "oxnvault/type_library.h"
#include "vaultdb/database.h"
#include "winapi/environment.h"
#include "winapi/file_mapping.h"
#include "winapi/path_mapping.h"

#include <utility>

namespace {

// The user name and password of the vault's entry in the login table, read
// under the table's mutex; false without a table or an entry.
bool FindSessionLogin(const std::u16string& vaultName, std::u16string& userName, std::u16string& password) {
    LoginSyncObjects objects = OpenLoginSyncObjects();
    bool found = false;
    LoginTableView view;
    if (OpenLoginTableMapping(objects) && MapLoginTableView(objects.mapping, FILE_MAP_READ, view)) {
        {
            LoginTableLock lock(objects.mutex);
            LoginTableEntry entry;
            if (lock.Held() && FindLoginTableEntry(view, vaultName.c_str()) && ParseLoginTableEntry(view, entry)) {
                userName = std::move(entry.moUserName);
                password = std::move(entry.moPassword);
                found = true;
            }
        }
        UnmapLoginTableView(view);
    }
    CloseLoginSyncObjects(objects);
    return found;
}

std::u16string ComputerName() {
    WCHAR name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(name, &size) ? std::u16string(name, size) : std::u16string();
}

}  // namespace

HRESULT COxnVault::Open(BSTR vaultName, LONG) {
    if (!vaultName) return E_POINTER;
    if (session_ || !openedVault_.empty()) return E_UNEXPECTED;
    const std::u16string name(vaultName, SysStringLen(vaultName));
    Registry key;
    std::u16string server, database, shellRoot;
    if (name.empty() || !SettingsLight().mbOpenVaultKey(name.c_str(), key) || !key.mbGetString(u"DbServer", server) ||
        !key.mbGetString(u"DbName", database) || !key.mbGetString(u"ShellRoot", shellRoot) || shellRoot.empty())
        return E_OXN_MISSING_VIEW_INFO;
    GUID viewGuid{};
    if (!GetDesktopIniGuid(shellRoot.c_str(), kDesktopIniViewId, viewGuid)) return E_OXN_MISSING_VIEW_INFO;
    const auto file = vaultdb::VaultDatabaseFile(winapi::ToPosixPath(server), database);
    std::error_code missing;
    if (file.empty() || !std::filesystem::is_regular_file(file, missing)) return E_OXN_CANT_OPEN_DATABASE;

    OxnVaultLib::RegisterRecords();
    openedVault_ = name;
    databaseFile_ = file;
    viewGuid_ = viewGuid;
    viewPath_ = shellRoot;
    mbEnsureSession();
    return S_OK;
}

bool COxnVault::mbEnsureSession() {
    if (session_) return true;
    if (openedVault_.empty()) return false;
    oxnvault::VaultObjectLogin login;
    if (!FindSessionLogin(openedVault_, login.userName, login.password)) return false;
    login.databaseFile = databaseFile_;
    login.viewGuid = viewGuid_;
    login.viewPath = viewPath_;
    login.computer = ComputerName();
    return SUCCEEDED(oxnvault::OpenVaultSession(login, session_));
}
