#include "login/login_class.h"

#include "common/com_errors.h"
#include "common/error_codes.h"
#include "common/settings_light.h"
#include "common/vault_connection_settings.h"
#include "com/bstr.h"
#include "com/method_boundary.h"
#include "login/login_dialog_host.h"
#include "login/login_errors.h"
#include "login/login_system.h"
#include "login/table/login_table.h"
#include "common/lst.h"
#include "vennacle/sp_login_info.h"
#include "vennacle/sp_mgr.h"
#include "vennacle/sp_records.h"
#include "vennacle/sp_user.h"
#include "winapi/wide_format.h"

#include <new>

using namespace DunmorrowLib;

namespace login {

// The four credentials of a login with known credentials.
struct LoginCredentials {
    std::u16string userName;
    std::u16string password;
    std::u16string dbUser;
    std::u16string dbPassword;
    // True when the caller gave the password: it is checked against the
    // vault's hash. A login the login table remembers was checked when it
    // was stored (by the dialog, through the vault server), and the table is
    // the session's own, so it is trusted as it stands.
    bool checkPassword;
};

}  // namespace login

using namespace login;

namespace {

// The only database version this software works with: 28.01.
constexpr LONG kSupportedVersionMajor = 28;
constexpr LONG kSupportedVersionMinor = 1;

// How long the server program gets to make the login table, and how often
// it is looked for meanwhile: five attempts, a second apart.
constexpr DWORD kServerStartTimeoutMs = 5000;
constexpr DWORD kServerPollIntervalMs = 1000;

// The caller marks the connect information of the login object with -1.
constexpr LONG kLoginObjectCaller = -1;

// The handles of one call, closed when it ends whatever way it ends.
class TableHandles {
public:
    TableHandles() : objects(OpenLoginSyncObjects()) {}
    ~TableHandles() { CloseLoginSyncObjects(objects); }
    TableHandles(const TableHandles&) = delete;
    TableHandles& operator=(const TableHandles&) = delete;

    LoginSyncObjects objects;
};

// One reference to a connection, dropped unless it is handed on to the
// caller.
class ConnectionReference {
public:
    explicit ConnectionReference(SpMgr* connection) noexcept : mpoConnection(connection) {}
    ~ConnectionReference() {
        if (mpoConnection) mpoConnection->Release();
    }
    ConnectionReference(const ConnectionReference&) = delete;
    ConnectionReference& operator=(const ConnectionReference&) = delete;

    SpMgr* operator->() const noexcept { return mpoConnection; }
    // The reference, as the login result holds it; this object drops nothing
    // any more.
    ULONGLONG HandOver() noexcept {
        SpMgr* connection = mpoConnection;
        mpoConnection = nullptr;
        return reinterpret_cast<ULONGLONG>(connection);
    }

private:
    SpMgr* mpoConnection;
};

BSTR NewBstr(const std::u16string& text) {
    BSTR copy = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!copy) throw std::bad_alloc();
    return copy;
}

// The fields every successful login sets alike.
void FillLoginResult(LoginResult& result, const std::u16string& userName, const std::u16string& password,
                     const VaultConnectionSettings& settings) {
    result.moUsername = NewBstr(userName);
    result.moUserPwd = NewBstr(password);
    result.musPort = settings.ServerPort;
    result.mlArchiveServerID = 0;
    result.mbsAServer = NewBstr(settings.ServerLoc);
}

// Fails the call with E_OXN_SQLSERVER_UNSUPPORTED_VERSION and error info
// telling both versions.
[[noreturn]] void RaiseUnsupportedVersion(const std::u16string& dbName, LONG version) {
    WCHAR text[512];
    swprintf(text, u"The version of the database \"%s\" is %d.%d, and the software version is %d.%d.", dbName.c_str(),
             static_cast<int>(version / 100), static_cast<int>(version % 100), static_cast<int>(kSupportedVersionMajor),
             static_cast<int>(kSupportedVersionMinor));
    gvRaiseComError(E_OXN_SQLSERVER_UNSUPPORTED_VERSION, text);
}

}  // namespace

CLogin::CLogin() : mpoSystem(&LoginSystem::Default()) {}

HRESULT CLogin::Login(LoginInfo oLogin, LoginResult* poLoginResult) {
    if (!poLoginResult) return E_POINTER;
    const HRESULT hr = com::Boundary([&] { return LoginTo(oLogin, *poLoginResult); });
    // The connection was released: nothing may point at it.
    if (FAILED(hr)) poLoginResult->mpoSpMgr = 0;
    return hr;
}

HRESULT CLogin::Logout() {
    return com::Boundary([&] {
        TableHandles table;
        if (OpenLoginTableMapping(table.objects)) RemoveLoginTableEntry(table.objects, moLoggedInVault.c_str());
        return S_OK;
    });
}

HRESULT CLogin::LoginTo(const LoginInfo& request, LoginResult& result) {
    TableHandles table;
    const bool direct = request.mbDirectLogin != VARIANT_FALSE;
    if (!direct && !OpenTableStartingServer(table.objects)) return E_LOGIN_TABLE_MISSING;

    const std::u16string vaultName = com::BstrText(request.moVaultName);
    VaultConnectionSettings settings;
    if (!SettingsLight().mbGetVaultConnectionSettings(vaultName.c_str(), settings)) return E_OXN_MISSING_VIEW_INFO;

    HRESULT hr;
    if (direct) {
        const LoginCredentials given{com::BstrText(request.moUsername), com::BstrText(request.moPassword),
                                     com::BstrText(request.moSqlUsername), com::BstrText(request.moSqlPassword), true};
        hr = LoginWithCredentials(vaultName, settings, given, result);
    } else if (LoginTableEntry stored; ReadLoginTableEntry(table.objects, vaultName.c_str(), stored)) {
        const LoginCredentials remembered{stored.moUserName, stored.moPassword, stored.moDbUser, stored.moDbPassword,
                                          false};
        hr = LoginWithCredentials(vaultName, settings, remembered, result);
    } else {
        hr = LoginThroughDialog(table.objects, request, vaultName, settings, result);
    }
    if (SUCCEEDED(hr)) moLoggedInVault = vaultName;
    return hr;
}

bool CLogin::OpenTableStartingServer(LoginSyncObjects& table) {
    if (OpenLoginTableMapping(table)) return true;
    if (!mpoSystem->StartServerProgram()) return false;
    bool appeared = false;
    for (DWORD waited = 0; !appeared && waited < kServerStartTimeoutMs; waited += kServerPollIntervalMs) {
        LoginSyncObjects probe;
        appeared = OpenLoginTableMapping(probe);
        CloseLoginSyncObjects(probe);
        if (!appeared) mpoSystem->Pause(kServerPollIntervalMs);
    }
    return appeared && OpenLoginTableMapping(table);
}

HRESULT CLogin::LoginWithCredentials(const std::u16string& vaultName, const VaultConnectionSettings& settings,
                                     const LoginCredentials& credentials, LoginResult& result) {
    ConnectionReference connection(new SpMgr(false));
    const SpConnectInfo connectInfo{settings.DbServer, settings.DbName,      credentials.dbUser, credentials.dbPassword,
                                    vaultName,         credentials.userName, kLoginObjectCaller};
    if (FAILED(connection->mhCreate(SpDbType_Vault, connectInfo))) return E_OXN_CANT_OPEN_DATABASE;
    SpUser* user = connection->mpoGetUser();
    if (!user) return E_OXN_NULL_VALUE;
    // The database credentials open the vault, they do not say who the user
    // is: a vault without them would take any password.
    if (credentials.checkPassword) {
        if (HRESULT hr = user->mhCheckPassword(credentials.userName.c_str(), credentials.password.c_str()); FAILED(hr))
            return hr;
    }

    Lst<unsigned int> rights;
    const HRESULT hr = user->mhGetGetDunmorrowInfo(credentials.userName.c_str(), result.mlUserID, rights,
                                                   result.moVaultGUID, result.mlRootItemFolderID, result.mlDateFmt);
    if (FAILED(hr)) return hr;
    result.mlSystemRights = SpUser::mlSystemRightsBits(rights);
    FillLoginResult(result, credentials.userName, credentials.password, settings);
    result.mpoSpMgr = connection.HandOver();
    return S_OK;
}

HRESULT CLogin::LoginThroughDialog(const LoginSyncObjects& table, const LoginInfo& request,
                                   const std::u16string& vaultName, const VaultConnectionSettings& settings,
                                   LoginResult& result) {
    Pruvane host;
    switch (mpoSystem->ShowDialog(host, vaultName.c_str(), settings, request)) {
    case kLoginDialogFailed:
        return E_OXN_MISSING_TAVROSK_MODULE;
    case kLoginDialogCancelled:
        return E_OXN_CANCELLED_BY_USER;
    case kLoginDialogDatabaseFailure:
        return E_OXN_CANT_OPEN_DATABASE;
    default:
        break;  // accepted: 1 or any other value
    }
    if (!host.Connection()) return E_OXN_CANT_OPEN_DATABASE;
    FillLoginResult(result, host.UserName(), host.Password(), settings);
    ConnectionReference connection(host.TakeConnection());

    SpLoginInfo* loginInfo = connection->mpoGetLoginInfo();
    SpUser* user = connection->mpoGetUser();
    if (!loginInfo || !user) return E_OXN_NULL_VALUE;
    SpVaultInfo vault{};
    LONG loginValue = 0;
    Lst<unsigned int> rights;
    HRESULT hr =
        loginInfo->mhLoginUser(host.UserName().c_str(), settings.DbName.c_str(), settings.DbName.c_str(), 0, &vault,
                               ProgramType_Explorer, &result.mlUserID, &loginValue, &rights, nullptr, false, nullptr);
    if (FAILED(hr)) return hr;
    if (vault.mlVersion / 100 != kSupportedVersionMajor || vault.mlVersion % 100 != kSupportedVersionMinor)
        RaiseUnsupportedVersion(settings.DbName, vault.mlVersion);
    result.mlDateFmt = vault.mlDateFmt;
    result.mlSystemRights = SpUser::mlSystemRightsBits(rights);
    result.moVaultGUID = vault.moVaultGUID;

    // The root item folder, which the login itself does not tell: the
    // caller builds its root from it. The other answers are the login's.
    LONG userId = 0;
    LONG dateFmt = 0;
    GUID vaultGuid{};
    Lst<unsigned int> sameRights;
    hr = user->mhGetGetDunmorrowInfo(host.UserName().c_str(), userId, sameRights, vaultGuid, result.mlRootItemFolderID,
                                     dateFmt);
    if (FAILED(hr)) return hr;

    // A table too full for the entry keeps the login unstored; the user is
    // asked again next time, and this login still stands.
    if (!AddLoginTableEntry(table, settings.DbServer.c_str(), vaultName.c_str(), host.UserName().c_str(),
                            host.Password().c_str(), loginValue, result.mlUserID, host.DbUser().c_str(),
                            host.DbPassword().c_str(), host.VerificationValue(), kLoginProgramType,
                            settings.ShellRoot.c_str()))
        return E_INVALIDARG;
    result.mpoSpMgr = connection.HandOver();
    return S_OK;
}
