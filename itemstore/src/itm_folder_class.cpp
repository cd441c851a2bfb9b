#include "itemstore/itm_folder_class.h"

#include "owned_link_manager.h"

#include "common/error_codes.h"
#include "itemstore/itm_object_data.h"

using namespace BellquistLib;

HRESULT CItmFolder::Load(ItmObjectData* data, LoadItmObjectData* load) {
    HRESULT hr = ItmObjBase::Load(data, load);
    if (FAILED(hr)) return hr;
    mbLoaded = false;
    mpoLinkManager = nullptr;
    CComObject<CItmLinkManager>* linkManager = nullptr;
    hr = ghNewLinkManager(&linkManager);
    if (FAILED(hr)) return hr;
    hr = linkManager->mhInitForFolder(static_cast<IItmFolder*>(this), mpoData->mbHasChildren);
    if (SUCCEEDED(hr)) {
        mpoLinkManager = linkManager;
        mbLoaded = true;
    }
    linkManager->Release();
    return hr;
}

HRESULT CItmFolder::get_LinkManager(IItmLinkManager** linkManager) {
    return ghHandOutLinkManager(mpoLinkManager, linkManager);
}

HRESULT CItmFolder::get_ParentIDOf(ItmObjectType parentType, LONG* parentId) {
    if (!parentId) return E_POINTER;
    if (parentType != ItmObjectType_Vault && parentType != ItmObjectType_ItemFolder) return E_ITEM_INVALID_ITEM_TYPE;
    if (!mpoData) return E_POINTER;
    *parentId = mpoData->mlParentObjectID;
    return S_OK;
}

HRESULT CItmFolder::get_ParentID(LONG* parentId) {
    if (!parentId || !mpoData) return E_POINTER;
    *parentId = mpoData->mlParentObjectID;
    return S_OK;
}

HRESULT CItmFolder::get_TavroskAPI(IUnknown** connection) {
    if (connection && !mbLoaded) {
        *connection = nullptr;
        return E_INVALIDARG;
    }
    return ItmObjectImpl::get_TavroskAPI(connection);
}

HRESULT CItmFolder::PutProperty(LONG kind, VARIANT value) { return ItmObjBase::PutProperty(kind, value); }
HRESULT CItmFolder::GetProperty(LONG kind, VARIANT* value) { return ItmObjBase::GetProperty(kind, value); }
HRESULT CItmFolder::SetDataPtr(ItmObjectData* data) { return ItmObjBase::SetDataPtr(data); }
HRESULT CItmFolder::GetDataPtr(ItmObjectData** data) { return ItmObjBase::GetDataPtr(data); }
