// CLogin (coclass Login): opens a database connection for one vault and hands
// it, with the facts of the logged-in user, to the caller.
//
// A login takes one of three ways:
// - direct: with the credentials of the request, the user's password checked
//   against the vault's hash; the login table, the server program and the
//   dialog are left alone;
// - stored: with the credentials some process of the session stored in the
//   login table for the vault;
// - dialog: the user logs in through the login dialog, and the accepted
//   login is stored in the login table for the session's other processes.
// The login table must exist for the last two; when it does not, the server
// program that makes it is started and waited for (at most five seconds).
#pragma once

#include "com/server/co_class.h"
#include "com/server/dispatch_impl.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/server/thread_model.h"
#include "dunmorrow/ids.h"
#include "dunmorrow/interfaces.h"

#include <string>

struct LoginSyncObjects;
struct VaultConnectionSettings;

namespace login {
class LoginSystem;
struct LoginCredentials;
}  // namespace login

class CLogin
    : public CComObjectRootEx<CComSingleThreadModel>,
      public CComCoClass<CLogin, &DunmorrowLib::CLSID_Login>,
      public IDispatchImpl<DunmorrowLib::ILogin, &DunmorrowLib::IID_ILogin, &DunmorrowLib::LIBID_DunmorrowLib> {
public:
    CLogin();

    BEGIN_COM_MAP(CLogin)
    COM_INTERFACE_ENTRY(DunmorrowLib::ILogin)
    COM_INTERFACE_ENTRY2(IDispatch, DunmorrowLib::ILogin)
    END_COM_MAP()

    // S_OK, E_POINTER for a null result, or a failure code of a login
    // (E_LOGIN_TABLE_MISSING, E_OXN_MISSING_VIEW_INFO, E_OXN_CANCELLED_BY_USER,
    // ...), one of the vault's (e.g. E_OXN_LOGIN_FAILED for an unknown user or,
    // on a direct login, a wrong password),
    // E_INVALIDARG when the login table cannot be written after a dialog
    // login, E_OUTOFMEMORY. E_OXN_SQLSERVER_UNSUPPORTED_VERSION
    // comes with error info naming the database's version. On success mpoSpMgr
    // holds one reference of the connection for the caller; on failure it is 0
    // and no connection is left open (fields written before the failure keep
    // their values).
    HRESULT STDMETHODCALLTYPE Login(DunmorrowLib::LoginInfo oLogin, DunmorrowLib::LoginResult* poLoginResult) override;
    // Removes the login table's entry of the vault of the last successful
    // login and pulses the table's remove event; without a table nothing
    // happens. S_OK (E_OUTOFMEMORY at worst).
    HRESULT STDMETHODCALLTYPE Logout() override;

    // Replaces the system the object waits, starts the server program and
    // shows the dialog through; `system` must outlive the object.
    void SetSystem(login::LoginSystem& system) noexcept { mpoSystem = &system; }

private:
    HRESULT LoginTo(const DunmorrowLib::LoginInfo& request, DunmorrowLib::LoginResult& result);
    // Opens the login table's mapping into `table`, starting the server
    // program and waiting for the table when there is none.
    bool OpenTableStartingServer(LoginSyncObjects& table);
    HRESULT LoginWithCredentials(const std::u16string& vaultName, const VaultConnectionSettings& settings,
                                 const login::LoginCredentials& credentials, DunmorrowLib::LoginResult& result);
    HRESULT LoginThroughDialog(const LoginSyncObjects& table, const DunmorrowLib::LoginInfo& request,
                               const std::u16string& vaultName, const VaultConnectionSettings& settings,
                               DunmorrowLib::LoginResult& result);

    // The vault of the last successful login: the key of its login table
    // entry, which Logout removes.
    std::u16string moLoggedInVault;
    login::LoginSystem* mpoSystem;
};
