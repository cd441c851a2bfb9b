#include "vault_listing.h"

#include "common/desktop_ini.h"
#include "common/settings_light.h"

namespace vaultadmin {

std::vector<ListedVault> ListVaults() {
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
