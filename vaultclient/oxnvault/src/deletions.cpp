#include "oxnvault/deletions.h"

#include "batch_files.h"

#include "common/error_codes.h"
#include "vaultdb/database.h"
#include "vaultdb/schema.h"
#include "vaultdb/statement.h"
#include "vaultdb/transaction.h"
#include "winapi/text.h"

#include <algorithm>
#include <memory>
#include <set>
#include <system_error>

namespace oxnvault {

namespace {

// Runs `sql` with the integers bound in order.
HRESULT Exec(vaultdb::Database& database, const char* sql, std::initializer_list<LONG> values) {
    std::unique_ptr<vaultdb::Statement> statement;
    HRESULT hr = database.Prepare(sql, statement);
    if (FAILED(hr)) return hr;
    int index = 1;
    for (LONG value : values) statement->BindInt32(index++, value);
    return statement->Execute();
}

std::u16string UnknownObject(const char16_t* what, LONG id) {
    return u"(" + std::u16string(what) + u" " + winapi::ToUtf16(std::to_string(id)) + u")";
}

}  // namespace

HRESULT Deletions::LockedByOther(LONG documentId, bool& locked) {
    std::unique_ptr<vaultdb::Statement> lock;
    HRESULT hr = database_.Prepare("SELECT user_id FROM locks WHERE document_id = ?", lock);
    if (FAILED(hr)) return hr;
    lock->BindInt32(1, documentId);
    if (FAILED(hr = lock->Step())) return hr;
    locked = hr == S_OK && lock->ColumnInt32(0) != userId_;
    return S_OK;
}

HRESULT Deletions::Collect(std::vector<Document>& documents, std::vector<Bom>& boms, std::vector<Folder>& folders) {
    // Deleted documents come along only to be destroyed.
    const std::string liveOnly = destroy_ ? "" : " AND d.deleted = 0";
    std::unique_ptr<vaultdb::Statement> query;
    std::set<LONG> knownDocuments, knownFolders;
    auto readDocuments = [&](vaultdb::Statement& rows) {
        HRESULT hr;
        while ((hr = rows.Step()) == S_OK) {
            Document document{rows.ColumnInt32(0),      rows.ColumnInt32(1), rows.ColumnInt32(2),
                              rows.ColumnInt32(3) != 0, rows.ColumnText(4),  rows.ColumnText(5)};
            if (knownDocuments.insert(document.id).second) documents.push_back(std::move(document));
        }
        return FAILED(hr) ? hr : S_OK;
    };
    const std::string documentColumns =
        "SELECT d.id, d.folder_id, d.doc_type, d.deleted, d.name, f.vault_path FROM documents d JOIN folders f ON "
        "f.id = d.folder_id WHERE ";

    // A file is taken in the folder it was added with (folder id 0: wherever
    // it lies), so that an id of another kind never deletes a stranger.
    HRESULT hr = database_.Prepare(documentColumns + "d.id = ?1 AND (?2 = 0 OR d.folder_id = ?2)" + liveOnly, query);
    if (FAILED(hr)) return hr;
    std::unique_ptr<vaultdb::Statement> bom;
    if (FAILED(hr = database_.Prepare("SELECT b.document_id, b.name, f.vault_path FROM boms b JOIN folders f ON "
                                      "f.id = b.folder_id WHERE b.id = ? AND b.folder_id = ?",
                                      bom)))
        return hr;
    for (const auto& [fileId, folderId] : files_) {
        query->Reset();
        query->BindInt32(1, fileId);
        query->BindInt32(2, folderId);
        const size_t before = documents.size();
        if (FAILED(hr = readDocuments(*query))) return hr;
        if (documents.size() != before || knownDocuments.count(fileId)) continue;
        // Not a document there: a bill of materials listed in that folder?
        bom->Reset();
        bom->BindInt32(1, fileId);
        bom->BindInt32(2, folderId);
        if (FAILED(hr = bom->Step())) return hr;
        if (hr != S_OK) {
            errors_.push_back({UnknownObject(u"file", fileId), E_OXN_FILE_NOT_FOUND});
            continue;
        }
        if (std::none_of(boms.begin(), boms.end(), [&](const Bom& known) { return known.id == fileId; }))
            boms.push_back({fileId, folderId, bom->ColumnInt32(0), bom->ColumnText(1), bom->ColumnText(2)});
    }

    LONG rootItemFolder = 0;
    std::unique_ptr<vaultdb::Statement> root;
    if (FAILED(hr = database_.Prepare("SELECT root_item_folder_id FROM vault WHERE id = 1", root))) return hr;
    if (FAILED(hr = root->Step())) return hr;
    if (hr == S_OK) rootItemFolder = root->ColumnInt32(0);

    std::unique_ptr<vaultdb::Statement> folder, below, contents;
    if (FAILED(hr = database_.Prepare("SELECT vault_path, path_key FROM folders WHERE id = ?", folder))) return hr;
    // Deepest first, so that each folder is gone before its parent.
    if (FAILED(hr = database_.Prepare("SELECT id, parent_id, name, vault_path FROM folders WHERE "
                                      "substr(path_key, 1, length(?1)) = ?1 ORDER BY length(path_key) DESC",
                                      below)))
        return hr;
    if (FAILED(hr = database_.Prepare(documentColumns + "d.folder_id = ?" + liveOnly, contents))) return hr;
    for (LONG folderId : folders_) {
        folder->Reset();
        folder->BindInt32(1, folderId);
        if (FAILED(hr = folder->Step())) return hr;
        if (hr != S_OK) {
            errors_.push_back({UnknownObject(u"folder", folderId), E_OXN_FOLDER_NOT_FOUND});
            continue;
        }
        if (folderId == vaultdb::kRootFolderId || folderId == rootItemFolder) {
            errors_.push_back({folder->ColumnText(0), E_OXN_PERMISSION_DENIED});
            continue;
        }
        below->Reset();
        below->BindText(1, folder->ColumnText(1));
        while ((hr = below->Step()) == S_OK) {
            Folder found{below->ColumnInt32(0), below->ColumnInt32(1), below->ColumnText(2), below->ColumnText(3)};
            if (!knownFolders.insert(found.id).second) continue;
            contents->Reset();
            contents->BindInt32(1, found.id);
            if (HRESULT read = readDocuments(*contents); FAILED(read)) return read;
            folders.push_back(std::move(found));
        }
        if (FAILED(hr)) return hr;
    }
    // Folders added one inside another: still deepest first over all of them.
    std::stable_sort(folders.begin(), folders.end(),
                     [](const Folder& a, const Folder& b) { return a.path.size() > b.path.size(); });
    return S_OK;
}

HRESULT Deletions::Run() {
    errors_.clear();
    deletedDocuments_.clear();
    deletedFolders_.clear();
    vaultdb::Transaction transaction(database_);
    HRESULT hr = transaction.Begin();
    if (FAILED(hr)) return hr;

    std::vector<Document> documents;
    std::vector<Bom> boms;
    std::vector<Folder> folders;
    if (FAILED(hr = Collect(documents, boms, folders))) return hr;

    std::vector<std::filesystem::path> archiveFiles;
    std::vector<LONG> deletedDocuments, deletedFolders;
    std::set<LONG> keptFolders;  // folders that still hold something
    for (const Document& document : documents) {
        bool locked = false;
        if (FAILED(hr = LockedByOther(document.id, locked))) return hr;
        if (locked) {
            errors_.push_back({document.folderPath + document.name, E_OXN_LOCKED_BY_ANOTHER_USER});
            keptFolders.insert(document.folderId);
            continue;
        }
        if (FAILED(hr = RemoveDocument(document, archiveFiles))) return hr;
        deletedDocuments.push_back(document.id);
    }
    for (const Bom& bom : boms) {
        bool locked = false;
        if (FAILED(hr = LockedByOther(bom.documentId, locked))) return hr;
        if (locked) {
            errors_.push_back({bom.folderPath + bom.name, E_OXN_LOCKED_BY_ANOTHER_USER});
            keptFolders.insert(bom.folderId);
            continue;
        }
        if (FAILED(hr = RemoveBom(bom))) return hr;
    }
    const std::set<LONG> added(folders_.begin(), folders_.end());
    for (const Folder& folder : folders) {
        if (keptFolders.count(folder.id)) {
            keptFolders.insert(folder.parentId);
            if (added.count(folder.id)) errors_.push_back({folder.path, E_OXN_FOLDER_NOT_EMPTY});
            continue;
        }
        if (FAILED(hr = RemoveFolder(folder))) return hr;
        deletedFolders.push_back(folder.id);
    }
    if (FAILED(hr = transaction.Commit())) {
        errors_.clear();
        return hr;
    }
    deletedDocuments_ = std::move(deletedDocuments);
    deletedFolders_ = std::move(deletedFolders);
    // The rows are gone for good; their contents follow. A file that stays
    // (a crash now) is an orphan no row names, which the archive sweep clears.
    std::error_code ignored;
    for (const std::filesystem::path& file : archiveFiles) std::filesystem::remove(file, ignored);
    return S_OK;
}

HRESULT Deletions::RemoveDocument(const Document& document, std::vector<std::filesystem::path>& archiveFiles) {
    HRESULT hr;
    if (destroy_) {
        std::unique_ptr<vaultdb::Statement> files;
        if (FAILED(hr = database_.Prepare("SELECT archive_file FROM document_versions WHERE document_id = ? AND "
                                          "archive_file IS NOT NULL",
                                          files)))
            return hr;
        files->BindInt32(1, document.id);
        const std::filesystem::path archive = database_.ArchiveFolder();
        while ((hr = files->Step()) == S_OK) archiveFiles.push_back(archive / winapi::ToUtf8(files->ColumnText(0)));
        if (FAILED(hr)) return hr;
        // Versions, configurations, item data, BOMs, cut lists, links to its
        // children and the lock go with the row.
        if (FAILED(hr = Exec(database_, "DELETE FROM documents WHERE id = ?", {document.id}))) return hr;
    } else {
        if (FAILED(hr = Exec(database_, "UPDATE documents SET deleted = 1 WHERE id = ?", {document.id}))) return hr;
        if (FAILED(hr = Exec(database_, "DELETE FROM locks WHERE document_id = ?", {document.id}))) return hr;
    }
    return Log(document.type, document.id, document.folderId, document.name);
}

HRESULT Deletions::RemoveBom(const Bom& bom) {
    // Its rows go with it.
    HRESULT hr = Exec(database_, "DELETE FROM boms WHERE id = ?", {bom.id});
    if (FAILED(hr)) return hr;
    return Log(vaultdb::kObjectBom, bom.id, bom.folderId, bom.name);
}

HRESULT Deletions::RemoveFolder(const Folder& folder) {
    HRESULT hr;
    // Deleted documents keep their rows; they no longer lie anywhere the
    // tree shows, and deleted_objects keeps where they were.
    if (FAILED(hr = Exec(database_, "UPDATE documents SET folder_id = ? WHERE folder_id = ? AND deleted = 1",
                         {vaultdb::kRootFolderId, folder.id})))
        return hr;
    if (FAILED(hr = Exec(database_, "UPDATE boms SET folder_id = NULL WHERE folder_id = ?", {folder.id}))) return hr;
    if (FAILED(hr = Exec(database_, "DELETE FROM folders WHERE id = ?", {folder.id}))) return hr;
    return Log(vaultdb::kObjectItemFolder, folder.id, folder.parentId, folder.name);
}

HRESULT Deletions::Log(LONG type, LONG id, LONG folderId, const std::u16string& name) {
    const double now = NowUtcDate();
    std::unique_ptr<vaultdb::Statement> row;
    HRESULT hr = database_.Prepare(
        "INSERT INTO deleted_objects (object_type, object_id, destroyed, folder_id, name, user_id, time_utc) "
        "VALUES (?, ?, ?, ?, ?, ?, ?)",
        row);
    if (FAILED(hr)) return hr;
    row->BindInt32(1, type);
    row->BindInt32(2, id);
    row->BindInt32(3, destroy_ ? 1 : 0);
    row->BindInt32(4, folderId);
    row->BindText(5, name);
    row->BindInt32(6, userId_);
    row->BindDouble(7, now);
    if (FAILED(hr = row->Execute())) return hr;

    if (FAILED(hr = database_.Prepare("INSERT INTO history (action, object_type, object_id, user_id, time_utc, "
                                      "comment) VALUES (?, ?, ?, ?, ?, ?)",
                                      row)))
        return hr;
    row->BindInt32(1, destroy_ ? vaultdb::kHistoryDestroy : vaultdb::kHistoryDelete);
    row->BindInt32(2, type);
    row->BindInt32(3, id);
    row->BindInt32(4, userId_);
    row->BindDouble(5, now);
    row->BindText(6, source_.second != 0 ? u"Through view server " + winapi::ToUtf16(std::to_string(source_.second))
                                         : std::u16string());
    return row->Execute();
}

}  // namespace oxnvault
