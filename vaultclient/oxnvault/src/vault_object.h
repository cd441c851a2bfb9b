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

    // The vault's other methods: no caller uses them here.
    HRESULT STDMETHODCALLTYPE Reserved7() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE Reserved8() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE Reserved9() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE Reserved10() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE Reserved11() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE Reserved12() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE Reserved13() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE Reserved14() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE Reserved15() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE Reserved16() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE Reserved17() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE Reserved18() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE Reserved19() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE Reserved20() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE Reserved21() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE Reserved22() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE Reserved23() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE Reserved24() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE Reserved25() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE Reserved26() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE Reserved27() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE Reserved28() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE Reserved29() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE Reserved30() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE Reserved31() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE Reserved32() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE Reserved33() override { return E_UNEXPECTED; }
    // E_POINTER for a null `utility`; E_INVALIDARG (error info set) for an
    // unknown kind; E_OXN_NOT_INITIALIZED without a session.
    HRESULT STDMETHODCALLTYPE CreateUtility(LONG kind, IDispatch** utility) override;

protected:
    COxnVault() = default;
    ~COxnVault() = default;

private:
    std::shared_ptr<oxnvault::VaultSession> session_;
};
