// ItmLinkedObjectImpl: what a file and a BOM (the objects linked to an item)
// share over ItmObjectImpl: a loaded flag, IItmObjectPrivate, parent ids
// through the owning item, and the accessors of their own interfaces
// (IItmFile, IItmBOM), which the classes forward to.
#pragma once

#include "itemstore/itm_object_impl.h"
#include "itemstore/itm_object_private.h"

class ItmLinkedObjectImpl : public ItmObjectImpl<BellquistLib::IItmObject>, public IItmObjectPrivate {
public:
    // Replaces the record; a success marks the object loaded.
    HRESULT STDMETHODCALLTYPE Load(BellquistLib::ItmObjectData* data, BellquistLib::LoadItmObjectData* load) override;
    // Kind 4 (item): the owning item's id; E_ITEM_INVALID_ITEM_TYPE for any
    // other kind; E_POINTER for a null out or without a record.
    HRESULT STDMETHODCALLTYPE get_ParentIDOf(BellquistLib::ItmObjectType parentType, LONG* parentId) override;
    // E_POINTER for a null out or without a record.
    HRESULT STDMETHODCALLTYPE get_ParentID(LONG* parentId) override;
    // As ItmObjectImpl, and E_INVALIDARG while not loaded.
    HRESULT STDMETHODCALLTYPE get_TavroskAPI(IUnknown** connection) override;

    HRESULT STDMETHODCALLTYPE PutProperty(LONG kind, VARIANT value) override;
    HRESULT STDMETHODCALLTYPE GetProperty(LONG kind, VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE SetDataPtr(BellquistLib::ItmObjectData* data) override;
    HRESULT STDMETHODCALLTYPE GetDataPtr(BellquistLib::ItmObjectData** data) override;

protected:
    ItmLinkedObjectImpl() = default;
    ~ItmLinkedObjectImpl() override = default;

    // LinkType and ConfigID: E_POINTER for a null out, E_INVALIDARG while
    // not loaded.
    HRESULT mhGetLinkType(BellquistLib::ItmLinkType* linkType);
    HRESULT mhGetConfigID(LONG* configId);

private:
    bool mbLoaded = false;
};
