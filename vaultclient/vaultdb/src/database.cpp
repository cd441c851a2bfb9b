#include "vaultdb/database.h"

namespace vaultdb {

std::filesystem::path ArchiveFolderOf(const std::filesystem::path& databaseFile) {
    std::filesystem::path folder = databaseFile;
    folder.replace_extension(".archive");
    // A database file named "x.archive" must not take its own name.
    if (folder == databaseFile) folder += ".archive";
    return folder;
}

std::filesystem::path Database::ArchiveFolder() const { return ArchiveFolderOf(File()); }

}  // namespace vaultdb
