// Brings a vault's schema up to date: each pending step in its own
// transaction, so that a crash leaves the vault at a whole version.
#pragma once

#include "winapi/types.h"

#include <string_view>

namespace vaultdb {

class Database;

// `idColumn` is the backend's type of an id column that numbers new rows by
// itself ("INTEGER PRIMARY KEY" in SQLite). `version` receives the schema
// version after the migration.
HRESULT MigrateSchema(Database& database, std::string_view idColumn, int& version);

}  // namespace vaultdb
