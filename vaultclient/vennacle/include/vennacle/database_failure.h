// A failed call of the vault database inside the vault client's operations,
// raised as a COM error (common/com_errors.h) that carries the database's own
// description of the failure; and the preparing and stepping of a statement
// that raise theirs so.
#pragma once

#include "winapi/types.h"

#include <memory>
#include <string_view>

namespace vaultdb {
class Database;
class Statement;
}  // namespace vaultdb

namespace vennacle {

// Nothing for a success; else raises `hr` with "The vault database failed: "
// and the database's last error text.
void CheckDatabase(vaultdb::Database& database, HRESULT hr);

// `sql` prepared on `database`; a failure raised as CheckDatabase does.
std::unique_ptr<vaultdb::Statement> PrepareStatement(vaultdb::Database& database, std::string_view sql);

// Steps `statement`: true with a row to read, false at the end; a failure
// raised as CheckDatabase does.
bool NextRow(vaultdb::Database& database, vaultdb::Statement& statement);

}  // namespace vennacle
