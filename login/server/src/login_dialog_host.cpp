#include "login/login_dialog_host.h"

#include "login_dialog_host_messages.h"
#include "ui/message_box.h"

#include "com/bstr.h"
#include "com/ccom_bstr.h"
#include "com/ccom_ptr.h"
#include "com/com_error.h"
#include "com/runnable.h"
#include "com/runtime.h"
#include "common/error_catalogue.h"
#include "common/error_codes.h"
#include "vaultserver/vault_server_component.h"
#include "vennacle/sp_mgr.h"

#include <algorithm>
#include <new>

namespace {

// In-process server, in-process handler, local server and remote server.
constexpr DWORD kVaultServerContext =
    CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

std::u16string TextOf(LPCWSTR text) { return text ? std::u16string(text) : std::u16string(); }
std::u16string TextOf(BSTR text, int) { return text ? std::u16string(text, SysStringLen(text)) : std::u16string(); }

// The vault server object, running and asked for its interface; null when
// any step fails.
CComPtr<IVaultServer> CreateVaultServer() {
    CComPtr<IUnknown> unknown;
    if (FAILED(CoCreateInstance(CLSID_VaultServer, nullptr, kVaultServerContext, IID_IUnknown,
                                reinterpret_cast<void**>(&unknown))) ||
        !unknown || FAILED(OleRun(unknown)))
        return nullptr;
    CComPtr<IVaultServer> server;
    if (FAILED(unknown->QueryInterface(IID_PPV_ARGS(&server)))) return nullptr;
    return server;
}

}  // namespace

Pruvane::~Pruvane() { ReplaceConnection(nullptr); }

void Pruvane::Fill(LPCWSTR vaultName, const VaultConnectionSettings& settings, HWND parent) {
    moVaultName = TextOf(vaultName);
    mhParent = parent;
    mlServerPort = settings.ServerPort;
    moServerLoc = settings.ServerLoc;
    moDbName = settings.DbName;
    moDbServer = settings.DbServer;
}

int Pruvane::GetVaultName(WCHAR* buffer, int length) {
    if (buffer == nullptr || length <= 0) return 0;
    const size_t count = std::min(moVaultName.size(), static_cast<size_t>(length - 1));
    std::copy_n(moVaultName.data(), count, buffer);
    buffer[count] = 0;
    buffer[length - 1] = 0;
    return 0;
}

int Pruvane::ConnectAndVerify(INT_PTR, LPCWSTR userName, LPCWSTR password) {
    // Called by the dialog library through its vtable: nothing may escape.
    try {
        moUserName = TextOf(userName);
        moPassword = TextOf(password);

        CComPtr<IVaultServer> server = CreateVaultServer();
        if (!server) return kLoginCheckFailed;

        CComBSTR serverLoc(moServerLoc.c_str()), vaultName(moVaultName.c_str()), user(moUserName.c_str()),
            userPassword(moPassword.c_str());
        CComBSTR dbUser, dbPassword;
        const HRESULT hr = server->GetDatabaseCredentials(serverLoc, static_cast<USHORT>(mlServerPort), vaultName, user,
                                                          userPassword, &dbUser, &dbPassword);
        if (FAILED(hr)) {
            if (hr == E_OXN_LOGIN_FAILED) return kLoginCheckWrongCredentials;
            login_dialog_host::ShowMessage(mhParent, ErrorText(hr), MB_ICONWARNING);
            return kLoginCheckFailed;
        }

        ReplaceConnection(new SpMgr());
        SpConnectInfo connectInfo;
        connectInfo.moDbServer = moDbServer;
        connectInfo.moDbName = moDbName;
        connectInfo.moDbUser = TextOf(dbUser, 0);
        connectInfo.moDbPassword = TextOf(dbPassword, 0);
        connectInfo.moVaultName = moVaultName;
        connectInfo.moUserName = moUserName;
        connectInfo.mlCaller = 0;
        if (FAILED(mpoConnection->mhCreate(SpDbType_Vault, std::move(connectInfo)))) {
            ReplaceConnection(nullptr);
            return kLoginCheckDatabaseFailure;
        }
        if (FAILED(server->Verify(&mlVerification)) || mlVerification == 0) {
            ReplaceConnection(nullptr);
            return kLoginCheckDatabaseFailure;
        }
        moDbUser = TextOf(dbUser, 0);
        moDbPassword = TextOf(dbPassword, 0);
        return kLoginCheckAccepted;
    } catch (const std::bad_alloc&) {
        return kLoginCheckFailed;
    } catch (const _com_error&) {
        return kLoginCheckFailed;
    }
}

SpMgr* Pruvane::TakeConnection() noexcept {
    SpMgr* connection = mpoConnection;
    mpoConnection = nullptr;
    return connection;
}

void Pruvane::ReplaceConnection(SpMgr* connection) noexcept {
    if (mpoConnection) mpoConnection->Release();
    mpoConnection = connection;
}
