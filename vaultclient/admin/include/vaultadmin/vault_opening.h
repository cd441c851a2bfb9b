// Opening a registered vault's database by its name, where the system's
// stored-procedure layer opens it (vaultdb::VaultDatabaseFile).
#pragma once

#include "vaultdb/database.h"

#include <memory>
#include <string>

namespace vaultadmin {

// Opens the registered vault's database to write to it, first sweeping its
// archive of what killed writers left (vaultdb::SweepArchive: one listing of
// the archive, under the write lock). Throws AdminError when the vault is not
// registered, its database does not open or the sweep's query fails.
std::unique_ptr<vaultdb::Database> OpenRegisteredVault(const std::u16string& name);

}  // namespace vaultadmin
