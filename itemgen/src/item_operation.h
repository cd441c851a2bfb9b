// The classes of the item generation server: the item operation
// (CItemOperationFatClient, coclass ItemOperation) that the item server
// drives, and the two classes the library names without anyone creating
// them: CItemOp (IItemOp, dispatch only) and CItemOperationWebClient (an
// interface whose methods are not implemented).
//
// One item operation serves one generation or add-files operation: Init,
// AddSelection, InitTreeDlg (or InitTreeDlg2), ShowDlg (or CreateTree), then
// DoGenerateItems or GetSelection. It holds the login data and the one tree
// handler, to which nearly every call goes.
#pragma once

#include "xref_tree_handler.h"

#include "com/ccom_ptr.h"
#include "com/server/co_class.h"
#include "com/server/dispatch_impl.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/server/support_error_info.h"
#include "coravent/ids.h"
#include "coravent/interfaces.h"
#include "vennacle/sp_mgr.h"

#include <vector>

namespace coravent {

// The column sets, dialog flag word, tree option word and tree flag the
// reference dialog starts with, by tree creation type; null for a type
// without them.
struct ColumnSetup {
    std::vector<LONG> moColumnsOne;
    std::vector<LONG> moColumnsTwo;
    LONG mlDialogFlags = 0;
    LONG mlTreeOptions = 0;
    LONG mlTreeFlag = 0;
};
const ColumnSetup* gpoColumnSetup(LONG eTreeCreationType);

class CItemOperationFatClient : public CComObjectRootEx<CComSingleThreadModel>,
                                public CComCoClass<CItemOperationFatClient, &CoraventLib::CLSID_ItemOperation>,
                                public CoraventLib::IItemOperation,
                                public ISupportErrorInfoImpl<&CoraventLib::IItemOperation::kIid> {
public:
    BEGIN_COM_MAP(CItemOperationFatClient)
    COM_INTERFACE_ENTRY(CoraventLib::IItemOperation)
    COM_INTERFACE_ENTRY(ISupportErrorInfo)
    END_COM_MAP()

    // IItemOperation (coravent/interfaces.h). Every method but Init and
    // GenerateItems answers E_OXN_NOT_INITIALIZED until Init succeeded.
    HRESULT STDMETHODCALLTYPE Init(CoraventLib::InitData oData) override;
    HRESULT STDMETHODCALLTYPE AddSelection(SAFEARRAY* ppoItems) override;
    HRESULT STDMETHODCALLTYPE InitTreeDlg(ULONGLONG lParentWnd, VARIANT_BOOL* pbNotEmpty) override;
    HRESULT STDMETHODCALLTYPE InitTreeDlg2(ULONGLONG lParentWnd, SAFEARRAY* poCurrentLinks,
                                           VARIANT_BOOL* pbNotEmpty) override;
    HRESULT STDMETHODCALLTYPE ShowDlg(ULONGLONG lParentWnd, LONG lItemDlgFlags, LONG* plDestItemFolderID,
                                      VARIANT_BOOL* pbResult) override;
    HRESULT STDMETHODCALLTYPE GetSelection(SAFEARRAY** poObjectsData) override;
    HRESULT STDMETHODCALLTYPE GenerateItems(SAFEARRAY** ppoItems) override;
    HRESULT STDMETHODCALLTYPE DoGenerateItems(LONG lDestItmFolderID, SAFEARRAY** ppoGeneratedItems,
                                              VARIANT_BOOL* pbOpenItems) override;
    // The handler's tree rebuild in mode 3; *pbResult is not written (the
    // caller reads the HRESULT).
    HRESULT STDMETHODCALLTYPE CreateTree(ULONGLONG lParentWnd, VARIANT_BOOL* pbResult) override;

protected:
    CItemOperationFatClient();
    ~CItemOperationFatClient();
    void FinalRelease();

private:
    HRESULT mhInit(const CoraventLib::InitData& oData);

    SpMgrPtr mpoSpMgr;  // one reference; null before Init
    GUID moViewID{};
    LONG mlUserID = 0;
    CoraventLib::TreeCreationType meTreeCreationType = CoraventLib::TreeCreationType_Undifiend;
    // The handler: its reference, and the object for the calls that are not
    // on its interfaces. Both null before Init (or after it failed).
    CComPtr<CASTAVYLib::IFileRefCmd3> mpoHandlerRef;
    CXRefTreeHandler* mpoHandler = nullptr;  // Not owned: mpoHandlerRef holds it
};

// The dual interface of the coclass ItemOp, which has no methods: only the
// dispatch calls answer.
class CItemOp
    : public CComObjectRootEx<CComSingleThreadModel>,
      public CComCoClass<CItemOp, &CoraventLib::CLSID_ItemOp>,
      public IDispatchImpl<CoraventLib::IItemOp, &CoraventLib::IItemOp::kIid, &CoraventLib::LIBID_CoraventLib, 1, 0> {
public:
    BEGIN_COM_MAP(CItemOp)
    COM_INTERFACE_ENTRY(CoraventLib::IItemOp)
    COM_INTERFACE_ENTRY(IDispatch)
    END_COM_MAP()

protected:
    CItemOp() = default;
    ~CItemOp() = default;
};

// The interface the class of ItemOperationImpl answers: three methods, none
// implemented.
struct IItemOperationWebClient : IUnknown {
    COM_INTERFACE_ID("D2DA333B-97E0-45CE-A56A-9D72257B59DA");
    // Slots 3 to 5.
    virtual HRESULT STDMETHODCALLTYPE Method3() = 0;
    virtual HRESULT STDMETHODCALLTYPE Method4() = 0;
    virtual HRESULT STDMETHODCALLTYPE Method5() = 0;

protected:
    ~IItemOperationWebClient() = default;
};

class CItemOperationWebClient : public CComObjectRootEx<CComSingleThreadModel>,
                                public CComCoClass<CItemOperationWebClient, &CoraventLib::CLSID_ItemOperationImpl>,
                                public IItemOperationWebClient {
public:
    BEGIN_COM_MAP(CItemOperationWebClient)
    COM_INTERFACE_ENTRY(IItemOperationWebClient)
    END_COM_MAP()

    // E_NOTIMPL, whatever the arguments.
    HRESULT STDMETHODCALLTYPE Method3() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Method4() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Method5() override { return E_NOTIMPL; }

protected:
    CItemOperationWebClient() = default;
    ~CItemOperationWebClient() = default;
};

}  // namespace coravent
