// CItmBOM (coclass ItmBOM): a BOM linked to an item.
#pragma once

#include "bellquist/ids.h"
#include "com/server/co_class.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/server/thread_model.h"
#include "itemstore/itm_linked_object_impl.h"

class CItmBOM : public CComObjectRootEx<CComSingleThreadModel>,
                public CComCoClass<CItmBOM, &BellquistLib::CLSID_ItmBOM>,
                public IDispatchImpl<BellquistLib::IItmBOM>,
                public ItmLinkedObjectImpl {
public:
    BEGIN_COM_MAP(CItmBOM)
    COM_INTERFACE_ENTRY(BellquistLib::IItmBOM)
    COM_INTERFACE_ENTRY2(IDispatch, BellquistLib::IItmBOM)
    COM_INTERFACE_ENTRY(BellquistLib::IItmObject)
    COM_INTERFACE_ENTRY(IItmObjectPrivate)
    END_COM_MAP()

    // E_POINTER for a null out, E_INVALIDARG while not loaded.
    HRESULT STDMETHODCALLTYPE get_LinkType(BellquistLib::ItmLinkType* linkType) override;
    HRESULT STDMETHODCALLTYPE get_ConfigID(LONG* configId) override;
    // Stores the value; E_FAIL without a record.
    HRESULT STDMETHODCALLTYPE put_ParentProjectID(LONG parentProjectId) override;
    // ItmObjBase's records in task memory.
    HRESULT STDMETHODCALLTYPE GetItmLink(BellquistLib::ItmLink** link) override;
    HRESULT STDMETHODCALLTYPE GetLinkData(BellquistLib::ItmLinkData** linkData) override;
};
