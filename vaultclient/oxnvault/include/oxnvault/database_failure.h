// A failed call of the vault database inside the vault's operations, raised
// as a COM error (common/com_errors.h) that carries the database's own
// description of the failure.
#pragma once

#include "winapi/types.h"

namespace vaultdb {
class Database;
}

namespace oxnvault {

// Nothing for a success; else raises `hr` with "The vault database failed: "
// and the database's last error text.
void CheckDatabase(vaultdb::Database& database, HRESULT hr);

}  // namespace oxnvault
