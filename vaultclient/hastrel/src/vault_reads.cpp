#include "vault_reads.h"

#include "vennacle/database_failure.h"
#include "com/com_error.h"
#include "vaultdb/database.h"
#include "vaultdb/schema.h"
#include "vaultdb/statement.h"
#include "vaultdb/transaction.h"
#include "winapi/guid_text.h"

#include <memory>
#include <set>
#include <string>

namespace hastrel {

namespace {

using vennacle::CheckDatabase;
using vennacle::NextRow;
using vennacle::PrepareStatement;

// Links that a pending removal or deletion ends count no more.
constexpr char kLiveLink[] = "l.link_operation NOT IN (3, 4)";

// Runs `body`, raising a failure of the counters' statements (which carry
// only their code) again with the database's text.
template <class Body>
void WithDatabaseText(vaultdb::Database& database, Body&& body) {
    try {
        body();
    } catch (const _com_error& error) {
        if (IErrorInfo* info = error.ErrorInfo()) {
            info->Release();
            throw;
        }
        CheckDatabase(database, error.Error());
        throw;
    }
}

}  // namespace

std::optional<VaultDocument> VaultReads::Document(LONG documentId) {
    auto query = PrepareStatement(
        database_,
        "SELECT d.folder_id, d.name, f.vault_path, d.latest_version, COALESCE(v.modified_utc, 0),"
        " COALESCE(d.state_id, 0), COALESCE(s.name, ''), d.alternate_name, d.domain, COALESCE(l.user_id, 0),"
        " COALESCE(u.name, ''), COALESCE(l.locked_path, ''), COALESCE(l.view_guid, '')"
        " FROM documents d JOIN folders f ON f.id = d.folder_id"
        " LEFT JOIN workflow_states s ON s.id = d.state_id"
        " LEFT JOIN document_versions v ON v.document_id = d.id AND v.version = d.latest_version"
        " LEFT JOIN locks l ON l.document_id = d.id LEFT JOIN users u ON u.id = l.user_id"
        " WHERE d.id = ? AND d.deleted = 0 AND d.doc_type = 6");
    CheckDatabase(database_, query->BindInt32(1, documentId));
    if (!NextRow(database_, *query)) return std::nullopt;
    VaultDocument document;
    document.id = documentId;
    document.folderId = query->ColumnInt32(0);
    document.name = query->ColumnText(1);
    document.folderPath = query->ColumnText(2);
    document.latestVersion = query->ColumnInt32(3);
    document.modified = query->ColumnDouble(4);
    document.stateId = query->ColumnInt32(5);
    document.state = query->ColumnText(6);
    document.alternateName = query->ColumnText(7);
    document.domain = query->ColumnText(8);
    document.lockedBy = query->ColumnInt32(9);
    document.lockedByName = query->ColumnText(10);
    document.lockedPath = query->ColumnText(11);
    if (document.lockedBy != 0) winapi::ParseGuid(query->ColumnText(12), &document.lockViewId);
    return document;
}

std::vector<LONG> VaultReads::FolderDocuments(LONG folderId) {
    auto query = PrepareStatement(
        database_, "SELECT id FROM documents WHERE folder_id = ? AND deleted = 0 AND doc_type = 6 ORDER BY name_key");
    CheckDatabase(database_, query->BindInt32(1, folderId));
    std::vector<LONG> documents;
    while (NextRow(database_, *query)) documents.push_back(query->ColumnInt32(0));
    return documents;
}

std::vector<VaultConfiguration> VaultReads::Configurations(LONG documentId) {
    auto query = PrepareStatement(database_, "SELECT id, name FROM configurations WHERE document_id = ? ORDER BY id");
    CheckDatabase(database_, query->BindInt32(1, documentId));
    std::vector<VaultConfiguration> configurations;
    while (NextRow(database_, *query)) configurations.push_back({query->ColumnInt32(0), query->ColumnText(1)});
    return configurations;
}

std::vector<VaultReference> VaultReads::References(LONG documentId) {
    auto query = PrepareStatement(
        database_,
        "SELECT r.child_id, COALESCE(c.id, -1), COALESCE(r.child_config_name, ''), r.is_static"
        " FROM file_references r JOIN documents d ON d.id = r.child_id AND d.deleted = 0 AND d.doc_type = 6"
        " LEFT JOIN configurations c ON c.document_id = r.child_id AND c.name = r.child_config_name"
        " WHERE r.parent_id = ? ORDER BY r.id");
    CheckDatabase(database_, query->BindInt32(1, documentId));
    std::vector<VaultReference> references;
    while (NextRow(database_, *query)) {
        VaultReference reference;
        reference.childId = query->ColumnInt32(0);
        reference.childConfigId = query->ColumnInt32(1);
        reference.childConfigName = query->ColumnText(2);
        reference.isStatic = query->ColumnInt32(3) != 0;
        references.push_back(std::move(reference));
    }
    return references;
}

std::u16string VaultReads::LinkedItemName(LONG documentId, LONG configId) {
    auto query = PrepareStatement(
        database_,
        std::string("SELECT i.name FROM links l JOIN documents i ON i.id = l.parent_id AND i.deleted = 0"
                    " AND i.doc_type = 4 WHERE l.child_type = 6 AND l.child_id = ? AND l.link_type IN (1, 2) AND ") +
            kLiveLink +
            " AND l.child_config_id IN (?, -1)"
            " ORDER BY l.child_config_id = -1, l.link_type, l.id LIMIT 1");
    CheckDatabase(database_, query->BindInt32(1, documentId));
    CheckDatabase(database_, query->BindInt32(2, configId));
    return NextRow(database_, *query) ? query->ColumnText(0) : std::u16string();
}

std::vector<VaultItemName> VaultReads::ItemNames() {
    auto query = PrepareStatement(database_, std::string("SELECT d.name, EXISTS (SELECT 1 FROM links l WHERE"
                                                         " l.parent_id = d.id AND l.link_type = 1 AND ") +
                                                 kLiveLink +
                                                 ") FROM documents d WHERE d.doc_type = 4 AND d.deleted = 0"
                                                 " ORDER BY d.name_key");
    std::vector<VaultItemName> names;
    while (NextRow(database_, *query)) names.push_back({query->ColumnText(0), query->ColumnInt32(1) != 0});
    return names;
}

std::vector<vennacle::Counter> VaultReads::ReserveCounters(LONG count, const std::vector<LONG>& handedIn) {
    vaultdb::Transaction transaction(database_);
    CheckDatabase(database_, transaction.Begin());
    std::vector<vennacle::Counter> counters;
    std::vector<LONG> spare;
    std::set<LONG> seen;  // an id handed in twice is still one id
    {
        auto state = PrepareStatement(database_, "SELECT name FROM counters WHERE id = ? AND state = ?");
        for (LONG id : handedIn) {
            if (!seen.insert(id).second) continue;
            const vaultdb::ResetAtScopeEnd reset(*state);
            CheckDatabase(database_, state->BindInt32(1, id));
            CheckDatabase(database_, state->BindInt32(2, vaultdb::kCounterReserved));
            if (!NextRow(database_, *state)) continue;
            if (LONG(counters.size()) < count)
                counters.push_back({id, state->ColumnText(0)});
            else
                spare.push_back(id);
        }
    }
    WithDatabaseText(database_, [&] {
        for (LONG id : spare) vennacle::FreeReservedCounter(database_, id);
        while (LONG(counters.size()) < count) counters.push_back(vennacle::ReserveCounter(database_));
    });
    CheckDatabase(database_, transaction.Commit());
    return counters;
}

void VaultReads::FreeCounters(const std::vector<LONG>& counterIds) {
    if (counterIds.empty()) return;
    vaultdb::Transaction transaction(database_);
    CheckDatabase(database_, transaction.Begin());
    WithDatabaseText(database_, [&] {
        for (LONG id : counterIds) vennacle::FreeReservedCounter(database_, id);
    });
    CheckDatabase(database_, transaction.Commit());
}

}  // namespace hastrel
