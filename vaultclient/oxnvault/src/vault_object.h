// The vault object of a user working in a view: the factory of the batch
// utilities (IOxnVault11::CreateUtility), each working in the object's
// session; the data provider of the vault client's unlock component
// (IUnlockOpDb: the session's connection) and the account of its login
// (IVaultRapper). Apartment-threaded: created and called on one thread.
#pragma once

#include "vault_session.h"

#include "brevanne/interfaces.h"
#include "com/server/dispatch_impl.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/server/support_error_info.h"
#include "oxnvault/ids.h"
#include "oxnvault/interfaces.h"

#include <memory>

class COxnVault
    : public CComObjectRootEx<CComSingleThreadModel>,
      public IDispatchImpl<OxnVaultLib::IOxnVault11, &OxnVaultLib::IOxnVault11::kIid, &OxnVaultLib::LIBID_OxnVaultLib,
                           OxnVaultLib::kLibraryMajorVersion, OxnVaultLib::kLibraryMinorVersion>,
      public BrevanneLib::IUnlockOpDb,
      public BrevanneLib::IVaultRapper,
      public ISupportErrorInfoImpl<&OxnVaultLib::IOxnVault11::kIid, &BrevanneLib::IVaultRapper::kIid> {
public:
    BEGIN_COM_MAP(COxnVault)
    COM_INTERFACE_ENTRY(OxnVaultLib::IOxnVault11)
    COM_INTERFACE_ENTRY(IDispatch)
    COM_INTERFACE_ENTRY(BrevanneLib::IUnlockOpDb)
    COM_INTERFACE_ENTRY(BrevanneLib::IVaultRapper)
    COM_INTERFACE_ENTRY(ISupportErrorInfo)
    END_COM_MAP()

    // The session is shared with every utility made.
    void SetSession(std::shared_ptr<oxnvault::VaultSession> session) { session_ = std::move(session); }

    // E_POINTER for a null `utility`; E_INVALIDARG (error info set) for an
    // unknown kind; E_OXN_NOT_INITIALIZED without a session.
    HRESULT STDMETHODCALLTYPE CreateUtility(LONG kind, IDispatch** utility) override;

    // IUnlockOpDb: the session's connection with a reference for the caller.
    HRESULT STDMETHODCALLTYPE GetConnection(SpMgr** ppoConnection) override;

    // IVaultRapper (brevanne/interfaces.h): read from the vault now.
    HRESULT STDMETHODCALLTYPE GetUserInfo(LONG* plUserId, LONG* plDateFormat, BSTR* pbsUserName, LONG* plVaultType,
                                          LONG* plDatabaseVersion, LONG* plSystemRights) override;

protected:
    COxnVault() = default;
    ~COxnVault() = default;

private:
    std::shared_ptr<oxnvault::VaultSession> session_;
};
