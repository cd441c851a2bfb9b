#include "unlock_plan.h"

#include "common/com_errors.h"
#include "common/error_codes.h"
#include "vaultdb/schema.h"
#include "vaultdb/transaction.h"
#include "vennacle/sp_query.h"

#include <set>
#include <string>

namespace brevanne {

namespace {

using vennacle::SpQuery;

// A document row with its latest version and its lock.
constexpr const char* kDocumentColumns =
    "SELECT d.id, d.doc_type, d.name, f.vault_path, d.latest_version, v.archive_file IS NOT NULL, "
    "COALESCE(v.size, 0), COALESCE(v.modified_utc, 0), COALESCE(l.user_id, 0), l.view_guid, l.computer, u.name "
    "FROM documents d "
    "JOIN folders f ON f.id = d.folder_id "
    "LEFT JOIN document_versions v ON v.document_id = d.id AND v.version = d.latest_version "
    "LEFT JOIN locks l ON l.document_id = d.id LEFT JOIN users u ON u.id = l.user_id ";

class PlanReader {
public:
    PlanReader(vaultdb::Database& database, const UnlockWorker& worker)
        : database_(database), worker_(worker), viewKey_(vaultdb::FoldKey(worker.viewGuidText)) {}

    void AddTarget(const UnlockTarget& target) {
        if (target.fileId != 0)
            AddDocument(target);
        else if (target.folderId != 0)
            AddFolder(target.folderId);
    }

    std::vector<PlannedGroup> Take() { return std::move(groups_); }

private:
    PlannedDocument Read(const SpQuery& row) const {
        PlannedDocument document;
        document.id = row.Int(0);
        document.docType = row.Int(1);
        document.name = row.Text(2);
        document.folderPath = row.Text(3);
        document.latestVersion = row.Int(4);
        document.hasContents = row.Int(5) != 0;
        document.size = row.Int64(6);
        document.modifiedUtc = row.Double(7);
        document.lockUserId = row.Int(8);
        if (document.lockUserId != 0) {
            document.lockViewGuid = row.Text(9);
            document.lockComputer = row.Text(10);
            document.lockUserName = row.Text(11);
            const bool here =
                document.lockUserId == worker_.userId && vaultdb::FoldKey(document.lockViewGuid) == viewKey_;
            document.lock = here ? LockPlace::kHere : LockPlace::kElsewhere;
        }
        return document;
    }

    void AddDocument(const UnlockTarget& target) {
        SpQuery row(database_, std::string(kDocumentColumns) +
                                   "WHERE d.id = ?1 AND d.deleted = 0 AND (?2 = 0 OR d.folder_id = ?2)");
        row.Bind(int32_t{target.fileId}).Bind(int32_t{target.folderId});
        if (!row.Next()) {
            // A bill of materials follows its document: nothing of its own is
            // checked out.
            SpQuery bom(database_, "SELECT 1 FROM boms WHERE id = ?1 AND (?2 = 0 OR folder_id = ?2)");
            bom.Bind(int32_t{target.fileId}).Bind(int32_t{target.folderId});
            if (bom.Next()) return;
            gvRaiseComError(E_OXN_FILE_NOT_FOUND, u"The vault has no such file or item to check in.");
        }
        AddGroup(Read(row));
    }

    void AddFolder(LONG folderId) {
        SpQuery folder(database_, "SELECT path_key FROM folders WHERE id = ?");
        folder.Bind(int32_t{folderId});
        if (!folder.Next()) gvRaiseComError(E_OXN_FOLDER_NOT_FOUND, u"The vault has no such folder.");
        // Every folder whose path starts with this one's lies below it (paths
        // end with "\", so "\A\" never matches "\AB\").
        SpQuery rows(database_, std::string(kDocumentColumns) +
                                    "WHERE d.deleted = 0 AND l.user_id = ?2 AND "
                                    "substr(f.path_key, 1, length(?1)) = ?1 ORDER BY f.path_key, d.name_key");
        rows.Bind(folder.Text(0)).Bind(int32_t{worker_.userId});
        std::vector<PlannedDocument> found;
        while (rows.Next()) {
            PlannedDocument document = Read(rows);
            if (document.lock == LockPlace::kHere) found.push_back(std::move(document));
        }
        for (PlannedDocument& document : found) AddGroup(std::move(document));
    }

    void AddGroup(PlannedDocument head) {
        if (!taken_.insert(head.id).second) return;
        PlannedGroup group;
        if (head.docType == vaultdb::kObjectItem) {
            SpQuery links(database_, std::string(kDocumentColumns) +
                                         "WHERE d.deleted = 0 AND d.doc_type = 6 AND d.id IN (SELECT child_id FROM "
                                         "links WHERE parent_id = ? AND child_type = 6 AND link_operation NOT IN "
                                         "(3, 4)) ORDER BY f.path_key, d.name_key");
            links.Bind(int32_t{head.id});
            while (links.Next()) {
                PlannedDocument file = Read(links);
                if (taken_.insert(file.id).second) group.files.push_back(std::move(file));
            }
        }
        group.head = std::move(head);
        groups_.push_back(std::move(group));
    }

    vaultdb::Database& database_;  // Not owned.
    const UnlockWorker& worker_;
    const std::u16string viewKey_;
    std::set<LONG> taken_;
    std::vector<PlannedGroup> groups_;
};

}  // namespace

std::vector<PlannedGroup> ReadUnlockPlan(vaultdb::Database& database, const UnlockWorker& worker,
                                         const std::vector<UnlockTarget>& targets) {
    vaultdb::Transaction transaction(database);
    if (const HRESULT hr = transaction.Begin(); FAILED(hr))
        gvRaiseComError(hr, u"The vault database could not be read.");
    PlanReader reader(database, worker);
    for (const UnlockTarget& target : targets) reader.AddTarget(target);
    transaction.Rollback();  // read only
    return reader.Take();
}

LONG CountDocuments(const std::vector<PlannedGroup>& groups) {
    LONG count = 0;
    for (const PlannedGroup& group : groups) count += 1 + static_cast<LONG>(group.files.size());
    return count;
}

}  // namespace brevanne
