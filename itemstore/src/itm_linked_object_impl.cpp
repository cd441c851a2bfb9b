#include "itemstore/itm_linked_object_impl.h"

#include "common/error_codes.h"
#include "itemstore/itm_object_data.h"

using namespace BellquistLib;

HRESULT ItmLinkedObjectImpl::Load(ItmObjectData* data, LoadItmObjectData* load) {
    HRESULT hr = ItmObjBase::Load(data, load);
    if (SUCCEEDED(hr)) mbLoaded = true;
    return hr;
}

HRESULT ItmLinkedObjectImpl::get_ParentIDOf(ItmObjectType parentType, LONG* parentId) {
    if (!parentId) return E_POINTER;
    if (parentType != ItmObjectType_Item) return E_ITEM_INVALID_ITEM_TYPE;
    if (!mpoData) return E_POINTER;
    *parentId = mpoData->mlParentObjectID;
    return S_OK;
}

HRESULT ItmLinkedObjectImpl::get_ParentID(LONG* parentId) {
    if (!parentId || !mpoData) return E_POINTER;
    *parentId = mpoData->mlParentObjectID;
    return S_OK;
}

HRESULT ItmLinkedObjectImpl::get_TavroskAPI(IUnknown** connection) {
    if (connection && !mbLoaded) {
        *connection = nullptr;
        return E_INVALIDARG;
    }
    return ItmObjectImpl::get_TavroskAPI(connection);
}

HRESULT ItmLinkedObjectImpl::PutProperty(LONG kind, VARIANT value) { return ItmObjBase::PutProperty(kind, value); }
HRESULT ItmLinkedObjectImpl::GetProperty(LONG kind, VARIANT* value) { return ItmObjBase::GetProperty(kind, value); }
HRESULT ItmLinkedObjectImpl::SetDataPtr(ItmObjectData* data) { return ItmObjBase::SetDataPtr(data); }
HRESULT ItmLinkedObjectImpl::GetDataPtr(ItmObjectData** data) { return ItmObjBase::GetDataPtr(data); }

HRESULT ItmLinkedObjectImpl::mhGetLinkType(ItmLinkType* linkType) {
    if (!linkType) return E_POINTER;
    if (!mbLoaded || !mpoData) return E_INVALIDARG;
    *linkType = mpoData->meLinkType;
    return S_OK;
}

HRESULT ItmLinkedObjectImpl::mhGetConfigID(LONG* configId) {
    if (!configId) return E_POINTER;
    if (!mbLoaded || !mpoData) return E_INVALIDARG;
    *configId = mpoData->mlConfigID;
    return S_OK;
}
