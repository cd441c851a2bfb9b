// The tree source over the vault database (MakeVaultTreeSource): what a tree
// reads - documents, references, configurations, the items that link them,
// every item's name - and the counter ids it reserves for new item names.
#include "hastrel/tree_source.h"

#include "vennacle/counters.h"
#include "vennacle/database_failure.h"
#include "vennacle/sp_mgr.h"
#include "com/com_error.h"
#include "com/method_boundary.h"
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

// Reads every method's answer inside com::Boundary: a failure of the vault
// database becomes the result, with its text as the thread's error info.
class VaultTreeSource final : public TreeSource {
public:
    explicit VaultTreeSource(SpMgrPtr connection)
        : connection_(std::move(connection)), database_(*connection_->mpoGetDatabase()) {}

    HRESULT GetDocument(LONG documentId, SourceDocument& document) override {
        return com::Boundary([&] { return ReadDocument(documentId, document) ? S_OK : S_FALSE; });
    }

    HRESULT GetFolderDocuments(LONG folderId, std::vector<LONG>& documentIds) override {
        return com::Boundary([&] {
            auto query =
                PrepareStatement(database_,
                                 "SELECT id FROM documents WHERE folder_id = ? AND deleted = 0 AND doc_type = 6"
                                 " ORDER BY name_key");
            CheckDatabase(database_, query->BindInt32(1, folderId));
            std::vector<LONG> found;
            while (NextRow(database_, *query)) found.push_back(query->ColumnInt32(0));
            documentIds = std::move(found);
            return S_OK;
        });
    }

    // References to deleted documents are left out: the tree shows what can
    // become an item.
    HRESULT GetReferences(LONG documentId, std::vector<SourceReference>& references) override {
        return com::Boundary([&] {
            auto query = PrepareStatement(
                database_,
                "SELECT r.child_id, COALESCE(r.child_config_name, ''), r.is_static FROM file_references r"
                " JOIN documents d ON d.id = r.child_id AND d.deleted = 0 AND d.doc_type = 6"
                " WHERE r.parent_id = ? ORDER BY r.id");
            CheckDatabase(database_, query->BindInt32(1, documentId));
            std::vector<SourceReference> found;
            while (NextRow(database_, *query)) {
                SourceReference reference;
                reference.mlChildID = query->ColumnInt32(0);
                reference.moChildConfiguration = query->ColumnText(1);
                reference.mbStatic = query->ColumnInt32(2) != 0;
                found.push_back(std::move(reference));
            }
            references = std::move(found);
            return S_OK;
        });
    }

    // Items linking the configuration asked for come first, then those
    // linking the document as a whole (which links each of its
    // configurations), then - for -1 - those linking another configuration;
    // dynamic links before static ones, older links first; an item once.
    HRESULT GetLinkingItems(LONG documentId, LONG configId, std::vector<std::u16string>& itemNames) override {
        return com::Boundary([&] {
            auto query = PrepareStatement(
                database_, std::string("SELECT i.name FROM links l JOIN documents i ON i.id = l.parent_id"
                                       " AND i.deleted = 0 AND i.doc_type = 4"
                                       " WHERE l.child_type = 6 AND l.child_id = ? AND l.link_type IN (1, 2) AND ") +
                               kLiveLink +
                               " AND (? = -1 OR l.child_config_id IN (?, -1))"
                               " ORDER BY l.child_config_id <> ?, l.child_config_id <> -1, l.link_type, l.id");
            CheckDatabase(database_, query->BindInt32(1, documentId));
            CheckDatabase(database_, query->BindInt32(2, configId));
            CheckDatabase(database_, query->BindInt32(3, configId));
            CheckDatabase(database_, query->BindInt32(4, configId));
            std::vector<std::u16string> found;
            std::set<std::u16string> seen;
            while (NextRow(database_, *query)) {
                std::u16string name = query->ColumnText(0);
                if (seen.insert(name).second) found.push_back(std::move(name));
            }
            itemNames = std::move(found);
            return S_OK;
        });
    }

    HRESULT GetItems(std::vector<SourceItem>& items) override {
        return com::Boundary([&] {
            auto query = PrepareStatement(database_, std::string("SELECT d.name, EXISTS (SELECT 1 FROM links l WHERE"
                                                                 " l.parent_id = d.id AND l.link_type = 1 AND ") +
                                                         kLiveLink +
                                                         ") FROM documents d WHERE d.doc_type = 4 AND d.deleted = 0"
                                                         " ORDER BY d.name_key");
            std::vector<SourceItem> found;
            while (NextRow(database_, *query)) {
                SourceItem item;
                item.moName = query->ColumnText(0);
                item.mbDynamicLink = query->ColumnInt32(1) != 0;
                found.push_back(std::move(item));
            }
            items = std::move(found);
            return S_OK;
        });
    }

    // Reserved as "Generate new ID" reserves them (vennacle::ReserveCounter):
    // the oldest free counter first, else a new one.
    HRESULT ReserveCounters(LONG count, std::vector<SourceName>& names) override {
        if (count < 0) return E_INVALIDARG;
        return com::Boundary([&] {
            std::vector<SourceName> reserved;
            vaultdb::Transaction transaction(database_);
            CheckDatabase(database_, transaction.Begin());
            WithDatabaseText(database_, [&] {
                for (LONG i = 0; i < count; ++i) {
                    vennacle::Counter counter = vennacle::ReserveCounter(database_);
                    reserved.push_back({counter.mlID, std::move(counter.moName)});
                }
            });
            CheckDatabase(database_, transaction.Commit());
            names = std::move(reserved);
            return S_OK;
        });
    }

    HRESULT GetReservedCounters(const std::vector<LONG>& counterIds, std::vector<SourceName>& names) override {
        return com::Boundary([&] {
            auto query = PrepareStatement(database_, "SELECT name FROM counters WHERE id = ? AND state = ?");
            std::vector<SourceName> found;
            std::set<LONG> seen;  // an id given twice is one id
            for (LONG id : counterIds) {
                if (!seen.insert(id).second) continue;
                const vaultdb::ResetAtScopeEnd reset(*query);
                CheckDatabase(database_, query->BindInt32(1, id));
                CheckDatabase(database_, query->BindInt32(2, vaultdb::kCounterReserved));
                if (NextRow(database_, *query)) found.push_back({id, query->ColumnText(0)});
            }
            names = std::move(found);
            return S_OK;
        });
    }

    HRESULT FreeCounters(const std::vector<LONG>& counterIds) override {
        if (counterIds.empty()) return S_OK;
        return com::Boundary([&] {
            vaultdb::Transaction transaction(database_);
            CheckDatabase(database_, transaction.Begin());
            WithDatabaseText(database_, [&] {
                for (LONG id : counterIds) vennacle::FreeReservedCounter(database_, id);
            });
            CheckDatabase(database_, transaction.Commit());
            return S_OK;
        });
    }

private:
    bool ReadDocument(LONG documentId, SourceDocument& document) {
        auto query = PrepareStatement(
            database_,
            "SELECT d.folder_id, d.name, f.vault_path, d.latest_version, COALESCE(v.revision, ''),"
            " COALESCE(d.state_id, 0), COALESCE(s.name, ''), COALESCE(v.modified_utc, 0), COALESCE(l.user_id, 0),"
            " COALESCE(u.name, ''), COALESCE(l.locked_path, ''), COALESCE(l.view_guid, ''), d.domain,"
            " d.alternate_name"
            " FROM documents d JOIN folders f ON f.id = d.folder_id"
            " LEFT JOIN workflow_states s ON s.id = d.state_id"
            " LEFT JOIN document_versions v ON v.document_id = d.id AND v.version = d.latest_version"
            " LEFT JOIN locks l ON l.document_id = d.id LEFT JOIN users u ON u.id = l.user_id"
            " WHERE d.id = ? AND d.deleted = 0 AND d.doc_type = 6");
        CheckDatabase(database_, query->BindInt32(1, documentId));
        if (!NextRow(database_, *query)) return false;
        SourceDocument read;
        read.mlDocumentID = documentId;
        read.mlFolderID = query->ColumnInt32(0);
        read.moName = query->ColumnText(1);
        read.moFolderPath = query->ColumnText(2);
        read.mlLatestVersion = query->ColumnInt32(3);
        read.moRevision = query->ColumnText(4);
        read.mlStatusID = query->ColumnInt32(5);
        read.moState = query->ColumnText(6);
        read.mdModified = query->ColumnDouble(7);
        read.mlLockedBy = query->ColumnInt32(8);
        read.moLockedBy = query->ColumnText(9);
        read.moLockedPath = query->ColumnText(10);
        if (read.mlLockedBy != 0) winapi::ParseGuid(query->ColumnText(11), &read.moLockViewID);
        read.moDomain = query->ColumnText(12);
        read.moAlternateName = query->ColumnText(13);
        query.reset();

        auto configurations =
            PrepareStatement(database_, "SELECT id, name FROM configurations WHERE document_id = ? ORDER BY id");
        CheckDatabase(database_, configurations->BindInt32(1, documentId));
        while (NextRow(database_, *configurations))
            read.mvConfigurations.push_back({configurations->ColumnInt32(0), configurations->ColumnText(1)});
        document = std::move(read);
        return true;
    }

    SpMgrPtr connection_;          // One reference of the source's own.
    vaultdb::Database& database_;  // The connection's.
};

}  // namespace

HRESULT MakeVaultTreeSource(SpMgr& connection, LONG /*userId*/, const GUID& /*viewId*/,
                            std::shared_ptr<TreeSource>& source) {
    if (!connection.mpoGetDatabase()) return E_INVALIDARG;
    return com::Boundary([&] {
        connection.AddRef();
        SpMgrPtr held(&connection);
        source = std::make_shared<VaultTreeSource>(std::move(held));
        return S_OK;
    });
}

}  // namespace hastrel
