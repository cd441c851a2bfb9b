#include "vault_objects.h"

#include "vaultdb/database.h"
#include "vaultdb/schema.h"
#include "vaultdb/statement.h"
#include "winapi/errors.h"
#include "winapi/guid_text.h"

namespace tavrosk {

namespace {

enum StatementId {
    kFolder,
    kFolderHasChildren,
    kItemDocument,
    kFileDocument,
    kItemByName,
    kLock,
    kItemHasLinks,
    kDynamicLink,
    kBom,
    kConfigName,
    kItemLinks,
    kSubFolders,
    kFolderItems,
    kVersionTime,
    kFileVersions,
    kDeletedEntry,
    kDocumentDeleted,
    kStatementCount,
};

}  // namespace

bool IsFolderType(LONG type) {
    return type == vaultdb::kObjectRootItemFolder || type == vaultdb::kObjectVault ||
           type == vaultdb::kObjectItemFolder;
}

bool IsItemFolder(const VaultObject& folder) {
    return IsFolderType(folder.type) && vaultdb::FoldKey(folder.path).starts_with(vaultdb::FoldKey(kItemsFolderPath));
}

VaultReader::VaultReader(vaultdb::Database& database) : database_(database), statements_(kStatementCount) {}

VaultReader::~VaultReader() = default;

vaultdb::Statement& VaultReader::Prepared(int which, const char* sql) {
    std::unique_ptr<vaultdb::Statement>& statement = statements_[which];
    if (!statement)
        CheckDatabase(database_, database_.Prepare(sql, statement));
    else
        CheckDatabase(database_, statement->Reset());
    return *statement;
}

const VaultObject* VaultReader::Find(LONG type, LONG id, LONG configId) {
    const auto key = std::make_tuple(type, id, configId);
    auto known = objects_.find(key);
    if (known == objects_.end()) {
        VaultObject object;
        bool found = false;
        if (id > 0) {
            if (IsFolderType(type))
                ReadFolder(id, object, found);
            else if (type == vaultdb::kObjectItem || type == vaultdb::kObjectFile)
                ReadDocument(id, type, object, found);
            else if (type == vaultdb::kObjectBom)
                ReadBom(id, object, found);
        }
        if (found) {
            object.type = type;
            if (configId != -1 && type == vaultdb::kObjectFile) {
                vaultdb::Statement& config =
                    Prepared(kConfigName, "SELECT name FROM configurations WHERE id = ? AND document_id = ?");
                const vaultdb::ResetAtScopeEnd configDone(config);
                config.BindInt32(1, configId);
                config.BindInt32(2, id);
                // A configuration the document does not have stands for none.
                if (NextRow(database_, config)) {
                    object.configId = configId;
                    object.configName = config.ColumnText(0);
                }
            }
        }
        known = objects_.emplace(key, found ? std::optional<VaultObject>(std::move(object)) : std::nullopt).first;
    }
    return known->second ? &*known->second : nullptr;
}

const VaultObject* VaultReader::FindItemByName(std::u16string_view name) {
    vaultdb::Statement& byName =
        Prepared(kItemByName, "SELECT id FROM documents WHERE name_key = ? AND doc_type = 4 AND deleted = 0");
    const vaultdb::ResetAtScopeEnd byNameDone(byName);
    byName.BindText(1, vaultdb::FoldKey(name));
    const LONG id = NextRow(database_, byName) ? byName.ColumnInt32(0) : 0;
    return id ? Find(vaultdb::kObjectItem, id) : nullptr;
}

void VaultReader::ReadFolder(LONG id, VaultObject& folder, bool& found) {
    vaultdb::Statement& row =
        Prepared(kFolder, "SELECT parent_id, name, vault_path, created_utc FROM folders WHERE id = ?");
    const vaultdb::ResetAtScopeEnd rowDone(row);
    row.BindInt32(1, id);
    found = NextRow(database_, row);
    if (!found) return;
    folder.id = id;
    folder.parentProjectId = row.ColumnInt32(0);
    folder.name = row.ColumnText(1);
    folder.path = row.ColumnText(2);
    folder.created = row.ColumnDouble(3);

    vaultdb::Statement& children = Prepared(kFolderHasChildren,
                                            "SELECT EXISTS (SELECT 1 FROM folders WHERE parent_id = ?1) OR EXISTS "
                                            "(SELECT 1 FROM documents WHERE folder_id = ?1 AND doc_type = 4 AND "
                                            "deleted = 0)");

    const vaultdb::ResetAtScopeEnd childrenDone(children);
    children.BindInt32(1, id);
    folder.hasChildren = NextRow(database_, children) && children.ColumnInt32(0) != 0;
}

void VaultReader::ReadDocument(LONG id, LONG wantedType, VaultObject& document, bool& found) {
    // The type is written into the text, not bound: a bound value compared
    // where the partial index on items ("doc_type = 4") could serve marks the
    // statement to be prepared again at every binding.
#define DOCUMENT_ROW_SQL(docType)                                                                                \
    "SELECT d.folder_id, d.name, f.vault_path, d.object_flags, d.linked_file_name, d.alternate_name, d.domain, " \
    "d.state_id, s.name, d.latest_version, d.is_cutlist, d.created_utc FROM documents d "                        \
    "JOIN folders f ON f.id = d.folder_id LEFT JOIN workflow_states s ON s.id = d.state_id "                     \
    "WHERE d.id = ? AND d.doc_type = " docType " AND d.deleted = 0"
    static_assert(vaultdb::kObjectItem == 4 && vaultdb::kObjectFile == 6);
    vaultdb::Statement& row = wantedType == vaultdb::kObjectItem ? Prepared(kItemDocument, DOCUMENT_ROW_SQL("4"))
                                                                 : Prepared(kFileDocument, DOCUMENT_ROW_SQL("6"));
    const vaultdb::ResetAtScopeEnd rowDone(row);
#undef DOCUMENT_ROW_SQL
    row.BindInt32(1, id);
    found = NextRow(database_, row);
    if (!found) return;
    document.id = id;
    document.parentProjectId = row.ColumnInt32(0);
    document.name = row.ColumnText(1);
    document.path = row.ColumnText(2);
    document.flags = row.ColumnInt32(3);
    document.linkedFile = row.ColumnText(4);
    document.alternateName = row.ColumnText(5);
    document.domain = row.ColumnText(6);
    document.stateId = row.ColumnInt32(7);
    document.state = row.ColumnText(8);
    document.latestVersion = row.ColumnInt32(9);
    document.isCutlist = row.ColumnInt32(10) != 0;
    document.created = row.ColumnDouble(11);

    ReadLock(document);
    if (wantedType != vaultdb::kObjectItem) return;
    vaultdb::Statement& links = Prepared(
        kItemHasLinks, "SELECT EXISTS (SELECT 1 FROM links WHERE parent_id = ? AND link_operation NOT IN (3, 4))");
    const vaultdb::ResetAtScopeEnd linksDone(links);
    links.BindInt32(1, id);
    document.hasChildren = NextRow(database_, links) && links.ColumnInt32(0) != 0;
    if (const std::optional<VaultLink> dynamic = DynamicLink(id)) {
        if (const VaultObject* file = Find(vaultdb::kObjectFile, dynamic->childId))
            document.dynamicFileVersion = file->latestVersion;
    }
}

void VaultReader::ReadLock(VaultObject& document) {
    vaultdb::Statement& lock = Prepared(kLock,
                                        "SELECT l.user_id, u.name, l.view_guid, l.locked_path FROM locks l "
                                        "JOIN users u ON u.id = l.user_id WHERE l.document_id = ?");
    const vaultdb::ResetAtScopeEnd lockDone(lock);
    lock.BindInt32(1, document.id);
    if (NextRow(database_, lock)) {
        document.lockedBy = lock.ColumnInt32(0);
        document.lockedByName = lock.ColumnText(1);
        // A view GUID the vault cannot read stands for no view of ours.
        if (!winapi::ParseGuid(lock.ColumnText(2), &document.lockViewId)) document.lockViewId = GUID{};
        document.lockedPath = lock.ColumnText(3);
    }
}

void VaultReader::ReadBom(LONG id, VaultObject& bom, bool& found) {
    vaultdb::Statement& row = Prepared(kBom,
                                       "SELECT b.folder_id, b.name, f.vault_path, b.latest_version, "
                                       "b.configuration_id FROM boms b JOIN documents d ON d.id = b.document_id "
                                       "LEFT JOIN folders f ON f.id = b.folder_id WHERE b.id = ? AND d.deleted = 0");
    const vaultdb::ResetAtScopeEnd rowDone(row);
    row.BindInt32(1, id);
    found = NextRow(database_, row);
    if (!found) return;
    bom.id = id;
    bom.parentProjectId = row.ColumnInt32(0);
    bom.name = row.ColumnText(1);
    bom.path = row.ColumnText(2);
    bom.latestVersion = row.ColumnInt32(3);
    bom.configId = row.ColumnInt32(4);
}

std::vector<VaultLink> VaultReader::ItemLinks(LONG itemId) {
    vaultdb::Statement& rows = Prepared(kItemLinks,
                                        "SELECT child_type, child_id, child_config_id, link_type, attached_version "
                                        "FROM links WHERE parent_id = ? AND link_operation NOT IN (3, 4) ORDER BY id");
    const vaultdb::ResetAtScopeEnd rowsDone(rows);
    rows.BindInt32(1, itemId);
    std::vector<VaultLink> links;
    while (NextRow(database_, rows))
        links.push_back(
            {rows.ColumnInt32(0), rows.ColumnInt32(1), rows.ColumnInt32(2), rows.ColumnInt32(3), rows.ColumnInt32(4)});
    return links;
}

std::vector<LONG> VaultReader::SubFolders(LONG folderId) {
    vaultdb::Statement& rows = Prepared(kSubFolders, "SELECT id FROM folders WHERE parent_id = ? ORDER BY path_key");
    const vaultdb::ResetAtScopeEnd rowsDone(rows);
    rows.BindInt32(1, folderId);
    std::vector<LONG> ids;
    while (NextRow(database_, rows)) ids.push_back(rows.ColumnInt32(0));
    return ids;
}

std::vector<LONG> VaultReader::FolderItems(LONG folderId) {
    vaultdb::Statement& rows =
        Prepared(kFolderItems,
                 "SELECT id FROM documents WHERE folder_id = ? AND doc_type = 4 AND deleted = 0 ORDER BY name_key");
    const vaultdb::ResetAtScopeEnd rowsDone(rows);
    rows.BindInt32(1, folderId);
    std::vector<LONG> ids;
    while (NextRow(database_, rows)) ids.push_back(rows.ColumnInt32(0));
    return ids;
}

DATE VaultReader::VersionTime(LONG documentId, LONG version) {
    vaultdb::Statement& row =
        Prepared(kVersionTime, "SELECT modified_utc FROM document_versions WHERE document_id = ? AND version = ?");
    const vaultdb::ResetAtScopeEnd rowDone(row);
    row.BindInt32(1, documentId);
    row.BindInt32(2, version);
    const DATE time = NextRow(database_, row) ? row.ColumnDouble(0) : 0;
    return time;
}

std::vector<std::pair<LONG, DATE>> VaultReader::FileVersionTimes(LONG documentId) {
    vaultdb::Statement& rows = Prepared(kFileVersions,
                                        "SELECT v.version, v.modified_utc FROM document_versions v JOIN documents d "
                                        "ON d.id = v.document_id WHERE v.document_id = ? AND d.doc_type = 6 AND "
                                        "d.deleted = 0 ORDER BY v.version");
    const vaultdb::ResetAtScopeEnd rowsDone(rows);
    rows.BindInt32(1, documentId);
    std::vector<std::pair<LONG, DATE>> versions;
    while (NextRow(database_, rows)) versions.emplace_back(rows.ColumnInt32(0), rows.ColumnDouble(1));
    return versions;
}

std::optional<VaultLink> VaultReader::DynamicLink(LONG itemId) {
    vaultdb::Statement& row = Prepared(kDynamicLink,
                                       "SELECT child_id, child_config_id, attached_version FROM links WHERE "
                                       "parent_id = ? AND link_type = 1 AND child_type = 6 AND "
                                       "link_operation NOT IN (3, 4)");
    const vaultdb::ResetAtScopeEnd rowDone(row);
    row.BindInt32(1, itemId);
    std::optional<VaultLink> link;
    if (NextRow(database_, row))
        link = VaultLink{vaultdb::kObjectFile, row.ColumnInt32(0), row.ColumnInt32(1), vaultdb::kLinkDynamic,
                         row.ColumnInt32(2)};
    return link;
}

DeletionState VaultReader::Deletion(LONG type, LONG id) {
    if (Find(type, id)) return {};
    DeletionState state{true, false};
    // The latest entry of the deletion log decides; without one, a document
    // row kept with its deleted flag was only deleted, a missing row is gone
    // for good.
    const LONG loggedType = IsFolderType(type) ? LONG{vaultdb::kObjectItemFolder} : type;
    vaultdb::Statement& logged = Prepared(kDeletedEntry,
                                          "SELECT destroyed FROM deleted_objects WHERE object_id = ? AND "
                                          "(object_type = ? OR (? = 3 AND object_type IN (1, 2, 3))) "
                                          "ORDER BY id DESC LIMIT 1");
    const vaultdb::ResetAtScopeEnd loggedDone(logged);
    logged.BindInt32(1, id);
    logged.BindInt32(2, loggedType);
    logged.BindInt32(3, loggedType);
    if (NextRow(database_, logged)) {
        state.destroyed = logged.ColumnInt32(0) != 0;
        return state;
    }
    if (type == vaultdb::kObjectItem || type == vaultdb::kObjectFile) {
        vaultdb::Statement& row =
            Prepared(kDocumentDeleted, "SELECT deleted FROM documents WHERE id = ? AND doc_type = ?");
        const vaultdb::ResetAtScopeEnd rowDone(row);
        row.BindInt32(1, id);
        row.BindInt32(2, type);
        state.destroyed = !NextRow(database_, row);
    } else {
        state.destroyed = true;
    }
    return state;
}

}  // namespace tavrosk
