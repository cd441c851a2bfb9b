// CItmObject (coclass ItmObject): a plain item-server object of any kind, as
// the item manager's CoCreateItem makes it. It keeps its data in the record
// of ItmObjBase and has neither a link manager nor IItmObjectPrivate, so it
// can be the target of Compare, Copy and Swap but never the other object.
// Its methods are ItmObjectImpl's defaults.
#pragma once

#include "bellquist/ids.h"
#include "com/server/co_class.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/server/thread_model.h"
#include "itemstore/itm_object_impl.h"

class CItmObject : public CComObjectRootEx<CComSingleThreadModel>,
                   public CComCoClass<CItmObject, &BellquistLib::CLSID_ItmObject>,
                   public ItmObjectImpl<BellquistLib::IItmObject> {
public:
    BEGIN_COM_MAP(CItmObject)
    COM_INTERFACE_ENTRY(BellquistLib::IItmObject)
    COM_INTERFACE_ENTRY2(IDispatch, BellquistLib::IItmObject)
    END_COM_MAP()
};
