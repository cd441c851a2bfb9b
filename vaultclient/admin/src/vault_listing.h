// The vaults the system finds on this machine and for this user, read the
// way the system reads them (SettingsLight), with their ids.
#pragma once

#include "common/vault_connection_settings.h"
#include "winapi/types.h"

#include <string>
#include <vector>

namespace vaultadmin {

struct ListedVault {
    std::u16string name;
    GUID viewId{};
    GUID vaultId{};
    VaultConnectionSettings connection;
};

// Every usable vault (registered with a view folder whose desktop.ini holds
// both ids), in the order the system lists them. Throws AdminError when the
// machine's or the user's vault list cannot be read (a damaged hive): an
// unreadable list is never shown as an empty one.
std::vector<ListedVault> ListVaults();

}  // namespace vaultadmin
