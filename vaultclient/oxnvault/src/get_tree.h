// The file tree of a batch get: which document versions go into the view
// folder, read from the vault database in one read transaction.
//
// A request names a file (its id, at its latest version or a given one) or,
// with file id 0, a folder and every document below it (batch_files.h:
// E_OXN_FILE_NOT_FOUND, E_OXN_FOLDER_NOT_FOUND). An item brings the files it
// links to (its references) at their latest versions. A document named twice
// is taken once, the first time it is named. Deleted documents are left out.
#pragma once

#include "winapi/types.h"

#include <string>
#include <vector>

namespace oxnvault {

struct VaultSession;

struct GetRequest {
    LONG fileId = 0;  // 0: the folder and everything below it
    LONG folderId = 0;
    LONG version = 0;  // 0: the latest
};

struct TreeFile {
    LONG fileId = 0;
    LONG folderId = 0;
    LONG docType = 0;
    std::u16string name;
    std::u16string folderVaultPath;  // "\A\B\"
    LONG version = 0;
    bool versionFound = false;  // the vault has that version
    double modifiedUtc = 0;     // the version's stored time (automation DATE, UTC)
    bool hasContents = false;   // the version has an archive file
    bool selected = true;       // named by a request, not only a reference
    LONG lockUserId = 0;        // 0: not locked
    std::u16string lockViewGuid;
    std::u16string lockComputer;
};

// The tree of `requests`; with `localCopiesOnly` (the refresh of the local
// files) `requests` is not read and the tree is every document of the vault
// with a file in the view folder, at its latest version. Failures raise a COM
// error.
std::vector<TreeFile> BuildGetTree(VaultSession& session, const std::vector<GetRequest>& requests,
                                   bool localCopiesOnly);

}  // namespace oxnvault
