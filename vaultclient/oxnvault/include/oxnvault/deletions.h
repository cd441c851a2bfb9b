// Deleting files and folders of the vault, or destroying them.
//
// Delete moves a document to the deleted list: its row stays, marked
// deleted, with an entry in deleted_objects and its history, where tree
// refreshes find it. Destroy removes it for good: its rows (versions,
// configurations, item data, BOMs, links to its children) and, after the
// commit, its archive files. A folder goes with everything below it; its
// row is removed, and the deleted documents that named it move under the
// root folder (deleted_objects keeps the folder they lay in).
//
// A bill of materials added as a file (its id and the folder it is listed
// in) has no deleted state: its rows go, its document stays, and the
// deletion is logged for the tree refreshes.
//
// A document checked out by another user is refused and stays, and so do the
// folders holding it (and its BOMs). The root folder and the root item folder are never
// removed. Everything the run changes in the database changes in one
// transaction: a failing write leaves the vault as it was.
#pragma once

#include "winapi/errors.h"
#include "winapi/types.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace vaultdb {
class Database;
}

namespace oxnvault {

// What a run could not delete, and why.
struct DeletionError {
    std::u16string vaultPath;  // "\A\B\name", a folder's "\A\B\"
    HRESULT reason = S_OK;
};

class Deletions {
public:
    Deletions(vaultdb::Database& database, LONG userId) : database_(database), userId_(userId) {}

    void AddFolder(LONG folderId) { folders_.push_back(folderId); }
    void AddFile(LONG fileId, LONG folderId) { files_.emplace_back(fileId, folderId); }
    void SetDestroy(bool destroy) { destroy_ = destroy; }
    bool Destroy() const { return destroy_; }
    // Who asked: written into the history comments of the run.
    void SetSource(LONG kind, LONG id) { source_ = {kind, id}; }

    size_t AddedFiles() const { return files_.size(); }
    size_t AddedFolders() const { return folders_.size(); }

    // Deletes (or destroys) what was added. S_OK when the database took the
    // changes - `errors` then lists what was refused (empty when everything
    // went) - or the failure of the database, when nothing changed.
    HRESULT Run();

    const std::vector<DeletionError>& Errors() const { return errors_; }
    // The ids of the documents and folders the last run removed.
    const std::vector<LONG>& DeletedDocuments() const { return deletedDocuments_; }
    const std::vector<LONG>& DeletedFolders() const { return deletedFolders_; }

private:
    struct Document {
        LONG id = 0;
        LONG folderId = 0;
        LONG type = 0;
        bool deleted = false;
        std::u16string name;
        std::u16string folderPath;
    };
    struct Bom {
        LONG id = 0;
        LONG folderId = 0;
        LONG documentId = 0;
        std::u16string name;
        std::u16string folderPath;
    };
    struct Folder {
        LONG id = 0;
        LONG parentId = 0;
        std::u16string name;
        std::u16string path;
    };

    HRESULT Collect(std::vector<Document>& documents, std::vector<Bom>& boms, std::vector<Folder>& folders);
    HRESULT RemoveDocument(const Document& document, std::vector<std::filesystem::path>& archiveFiles);
    HRESULT RemoveBom(const Bom& bom);
    HRESULT RemoveFolder(const Folder& folder);
    HRESULT Log(LONG type, LONG id, LONG folderId, const std::u16string& name);
    HRESULT LockedByOther(LONG documentId, bool& locked);

    vaultdb::Database& database_;  // Not owned.
    const LONG userId_;
    std::vector<LONG> folders_;
    std::vector<std::pair<LONG, LONG>> files_;
    bool destroy_ = false;
    std::pair<LONG, LONG> source_{0, 0};
    std::vector<DeletionError> errors_;
    std::vector<LONG> deletedDocuments_;
    std::vector<LONG> deletedFolders_;
};

}  // namespace oxnvault
