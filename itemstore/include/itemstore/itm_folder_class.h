// CItmFolder (coclass ItmFolder): a root item folder, vault or item folder.
// Each Load gives it a new link manager over the loaded record (no cache
// file: a folder's links are not written to the item cache), whose
// has-unloaded-children flag is the record's mbHasChildren.
#pragma once

#include "bellquist/ids.h"
#include "com/ccom_ptr.h"
#include "com/server/co_class.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/server/thread_model.h"
#include "itemstore/itm_object_impl.h"
#include "itemstore/itm_object_private.h"

class CItmFolder : public CComObjectRootEx<CComSingleThreadModel>,
                   public CComCoClass<CItmFolder, &BellquistLib::CLSID_ItmFolder>,
                   public ItmObjectImpl<BellquistLib::IItmFolder>,
                   public IItmObjectPrivate {
public:
    BEGIN_COM_MAP(CItmFolder)
    COM_INTERFACE_ENTRY(BellquistLib::IItmFolder)
    COM_INTERFACE_ENTRY2(BellquistLib::IItmObject, BellquistLib::IItmFolder)
    COM_INTERFACE_ENTRY2(IDispatch, BellquistLib::IItmFolder)
    COM_INTERFACE_ENTRY(IItmObjectPrivate)
    END_COM_MAP()

    // Replaces the record, then creates and initialises a new link manager
    // and marks the folder loaded. When the link manager fails, its failure
    // is returned and the folder keeps the new record but no link manager
    // and is not marked loaded.
    HRESULT STDMETHODCALLTYPE Load(BellquistLib::ItmObjectData* data, BellquistLib::LoadItmObjectData* load) override;
    // The link manager with a reference for the caller. E_POINTER with a
    // null out and error info when there is none (never loaded).
    HRESULT STDMETHODCALLTYPE get_LinkManager(BellquistLib::IItmLinkManager** linkManager) override;
    // Kind 2 (vault) or 3 (item folder): the parent object id;
    // E_ITEM_INVALID_ITEM_TYPE for any other kind; E_POINTER for a null out or
    // without a record.
    HRESULT STDMETHODCALLTYPE get_ParentIDOf(BellquistLib::ItmObjectType parentType, LONG* parentId) override;
    // E_POINTER for a null out or without a record.
    HRESULT STDMETHODCALLTYPE get_ParentID(LONG* parentId) override;
    // As ItmObjectImpl, and E_INVALIDARG while not loaded.
    HRESULT STDMETHODCALLTYPE get_TavroskAPI(IUnknown** connection) override;

    HRESULT STDMETHODCALLTYPE PutProperty(LONG kind, VARIANT value) override;
    HRESULT STDMETHODCALLTYPE GetProperty(LONG kind, VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE SetDataPtr(BellquistLib::ItmObjectData* data) override;
    HRESULT STDMETHODCALLTYPE GetDataPtr(BellquistLib::ItmObjectData** data) override;

private:
    bool mbLoaded = false;
    CComPtr<BellquistLib::IItmLinkManager> mpoLinkManager;
};
