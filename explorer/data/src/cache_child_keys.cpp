// GetChildKeys: the object keys of an item's links, which the cache's parent
// index and the loading of an item's children both start from.
#include "explorer/data/cache.h"

#include "common/record_array.h"

#include "com/ccom_ptr.h"
#include "com/owned_safearray.h"

using namespace BellquistLib;

HRESULT GetChildKeys(const RefPtr<CCacheObjInner>& inner, std::vector<CacheObjKey>& out) {
    if (!inner || !inner->mpoItem) return E_POINTER;
    if (inner->meType == ItmObjectType_File || inner->meType == ItmObjectType_BOM) return S_FALSE;
    CComPtr<IItmLinkManager> links;
    if (HRESULT hr = inner->mpoItem->get_LinkManager(&links); FAILED(hr)) return hr;
    if (!links) return E_POINTER;
    SAFEARRAY* raw = nullptr;
    if (HRESULT hr = links->GetLinksID(&raw); FAILED(hr)) return hr;
    com::OwnedSafeArray owned(raw);
    if (!owned) return S_OK;  // no links
    RecordArray<ItmUniqueID> ids(owned.get());
    for (const ItmUniqueID* id = ids.mpoBegin(); id != ids.mpoEnd(); ++id)
        out.push_back(CacheObjKey{id->meObjectType, id->mlObjectID, id->mlConfigID});
    return S_OK;
}
