#include "item_revisions.h"

#include "vault_items.h"

#include "common/com_errors.h"
#include "common/error_codes.h"
#include "vaultdb/database.h"
#include "vaultdb/schema.h"
#include "vaultdb/statement.h"
#include "winapi/errors.h"
#include "vaultdb/transaction.h"
#include "vennacle/database_failure.h"
#include "vennacle/revisions.h"

#include <memory>

namespace itemops {

using vennacle::CheckDatabase;
using vennacle::NextRow;
using vennacle::PrepareStatement;

namespace {

// The revision an item has now: its latest version's, else (a version
// written without one) its item data's.
std::u16string CurrentRevision(vaultdb::Database& database, const VaultItem& item) {
    auto row = PrepareStatement(database,
                                "SELECT v.revision, i.revision FROM documents d LEFT JOIN "
                                "document_versions v ON v.document_id = d.id AND v.version = "
                                "d.latest_version LEFT JOIN items i ON i.document_id = d.id "
                                "WHERE d.id = ?");
    row->BindInt32(1, item.id);
    if (!NextRow(database, *row)) return {};
    std::u16string revision = row->ColumnText(0);
    return revision.empty() ? row->ColumnText(1) : revision;
}

void Execute(vaultdb::Database& database, const char* sql, std::initializer_list<LONG> values) {
    auto statement = PrepareStatement(database, sql);
    int index = 1;
    for (LONG value : values) statement->BindInt32(index++, value);
    CheckDatabase(database, statement->Execute());
}

std::u16string Described(const char16_t* what, const std::u16string& name) { return what + (u" " + name); }

}  // namespace

std::vector<PlannedRevision> PlanRevisions(vaultdb::Database& database, const std::vector<LONG>& itemIds) {
    std::vector<PlannedRevision> planned;
    for (LONG id : itemIds) {
        const std::optional<VaultItem> item = FindItem(database, id);
        if (!item || item->deleted) continue;
        std::u16string revision = CurrentRevision(database, *item);
        std::u16string next = vennacle::NextRevision(revision);
        planned.push_back({id, item->name, std::move(revision), std::move(next)});
    }
    return planned;
}

std::vector<RevisedItem> IncrementRevisions(vaultdb::Database& database, LONG userId, const std::vector<LONG>& itemIds,
                                            double now) {
    vaultdb::Transaction transaction(database);
    CheckDatabase(database, transaction.Begin());
    std::vector<RevisedItem> revised;
    for (LONG id : itemIds) {
        // Read under the write lock: another client may have checked the
        // item out or deleted it since the question was asked.
        const std::optional<VaultItem> item = FindItem(database, id);
        if (!item) gvRaiseComError(E_OXN_FILE_NOT_FOUND, u"The vault has no such item; no revision was incremented.");
        if (item->deleted)
            gvRaiseComError(
                E_OXN_FILE_DELETED,
                (Described(u"The item", item->name) + u" has been deleted; no revision was incremented.").c_str());
        if (item->lockUserId != 0 && item->lockUserId != userId)
            gvRaiseComError(
                E_OXN_LOCKED_BY_ANOTHER_USER,
                (Described(u"The item", item->name) + u" is checked out by another user; no revision was incremented.")
                    .c_str());
        const std::u16string next = vennacle::NextRevision(CurrentRevision(database, *item));
        const LONG version = item->latestVersion + 1;

        auto insert = PrepareStatement(database,
                                       "INSERT INTO document_versions (document_id, version, modified_utc, "
                                       "comment, user_id, state_id, revision) VALUES (?, ?, ?, ?, ?, ?, ?)");
        insert->BindInt32(1, id);
        insert->BindInt32(2, version);
        insert->BindDouble(3, now);
        insert->BindText(4, u"Revision " + next);
        insert->BindInt32(5, userId);
        if (item->stateId != 0)
            insert->BindInt32(6, item->stateId);
        else
            insert->BindNull(6);
        insert->BindText(7, next);
        CheckDatabase(database, insert->Execute());
        // The card values go on with the new version.
        Execute(database,
                "INSERT INTO variable_values (document_id, version, configuration_id, variable_id, text_value, "
                "date_value) SELECT document_id, ?, configuration_id, variable_id, text_value, date_value FROM "
                "variable_values WHERE document_id = ? AND version = ?",
                {version, id, item->latestVersion});
        Execute(database, "UPDATE documents SET latest_version = ? WHERE id = ?", {version, id});

        auto update = PrepareStatement(database,
                                       "INSERT INTO items (document_id, revision) VALUES (?, ?) "
                                       "ON CONFLICT (document_id) DO UPDATE SET revision = excluded.revision");
        update->BindInt32(1, id);
        update->BindText(2, next);
        CheckDatabase(database, update->Execute());

        auto history = PrepareStatement(database,
                                        "INSERT INTO history (action, object_type, object_id, version, "
                                        "user_id, time_utc, comment) VALUES (?, ?, ?, ?, ?, ?, ?)");
        history->BindInt32(1, vaultdb::kHistoryRevision);
        history->BindInt32(2, vaultdb::kObjectItem);
        history->BindInt32(3, id);
        history->BindInt32(4, version);
        history->BindInt32(5, userId);
        history->BindDouble(6, now);
        history->BindText(7, next);
        CheckDatabase(database, history->Execute());
        revised.push_back({id, version, next});
    }
    CheckDatabase(database, transaction.Commit());
    return revised;
}

}  // namespace itemops
