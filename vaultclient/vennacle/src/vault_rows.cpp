#include "vennacle/vault_rows.h"

#include "common/error_codes.h"
#include "sp_query.h"
#include "vaultdb/schema.h"

namespace vennacle {

LONG InsertNewItem(vaultdb::Database& database, const NewItem& item) {
    const std::u16string nameKey = vaultdb::FoldKey(item.moFileName);
    SpQuery exists(database,
                   "SELECT 1 FROM documents WHERE name_key = ? AND deleted = 0 AND (doc_type = 4 OR folder_id = ?)");
    exists.Bind(nameKey).Bind(item.mlFolderID);
    if (exists.Next()) SpRaise(E_OXN_NAME_ALREADY_EXISTS);

    SpQuery document(database,
                     "INSERT INTO documents (folder_id, name, name_key, doc_type, latest_version, created_by,"
                     " created_utc) VALUES (?, ?, ?, 4, 1, ?, ?) RETURNING id");
    document.Bind(item.mlFolderID).Bind(item.moFileName).Bind(nameKey).Bind(item.mlUserID).Bind(item.mdNow);
    if (!document.Next()) SpRaise(E_OXN_DATABASE_ACCESS);
    const LONG itemId = document.Int(0);
    document.Reset();

    SpQuery version(database,
                    "INSERT INTO document_versions (document_id, version, modified_utc, user_id) VALUES (?, 1, ?, ?)");
    version.Bind(itemId).Bind(item.mdNow).Bind(item.mlUserID).Run();

    const LONG counterId = item.moCounter.mlID;
    SpQuery itemRow(database,
                    "INSERT INTO items (document_id, item_number, item_name, counter_id) VALUES (?, ?, ?, ?)");
    itemRow.Bind(itemId).Bind(item.moCounter.moName).Bind(item.moItemName);
    if (counterId != 0)
        itemRow.Bind(counterId);
    else
        itemRow.BindNull();
    itemRow.Run();
    if (counterId != 0) {
        SpQuery spend(database, "UPDATE counters SET state = ?, spent_by_item = ? WHERE id = ?");
        spend.Bind(int32_t{vaultdb::kCounterSpent}).Bind(itemId).Bind(counterId).Run();
    }

    // New items are checked out to their maker, in the maker's view.
    SpQuery lock(database,
                 "INSERT INTO locks (document_id, user_id, view_guid, computer, locked_path, locked_utc)"
                 " VALUES (?, ?, ?, ?, ?, ?)");
    lock.Bind(itemId).Bind(item.mlUserID).Bind(item.moViewGuid).Bind(item.moComputer).Bind(item.moLockedPath);
    lock.Bind(item.mdNow).Run();

    SpQuery history(database,
                    "INSERT INTO history (action, object_type, object_id, version, user_id, time_utc)"
                    " VALUES (?, 4, ?, 1, ?, ?)");
    history.Bind(int32_t{vaultdb::kHistoryAdd}).Bind(itemId).Bind(item.mlUserID).Bind(item.mdNow).Run();
    return itemId;
}

LONG InsertFolder(vaultdb::Database& database, LONG parentId, std::u16string_view name, LONG userId, DATE now) {
    SpQuery parent(database, "SELECT vault_path FROM folders WHERE id = ?");
    parent.Bind(parentId);
    if (!parent.Next()) SpRaise(E_OXN_FOLDER_NOT_FOUND);
    const std::u16string path = parent.Text(0) + std::u16string(name) + u'\\';
    const std::u16string pathKey = vaultdb::FoldKey(path);

    SpQuery existing(database, "SELECT id FROM folders WHERE path_key = ?");
    existing.Bind(pathKey);
    if (existing.Next()) SpRaise(E_OXN_NAME_ALREADY_EXISTS);

    SpQuery insert(database,
                   "INSERT INTO folders (parent_id, name, vault_path, path_key, created_by, created_utc)"
                   " VALUES (?, ?, ?, ?, ?, ?) RETURNING id");
    insert.Bind(parentId).Bind(name).Bind(path).Bind(pathKey);
    if (userId != 0)
        insert.Bind(userId);
    else
        insert.BindNull();
    insert.Bind(now);
    if (!insert.Next()) SpRaise(E_OXN_DATABASE_ACCESS);
    const LONG newId = insert.Int(0);
    insert.Reset();

    if (pathKey == vaultdb::FoldKey(u"\\<items>\\")) {
        SpQuery root(database, "UPDATE vault SET root_item_folder_id = ? WHERE id = 1");
        root.Bind(newId).Run();
    }
    return newId;
}

}  // namespace vennacle
