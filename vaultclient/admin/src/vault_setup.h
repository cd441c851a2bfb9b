// The first contents of a new vault database: the vault row with its GUID,
// the "<items>" root item folder below the root project, and the
// administrator with its system rights. Written in one transaction.
#pragma once

#include "winapi/types.h"

#include <string>

namespace vaultdb {
class Database;
}

namespace vaultadmin {

struct VaultSetup {
    GUID vaultId{};
    std::u16string name;
    GUID viewId{};
    std::u16string viewRoot;  // the view folder as ShellRoot names it
    std::u16string adminPassword;
};

void WriteNewVaultContents(vaultdb::Database& database, const VaultSetup& setup);

}  // namespace vaultadmin
