// The vault server object: checks a user's password against the vault's
// salted hashes and hands out the vault's database credentials, then
// verifies that login with a token (vaultserver/vault_server_component.h).
//
// The vault is found by the name it is registered under, as the system
// finds it: its connection values name the database "<DbServer>\<DbName>".
// The database login that the object hands out is the one kept for the
// vault server in the vault's registry key, the values "DbUser" and
// "DbPassword"; a vault whose key has none has a database without a login
// of its own (the admin tool makes such vaults) and gets two empty texts.
#pragma once

#include "com/server/co_class.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "vaultserver/vault_server_component.h"

class CVaultServer : public CComObjectRootEx<CComSingleThreadModel>,
                     public CComCoClass<CVaultServer, &CLSID_VaultServer>,
                     public IVaultServer {
public:
    BEGIN_COM_MAP(CVaultServer)
    COM_INTERFACE_ENTRY(IVaultServer)
    END_COM_MAP()

    // The slots the system never calls: E_NOTIMPL.
    HRESULT STDMETHODCALLTYPE UnusedSlot3() override;
    HRESULT STDMETHODCALLTYPE UnusedSlot4() override;
    HRESULT STDMETHODCALLTYPE UnusedSlot5() override;
    HRESULT STDMETHODCALLTYPE UnusedSlot7() override;
    HRESULT STDMETHODCALLTYPE UnusedSlot8() override;
    HRESULT STDMETHODCALLTYPE UnusedSlot9() override;
    HRESULT STDMETHODCALLTYPE UnusedSlot10() override;
    HRESULT STDMETHODCALLTYPE UnusedSlot11() override;
    HRESULT STDMETHODCALLTYPE UnusedSlot12() override;

    // `serverLoc` and `serverPort` address the archive server; this object
    // serves every vault registered on the machine, so they do not change
    // which vault is checked. E_POINTER for a null output;
    // E_OXN_MISSING_VIEW_INFO when no vault of that name is registered;
    // E_OXN_CANT_OPEN_DATABASE when its database cannot be opened or read;
    // E_OXN_LOGIN_FAILED for an unknown or deleted user or a wrong password;
    // E_OUTOFMEMORY. Every call forgets the login of an earlier one.
    HRESULT STDMETHODCALLTYPE GetDatabaseCredentials(BSTR serverLoc, USHORT serverPort, BSTR vaultName, BSTR userName,
                                                     BSTR password, BSTR* dbUser, BSTR* dbPassword) override;
    // The token of the last successful GetDatabaseCredentials; E_POINTER,
    // or E_OXN_NOT_LOGGED_IN (not logged in) with 0 when there is none.
    HRESULT STDMETHODCALLTYPE Verify(LONG* verification) override;

protected:
    CVaultServer() = default;
    ~CVaultServer() = default;

private:
    LONG mlToken = 0;  // 0: no successful check
};
