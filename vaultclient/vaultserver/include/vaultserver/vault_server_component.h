// The vault server object, as the login dialog host calls it: it checks a
// user's name and password for a vault, hands out the database credentials
// of that vault, and verifies the login with a token. The host creates it in
// process by its class id for each check.
//
// The host calls it by vtable slot (QueryInterface is slot 0), so the
// declaration order below is the contract. Slots 3 to 5 and 7 to 12 are
// methods of the component that the system never calls; they are declared
// only so that the slots after them line up.
#pragma once

#include "com/bstr.h"
#include "com/unknown.h"
#include "common/error_codes.h"

inline constexpr CLSID CLSID_VaultServer = com::MakeGuid("5AD258BB-0CB4-4589-9749-E57AF788BA52");

struct IVaultServer : IUnknown {
    COM_INTERFACE_ID("AA749734-D811-4B8C-B837-BA333912058B");
    // Slots 3 to 5: never called by the system.
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot3() = 0;
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot4() = 0;
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot5() = 0;
    // Slot 6: checks `userName` and `password` for the vault `vaultName`
    // (the name under which the vault is registered) served at `serverLoc`
    // and `serverPort`, and gives the vault's database user and password as
    // new BSTRs for the caller. E_OXN_LOGIN_FAILED for an unknown
    // user or a wrong password; any other failure is the component's (the
    // caller shows its catalogue text). The outputs are null on failure.
    virtual HRESULT STDMETHODCALLTYPE GetDatabaseCredentials(BSTR serverLoc, USHORT serverPort, BSTR vaultName,
                                                             BSTR userName, BSTR password, BSTR* dbUser,
                                                             BSTR* dbPassword) = 0;
    // Slots 7 to 12: never called by the system.
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot7() = 0;
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot8() = 0;
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot9() = 0;
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot10() = 0;
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot11() = 0;
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot12() = 0;
    // Slot 13: after a successful GetDatabaseCredentials of this object, a
    // non-zero token that stands for that login in *verification. Before
    // one, a failure and 0.
    virtual HRESULT STDMETHODCALLTYPE Verify(LONG* verification) = 0;

protected:
    ~IVaultServer() = default;
};
