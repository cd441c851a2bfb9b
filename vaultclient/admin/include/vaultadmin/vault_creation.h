// Creating a vault: its database and archive in the server folder, its view
// folder with the view's desktop.ini, its root project, "<items>" folder and
// administrator, and last its registry entry, which makes the system see it.
// Either all of it is made or, on failure, none of it remains.
#pragma once

#include "vaultadmin/vault_registration.h"

#include "winapi/types.h"

#include <filesystem>
#include <string>

namespace vaultadmin {

// The administrator every new vault gets, and the system rights it holds:
// check in (1028) and administration (0x4000000).
inline constexpr const char16_t* kAdminUserName = u"Admin";
inline constexpr const char16_t* kDefaultAdminPassword = u"admin";
inline constexpr DWORD kCheckInRight = 1028;
inline constexpr DWORD kAdministrationRight = 0x4000000;

// The archive server port written to the registry: the embedded vault needs
// no network, but the system reads the value and wants one.
inline constexpr DWORD kDefaultServerPort = 3030;

struct VaultCreation {
    std::u16string name;
    std::filesystem::path serverFolder;
    std::filesystem::path viewFolder;
    RegistryScope scope = RegistryScope::Machine;
    std::u16string adminPassword = kDefaultAdminPassword;
};

struct CreatedVault {
    GUID vaultId{};
    GUID viewId{};
    std::filesystem::path databaseFile;
    VaultRegistration registration;
};

// Throws AdminError, having undone every step, when the name is unusable or
// registered already (for the machine or the user), the database or its
// archive exists, the view folder is already a view, or any step fails.
CreatedVault CreateVault(const VaultCreation& request);

}  // namespace vaultadmin
