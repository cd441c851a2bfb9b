// Db: the database library's connection to one registered vault. The vault's
// registry key (the user's "Vaults" entry, else the machine's "Databases"
// one) names its database (DbServer, DbName); an open checks the login given
// with the setters against the vault's users and reads the vault's facts
// that the connection carries (DbConnectionData).
//
//   Db* db = new Db(name, true);
//   db->mvSetLogin(user);
//   db->mvSetPassword(password);
//   if (db->mdwOpen(name, false, true, false, false, false, false, false, nullptr, false) == 0)
//       type = db->Connection().mlVaultType;
//   db->Release();
//
// Reference-counted: born with one reference; the last Release closes the
// database. One thread at a time.
#pragma once

#include "winapi/types.h"

#include <atomic>
#include <memory>
#include <string>

namespace vaultdb {
class Database;
}

// What an open connection knows of its vault.
struct DbConnectionData {
    std::u16string moServer;    // DbServer: the folder of the vault's database
    std::u16string moDatabase;  // DbName: the database's name in that folder
    std::u16string moLogin;     // the user whose login the open checked
    LONG mlVaultType = 0;       // the vault's type (0: a normal vault)
};

class Db {
public:
    // A connection to the vault `name`, not yet open. `registered` says that
    // the name is a vault registered on this machine, whose key names its
    // database; that is the only way this library finds a database, and an
    // open of a connection made without it fails.
    Db(LPCWSTR name, bool registered);
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;

    void AddRef() noexcept { mlRefs.fetch_add(1, std::memory_order_relaxed); }
    // Drops one reference and deletes the connection at zero; returns the
    // references left.
    ULONG Release() noexcept;

    // The login the next open checks: a user of the vault and the password.
    void mvSetLogin(LPCWSTR userName);
    void mvSetPassword(LPCWSTR password);

    // Opens the database of the vault `name` (null or empty: the vault the
    // connection was made for) and returns 0, or the failure as an HRESULT
    // (non-zero):
    //   E_OXN_MISSING_VIEW_INFO  the vault is not registered, or its key lacks
    //                            DbServer or DbName;
    //   E_OXN_CANT_OPEN_DATABASE the database does not open or cannot be read;
    //   E_OXN_LOGIN_FAILED       with `checkLogin`: the user is not a user of
    //                            the vault, is deleted, or the password is wrong;
    //   E_UNEXPECTED             the connection is open already;
    //   E_INVALIDARG             a way of opening this library does not offer
    //                            was asked for (see below).
    // `checkLogin` checks the login set before (one password-hash run, about
    // 0.1 s). The vault client's callers pass false for the other flags, which
    // ask for exclusive, creating, upgrading, administering, uncached,
    // kept-open and interactive opens; this library offers none of them and
    // refuses an open that sets one. `errorText`, when given, receives the
    // failure's description (English) and is cleared on success. The
    // password is forgotten after the open, whatever its outcome.
    DWORD mdwOpen(LPCWSTR name, bool exclusive, bool checkLogin, bool create, bool upgrade, bool administer,
                  bool uncached, bool keepOpen, std::u16string* errorText, bool interactive);

    bool mbIsOpen() const noexcept { return mpoDatabase != nullptr; }
    // Filled by a successful open; empty before.
    const DbConnectionData& Connection() const noexcept { return moConnection; }

private:
    ~Db();  // through Release only

    DWORD mdwFail(HRESULT hr, std::string text, std::u16string* errorText);

    std::atomic<ULONG> mlRefs{1};
    std::u16string moName;
    bool mbRegistered = false;
    std::u16string moLogin;
    std::u16string moPassword;
    DbConnectionData moConnection;
    std::unique_ptr<vaultdb::Database> mpoDatabase;
};
