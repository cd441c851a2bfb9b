// SpMgr: one open connection to a vault database, for one login, with the
// procedure objects that work on it. It is reference-counted: it is born
// with one reference, each further holder adds one (AddRef) and every holder
// drops its own (Release); the last Release closes the database.
#pragma once

#include "vennacle/sp_records.h"
#include "winapi/types.h"

#include <atomic>
#include <memory>
#include <string>

namespace vaultdb {
class Database;
}
class SpUser;
class SpLoginInfo;
class SpItems;
class SpProject;

class SpMgr {
public:
    // A connection not yet open. The flag is the caller's (false from the
    // login object); the connection behaves the same either way.
    SpMgr();
    explicit SpMgr(bool bLoginObject);
    SpMgr(const SpMgr&) = delete;
    SpMgr& operator=(const SpMgr&) = delete;

    // The increment needs no ordering: the caller already holds a reference.
    void AddRef() noexcept { mlRefs.fetch_add(1, std::memory_order_relaxed); }
    // Drops one reference and deletes the connection at zero; returns the
    // references left.
    ULONG Release() noexcept;

    // Opens the vault database: the file "<DbName>.vault" in the folder
    // DbServer (a path in the system's form, e.g. "C:\Vaults\", mapped to the
    // file system as every path is), and checks the database user and
    // password against the vault's. The procedure objects exist from then on.
    // E_INVALIDARG for another database type or an empty name,
    // E_OXN_CANT_OPEN_DATABASE when the database cannot be opened,
    // E_OXN_LOGIN_FAILED for wrong database credentials, E_UNEXPECTED when this
    // connection is open already.
    HRESULT mhCreate(SpDbType type, SpConnectInfo connectInfo);
    // Opens the connection over `database`, a vault database its caller
    // opened and whose user it checked itself (the vault object, which logs
    // in with the user's password), named `dbName` (the stem of its file, as
    // DbName names it). The procedure objects exist from then on.
    // E_POINTER for a null database, E_UNEXPECTED when this connection is
    // open already; the database is the connection's on success only.
    HRESULT mhAttach(std::unique_ptr<vaultdb::Database>& database, std::u16string dbName);

    // The procedure objects; null until mhCreate succeeded.
    SpUser* mpoGetUser() const noexcept { return mpoUser.get(); }
    SpLoginInfo* mpoGetLoginInfo() const noexcept { return mpoLoginInfo.get(); }
    SpItems* mpoGetItems() const noexcept { return mpoItems.get(); }
    SpProject* mpoGetProject() const noexcept { return mpoProject.get(); }
    // The open vault database itself, for readers outside the procedure
    // objects (the client library's tree fetch); null until mhCreate succeeded.
    vaultdb::Database* mpoGetDatabase() const noexcept { return mpoDatabase.get(); }

    // A procedure object by its number: 30 is the login information
    // (SpLoginInfo); null for any other number or before mhCreate.
    static constexpr LONG kLoginInfoProc = 30;
    SpLoginInfo* mpoGetProc(LONG procId) const noexcept;

private:
    ~SpMgr();  // through Release only

    std::atomic<ULONG> mlRefs{1};
    std::unique_ptr<vaultdb::Database> mpoDatabase;
    std::unique_ptr<SpUser> mpoUser;
    std::unique_ptr<SpLoginInfo> mpoLoginInfo;
    std::unique_ptr<SpItems> mpoItems;
    std::unique_ptr<SpProject> mpoProject;
};

// A held reference on a connection, dropped at the end of the holder's
// scope.
struct SpMgrRelease {
    void operator()(SpMgr* connection) const noexcept { connection->Release(); }
};
using SpMgrPtr = std::unique_ptr<SpMgr, SpMgrRelease>;
