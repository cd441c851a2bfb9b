// The vault object of a user working in a view: the factory of the batch
// utilities (IOxnVault11::CreateUtility), each working in the object's
// session; the data provider of the vault client's unlock component
// (IUnlockOpDb: the session's connection) and the account of its login
// (IVaultRapper). Apartment-threaded: created and called on one thread.
//
// Made either with its session (oxnvault::OpenVaultObject), or by class id
// and opened on a registered vault by name (IOxnVault5::Open): its session is
// then the login of that vault in this user's session (the login table's
// entry), started at the open when there is one, else at the first call that
// needs it.
#pragma once

#include "vault_session.h"

#include "brevanne/interfaces.h"
#include "com/server/co_class.h"
#include "com/server/dispatch_impl.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/server/support_error_info.h"
#include "oxnvault/ids.h"
#include "oxnvault/interfaces.h"
#include "oxnvault/vault_object.h"

#include <filesystem>
#include <memory>
#include <string>

class COxnVault
    : public CComObjectRootEx<CComSingleThreadModel>,
      public CComCoClass<COxnVault, &OxnVaultLib::CLSID_OxnVault>,
      public IDispatchImpl<OxnVaultLib::IOxnVault11, &OxnVaultLib::IOxnVault11::kIid, &OxnVaultLib::LIBID_OxnVaultLib,
                           OxnVaultLib::kLibraryMajorVersion, OxnVaultLib::kLibraryMinorVersion>,
      public IDispatchImpl<OxnVaultLib::IOxnVault5, &OxnVaultLib::IOxnVault5::kIid, &OxnVaultLib::LIBID_OxnVaultLib,
                           OxnVaultLib::kLibraryMajorVersion, OxnVaultLib::kLibraryMinorVersion>,
      public BrevanneLib::IUnlockOpDb,
      public BrevanneLib::IVaultRapper,
      public ISupportErrorInfoImpl<&OxnVaultLib::IOxnVault11::kIid, &OxnVaultLib::IOxnVault5::kIid,
                                   &BrevanneLib::IVaultRapper::kIid> {
public:
    BEGIN_COM_MAP(COxnVault)
    COM_INTERFACE_ENTRY(OxnVaultLib::IOxnVault11)
    COM_INTERFACE_ENTRY(OxnVaultLib::IOxnVault5)
    COM_INTERFACE_ENTRY2(IDispatch, OxnVaultLib::IOxnVault11)
    COM_INTERFACE_ENTRY(BrevanneLib::IUnlockOpDb)
    COM_INTERFACE_ENTRY(BrevanneLib::IVaultRapper)
    COM_INTERFACE_ENTRY(ISupportErrorInfo)
    END_COM_MAP()

    // The session is shared with every utility made.
    void SetSession(std::shared_ptr<oxnvault::VaultSession> session) { session_ = std::move(session); }

    // IOxnVault5 (oxnvault/interfaces.h).
    HRESULT STDMETHODCALLTYPE Open(BSTR vaultName, LONG reserved) override;

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
    // The session of an object opened by name, started from the login
    // table's entry of its vault when none is running yet; false (no session)
    // while the vault is not logged in to.
    bool mbEnsureSession();

    std::shared_ptr<oxnvault::VaultSession> session_;
    // What an open by name found of its vault; the name is empty until then.
    std::u16string openedVault_;
    std::filesystem::path databaseFile_;
    GUID viewGuid_{};
    std::u16string viewPath_;
};

namespace oxnvault {

// The session of `login`: its database opened and the user's password
// checked. E_OXN_CANT_OPEN_DATABASE, E_OXN_LOGIN_FAILED.
HRESULT OpenVaultSession(const VaultObjectLogin& login, std::shared_ptr<VaultSession>& session);

}  // namespace oxnvault
