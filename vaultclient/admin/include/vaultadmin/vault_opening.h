// Opening a registered vault's database by its name, where the system's
// stored-procedure layer opens it (vaultdb::VaultDatabaseFile).
#pragma once

#include "vaultdb/database.h"

#include <memory>
#include <string>

namespace vaultadmin {

// Throws AdminError when the vault is not registered or its database does
// not open.
std::unique_ptr<vaultdb::Database> OpenRegisteredVault(const std::u16string& name);

}  // namespace vaultadmin
