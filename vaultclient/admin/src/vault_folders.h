// Folders of the vault ("projects"): vault paths "\A\B\" below the root
// project "\", item folders below "\<items>\".
#pragma once

#include <cstdint>
#include <string>

namespace vaultadmin {

class VaultSql;

inline constexpr const char16_t* kItemsFolderPath = u"\\<items>\\";

// The path in its stored form: backslashes, starting and ending with one.
// Throws AdminError for an empty name inside the path, a name CheckVaultName
// refuses ("." and ".." among them) or a path over kMaxVaultPathLength.
std::u16string NormalVaultPath(std::u16string path);

// The folder's id, making it and its missing parents (as `userId`); the
// caller holds the transaction.
int32_t EnsureVaultFolder(VaultSql& sql, const std::u16string& vaultPath, int32_t userId);

// Now as an automation DATE in UTC, the vault's time stamp.
double NowUtcDate();

}  // namespace vaultadmin
