// CProxyOxnInterface: the vault-interface back end of the item manager. It
// works through the vault's public COM interface: the vault object that the
// explorer hands over in InitData (mllOxnVault). Its operations (get latest,
// specific version, check-in and -out, undo check-out, change state, delete,
// refresh of the local cache) come with their own step; here are its
// construction, Init and destruction, and every other operation keeps the
// default of CProxy.
#pragma once

#include "proxy.h"

struct IUnknown;
class CProxyTavroskAPI;

class CProxyOxnInterface : public CProxy {
public:
    // Over the shared cache file and the client back end of the same
    // manager (kept as a plain pointer, not owned); no vault object yet.
    CProxyOxnInterface(const RefPtr<CItemCacheFile>& cacheFile, CProxyTavroskAPI* clientBackEnd);
    // Releases the vault object, then the base part.
    ~CProxyOxnInterface() override;

    // Keeps the parent window, the identity fields of `data` and the vault
    // object named by mllOxnVault (a reference is added to it and the one
    // held before released; 0 leaves no vault object). S_OK; a failed
    // string copy raises E_OUTOFMEMORY.
    HRESULT Init(const BellquistLib::InitData& data) override;

    ULONGLONG mulGetParentWnd() const noexcept { return mulParentWnd; }
    // Borrowed; null until Init names one.
    IUnknown* mpoGetVault() const noexcept { return mpoVault; }
    CProxyTavroskAPI* mpoGetClientBackEnd() const noexcept { return mpoClientBackEnd; }

protected:
    ULONGLONG mulParentWnd = 0;
    IUnknown* mpoVault = nullptr;  // one reference
    CProxyTavroskAPI* mpoClientBackEnd;
};
