// The session a vault object and its utilities work in: the vault's
// connection and database (and the archive beside it) and who works where -
// the user, the view (its GUID and local folder) and the computer. Shared by
// the vault object and every utility it made, so a utility outlives the
// vault object safely. Used by one thread at a time (the database's rule).
#pragma once

#include "vennacle/sp_mgr.h"
#include "winapi/types.h"

#include <memory>
#include <string>
#include <string_view>

namespace vaultdb {
class Database;
}

namespace oxnvault {

struct VaultSession {
    VaultSession();
    ~VaultSession();
    VaultSession(const VaultSession&) = delete;
    VaultSession& operator=(const VaultSession&) = delete;

    // Makes the session's vault connection over `opened`, the vault's
    // database named `dbName` (SpMgr::mhAttach), and points `database` at
    // it. `opened` is the connection's on success only.
    HRESULT Attach(std::unique_ptr<vaultdb::Database>& opened, std::u16string dbName);

    // The vault connection (one reference, the session's), which owns the
    // database and hands it to the vault client's other components
    // (IUnlockOpDb); null before Attach.
    SpMgrPtr connection;
    vaultdb::Database* database = nullptr;  // the connection's; its archive is database->ArchiveFolder()
    LONG userId = 0;
    std::u16string userName;
    GUID viewGuid{};
    std::u16string viewGuidText;  // as locks.view_guid holds it (winapi::GuidToString)
    // The view's local folder in the system's path form, without trailing
    // separators ("C:\Work\View"); winapi::ToPosixPath at the file system.
    std::u16string viewPath;
    std::u16string computer;

    // The path of a vault file in the view folder: viewPath + the folder's
    // vault path ("\A\B\", folders.vault_path) + the file name.
    std::u16string ViewFilePath(std::u16string_view folderVaultPath, std::u16string_view fileName) const;
};

}  // namespace oxnvault
