#include "proxy_oxn_interface.h"

#include "com/unknown.h"
#include "winapi/errors.h"

using namespace BellquistLib;

CProxyOxnInterface::CProxyOxnInterface(const RefPtr<CItemCacheFile>& cacheFile, CProxyTavroskAPI* clientBackEnd)
    : CProxy(cacheFile), mpoClientBackEnd(clientBackEnd) {}

CProxyOxnInterface::~CProxyOxnInterface() {
    if (mpoVault) mpoVault->Release();
}

HRESULT CProxyOxnInterface::Init(const InitData& data) {
    mulParentWnd = data.hParentWndHandle;
    mvKeepInitData(data);
    // The explorer passes its vault object as a pointer value; the new one
    // is held before the old one goes, which may be the same object.
    auto* vault = reinterpret_cast<IUnknown*>(static_cast<uintptr_t>(data.mllOxnVault));
    if (vault) vault->AddRef();
    if (mpoVault) mpoVault->Release();
    mpoVault = vault;
    return S_OK;
}
