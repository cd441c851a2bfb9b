// Changes an administrator (or a test standing in for another user) makes
// to a vault's items and files: a new item, a deleted item, a new version of
// a file. Each runs in one transaction: all of it or, on failure, nothing.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace vaultdb {
class Database;
}

namespace vaultadmin {

// Adds the item "<name>.<item>" (the extension is added when `name` lacks
// it) to the item folder `itemFolderPath` ("\<items>\Parts\"; missing
// folders are made) as `userId`: version 1, the initial state of the vault's
// first workflow when there is one, no links. Returns its id. Throws
// AdminError for a folder outside "\<items>\", a name that is empty or
// holds a backslash, or an item of that name in the vault.
int32_t AddItem(vaultdb::Database& database, const std::u16string& itemFolderPath, const std::u16string& name,
                int32_t userId);

// Deletes the item `name` ("<name>.<item>", case-insensitive) as `userId`:
// it is marked deleted (its name is free again), its check-out is dropped,
// and the deletion is logged in deleted_objects (not destroyed) and in its
// history, where tree refreshes find it. Returns its id. Throws AdminError
// when the vault has no such item.
int32_t DeleteItem(vaultdb::Database& database, const std::u16string& name, int32_t userId);

// Stores the contents of `localFile` as the next version of the vault file
// `vaultFilePath` ("\Projects\Parts\a.zvkprt") as `userId`; returns the new
// version. Throws AdminError when the file cannot be read or the vault has
// no such file.
int32_t AddFileVersionFromFile(vaultdb::Database& database, const std::u16string& vaultFilePath,
                               const std::filesystem::path& localFile, int32_t userId);

}  // namespace vaultadmin
