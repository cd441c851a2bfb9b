#include "proxy_tavrosk_api.h"

#include "running_object.h"

#include "common/error_codes.h"

#include "dunmorrow/ids.h"
#include "dunmorrow/interfaces.h"
#include "tavrosk/client_interfaces.h"
#include "tavrosk/ids.h"
#include "winapi/errors.h"

using namespace BellquistLib;
using DunmorrowLib::ILogin;
using DunmorrowLib::LoginInfo;
using TavroskClientLib::ITavroskClient;

namespace {

template <class I>
void ReleaseHeld(I*& held) {
    if (I* old = held) {
        held = nullptr;
        old->Release();
    }
}

}  // namespace

CProxyTavroskAPI::CProxyTavroskAPI(const RefPtr<CItemCacheFile>& cacheFile) : CProxy(cacheFile) {}

CProxyTavroskAPI::~CProxyTavroskAPI() {
    ReleaseHeld(mpoLogin);
    ReleaseHeld(mpoClient);
}

HRESULT CProxyTavroskAPI::Init(const InitData& data) {
    ReleaseHeld(mpoClient);
    if (HRESULT hr = ghCreateRunning(TavroskClientLib::CLSID_TavroskClient, &mpoClient); FAILED(hr)) return hr;
    // The login server stays loaded while the login object lives.
    ReleaseHeld(mpoLogin);
    if (HRESULT hr = ghCreateRunning(DunmorrowLib::CLSID_Login, &mpoLogin); FAILED(hr)) return hr;
    mulParentWnd = data.hParentWndHandle;
    mvKeepInitData(data);  // mllOxnVault is the other back end's
    return S_OK;
}

HRESULT CProxyTavroskAPI::SetItemConnection(ItmObjectData* record) {
    if (!record) return E_OXN_NULL_VALUE;
    record->mpoConnection = mpoClient;
    return S_OK;
}

HRESULT CProxyTavroskAPI::Login(BSTR vaultName, LoginDataOut* result) {
    if (!vaultName) return E_OXN_NULL_VALUE;
    LoginInfo info{};
    info.moVaultName = vaultName;
    info.mlUserID = 0;
    info.mbDirectLogin = VARIANT_FALSE;
    info.mlParentWnd = mulParentWnd;
    return mhLogin(info, result);
}

HRESULT CProxyTavroskAPI::Login2(BSTR vaultName, BSTR user, BSTR password, BSTR sqlUser, BSTR sqlPassword, ULONG userId,
                                 LoginDataOut* result) {
    if (!vaultName) return E_OXN_NULL_VALUE;
    LoginInfo info{};
    info.moVaultName = vaultName;
    info.moUsername = user;
    info.moPassword = password;
    info.moSqlUsername = sqlUser;
    info.moSqlPassword = sqlPassword;
    info.mlUserID = userId;
    info.mbDirectLogin = VARIANT_TRUE;
    info.mlParentWnd = mulParentWnd;
    return mhLogin(info, result);
}

HRESULT CProxyTavroskAPI::LogOut() {
    if (!mpoClient || FAILED(mpoClient->Logout())) return E_OXN_NULL_VALUE;
    // Only a failed Init leaves a client object without a login object.
    if (!mpoLogin) return E_OXN_NOT_INITIALIZED;
    if (HRESULT hr = mpoLogin->Logout(); FAILED(hr)) return hr;
    return S_OK;
}
