// CItmFile (coclass ItmFile): a file linked to an item.
#pragma once

#include "bellquist/ids.h"
#include "com/server/co_class.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/server/thread_model.h"
#include "itemstore/itm_linked_object_impl.h"

class CItmFile : public CComObjectRootEx<CComSingleThreadModel>,
                 public CComCoClass<CItmFile, &BellquistLib::CLSID_ItmFile>,
                 public IDispatchImpl<BellquistLib::IItmFile>,
                 public ItmLinkedObjectImpl {
public:
    BEGIN_COM_MAP(CItmFile)
    COM_INTERFACE_ENTRY(BellquistLib::IItmFile)
    COM_INTERFACE_ENTRY2(IDispatch, BellquistLib::IItmFile)
    COM_INTERFACE_ENTRY(BellquistLib::IItmObject)
    COM_INTERFACE_ENTRY(IItmObjectPrivate)
    END_COM_MAP()

    // E_POINTER for a null out, E_INVALIDARG while not loaded.
    HRESULT STDMETHODCALLTYPE get_LinkType(BellquistLib::ItmLinkType* linkType) override;
    HRESULT STDMETHODCALLTYPE get_ConfigID(LONG* configId) override;
    // ItmObjBase's records in task memory.
    HRESULT STDMETHODCALLTYPE GetItmLink(BellquistLib::ItmLink** link) override;
    HRESULT STDMETHODCALLTYPE GetLinkData(BellquistLib::ItmLinkData** linkData) override;
    // E_OXN_NULL_VALUE for a null out, E_POINTER without a record.
    HRESULT STDMETHODCALLTYPE get_IsCutlistItem(VARIANT_BOOL* isCutlist) override;
};
