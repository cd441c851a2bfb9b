#include "vault_object.h"

#include "utilities.h"

#include "com/ccom_bstr.h"
#include "com/method_boundary.h"
#include "com/server/com_object.h"
#include "common/com_errors.h"
#include "common/error_codes.h"
#include "common/lst.h"
#include "oxnvault/type_library.h"
#include "oxnvault/vault_object.h"
#include "vaultdb/database.h"
#include "vaultdb/schema.h"
#include "vaultdb/statement.h"
#include "vaultdb/user_password.h"
#include "vennacle/database_failure.h"
#include "vennacle/sp_user.h"
#include "winapi/guid_text.h"
#include "winapi/text.h"

#include <string>

using OxnVaultLib::IOxnVault11;

HRESULT COxnVault::CreateUtility(LONG kind, IDispatch** utility) {
    if (!utility) return E_POINTER;
    *utility = nullptr;
    if (!mbEnsureSession()) return E_OXN_NOT_INITIALIZED;
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

HRESULT COxnVault::GetConnection(SpMgr** ppoConnection) {
    if (!ppoConnection) return E_POINTER;
    *ppoConnection = nullptr;
    if (!mbEnsureSession() || !session_->connection) return E_OXN_NOT_INITIALIZED;
    session_->connection->AddRef();
    *ppoConnection = session_->connection.get();
    return S_OK;
}

HRESULT COxnVault::GetUserInfo(LONG* plUserId, LONG* plDateFormat, BSTR* pbsUserName, LONG* plVaultType,
                               LONG* plDatabaseVersion, LONG* plSystemRights) {
    if (!plUserId || !plDateFormat || !pbsUserName || !plVaultType || !plDatabaseVersion || !plSystemRights)
        return E_POINTER;
    *plUserId = *plDateFormat = *plVaultType = *plDatabaseVersion = *plSystemRights = 0;
    *pbsUserName = nullptr;
    if (!mbEnsureSession() || !session_->connection) return E_OXN_NOT_INITIALIZED;
    return com::Boundary([&] {
        vaultdb::Database& database = *session_->database;
        std::unique_ptr<vaultdb::Statement> row;
        vennacle::CheckDatabase(database, database.Prepare("SELECT u.name, v.date_format, v.vault_type, "
                                                           "v.database_version FROM users u, vault v WHERE u.id = ? "
                                                           "AND v.id = 1",
                                                           row));
        row->BindInt32(1, session_->userId);
        const HRESULT found = row->Step();
        vennacle::CheckDatabase(database, found);
        if (found != S_OK) gvRaiseComError(E_OXN_NOT_INITIALIZED, u"The vault no longer has the user logged in.");
        Lst<unsigned int> rights;
        vennacle::CheckDatabase(database,
                                session_->connection->mpoGetUser()->mhGetSystemRights(session_->userId, rights));
        CComBSTR name(row->ColumnText(0).c_str());
        *plUserId = session_->userId;
        *plDateFormat = row->ColumnInt32(1);
        *plVaultType = row->ColumnInt32(2);
        *plDatabaseVersion = row->ColumnInt32(3);
        *plSystemRights = SpUser::mlSystemRightsBits(rights);
        *pbsUserName = name.Detach();
        return S_OK;
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

HRESULT OpenVaultSession(const VaultObjectLogin& login, std::shared_ptr<VaultSession>& opened) {
    opened.reset();
    auto session = std::make_shared<VaultSession>();
    std::unique_ptr<vaultdb::Database> database;
    if (FAILED(vaultdb::OpenVaultDatabase(login.databaseFile, vaultdb::OpenMode::OpenExisting, database)))
        return E_OXN_CANT_OPEN_DATABASE;
    bool accepted = false;
    if (FAILED(vaultdb::CheckUserPassword(*database, login.userName, login.password, accepted)))
        return E_OXN_CANT_OPEN_DATABASE;
    if (!accepted) return E_OXN_LOGIN_FAILED;
    if (FAILED(FindUserId(*database, login.userName, session->userId)) || session->userId == 0)
        return E_OXN_LOGIN_FAILED;
    // The database's name is its file's stem ("<DbName>.vault").
    if (HRESULT hr = session->Attach(database, winapi::ToUtf16(login.databaseFile.stem().string())); FAILED(hr))
        return hr;
    session->userName = login.userName;
    session->viewGuid = login.viewGuid;
    session->viewGuidText = winapi::GuidToString(login.viewGuid);
    session->viewPath = login.viewPath;
    while (!session->viewPath.empty() && (session->viewPath.back() == u'\\' || session->viewPath.back() == u'/'))
        session->viewPath.pop_back();
    session->computer = login.computer;
    opened = std::move(session);
    return S_OK;
}

HRESULT OpenVaultObject(const VaultObjectLogin& login, IOxnVault11** vault) {
    if (!vault) return E_POINTER;
    *vault = nullptr;
    return com::Boundary([&]() -> HRESULT {
        OxnVaultLib::RegisterRecords();
        std::shared_ptr<VaultSession> session;
        if (HRESULT hr = OpenVaultSession(login, session); FAILED(hr)) return hr;
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
