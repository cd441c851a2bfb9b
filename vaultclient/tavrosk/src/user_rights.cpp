#include "user_rights.h"

#include "bellquist/menu_info.h"
#include "vault_objects.h"
#include "vaultdb/database.h"
#include "vaultdb/schema.h"
#include "vaultdb/statement.h"

#include <memory>
#include <optional>

namespace tavrosk {

namespace {

// Folders nest far less deeply than this; the bound only keeps a damaged
// parent chain (a cycle) from running on.
constexpr int kMaxFolderDepth = 10000;

// The single integer the statement answers, or nothing without a row (or
// with a NULL).
std::optional<int64_t> SingleValue(vaultdb::Database& database, vaultdb::Statement& statement) {
    if (!NextRow(database, statement) || statement.ColumnIsNull(0)) return std::nullopt;
    return statement.ColumnInt64(0);
}

// The folder the object lies in (a folder: itself), or nothing.
std::optional<int64_t> StartFolder(vaultdb::Database& database, LONG type, LONG id) {
    if (IsFolderType(type)) return id;
    std::unique_ptr<vaultdb::Statement> folder;
    if (type == vaultdb::kObjectItem || type == vaultdb::kObjectFile) {
        folder = PrepareStatement(database, "SELECT folder_id FROM documents WHERE id = ? AND doc_type = ?");
        folder->BindInt32(2, type);
    } else if (type == vaultdb::kObjectBom) {
        folder = PrepareStatement(database,
                                  "SELECT COALESCE(b.folder_id, d.folder_id) FROM boms b JOIN documents d "
                                  "ON d.id = b.document_id WHERE b.id = ?");
    } else {
        return std::nullopt;
    }
    folder->BindInt32(1, id);
    return SingleValue(database, *folder);
}

}  // namespace

ULONG UserRightsOn(vaultdb::Database& database, LONG userId, LONG type, LONG id) {
    const LONG ownType = IsFolderType(type) ? LONG{vaultdb::kObjectItemFolder} : type;
    std::unique_ptr<vaultdb::Statement> own = PrepareStatement(
        database, "SELECT rights FROM object_rights WHERE user_id = ? AND object_type = ? AND object_id = ?");
    own->BindInt32(1, userId);
    own->BindInt32(2, ownType);
    own->BindInt32(3, id);
    if (const std::optional<int64_t> rights = SingleValue(database, *own)) return static_cast<ULONG>(*rights);

    const std::optional<int64_t> start = StartFolder(database, type, id);
    if (!start) return BellquistLib::kAllUserRights;
    std::unique_ptr<vaultdb::Statement> inherited =
        PrepareStatement(database,
                         "WITH RECURSIVE chain (id, depth) AS ("
                         " SELECT ?, 0"
                         " UNION ALL SELECT f.parent_id, c.depth + 1 FROM chain c"
                         " JOIN folders f ON f.id = c.id"
                         " WHERE f.parent_id IS NOT NULL AND c.depth < ?)"
                         " SELECT r.rights FROM chain c JOIN object_rights r"
                         " ON r.object_id = c.id AND r.object_type = 3"
                         " AND r.user_id = ? ORDER BY c.depth LIMIT 1");
    inherited->BindInt64(1, *start);
    inherited->BindInt32(2, kMaxFolderDepth);
    inherited->BindInt32(3, userId);
    if (const std::optional<int64_t> rights = SingleValue(database, *inherited)) return static_cast<ULONG>(*rights);
    return BellquistLib::kAllUserRights;
}

}  // namespace tavrosk
