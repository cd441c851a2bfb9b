#include "itemstore/itm_item_class.h"

#include "com/error_info.h"
#include "itemstore/itm_object_data.h"

using namespace BellquistLib;

namespace {

// Leaves `description` as the thread's error info for the caller.
void SetErrorDescription(const WCHAR* description) {
    ICreateErrorInfo* create = nullptr;
    if (FAILED(CreateErrorInfo(&create))) return;
    IErrorInfo* errorInfo = nullptr;
    if (SUCCEEDED(create->SetGUID(IItmObject::kIid)) && SUCCEEDED(create->SetDescription(description)) &&
        SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&errorInfo)))) {
        SetErrorInfo(0, errorInfo);
        errorInfo->Release();
    }
    create->Release();
}

}  // namespace

HRESULT CItmItem::Load(ItmObjectData* data, LoadItmObjectData* load) {
    HRESULT hr = ItmObjBase::Load(data, load);
    if (SUCCEEDED(hr)) mbLoaded = true;
    return hr;
}

HRESULT CItmItem::get_LinkManager(IItmLinkManager** linkManager) {
    if (linkManager) *linkManager = nullptr;
    SetErrorDescription(u"The link manager is not available.");
    return E_POINTER;
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
    *version = mpoData->mlLocalVersion == -1 || mpoData->mbIsDirty ? -1 : 0;
    return S_OK;
}

HRESULT CItmItem::GetItmLink(ItmLink** link) { return ItmObjBase::GetItmLink(link); }
HRESULT CItmItem::GetLinkData(ItmLinkData** linkData) { return ItmObjBase::GetLinkData(linkData); }

HRESULT CItmItem::PutProperty(LONG kind, VARIANT value) { return ItmObjBase::PutProperty(kind, value); }
HRESULT CItmItem::GetProperty(LONG kind, VARIANT* value) { return ItmObjBase::GetProperty(kind, value); }
HRESULT CItmItem::SetDataPtr(ItmObjectData* data) { return ItmObjBase::SetDataPtr(data); }
HRESULT CItmItem::GetDataPtr(ItmObjectData** data) { return ItmObjBase::GetDataPtr(data); }
