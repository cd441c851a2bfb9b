#include "vault_object.h"

#include "utilities.h"

#include "com/method_boundary.h"
#include "com/server/com_object.h"
#include "common/com_errors.h"
#include "common/error_codes.h"
#include "oxnvault/type_library.h"
#include "oxnvault/vault_object.h"
#include "vaultdb/database.h"
#include "vaultdb/schema.h"
#include "vaultdb/statement.h"
#include "vaultdb/user_password.h"
#include "winapi/guid_text.h"

#include <string>

using OxnVaultLib::IOxnVault11;

HRESULT COxnVault::CreateUtility(LONG kind, IDispatch** utility) {
    if (!utility) return E_POINTER;
    *utility = nullptr;
    if (!session_) return E_OXN_NOT_INITIALIZED;
    return com::Boundary([&] {
        switch (kind) {
        case OxnVaultLib::kUtilityBatchGet:
            return oxnvault::CreateBatchGet(session_, utility);
        case OxnVaultLib::kUtilityBatchDelete:
            return oxnvault::CreateBatchDelete(session_, utility);
        case OxnVaultLib::kUtilityBatchChangeState:
            return oxnvault::CreateBatchChangeState(session_, utility);
        default:
            gvRaiseComError(E_INVALIDARG, u"The vault has no utility of this kind.");
        }
    });
}

namespace oxnvault {

namespace {

// The id of the vault's user `name` (any case, as the password check finds
// users), 0 when there is none.
HRESULT FindUserId(vaultdb::Database& database, std::u16string_view name, LONG& userId) {
    userId = 0;
    std::unique_ptr<vaultdb::Statement> row;
    HRESULT hr = database.Prepare("SELECT id FROM users WHERE name_key = ? AND deleted = 0", row);
    if (FAILED(hr)) return hr;
    row->BindText(1, vaultdb::FoldKey(name));
    hr = row->Step();
    if (hr == S_OK) userId = row->ColumnInt32(0);
    return FAILED(hr) ? hr : S_OK;
}

}  // namespace

HRESULT OpenVaultObject(const VaultObjectLogin& login, IOxnVault11** vault) {
    if (!vault) return E_POINTER;
    *vault = nullptr;
    return com::Boundary([&]() -> HRESULT {
        OxnVaultLib::RegisterRecords();
        auto session = std::make_shared<VaultSession>();
        if (FAILED(vaultdb::OpenVaultDatabase(login.databaseFile, vaultdb::OpenMode::OpenExisting, session->database)))
            return E_OXN_CANT_OPEN_DATABASE;
        bool accepted = false;
        if (FAILED(vaultdb::CheckUserPassword(*session->database, login.userName, login.password, accepted)))
            return E_OXN_CANT_OPEN_DATABASE;
        if (!accepted) return E_OXN_LOGIN_FAILED;
        if (FAILED(FindUserId(*session->database, login.userName, session->userId)) || session->userId == 0)
            return E_OXN_LOGIN_FAILED;
        session->userName = login.userName;
        session->viewGuid = login.viewGuid;
        session->viewGuidText = winapi::GuidToString(login.viewGuid);
        session->viewPath = login.viewPath;
        while (!session->viewPath.empty() && (session->viewPath.back() == u'\\' || session->viewPath.back() == u'/'))
            session->viewPath.pop_back();
        session->computer = login.computer;

        CComObject<COxnVault>* object = nullptr;
        const HRESULT hr = CComObject<COxnVault>::CreateInstance(&object);
        if (FAILED(hr)) return hr;
        object->SetSession(std::move(session));
        object->AddRef();
        *vault = object;
        return S_OK;
    });
}

}  // namespace oxnvault
