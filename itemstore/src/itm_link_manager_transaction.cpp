// CItmLinkManager: its part in a local transaction. The state saved at the
// begin is a full copy, so a rollback restores the links exactly as they
// were, switches included; the transaction manager reverts the cache file
// alongside.
#include "itemstore/itm_link_manager.h"

#include "common/error_codes.h"
#include "itemstore/item_cache_file_i.h"

#include <new>

using namespace BellquistLib;

HRESULT CItmLinkManager::BeginLocalTransaction(ILocalTransactionMgr* manager) {
    if (mbInTransaction) return E_FAIL;
    if (!manager) return E_OXN_NULL_VALUE;
    LONGLONG* address = nullptr;
    HRESULT hr = manager->GetCacheFile(&address);
    if (FAILED(hr)) return hr;
    if (!address) return E_FAIL;
    try {
        moSaved = moCurrent;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    // The manager lends the interface; this reference keeps it to the end.
    mpoTransaction = reinterpret_cast<CItemCacheFileI*>(address);
    mbInTransaction = true;
    return S_OK;
}

HRESULT CItmLinkManager::Commit() {
    if (!mbInTransaction) return E_FAIL;
    moSaved = LinkState();
    mbInTransaction = false;
    mpoTransaction = nullptr;
    return S_OK;
}

HRESULT CItmLinkManager::Rollback() {
    if (!mbInTransaction) return E_FAIL;
    moCurrent = std::move(moSaved);
    moSaved = LinkState();
    mbInTransaction = false;
    mpoTransaction = nullptr;
    return S_OK;
}

HRESULT CItmLinkManager::InTransaction(VARIANT_BOOL* inTransaction) {
    if (!inTransaction) return E_POINTER;
    *inTransaction = mbInTransaction ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}
