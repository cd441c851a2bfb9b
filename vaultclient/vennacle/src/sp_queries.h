// Reads of the vault that several procedures share. Failures are raised
// as _com_error (see sp_query.h).
#pragma once

#include "common/lst.h"
#include "com/variant.h"
#include "winapi/types.h"

#include <string>
#include <string_view>

namespace vaultdb {
class Database;
}

namespace vennacle {

// The vault's single row.
struct VaultRow {
    LONG mlVersion = 0;
    LONG mlDateFmt = 0;
    GUID moGuid{};
    LONG mlRootItemFolderID = 0;  // 0 while "\<items>\" does not exist
};
VaultRow ReadVaultRow(vaultdb::Database& database);

// The database credentials of a connection: S_OK when the vault asks for
// none (its database user is empty) or when user (any case) and password
// match; E_OXN_LOGIN_FAILED otherwise.
HRESULT CheckDatabaseCredentials(vaultdb::Database& database, std::u16string_view user, std::u16string_view password);

// The id of the user of that name (any case), or 0 when there is none.
LONG FindUserId(vaultdb::Database& database, std::u16string_view userName);
// The name of the user of that id, false when there is none.
bool FindUserName(vaultdb::Database& database, LONG userId, std::u16string& name);
// Appends the user's system rights to `rights`, smallest first.
void AppendSystemRights(vaultdb::Database& database, LONG userId, Lst<unsigned int>& rights);

}  // namespace vennacle
