// The revision object (CLSID_ItmRevision, IItmRevision): increments the
// revision of the items the item server hands it (item_revisions.h), after
// a yes/no question to the user through the UI layer's message box.
//
// Apartment-threaded: the item server creates and calls it on one thread,
// which is also the thread of the vault connection it is started with.
#pragma once

#include "operation_vaults.h"

#include "com/server/co_class.h"
#include "com/server/dispatch_impl.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/server/support_error_info.h"
#include "itemops/ids.h"
#include "itemops/revision_interface.h"

#include <vector>

namespace itemops {

class CItmRevision
    : public CComObjectRootEx<CComSingleThreadModel>,
      public CComCoClass<CItmRevision, &ItemOperationsLib::CLSID_ItmRevision>,
      public IDispatchImpl<ItemOperationsLib::IItmRevision, &ItemOperationsLib::IItmRevision::kIid,
                           &ItemOperationsLib::LIBID_ItemOperationsLib, ItemOperationsLib::kLibraryMajorVersion,
                           ItemOperationsLib::kLibraryMinorVersion>,
      public ISupportErrorInfoImpl<&ItemOperationsLib::IItmRevision::kIid> {
public:
    BEGIN_COM_MAP(CItmRevision)
    COM_INTERFACE_ENTRY(ItemOperationsLib::IItmRevision)
    COM_INTERFACE_ENTRY(IDispatch)
    COM_INTERFACE_ENTRY(ISupportErrorInfo)
    END_COM_MAP()

    // IItmRevision (itemops/revision_interface.h).
    HRESULT STDMETHODCALLTYPE Start(CoraventLib::InitData* poData) override;
    // The same item twice counts once.
    HRESULT STDMETHODCALLTYPE SetItems(SAFEARRAY* poItems) override;
    // The question names the items with their revision now and after (those
    // the vault has, when started); without items nothing is asked and the
    // answer is no.
    HRESULT STDMETHODCALLTYPE Ask(HWND hParentWnd, LONG lReserved, VARIANT_BOOL* pbOk) override;
    HRESULT STDMETHODCALLTYPE Run(HWND hParentWnd, VARIANT_BOOL* pbOk) override;

protected:
    CItmRevision() = default;
    ~CItmRevision() = default;

private:
    HeldConnection connection_;  // null until started
    LONG userId_ = 0;
    std::vector<LONG> items_;
};

}  // namespace itemops
