// CProxyTavroskAPI: the client back end of the item manager. It reaches the
// vault through two outside objects that it creates at Init: the client
// library's main object (the client object) and the login server's Login
// object. Here: construction, Init, the connection it hands to new item
// objects, the two logins with their shared worker, the logout and the
// destruction. Its item operations come with their own step and keep the
// default of CProxy until then.
#pragma once

#include "itemmanager/proxy.h"

namespace TavroskClientLib {
struct ITavroskClient;
}
namespace DunmorrowLib {
struct ILogin;
struct LoginInfo;
}  // namespace DunmorrowLib
class CProxyOxnInterface;

class CProxyTavroskAPI : public CProxy {
public:
    // Over the shared cache file: parent window 0, no client object, no
    // login object, no vault-interface back end.
    explicit CProxyTavroskAPI(const RefPtr<CItemCacheFile>& cacheFile);
    // Releases the login object, then the client object, then the base part.
    ~CProxyTavroskAPI() override;

    // Creates (CoCreateInstance, context 23, then OleRun) the client
    // library's main object and the login server's Login object, each
    // replacing the one held, and keeps the parent window and the identity
    // fields of `data`. The HRESULT of the first failing creation step,
    // with that object left null; else S_OK.
    HRESULT Init(const BellquistLib::InitData& data) override;
    // Writes the client object into mpoConnection of the record, without a
    // reference (the item object loaded from the record takes its own).
    HRESULT SetItemConnection(BellquistLib::ItmObjectData* record) override;
    // The interactive login (the login server may show its dialog) and the
    // direct one with the given credentials. 0x80040240 for a null vault
    // name, without calling the login server; else the login worker's
    // result.
    HRESULT Login(BSTR vaultName, BellquistLib::LoginDataOut* result) override;
    HRESULT Login2(BSTR vaultName, BSTR user, BSTR password, BSTR sqlUser, BSTR sqlPassword, ULONG userId,
                   BellquistLib::LoginDataOut* result) override;
    // Logs the client object out (0x80040240 when it is missing or its
    // logout fails), then the login object (0x80040201 when it is missing;
    // its failure returned). SpMgr and the login data stay.
    HRESULT LogOut() override;

    // Set by the manager once both back ends exist; not owned.
    void mvSetOxnInterface(CProxyOxnInterface* vaultBackEnd) noexcept { mpoOxnInterface = vaultBackEnd; }
    CProxyOxnInterface* mpoGetOxnInterface() const noexcept { return mpoOxnInterface; }
    ULONGLONG mulGetParentWnd() const noexcept { return mulParentWnd; }
    // Borrowed; null before a successful Init.
    TavroskClientLib::ITavroskClient* mpoGetClient() const noexcept { return mpoClient; }
    DunmorrowLib::ILogin* mpoGetLogin() const noexcept { return mpoLogin; }

protected:
    // The worker behind Login and Login2: logs in through the login object,
    // then logs the client object in with the result, keeps what later
    // operations need and fills `result` when given.
    HRESULT mhLogin(const DunmorrowLib::LoginInfo& info, BellquistLib::LoginDataOut* result);

    ULONGLONG mulParentWnd = 0;
    TavroskClientLib::ITavroskClient* mpoClient = nullptr;  // one reference
    DunmorrowLib::ILogin* mpoLogin = nullptr;               // one reference
    CProxyOxnInterface* mpoOxnInterface = nullptr;
};
