#include "itemstore/itm_item_class.h"

#include "owned_link_manager.h"

#include "common/error_codes.h"
#include "itemstore/item_cache_file.h"
#include "itemstore/itm_object_data.h"

using namespace BellquistLib;

HRESULT CItmItem::Load(ItmObjectData* data, LoadItmObjectData* load) {
    HRESULT hr = ItmObjBase::Load(data, load);
    if (SUCCEEDED(hr)) mbLoaded = true;
    return hr;
}

HRESULT CItmItem::mhLoadWithLinkManager(ItmObjectData* data, LoadItmObjectData* load,
                                        RefPtr<CItemCacheFile> cacheFile) {
    HRESULT hr = Load(data, load);
    if (FAILED(hr)) return hr;
    mpoLinkManager = nullptr;
    CComObject<CItmLinkManager>* linkManager = nullptr;
    hr = ghNewLinkManager(&linkManager);
    if (FAILED(hr)) return hr;
    hr = linkManager->mhInitForItem(static_cast<IItmItem*>(this), cacheFile, mpoData->mbHasChildren);
    if (SUCCEEDED(hr)) mpoLinkManager = linkManager;
    linkManager->Release();
    return hr;
}

HRESULT CItmItem::get_LinkManager(IItmLinkManager** linkManager) {
    return ghHandOutLinkManager(mpoLinkManager, linkManager);
}

HRESULT CItmItem::get_ParentIDOf(ItmObjectType parentType, LONG* parentId) {
    if (!parentId) return E_POINTER;
    if (parentType != ItmObjectType_Vault && parentType != ItmObjectType_ItemFolder &&
        parentType != ItmObjectType_Item) {
        return E_ITEM_INVALID_ITEM_TYPE;
    }
    if (!mpoData) return E_POINTER;
    *parentId = parentType == ItmObjectType_Item ? mpoData->mlParentObjectID : mpoData->mlParentProjectID;
    return S_OK;
}

HRESULT CItmItem::get_ParentID(LONG* parentId) {
    if (!parentId || !mpoData) return E_POINTER;
    *parentId = mpoData->mlParentObjectID != 0 ? mpoData->mlParentObjectID : mpoData->mlParentProjectID;
    return S_OK;
}

HRESULT CItmItem::get_TavroskAPI(IUnknown** connection) {
    if (connection && !mbLoaded) {
        *connection = nullptr;
        return E_INVALIDARG;
    }
    return ItmObjectImpl::get_TavroskAPI(connection);
}

HRESULT CItmItem::get_LocalVersion(LONG* version) {
    if (!version) return E_OXN_NULL_VALUE;
    if (!mpoData) return E_POINTER;
    if (mpoData->mlLocalVersion == -1 || mpoData->mbIsDirty) {
        *version = -1;
        return S_OK;
    }
    LONG known = 0;
    *version = mpoLinkManager && SUCCEEDED(mpoLinkManager->GetLocalVersion(&known)) ? known : 0;
    return S_OK;
}

HRESULT CItmItem::GetItmLink(ItmLink** link) { return ItmObjBase::GetItmLink(link); }
HRESULT CItmItem::GetLinkData(ItmLinkData** linkData) { return ItmObjBase::GetLinkData(linkData); }

HRESULT CItmItem::PutProperty(LONG kind, VARIANT value) { return ItmObjBase::PutProperty(kind, value); }
HRESULT CItmItem::GetProperty(LONG kind, VARIANT* value) { return ItmObjBase::GetProperty(kind, value); }
HRESULT CItmItem::SetDataPtr(ItmObjectData* data) { return ItmObjBase::SetDataPtr(data); }
HRESULT CItmItem::GetDataPtr(ItmObjectData** data) { return ItmObjBase::GetDataPtr(data); }
