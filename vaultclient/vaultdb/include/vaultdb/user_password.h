// Checking a vault user's password against the salted hash the vault keeps
// for the user (users.password_hash, see password_hash.h). Every component
// that takes a password from its caller checks it here, so a login accepts
// exactly the passwords the vault's administration set.
#pragma once

#include "vaultdb/database.h"
#include "winapi/errors.h"

#include <string_view>

namespace vaultdb {

// Sets `accepted` to true when `userName` (any case) is a user of the vault
// who is not deleted and `password` matches the user's stored hash, and to
// false otherwise (unknown, deleted or wrong password alike, so a caller
// cannot tell which names exist). S_OK, or the database's failure code
// (accepted is then false). Costs one indexed lookup and one PBKDF2 run at
// the stored iteration count (about 0.1 s at the default), so it is meant
// for logins, not loops.
HRESULT CheckUserPassword(Database& database, std::u16string_view userName, std::u16string_view password,
                          bool& accepted);

}  // namespace vaultdb
