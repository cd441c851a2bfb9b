// The logged-in session of the client library's main object: the vault
// connection of the login (one reference of its own) and the identity the
// login gave, as far as the library's operations use it.
#pragma once

#include "com/bstr.h"
#include "com/ccom_bstr.h"
#include "com/unknown.h"
#include "winapi/types.h"

#include <memory>
#include <string>

class SpMgr;

namespace vaultdb {
class Database;
}

namespace TavroskClientLib {
struct LoginRecord;
}

namespace tavrosk {

class ClientSession {
public:
    // A session for the login `record`, checked against the vault behind its
    // connection: the user must be a user of that vault under the record's
    // user id, and the record's vault GUID the vault's. Copies what it keeps
    // (never the record's strings themselves).
    // E_INVALIDARG for a record without an open connection or without a user
    // name; the connection's E_OXN_LOGIN_FAILED for a user the vault does not
    // know and E_OXN_LOGIN_FAILED for a user id that is not the user's;
    // E_OXN_CANT_OPEN_DATABASE when the connection leads to another vault;
    // E_OUTOFMEMORY.
    static HRESULT Open(const TavroskClientLib::LoginRecord& record, std::unique_ptr<ClientSession>& session);

    ~ClientSession();
    ClientSession(const ClientSession&) = delete;
    ClientSession& operator=(const ClientSession&) = delete;

    // Writes the vault GUID, view GUID, a copy of the view path (null when the
    // login had none), the user id and the system rights into `record`, every
    // other field 0. E_OUTOFMEMORY leaves the record all 0.
    HRESULT FillConnectionInformation(TavroskClientLib::LoginRecord& record) const;

    // The vault database of the login's connection, which the library's
    // operations read.
    vaultdb::Database& Database() const;
    // The vault connection itself (the session holds a reference).
    SpMgr& Connection() const { return connection_; }

    // Who is logged in, and where: the operations check rights and write
    // check-outs and history with them.
    LONG UserId() const { return userId_; }
    const GUID& ViewGuid() const { return viewGuid_; }
    // The view's local root as the login gave it (empty when it gave none).
    std::u16string_view ViewPath() const { return com::BstrView(viewPath_); }
    const std::u16string& Computer() const { return computer_; }

private:
    explicit ClientSession(SpMgr& connection);

    SpMgr& connection_;  // one reference, dropped by the destructor
    GUID vaultGuid_{};
    GUID viewGuid_{};
    CComBSTR viewPath_;
    std::u16string computer_;
    LONG userId_ = 0;
    LONG systemRights_ = 0;
};

}  // namespace tavrosk
