#include "vaultdb/database.h"

#include "pending_folder_flushes.h"
#include "winapi/text.h"

namespace vaultdb {

Database::Database() : foldersToFlush_(std::make_unique<PendingFolderFlushes>()) {}

Database::~Database() = default;

std::filesystem::path VaultDatabaseFile(const std::filesystem::path& serverFolder, std::u16string_view dbName) {
    if (dbName.empty() || dbName.find_first_of(u"\\/:") != std::u16string_view::npos) return {};
    return serverFolder / (winapi::ToUtf8(dbName) + ".vault");
}

std::filesystem::path ArchiveFolderOf(const std::filesystem::path& databaseFile) {
    std::filesystem::path folder = databaseFile;
    folder.replace_extension(".archive");
    // A database file named "x.archive" must not take its own name.
    if (folder == databaseFile) folder += ".archive";
    return folder;
}

std::filesystem::path Database::ArchiveFolder() const { return ArchiveFolderOf(File()); }

}  // namespace vaultdb
