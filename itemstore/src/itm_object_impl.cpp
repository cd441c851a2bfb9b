#include "itemstore/itm_object_impl.h"

#include "common/error_codes.h"
#include "itemstore/itm_object_data.h"

using namespace BellquistLib;

template <class Interface>
template <class Value>
HRESULT ItmObjectImpl<Interface>::mhGet(Value ItmObjectData::*field, Value* out) {
    if (!out) return E_OXN_NULL_VALUE;
    if (!mpoData) return E_POINTER;
    *out = mpoData->*field;
    return S_OK;
}

template <class Interface>
template <class Value>
HRESULT ItmObjectImpl<Interface>::mhPut(Value ItmObjectData::*field, Value value) {
    if (!mpoData) return E_POINTER;
    mpoData->*field = value;
    return S_OK;
}

template <class Interface>
HRESULT ItmObjectImpl<Interface>::mhGetString(BSTR ItmObjectData::*field, BSTR* out) {
    if (!out) return E_OXN_NULL_VALUE;
    *out = nullptr;
    if (!mpoData) return E_POINTER;
    BSTR text = mpoData->*field;
    if (!text) return S_OK;
    *out = SysAllocStringLen(text, SysStringLen(text));
    return *out ? S_OK : E_OUTOFMEMORY;
}

template <class Interface>
HRESULT ItmObjectImpl<Interface>::Load(ItmObjectData* data, LoadItmObjectData* load) {
    return ItmObjBase::Load(data, load);
}
template <class Interface>
HRESULT ItmObjectImpl<Interface>::Swap(IItmObject* other, VARIANT_BOOL excludeVersionFields) {
    return ItmObjBase::Swap(other, excludeVersionFields);
}
template <class Interface>
HRESULT ItmObjectImpl<Interface>::Compare(IItmObject* other, LONG* mask) {
    return ItmObjBase::Compare(other, mask);
}
template <class Interface>
HRESULT ItmObjectImpl<Interface>::Copy(IItmObject* other, LONG mask) {
    return ItmObjBase::Copy(other, mask);
}
template <class Interface>
HRESULT ItmObjectImpl<Interface>::GetUniqueID(ItmUniqueID** id) {
    return ItmObjBase::GetUniqueID(id);
}
template <class Interface>
HRESULT ItmObjectImpl<Interface>::SetPathPartOnly(BSTR folderPath) {
    return ItmObjBase::SetPathPartOnly(folderPath);
}

template <class Interface>
HRESULT ItmObjectImpl<Interface>::get_LinkManager(IItmLinkManager** linkManager) {
    if (linkManager) *linkManager = nullptr;
    return E_NOTIMPL;
}

template <class Interface>
HRESULT ItmObjectImpl<Interface>::get_ID(LONG* id) {
    return mhGet(&ItmObjectData::mlObjectID, id);
}
template <class Interface>
HRESULT ItmObjectImpl<Interface>::get_Type(ItmObjectType* type) {
    return mhGet(&ItmObjectData::meObjectType, type);
}

template <class Interface>
HRESULT ItmObjectImpl<Interface>::get_ParentIDOf(ItmObjectType /*parentType*/, LONG* /*parentId*/) {
    return E_NOTIMPL;
}

template <class Interface>
HRESULT ItmObjectImpl<Interface>::get_ParentID(LONG* parentId) {
    return mhGet(&ItmObjectData::mlParentObjectID, parentId);
}
template <class Interface>
HRESULT ItmObjectImpl<Interface>::get_ParentType(ItmObjectType* parentType) {
    return mhGet(&ItmObjectData::meParentDocType, parentType);
}
template <class Interface>
HRESULT ItmObjectImpl<Interface>::get_Name(BSTR* name) {
    return mhGetString(&ItmObjectData::moFilename, name);
}
template <class Interface>
HRESULT ItmObjectImpl<Interface>::get_LockedBy(BSTR* lockedBy) {
    return mhGetString(&ItmObjectData::moLockedBy, lockedBy);
}
template <class Interface>
HRESULT ItmObjectImpl<Interface>::get_State(BSTR* state) {
    return mhGetString(&ItmObjectData::moState, state);
}
template <class Interface>
HRESULT ItmObjectImpl<Interface>::get_Path(BSTR* path) {
    return mhGetString(&ItmObjectData::moPath, path);
}
template <class Interface>
HRESULT ItmObjectImpl<Interface>::get_ModifiedDate(DATE* modified) {
    return mhGet(&ItmObjectData::moModified, modified);
}
template <class Interface>
HRESULT ItmObjectImpl<Interface>::put_ModifiedDate(DATE modified) {
    return mhPut(&ItmObjectData::moModified, modified);
}
template <class Interface>
HRESULT ItmObjectImpl<Interface>::get_UserID(LONG* userId) {
    return mhGet(&ItmObjectData::mlLockedBy, userId);
}
template <class Interface>
HRESULT ItmObjectImpl<Interface>::get_AttachedVersion(LONG* version) {
    return mhGet(&ItmObjectData::mlAttachedVersion, version);
}
template <class Interface>
HRESULT ItmObjectImpl<Interface>::put_AttachedVersion(LONG version) {
    return mhPut(&ItmObjectData::mlAttachedVersion, version);
}
template <class Interface>
HRESULT ItmObjectImpl<Interface>::get_ParentProjectID(LONG* parentProjectId) {
    return mhGet(&ItmObjectData::mlParentProjectID, parentProjectId);
}
template <class Interface>
HRESULT ItmObjectImpl<Interface>::get_ConfigName(BSTR* configName) {
    return mhGetString(&ItmObjectData::moConfigName, configName);
}

template <class Interface>
HRESULT ItmObjectImpl<Interface>::get_TavroskAPI(IUnknown** connection) {
    if (!connection) return E_INVALIDARG;
    *connection = nullptr;
    if (!mpoData || !mpoData->mpoConnection) return E_INVALIDARG;
    *connection = mpoData->mpoConnection;
    (*connection)->AddRef();
    return S_OK;
}

template <class Interface>
HRESULT ItmObjectImpl<Interface>::get_AlternateName(BSTR* alternateName) {
    return mhGetString(&ItmObjectData::moAlternateName, alternateName);
}

template <class Interface>
HRESULT ItmObjectImpl<Interface>::get_IsUpToDate(VARIANT_BOOL* isUpToDate) {
    if (!isUpToDate) return E_OXN_NULL_VALUE;
    if (!mpoData) return E_POINTER;
    *isUpToDate = static_cast<VARIANT_BOOL>(mpoData->mbIsUpToDate & 0xFFFF);
    return S_OK;
}

template <class Interface>
HRESULT ItmObjectImpl<Interface>::get_LocalVersion(LONG* version) {
    return mhGet(&ItmObjectData::mlLocalVersion, version);
}
template <class Interface>
HRESULT ItmObjectImpl<Interface>::put_LocalVersion(LONG version) {
    return mhPut(&ItmObjectData::mlLocalVersion, version);
}
template <class Interface>
HRESULT ItmObjectImpl<Interface>::get_LatestVersion(LONG* version) {
    return mhGet(&ItmObjectData::mlLatestVersion, version);
}
template <class Interface>
HRESULT ItmObjectImpl<Interface>::put_LatestVersion(LONG version) {
    return mhPut(&ItmObjectData::mlLatestVersion, version);
}
template <class Interface>
HRESULT ItmObjectImpl<Interface>::get_LockViewID(GUID* lockViewId) {
    return mhGet(&ItmObjectData::moLockViewID, lockViewId);
}
template <class Interface>
HRESULT ItmObjectImpl<Interface>::get_LinkedFileName(BSTR* linkedFile) {
    return ItmObjBase::GetLinkedFileName(linkedFile);
}
template <class Interface>
HRESULT ItmObjectImpl<Interface>::get_ItemObjectFlags(LONG* flags) {
    return ItmObjBase::GetItmObjectFlags(flags);
}
template <class Interface>
HRESULT ItmObjectImpl<Interface>::get_IsDirty(VARIANT_BOOL* isDirty) {
    return mhGet(&ItmObjectData::mbIsDirty, isDirty);
}
template <class Interface>
HRESULT ItmObjectImpl<Interface>::put_IsDirty(VARIANT_BOOL isDirty) {
    return mhPut(&ItmObjectData::mbIsDirty, isDirty);
}
template <class Interface>
HRESULT ItmObjectImpl<Interface>::get_DynamicFileLinkVersion(LONG* version) {
    return mhGet(&ItmObjectData::mlDynLinkedFileVersion, version);
}
template <class Interface>
HRESULT ItmObjectImpl<Interface>::put_DynamicFileLinkVersion(LONG version) {
    return mhPut(&ItmObjectData::mlDynLinkedFileVersion, version);
}

template class ItmObjectImpl<IItmObject>;
template class ItmObjectImpl<IItmItem>;
template class ItmObjectImpl<IItmFolder>;
