#include "item_operation.h"

#include "castavy/ids.h"
#include "castavy/interfaces.h"
#include "com/hresults.h"
#include "com/method_boundary.h"
#include "com/runnable.h"
#include "com/runtime.h"
#include "com/safearray.h"
#include "com/server/com_object.h"
#include "common/error_codes.h"
#include "hastrel/ids.h"
#include "hastrel/interfaces.h"

#include <bit>
#include <utility>

namespace coravent {

using namespace CoraventLib;

const ColumnSetup* gpoColumnSetup(LONG eTreeCreationType) {
    // The dialog's column ids (CASTAVYLib::CastavyCol): 33 and 34 are a row's
    // two exclusive choices in item generation, 36 the add-file check, 35
    // goes with them.
    static const ColumnSetup kItemGeneration{{0, 1, 2, 29, 30, 33, 34, 35, 32, 19}, {}, 0x20812, 0x301, 0};
    static const ColumnSetup kRetrieveFiles{{0, 1, 2, 29, 30, 36, 35, 19}, {}, 0x20812, 0x200, 0};
    static const ColumnSetup kIncrRevisions{{0, 1, 2, 6, 11, 19, 21, 23}, {4, 18}, 0x10A, 0, 1};
    switch (eTreeCreationType) {
    case TreeCreationType_ItemGeneration:
        return &kItemGeneration;
    case TreeCreationType_RetrieveFiles:
        return &kRetrieveFiles;
    case TreeCreationType_IncrRevisions:
        return &kIncrRevisions;
    default:
        return nullptr;
    }
}

namespace {

// A one-dimensional VT_I4 array (lower bound 0) grown one element at a time,
// destroyed with its holder.
class ColumnArray {
public:
    ColumnArray() : array_(SafeArrayCreateVector(VT_I4, 0, 0)) {}
    ~ColumnArray() {
        if (array_) SafeArrayDestroy(array_);
    }
    ColumnArray(const ColumnArray&) = delete;
    ColumnArray& operator=(const ColumnArray&) = delete;

    HRESULT Append(LONG column) {
        if (!array_) return E_OUTOFMEMORY;
        LONG upper = -1;
        if (HRESULT hr = SafeArrayGetUBound(array_, 1, &upper); FAILED(hr)) return hr;
        SAFEARRAYBOUND bound{static_cast<ULONG>(upper + 2), 0};
        if (HRESULT hr = SafeArrayRedim(array_, &bound); FAILED(hr)) return hr;
        LONG index = upper + 1;
        return SafeArrayPutElement(array_, &index, &column);
    }
    SAFEARRAY* get() const noexcept { return array_; }

private:
    SAFEARRAY* array_;
};

}  // namespace

CItemOperationFatClient::CItemOperationFatClient() = default;
CItemOperationFatClient::~CItemOperationFatClient() = default;

void CItemOperationFatClient::FinalRelease() {
    // The handler goes first: it holds a connection reference of its own.
    mpoHandler = nullptr;
    mpoHandlerRef = nullptr;
    mpoSpMgr.reset();
}

HRESULT CItemOperationFatClient::Init(InitData oData) {
    return com::Boundary([&] { return mhInit(oData); });
}

HRESULT CItemOperationFatClient::mhInit(const InitData& oData) {
    SpMgr* connection = reinterpret_cast<SpMgr*>(static_cast<uintptr_t>(oData.mpoSpMgr));
    if (connection) connection->AddRef();
    mpoSpMgr.reset(connection);
    moViewID = std::bit_cast<GUID>(oData.moViewID);
    mlUserID = oData.mlUserID;
    meTreeCreationType = oData.meTreeCreationType;

    // A new Init replaces the handler: the old one goes whatever happens
    // next, so a failed Init leaves the object uninitialised.
    mpoHandler = nullptr;
    mpoHandlerRef = nullptr;

    CComPtr<HastrelLib::IXRefTreeManager> manager;
    {
        CComPtr<IUnknown> created;
        if (FAILED(CoCreateInstance(HastrelLib::CLSID_XRefTreeManager, nullptr, CLSCTX_ALL, IID_IUnknown,
                                    reinterpret_cast<void**>(&created))) ||
            !created || FAILED(OleRun(created)) ||
            FAILED(created->QueryInterface(HastrelLib::IXRefTreeManager::kIid, reinterpret_cast<void**>(&manager))) ||
            !manager)
            return E_POINTER;
    }
    // A manager that refuses to start is not kept: its failure and error
    // info are the caller's.
    if (HRESULT hr = manager->Start(mpoSpMgr.get(), mlUserID, moViewID); FAILED(hr)) return hr;

    CComObject<CXRefTreeHandler>* handler = nullptr;
    if (FAILED(CComObject<CXRefTreeHandler>::CreateInstance(&handler)) || !handler) return E_POINTER;
    CComPtr<CASTAVYLib::IFileRefCmd3> holder(handler);
    if (HRESULT hr = handler->Init(oData, meTreeCreationType, manager); FAILED(hr)) return hr;
    mpoHandlerRef = std::move(holder);
    mpoHandler = handler;
    return S_OK;
}

HRESULT CItemOperationFatClient::AddSelection(SAFEARRAY* ppoItems) {
    if (!ppoItems) return E_POINTER;
    if (!mpoHandler) return E_OXN_NOT_INITIALIZED;
    return mpoHandler->AddSelection(ppoItems);
}

HRESULT CItemOperationFatClient::InitTreeDlg(ULONGLONG lParentWnd, VARIANT_BOOL* pbNotEmpty) {
    if (!pbNotEmpty) return E_INVALIDARG;
    if (!mpoHandler) return E_OXN_NOT_INITIALIZED;
    const ColumnSetup* setup = gpoColumnSetup(meTreeCreationType);
    if (!setup) return E_INVALIDARG;
    ColumnArray one;
    ColumnArray two;
    for (LONG column : setup->moColumnsOne)
        if (HRESULT hr = one.Append(column); FAILED(hr)) return hr;
    for (LONG column : setup->moColumnsTwo)
        if (HRESULT hr = two.Append(column); FAILED(hr)) return hr;
    if (HRESULT hr = mpoHandler->SetColumns(one.get(), two.get(), setup->mlDialogFlags); FAILED(hr)) return hr;
    mpoHandler->SetDialogOptions(lParentWnd, setup->mlTreeOptions, setup->mlTreeFlag);
    *pbNotEmpty = VARIANT_TRUE;
    return S_OK;
}

HRESULT CItemOperationFatClient::InitTreeDlg2(ULONGLONG lParentWnd, SAFEARRAY* poCurrentLinks,
                                              VARIANT_BOOL* pbNotEmpty) {
    if (!mpoHandler) return E_OXN_NOT_INITIALIZED;
    if (poCurrentLinks)
        if (HRESULT hr = mpoHandler->TakeCurrentLinks(poCurrentLinks); FAILED(hr)) return hr;
    return InitTreeDlg(lParentWnd, pbNotEmpty);
}

HRESULT CItemOperationFatClient::ShowDlg(ULONGLONG lParentWnd, LONG lItemDlgFlags, LONG* plDestItemFolderID,
                                         VARIANT_BOOL* pbResult) {
    if (!pbResult) return E_INVALIDARG;
    if (!mpoHandler) return E_OXN_NOT_INITIALIZED;
    // The dialog takes its parent as a 32-bit handle value.
    HRESULT hr = mpoHandler->ShowDlg(static_cast<LONG>(lParentWnd), lItemDlgFlags, plDestItemFolderID);
    if (hr == E_OXN_CANCELLED_BY_USER) {
        *pbResult = VARIANT_FALSE;
        return S_FALSE;
    }
    if (FAILED(hr)) {
        *pbResult = VARIANT_FALSE;
        return hr;
    }
    *pbResult = VARIANT_TRUE;
    return S_OK;
}

HRESULT CItemOperationFatClient::GetSelection(SAFEARRAY** poObjectsData) {
    if (!mpoHandler) return E_OXN_NOT_INITIALIZED;
    return mpoHandler->GetSelection(poObjectsData);
}

HRESULT CItemOperationFatClient::GenerateItems(SAFEARRAY** /*ppoItems*/) { return E_NOTIMPL; }

HRESULT CItemOperationFatClient::DoGenerateItems(LONG lDestItmFolderID, SAFEARRAY** ppoGeneratedItems,
                                                 VARIANT_BOOL* pbOpenItems) {
    if (!mpoHandler) return E_OXN_NOT_INITIALIZED;
    return mpoHandler->DoGenerateItemsWithPushBack(lDestItmFolderID, ppoGeneratedItems, pbOpenItems);
}

HRESULT CItemOperationFatClient::CreateTree(ULONGLONG /*lParentWnd*/, VARIANT_BOOL* /*pbResult*/) {
    if (!mpoHandler) return E_OXN_NOT_INITIALIZED;
    return mpoHandler->BuildTree(CASTAVYLib::kBuildModeReferences);
}

}  // namespace coravent
