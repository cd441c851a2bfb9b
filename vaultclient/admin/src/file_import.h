// Importing a local file into a vault folder as a new file document with its
// contents as version 1 in the archive.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace vaultdb {
class Database;
}

namespace vaultadmin {

// Adds the file under its own name to the vault folder `vaultFolder`
// ("\Projects\Parts\"; missing folders are made) as `userId`, in one
// transaction, and returns the document's id. Throws AdminError when the
// file cannot be read, the folder is an item folder (below "\<items>\"),
// or the folder has a document of that name.
int32_t ImportFile(vaultdb::Database& database, const std::filesystem::path& localFile,
                   const std::u16string& vaultFolder, int32_t userId);

}  // namespace vaultadmin
