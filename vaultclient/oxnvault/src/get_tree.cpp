#include "get_tree.h"

#include "batch_files.h"
#include "vault_session.h"

#include "common/com_errors.h"
#include "vaultdb/database.h"
#include "vaultdb/schema.h"
#include "vaultdb/statement.h"
#include "vaultdb/transaction.h"
#include "vennacle/database_failure.h"
#include "winapi/errors.h"
#include "winapi/path_mapping.h"
#include "winapi/text.h"

#include <sys/stat.h>

#include <memory>
#include <set>

namespace oxnvault {

using vennacle::CheckDatabase;
using vennacle::NextRow;
using vennacle::PrepareStatement;

namespace {

constexpr const char* kDocumentColumns =
    "SELECT d.id, d.folder_id, d.doc_type, d.name, f.vault_path, d.latest_version FROM documents d "
    "JOIN folders f ON f.id = d.folder_id ";

class TreeReader {
public:
    explicit TreeReader(vaultdb::Database& database) : database_(database) {}

    // Adds the document row of `rows` (kDocumentColumns) at its latest
    // version, unless it is in the tree already.
    void AddRow(vaultdb::Statement& rows, bool selected) {
        TreeFile file;
        file.fileId = rows.ColumnInt32(0);
        if (!taken_.insert(file.fileId).second) return;
        file.folderId = rows.ColumnInt32(1);
        file.docType = rows.ColumnInt32(2);
        file.name = rows.ColumnText(3);
        file.folderVaultPath = rows.ColumnText(4);
        file.version = rows.ColumnInt32(5);
        file.selected = selected;
        files_.push_back(std::move(file));
    }

    // The documents of `request` (batch_files.h), at the request's version.
    void AddRequest(const GetRequest& request) {
        std::vector<BatchFile> found;
        const HRESULT hr = AddBatchFiles(database_, request.fileId, request.folderId, found);
        if (FAILED(hr)) gvRaiseFailedCall(hr, u"The vault has no such file or folder.");
        for (BatchFile& document : found) {
            if (!taken_.insert(document.id).second) continue;
            TreeFile file;
            file.fileId = document.id;
            file.folderId = document.folderId;
            file.docType = document.type;
            file.name = std::move(document.name);
            file.folderVaultPath = std::move(document.folderPath);
            file.version = request.fileId != 0 ? request.version : 0;
            files_.push_back(std::move(file));
        }
    }

    void AddLocalCopies(const VaultSession& session) {
        auto rows = PrepareStatement(
            database_, std::string(kDocumentColumns) + "WHERE d.deleted = 0 ORDER BY f.vault_path, d.name_key");
        while (NextRow(database_, *rows)) {
            const std::u16string local = session.ViewFilePath(rows->ColumnText(4), rows->ColumnText(3));
            struct stat status {};
            if (::stat(winapi::ToPosixPath(local).c_str(), &status) == 0 && S_ISREG(status.st_mode))
                AddRow(*rows, true);
        }
    }

    // The files the items of the tree link to, at their latest versions.
    void AddReferences() {
        auto links = PrepareStatement(database_, std::string(kDocumentColumns) +
                                                     "JOIN links l ON l.child_id = d.id AND l.child_type = ? "
                                                     "WHERE l.parent_id = ? AND d.deleted = 0 ORDER BY l.id");
        const size_t selectedCount = files_.size();
        for (size_t i = 0; i < selectedCount; ++i) {
            if (files_[i].docType != vaultdb::kObjectItem) continue;
            CheckDatabase(database_, links->Reset());
            links->BindInt32(1, vaultdb::kObjectFile);
            links->BindInt32(2, files_[i].fileId);
            while (NextRow(database_, *links)) AddRow(*links, false);
        }
    }

    // The stored time and contents of each file's version (the latest where
    // none was asked for), and its lock.
    void AddVersionsAndLocks() {
        auto latest = PrepareStatement(database_, "SELECT latest_version FROM documents WHERE id = ?");
        auto version = PrepareStatement(database_,
                                        "SELECT modified_utc, archive_file FROM document_versions "
                                        "WHERE document_id = ? AND version = ?");
        auto lock = PrepareStatement(database_, "SELECT user_id, view_guid, computer FROM locks WHERE document_id = ?");
        for (TreeFile& file : files_) {
            if (file.version <= 0) {
                CheckDatabase(database_, latest->Reset());
                latest->BindInt32(1, file.fileId);
                if (NextRow(database_, *latest)) file.version = latest->ColumnInt32(0);
            }
            CheckDatabase(database_, version->Reset());
            version->BindInt32(1, file.fileId);
            version->BindInt32(2, file.version);
            file.versionFound = NextRow(database_, *version);
            if (file.versionFound) {
                file.modifiedUtc = version->ColumnDouble(0);
                file.hasContents = !version->ColumnIsNull(1);
            }
            CheckDatabase(database_, lock->Reset());
            lock->BindInt32(1, file.fileId);
            if (NextRow(database_, *lock)) {
                file.lockUserId = lock->ColumnInt32(0);
                file.lockViewGuid = lock->ColumnText(1);
                file.lockComputer = lock->ColumnText(2);
            }
        }
    }

    std::vector<TreeFile> Take() { return std::move(files_); }

private:
    vaultdb::Database& database_;  // Not owned.
    std::vector<TreeFile> files_;
    std::set<LONG> taken_;
};

}  // namespace

std::vector<TreeFile> BuildGetTree(VaultSession& session, const std::vector<GetRequest>& requests,
                                   bool localCopiesOnly) {
    vaultdb::Database& database = *session.database;
    vaultdb::Transaction transaction(database);
    CheckDatabase(database, transaction.Begin());
    TreeReader reader(database);
    if (localCopiesOnly) {
        reader.AddLocalCopies(session);
    } else {
        for (const GetRequest& request : requests)
            if (request.fileId != 0 || request.folderId != 0) reader.AddRequest(request);
        reader.AddReferences();
    }
    reader.AddVersionsAndLocks();
    CheckDatabase(database, transaction.Rollback());  // read only
    return reader.Take();
}

}  // namespace oxnvault
