// A document version copied from the vault's archive into a view folder:
// the one copy the vault's gets use (the batch get, the item operations).
//
// The copy replaces the local file whole (written beside it, renamed over)
// and carries the version's stored time as its last-write time, so that the
// local version rule finds the version it holds.
#pragma once

#include "winapi/types.h"

#include <memory>
#include <string>
#include <string_view>

namespace vaultdb {
class Database;
}

namespace winapi {
class SaveFile;
}

namespace oxnvault {

// The path of a vault file in a view folder: `viewPath` (the view's local
// folder in the system's path form, with or without a trailing separator),
// the folder's vault path ("\A\B\", folders.vault_path) and the file name.
std::u16string ViewFilePath(std::u16string_view viewPath, std::u16string_view folderVaultPath,
                            std::u16string_view fileName);

// One version of a document as the vault stores it.
struct StoredVersion {
    LONG documentId = 0;
    LONG docType = 0;  // 4 item, 6 file
    LONG version = 0;
    double modifiedUtc = 0;    // the version's stored time (automation DATE, UTC)
    bool hasContents = false;  // the version has an archive file
};

// Writes the contents of `version` into a new file beside `path` (making
// the folders on the way), with the version's stored time: S_OK with `copy`
// holding that file, not yet placed (copy->Commit() places it; with
// `durableNow` false the caller flushes content and folder itself, see
// winapi::SaveFile::Options). S_FALSE, `copy` null, for an item's version
// without contents: items have no file of their own. Else the failure with
// a text for the user in `message`: E_OXN_FILE_NOT_FOUND when the archive
// holds no contents for the version, HRESULT_FROM_WIN32(ERROR_DISK_FULL),
// E_ACCESSDENIED or HRESULT_FROM_WIN32(ERROR_WRITE_FAULT) when the file
// system refuses.
HRESULT WriteVersionBeside(vaultdb::Database& database, const StoredVersion& version, const std::u16string& path,
                           bool durableNow, std::unique_ptr<winapi::SaveFile>& copy, std::u16string& message);

// WriteVersionBeside, placed at once and durable: S_OK when `path` holds the
// version, S_FALSE for an item's version without contents (nothing is
// written), or the failure with `message` (`path` is as it was unless only
// the last flush failed).
HRESULT CopyVersionToView(vaultdb::Database& database, const StoredVersion& version, const std::u16string& path,
                          std::u16string& message);

// The code of a failed file-system call (an errno value) as the vault's
// gets report it: disk full, access denied, else a write fault.
HRESULT HresultOfFileError(int error);

}  // namespace oxnvault
