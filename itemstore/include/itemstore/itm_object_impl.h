// ItmObjectImpl<Interface>: IItmObject's 37 methods over the record of
// ItmObjBase, for an interface that is IItmObject or derives from it. The
// defaults are those of a plain object (CItmObject); the item classes
// override what they do differently. Every accessor of an object that was
// never loaded fails with E_POINTER. Instantiated in the .cpp for IItmObject,
// IItmItem and IItmFolder only, to keep this header light.
#pragma once

#include "bellquist/item_interfaces.h"
#include "com/server/dispatch_impl.h"
#include "itemstore/itm_obj_base.h"

template <class Interface>
class ItmObjectImpl : public IDispatchImpl<Interface>, public ItmObjBase {
public:
    // Replaces the record (ItmObjBase::Load).
    HRESULT STDMETHODCALLTYPE Load(BellquistLib::ItmObjectData* data, BellquistLib::LoadItmObjectData* load) override;
    HRESULT STDMETHODCALLTYPE Swap(BellquistLib::IItmObject* other, VARIANT_BOOL excludeVersionFields) override;
    HRESULT STDMETHODCALLTYPE Compare(BellquistLib::IItmObject* other, LONG* mask) override;
    HRESULT STDMETHODCALLTYPE Copy(BellquistLib::IItmObject* other, LONG mask) override;
    HRESULT STDMETHODCALLTYPE GetUniqueID(BellquistLib::ItmUniqueID** id) override;
    HRESULT STDMETHODCALLTYPE SetPathPartOnly(BSTR folderPath) override;
    // A plain object has no link manager: E_NOTIMPL.
    HRESULT STDMETHODCALLTYPE get_LinkManager(BellquistLib::IItmLinkManager** linkManager) override;
    HRESULT STDMETHODCALLTYPE get_ID(LONG* id) override;
    HRESULT STDMETHODCALLTYPE get_Type(BellquistLib::ItmObjectType* type) override;
    // Not offered by a plain object: E_NOTIMPL.
    HRESULT STDMETHODCALLTYPE get_ParentIDOf(BellquistLib::ItmObjectType parentType, LONG* parentId) override;
    HRESULT STDMETHODCALLTYPE get_ParentID(LONG* parentId) override;
    HRESULT STDMETHODCALLTYPE get_ParentType(BellquistLib::ItmObjectType* parentType) override;
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_LockedBy(BSTR* lockedBy) override;
    HRESULT STDMETHODCALLTYPE get_State(BSTR* state) override;
    HRESULT STDMETHODCALLTYPE get_Path(BSTR* path) override;
    HRESULT STDMETHODCALLTYPE get_ModifiedDate(DATE* modified) override;
    HRESULT STDMETHODCALLTYPE put_ModifiedDate(DATE modified) override;
    HRESULT STDMETHODCALLTYPE get_UserID(LONG* userId) override;
    HRESULT STDMETHODCALLTYPE get_AttachedVersion(LONG* version) override;
    HRESULT STDMETHODCALLTYPE put_AttachedVersion(LONG version) override;
    HRESULT STDMETHODCALLTYPE get_ParentProjectID(LONG* parentProjectId) override;
    HRESULT STDMETHODCALLTYPE get_ConfigName(BSTR* configName) override;
    // The record's connection with a reference for the caller; E_INVALIDARG
    // for a null out, without a record or without a connection.
    HRESULT STDMETHODCALLTYPE get_TavroskAPI(IUnknown** connection) override;
    HRESULT STDMETHODCALLTYPE get_AlternateName(BSTR* alternateName) override;
    // The low 16 bits of the record's 32-bit field.
    HRESULT STDMETHODCALLTYPE get_IsUpToDate(VARIANT_BOOL* isUpToDate) override;
    HRESULT STDMETHODCALLTYPE get_LocalVersion(LONG* version) override;
    HRESULT STDMETHODCALLTYPE put_LocalVersion(LONG version) override;
    HRESULT STDMETHODCALLTYPE get_LatestVersion(LONG* version) override;
    HRESULT STDMETHODCALLTYPE put_LatestVersion(LONG version) override;
    HRESULT STDMETHODCALLTYPE get_LockViewID(GUID* lockViewId) override;
    // E_INVALIDARG for a null out, E_POINTER without a record.
    HRESULT STDMETHODCALLTYPE get_LinkedFileName(BSTR* linkedFile) override;
    HRESULT STDMETHODCALLTYPE get_ItemObjectFlags(LONG* flags) override;
    HRESULT STDMETHODCALLTYPE get_IsDirty(VARIANT_BOOL* isDirty) override;
    HRESULT STDMETHODCALLTYPE put_IsDirty(VARIANT_BOOL isDirty) override;
    HRESULT STDMETHODCALLTYPE get_DynamicFileLinkVersion(LONG* version) override;
    HRESULT STDMETHODCALLTYPE put_DynamicFileLinkVersion(LONG version) override;

protected:
    ItmObjectImpl() = default;
    ~ItmObjectImpl() override = default;

    // Unless noted, a getter fails with E_OXN_NULL_VALUE for a null out and
    // with E_POINTER without a record; a setter with E_POINTER without a
    // record.
    template <class Value>
    HRESULT mhGet(Value BellquistLib::ItmObjectData::*field, Value* out);
    template <class Value>
    HRESULT mhPut(Value BellquistLib::ItmObjectData::*field, Value value);
    // A fresh copy of the string field (null stays null); E_OUTOFMEMORY.
    HRESULT mhGetString(BSTR BellquistLib::ItmObjectData::*field, BSTR* out);
};

extern template class ItmObjectImpl<BellquistLib::IItmObject>;
extern template class ItmObjectImpl<BellquistLib::IItmItem>;
extern template class ItmObjectImpl<BellquistLib::IItmFolder>;
