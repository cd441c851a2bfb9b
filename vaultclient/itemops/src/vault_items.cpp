#include "vault_items.h"

#include "vaultdb/database.h"
#include "vaultdb/schema.h"
#include "vaultdb/statement.h"
#include "vennacle/database_failure.h"
#include "winapi/errors.h"

#include <memory>

namespace itemops {

using vennacle::CheckDatabase;
using vennacle::NextRow;
using vennacle::PrepareStatement;

std::optional<VaultItem> FindItem(vaultdb::Database& database, LONG id) {
    auto row =
        PrepareStatement(database,
                         "SELECT d.id, d.folder_id, d.name, f.vault_path, d.latest_version, d.deleted, d.state_id, "
                         "l.user_id FROM documents d JOIN folders f ON f.id = d.folder_id LEFT JOIN locks l ON "
                         "l.document_id = d.id WHERE d.id = ? AND d.doc_type = 4");
    row->BindInt32(1, id);
    if (!NextRow(database, *row)) return std::nullopt;
    return VaultItem{row->ColumnInt32(0), row->ColumnInt32(1),      row->ColumnText(2),  row->ColumnText(3),
                     row->ColumnInt32(4), row->ColumnInt32(5) != 0, row->ColumnInt32(6), row->ColumnInt32(7)};
}

std::vector<LinkedFile> LinkedFiles(vaultdb::Database& database, LONG itemId, LONG version) {
    // A file linked in several configurations is one file on disk: each once.
    auto rows =
        PrepareStatement(database,
                         "SELECT d.id, d.name, f.vault_path, d.latest_version, l.user_id, l.view_guid FROM documents d "
                         "JOIN folders f ON f.id = d.folder_id LEFT JOIN locks l ON l.document_id = d.id "
                         "WHERE d.doc_type = 6 AND d.deleted = 0 AND d.id IN "
                         "(SELECT child_id FROM links WHERE parent_id = ? AND child_type = 6) "
                         "ORDER BY f.path_key, d.name_key");
    rows->BindInt32(1, itemId);
    std::vector<LinkedFile> files;
    while (NextRow(database, *rows)) {
        LinkedFile file;
        file.id = rows->ColumnInt32(0);
        file.name = rows->ColumnText(1);
        file.folderPath = rows->ColumnText(2);
        file.latestVersion = rows->ColumnInt32(3);
        file.lockUserId = rows->ColumnInt32(4);
        file.lockViewGuid = rows->ColumnText(5);
        file.version = version > 0 ? version : file.latestVersion;
        files.push_back(std::move(file));
    }
    auto stored = PrepareStatement(database,
                                   "SELECT modified_utc, archive_file IS NOT NULL FROM document_versions WHERE "
                                   "document_id = ? AND version = ?");
    for (LinkedFile& file : files) {
        CheckDatabase(database, stored->Reset());
        stored->BindInt32(1, file.id);
        stored->BindInt32(2, file.version);
        if (!NextRow(database, *stored)) continue;
        file.versionFound = true;
        file.modifiedUtc = stored->ColumnDouble(0);
        file.hasContents = stored->ColumnInt32(1) != 0;
    }
    return files;
}

}  // namespace itemops
