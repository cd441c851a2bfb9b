// Users of a vault: a name, a salted password hash and system rights.
#pragma once

#include "winapi/types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vaultdb {
class Database;
}

namespace vaultadmin {

// Adds the user with its rights in one transaction and returns its id.
// Throws AdminError when the name is empty or taken (without regard to case).
int32_t AddUser(vaultdb::Database& database, const std::u16string& name, const std::u16string& password,
                const std::vector<DWORD>& systemRights);

// "1028,67108864" or "0x404,0x4000000": the rights of --rights. Throws
// AdminError for anything but comma-separated numbers.
std::vector<DWORD> ParseRights(const std::string& text);

// The id of the user `name`; throws AdminError when there is none.
int32_t UserId(vaultdb::Database& database, const std::u16string& name);

}  // namespace vaultadmin
