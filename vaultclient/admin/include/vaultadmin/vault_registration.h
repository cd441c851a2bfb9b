// The registry entry through which the system finds a vault: a key named
// after the vault under the machine's "Databases" list or the user's
// "Vaults" list of the product key, holding its connection values.
#pragma once

#include "winapi/types.h"

#include <string>
#include <vector>

namespace vaultadmin {

enum class RegistryScope { Machine, User };

struct VaultRegistration {
    std::u16string name;       // the key name
    std::u16string shellRoot;  // the view folder, ending in a backslash
    std::u16string dbServer;   // the folder holding the vault database
    std::u16string dbName;     // the database's name in that folder
    std::u16string serverLoc;  // the archive server
    DWORD serverPort = 0;
    DWORD vaultType = 0;  // 0: a normal vault
};

// "Software\...\Databases" (machine) or "Software\...\Vaults" (user).
std::u16string VaultListPath(RegistryScope scope);

// Whether the list of `scope` has a key of that name (names compare without
// regard to case, as the registry does).
bool IsVaultRegistered(RegistryScope scope, const std::u16string& name);

// Whether the vault's key holds every value RegisterVault writes. A key
// without them is one whose registration was killed half-way (the key and
// each value are written one at a time).
bool IsVaultRegistrationComplete(RegistryScope scope, const std::u16string& name);

// Creates the vault's key with all its values. Throws AdminError when the key
// exists already or cannot be written; a key it created is removed again
// before it throws, so a failure leaves nothing behind.
void RegisterVault(RegistryScope scope, const VaultRegistration& vault);

// Removes the vault's key and everything below it; a missing key is no
// failure.
void UnregisterVault(RegistryScope scope, const std::u16string& name);

}  // namespace vaultadmin
