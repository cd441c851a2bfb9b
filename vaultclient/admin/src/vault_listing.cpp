#include "vault_listing.h"

#include "vaultadmin/admin_error.h"
#include "vaultadmin/vault_registration.h"
#include "system_error_text.h"

#include "common/desktop_ini.h"
#include "common/settings_light.h"
#include "winapi/errors.h"
#include "winapi/registry.h"
#include "winapi/state_root.h"

namespace vaultadmin {

namespace {

// SettingsLight takes a vault list it cannot read for an empty one; the
// administrator must hear that the hive is damaged instead.
void CheckVaultListReadable(RegistryScope scope) {
    HKEY key = nullptr;
    const std::u16string path = VaultListPath(scope);
    const LSTATUS status = RegOpenKeyExW(scope == RegistryScope::Machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER,
                                         path.c_str(), 0, KEY_READ, &key);
    if (status == ERROR_SUCCESS) {
        RegCloseKey(key);
        return;
    }
    if (status == ERROR_FILE_NOT_FOUND) return;  // no vault registered yet
    const std::filesystem::path hive =
        scope == RegistryScope::Machine ? winapi::MachineHivePath() : winapi::UserHivePath();
    throw AdminError("cannot read the " + std::string(scope == RegistryScope::Machine ? "machine's" : "user's") +
                     " vault list: the registry hive " + hive.string() +
                     (status == ERROR_REGISTRY_CORRUPT ? " is damaged" : " cannot be read") + " (" +
                     SystemErrorText(status) + ")");
}

}  // namespace

std::vector<ListedVault> ListVaults() {
    for (RegistryScope scope : {RegistryScope::Machine, RegistryScope::User}) CheckVaultListReadable(scope);
    SettingsLight settings;
    Lst<CString> names;
    settings.mbGetVaultNames(names);
    std::vector<ListedVault> vaults;
    for (POSITION position = names.GetHeadPosition(); position;) {
        ListedVault vault;
        vault.name = names.GetNext(position).GetString();
        const std::u16string root = settings.goGetViewRoot(vault.name.c_str());
        GetDesktopIniGuid(root.c_str(), kDesktopIniViewId, vault.viewId);
        GetDesktopIniGuid(root.c_str(), kDesktopIniVaultId, vault.vaultId);
        settings.mbGetVaultConnectionSettings(vault.name.c_str(), vault.connection);
        vaults.push_back(std::move(vault));
    }
    return vaults;
}

}  // namespace vaultadmin
