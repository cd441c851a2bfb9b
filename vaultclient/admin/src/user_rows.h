// Writing a user inside a transaction the caller holds (vault set-up and
// demo seeding add users within their own transactions).
#pragma once

#include "winapi/types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vaultadmin {

class VaultSql;

int32_t InsertUser(VaultSql& sql, const std::u16string& name, const std::u16string& password,
                   const std::vector<DWORD>& systemRights);

}  // namespace vaultadmin
