// CItmItem (coclass ItmItem): an item. The item server's back ends load it
// with mhLoadWithLinkManager, which gives it a link manager that writes its
// links through to the item cache. Loaded only through Load, as a program
// that creates it by class id does, it has no link manager: its LinkManager
// fails with E_POINTER (error info "The link manager is not available.") and
// its local version is computed without one.
#pragma once

#include "bellquist/ids.h"
#include "com/ccom_ptr.h"
#include "com/server/co_class.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/server/thread_model.h"
#include "itemstore/itm_object_impl.h"
#include "itemstore/itm_object_private.h"
#include "common/ref_ptr.h"

class CItemCacheFile;

class CItmItem : public CComObjectRootEx<CComSingleThreadModel>,
                 public CComCoClass<CItmItem, &BellquistLib::CLSID_ItmItem>,
                 public ItmObjectImpl<BellquistLib::IItmItem>,
                 public IItmObjectPrivate {
public:
    BEGIN_COM_MAP(CItmItem)
    COM_INTERFACE_ENTRY(BellquistLib::IItmItem)
    COM_INTERFACE_ENTRY2(BellquistLib::IItmObject, BellquistLib::IItmItem)
    COM_INTERFACE_ENTRY2(IDispatch, BellquistLib::IItmItem)
    COM_INTERFACE_ENTRY(IItmObjectPrivate)
    END_COM_MAP()

    // Replaces the record; a success marks the item loaded. A link manager
    // attached before stays.
    HRESULT STDMETHODCALLTYPE Load(BellquistLib::ItmObjectData* data, BellquistLib::LoadItmObjectData* load) override;
    // Load, then a new link manager over the loaded record that writes
    // through to `cacheFile` (its has-unloaded-children flag is the record's
    // mbHasChildren) replaces the one attached before. The failure of Load,
    // or of the link manager's creation, after which the item has none.
    HRESULT mhLoadWithLinkManager(BellquistLib::ItmObjectData* data, BellquistLib::LoadItmObjectData* load,
                                  RefPtr<CItemCacheFile> cacheFile);
    // The link manager with a reference for the caller. E_POINTER with a
    // null *linkManager and error info when none is attached (an item loaded
    // through Load).
    HRESULT STDMETHODCALLTYPE get_LinkManager(BellquistLib::IItmLinkManager** linkManager) override;
    // Kind 2 (vault) or 3 (item folder): the parent project id; kind 4
    // (item): the parent object id; E_ITEM_INVALID_ITEM_TYPE for any other
    // kind; E_POINTER for a null out or without a record.
    HRESULT STDMETHODCALLTYPE get_ParentIDOf(BellquistLib::ItmObjectType parentType, LONG* parentId) override;
    // The parent object id, or the parent project id when that is 0.
    // E_POINTER for a null out or without a record.
    HRESULT STDMETHODCALLTYPE get_ParentID(LONG* parentId) override;
    // As ItmObjectImpl, and E_INVALIDARG while not loaded.
    HRESULT STDMETHODCALLTYPE get_TavroskAPI(IUnknown** connection) override;
    // -1 when the record's local version is -1 or the item is dirty; else
    // the link manager's GetLocalVersion (-1 with a dirty link, -2 when the
    // item is not cached); 0 without a link manager or when it fails.
    HRESULT STDMETHODCALLTYPE get_LocalVersion(LONG* version) override;

    HRESULT STDMETHODCALLTYPE GetItmLink(BellquistLib::ItmLink** link) override;
    HRESULT STDMETHODCALLTYPE GetLinkData(BellquistLib::ItmLinkData** linkData) override;

    HRESULT STDMETHODCALLTYPE PutProperty(LONG kind, VARIANT value) override;
    HRESULT STDMETHODCALLTYPE GetProperty(LONG kind, VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE SetDataPtr(BellquistLib::ItmObjectData* data) override;
    HRESULT STDMETHODCALLTYPE GetDataPtr(BellquistLib::ItmObjectData** data) override;

private:
    bool mbLoaded = false;
    CComPtr<BellquistLib::IItmLinkManager> mpoLinkManager;  // null until mhLoadWithLinkManager
};
