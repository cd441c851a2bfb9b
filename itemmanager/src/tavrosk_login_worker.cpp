// The login worker of the client back end, shared by Login and Login2.

#include "proxy_tavrosk_api.h"

#include "common/error_codes.h"

#include "com/bstr_t.h"
#include "com/com_error.h"
#include "dunmorrow/interfaces.h"
#include "tavrosk/client_interfaces.h"
#include "tavrosk/login_record.h"
#include "vennacle/sp_mgr.h"
#include "winapi/errors.h"

#include <cstdint>
#include <utility>

using namespace BellquistLib;
using DunmorrowLib::LoginInfo;
using DunmorrowLib::LoginResult;
using TavroskClientLib::ITavroskServices;
using TavroskClientLib::LoginRecord;

namespace {

// The login server's result while the worker holds it: whatever is still in
// it when the worker ends - the strings and, unless the back end took it
// over, the connection's reference - is given back, on every path.
struct HeldLoginResult {
    LoginResult r{};

    HeldLoginResult() = default;
    HeldLoginResult(const HeldLoginResult&) = delete;
    HeldLoginResult& operator=(const HeldLoginResult&) = delete;
    ~HeldLoginResult() {
        SysFreeString(r.moUsername);
        SysFreeString(r.moUserPwd);
        SysFreeString(r.mbsAServer);
        if (SpMgr* spMgr = TakeSpMgr()) spMgr->Release();
    }

    SpMgr* SpMgrOf() const { return reinterpret_cast<SpMgr*>(static_cast<uintptr_t>(r.mpoSpMgr)); }
    SpMgr* TakeSpMgr() {
        SpMgr* spMgr = SpMgrOf();
        r.mpoSpMgr = 0;
        return spMgr;
    }
};

}  // namespace

HRESULT CProxyTavroskAPI::mhLogin(const LoginInfo& info, LoginDataOut* result) {
    // The vault name is kept whatever the outcome.
    moVaultName = info.moVaultName ? info.moVaultName : u"";
    if (!mpoLogin) _com_issue_error(E_POINTER);

    HeldLoginResult login;
    if (HRESULT hr = mpoLogin->Login(info, &login.r); FAILED(hr)) return hr;

    if (!mpoClient) return E_OXN_NULL_VALUE;
    ITavroskServices* services = nullptr;
    HRESULT hr = mpoClient->QueryInterface(ITavroskServices::kIid, reinterpret_cast<void**>(&services));
    if (hr == E_NOINTERFACE) return E_OXN_NULL_VALUE;
    if (FAILED(hr)) _com_issue_errorex(hr, mpoClient, ITavroskServices::kIid);

    // The library reads the record during the call and keeps none of its
    // strings: they stay the back end's and these copies'.
    _bstr_t user(login.r.moUsername, true);
    _bstr_t password(login.r.moUserPwd, true);
    _bstr_t archiveServer(login.r.mbsAServer, true);
    LoginRecord record{};
    record.mpoSpMgr = login.SpMgrOf();
    record.moVaultGUID = moVaultGUID;
    record.moViewGUID = moViewGUID;
    record.moViewPath = moViewPath;
    record.moComputerName = moComputerName;
    record.moDomainName = moDomainName;
    record.moUsername = user;
    record.moUserPwd = password;
    record.moVaultName = moVaultName;
    record.mbsAServer = archiveServer;
    record.musPort = login.r.musPort;
    record.mlUserID = login.r.mlUserID;
    record.mlArchiveServerID = login.r.mlArchiveServerID;
    record.mlDateFmt = login.r.mlDateFmt;
    record.mlSystemRights = login.r.mlSystemRights;
    record.mlReserved = 0;
    hr = services->Login(&record);
    services->Release();
    if (FAILED(hr)) return hr;  // the login's connection goes with `login`

    mvTakeSpMgr(login.TakeSpMgr());
    mlUserID = login.r.mlUserID;
    mlDateFormat = login.r.mlDateFmt;
    mlSystemRights = login.r.mlSystemRights;

    if (result) {
        result->mlUserID = mlUserID;
        result->moUsername = std::exchange(login.r.moUsername, nullptr);
        result->moVaultGUID = login.r.moVaultGUID;
        if (mpoSpMgr) mpoSpMgr->AddRef();
        result->mpoSpMgr = reinterpret_cast<uintptr_t>(mpoSpMgr);
        result->mlRootItemFolderID = login.r.mlRootItemFolderID;
    }
    return S_OK;
}
