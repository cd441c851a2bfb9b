// The vault object of a user working in a view: the factory of the batch
// utilities (IOxnVault11::CreateUtility), each working in the object's
// session. Apartment-threaded: created and called on one thread.
#pragma once

#include "vault_session.h"

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
      public ISupportErrorInfoImpl<&OxnVaultLib::IOxnVault11::kIid> {
public:
    BEGIN_COM_MAP(COxnVault)
    COM_INTERFACE_ENTRY(OxnVaultLib::IOxnVault11)
    COM_INTERFACE_ENTRY(IDispatch)
    COM_INTERFACE_ENTRY(ISupportErrorInfo)
    END_COM_MAP()

    // The session is shared with every utility made.
    void SetSession(std::shared_ptr<oxnvault::VaultSession> session) { session_ = std::move(session); }

    // E_POINTER for a null `utility`; E_INVALIDARG (error info set) for an
    // unknown kind; E_OXN_NOT_INITIALIZED without a session.
    HRESULT STDMETHODCALLTYPE CreateUtility(LONG kind, IDispatch** utility) override;

protected:
    COxnVault() = default;
    ~COxnVault() = default;

private:
    std::shared_ptr<oxnvault::VaultSession> session_;
};
