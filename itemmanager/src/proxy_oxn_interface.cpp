#include "proxy_oxn_interface.h"

#include "oxn_basic_get_op_callback.h"
#include "oxn_batch_support.h"
#include "oxn_get_op_callback.h"

#include "common/error_codes.h"
#include "common/record_array.h"

#include "com/ccom_ptr.h"
#include "com/com_error.h"
#include "com/runnable.h"
#include "com/runtime.h"
#include "com/unknown.h"
#include "com/variant.h"
#include "oxnvault/ids.h"
#include "oxnvault/interfaces.h"
#include "oxnvault/selection.h"
#include "ui/window_functions.h"
#include "winapi/errors.h"

#include <memory>
#include <set>
#include <vector>

using namespace BellquistLib;
using namespace OxnVaultLib;

CProxyOxnInterface::CProxyOxnInterface(const RefPtr<CItemCacheFile>& cacheFile, CProxyTavroskAPI* clientBackEnd)
    : CProxy(cacheFile), mpoClientBackEnd(clientBackEnd) {}

CProxyOxnInterface::~CProxyOxnInterface() {
    if (mpoVault) mpoVault->Release();
}

HRESULT CProxyOxnInterface::Init(const InitData& data) {
    mulParentWnd = data.hParentWndHandle;
    mvKeepInitData(data);
    // The explorer passes its vault object as a pointer value; the new one
    // is held before the old one goes, which may be the same object.
    auto* vault = reinterpret_cast<IUnknown*>(static_cast<uintptr_t>(data.mllOxnVault));
    if (vault) vault->AddRef();
    if (mpoVault) mpoVault->Release();
    mpoVault = vault;
    return S_OK;
}

HRESULT CProxyOxnInterface::GetLatestVersion(SAFEARRAY* items, VARIANT_BOOL silent, IItmManager*, VARIANT_BOOL) {
    return mhBatchGet(items, nullptr, 0, kTreeGetLatest, silent == VARIANT_FALSE);
}

HRESULT CProxyOxnInterface::CheckOut(SAFEARRAY* items, VARIANT_BOOL silent, IItmManager*) {
    return mhBatchGet(items, nullptr, 0, kTreeCheckOut, silent == VARIANT_FALSE);
}

HRESULT CProxyOxnInterface::GetSpecificVersion(IItmObject* item, LONG version, SAFEARRAY** returnedItems,
                                               IItmManager*) {
    if (!mpoVault) return E_OXN_NOT_INITIALIZED;
    if (!item || !returnedItems) return E_OXN_NULL_VALUE;
    ItmObjectType type = ItmObjectType_Undefined;
    if (HRESULT hr = item->get_Type(&type); FAILED(hr)) return hr;
    if (type != ItmObjectType_Item) return E_ITEM_INVALID_SOURCE;
    return mhBatchGet(nullptr, item, version, kTreeGetLatest, true);
}

HRESULT CProxyOxnInterface::mhBatchGet(SAFEARRAY* items, IItmObject* single, LONG version, LONG treeFlags,
                                       bool showDialog) {
    if (!mpoVault) return E_OXN_NOT_INITIALIZED;
    if (!single) {
        if (!items) return E_OXN_NULL_VALUE;
        if (glOxnItemCount(items) == 0) return E_OXN_CANCELLED_BY_USER;
    }
    CComPtr<IOxnVault11> factory;
    CComPtr<IOxnBatchGet> get;
    if (HRESULT hr = ghCreateOxnUtility(mpoVault, kUtilityBatchGet, IOxnBatchGet::kIid, reinterpret_cast<void**>(&get),
                                        std::addressof(factory));
        FAILED(hr))
        return hr;

    std::vector<OxnBatchItem> read(single ? 1 : 0);
    HRESULT hr = single ? ghReadOxnBatchItem(single, &read[0]) : ghReadOxnBatchItems(items, &read);
    if (FAILED(hr)) return hr;

    if (single) {
        const OxnFileAndFolder file = goToOxnSelection(read[0]);
        VARIANT wanted;
        VariantInit(&wanted);
        wanted.vt = VT_I4;
        wanted.lVal = version;
        gvCheckOxnCall(get->AddFileVersion(factory, file.mlFileID, file.mlFolderID, wanted), get);
    } else {
        RecordArray<OxnSelection> selection;
        selection.mvCreate(static_cast<ULONG>(read.size()), LIBID_OxnVaultLib, kLibraryMajorVersion,
                           kLibraryMinorVersion);
        OxnSelection* record = selection.mpoBegin();
        for (const OxnBatchItem& item : read) {
            const OxnFileAndFolder file = goToOxnSelection(item);
            record->fileId = file.mlFileID;
            record->folderId = file.mlFolderID;
            ++record;
        }
        gvCheckOxnCall(get->AddSelection(factory, selection.mpoGetArray()), get);
    }
    const LONG parent = mlParentWnd();
    gvCheckOxnCall(get->BuildTree(parent, treeFlags), get);
    if (showDialog) {
        VARIANT_BOOL ok = VARIANT_FALSE;
        gvCheckOxnCall(get->ShowDialog(parent, &ok), get);
        if (ok == VARIANT_FALSE) return E_OXN_CANCELLED_BY_USER;
    }
    LONG count = 0;
    if (hr = get->GetFileCount(&count); FAILED(hr)) return hr;
    if (count == 0) return E_OXN_CANCELLED_BY_USER;

    CComPtr<IOxnGetOpCallback> callback;
    if (hr = OxnGetOpCallbackImpl::mhCreate(&callback); FAILED(hr)) return hr;
    if (hr = get->Run(parent, callback); FAILED(hr)) return hr;

    // A file the vault could not get counts unless it was got after all -
    // and with a single file, its problem counts in any case.
    CComPtr<IOxnResultList> done;
    if (hr = get->GetResultList(kListDone, &done); FAILED(hr)) return hr;
    std::set<LONG> doneIds;
    gvWalkOxnResultList(done, [&](BSTR, LONG fileId, LONG) { doneIds.insert(fileId); });
    CComPtr<IOxnResultList> problems;
    if (hr = get->GetResultList(kListProblems, &problems); FAILED(hr)) return hr;
    bool lockErrors = false;
    gvWalkOxnResultList(problems, [&](BSTR, LONG fileId, LONG) {
        if (count == 1 || !doneIds.contains(fileId)) lockErrors = true;
    });
    return lockErrors ? E_OXN_LOCK_ERRORS : S_OK;
}

HRESULT CProxyOxnInterface::mhCreateProgress(IOxnProgress** progress) {
    *progress = nullptr;
    CComPtr<IUnknown> created;
    if (HRESULT hr =
            CoCreateInstance(CLSID_OxnProgress, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&created));
        FAILED(hr))
        return hr;
    if (HRESULT hr = OleRun(created); FAILED(hr)) return hr;
    return created->QueryInterface(IOxnProgress::kIid, reinterpret_cast<void**>(progress));
}

HRESULT CProxyOxnInterface::RefreshLocalCache() {
    if (!mpoVault) return E_OXN_NOT_INITIALIZED;
    // Without its progress window the refresh would run unseen and could not
    // be cancelled: it does not start.
    CComPtr<IOxnProgress> progress;
    if (FAILED(mhCreateProgress(&progress)) || !progress ||
        FAILED(progress->SetOwner(static_cast<LONG>(reinterpret_cast<uintptr_t>(GetActiveWindow())))))
        _com_issue_error(E_POINTER);

    CComPtr<IOxnVault11> factory;
    CComPtr<IOxnBatchGet> get;
    if (HRESULT hr = ghCreateOxnUtility(mpoVault, kUtilityBatchGet, IOxnBatchGet::kIid, reinterpret_cast<void**>(&get),
                                        std::addressof(factory));
        FAILED(hr))
        return hr;
    CComPtr<OxnBasicGetOpCallbackImpl> callback;
    if (HRESULT hr = OxnBasicGetOpCallbackImpl::mhCreate(factory, u"Get Latest Version",
                                                         u"Getting Latest Version of files", progress, &callback);
        FAILED(hr))
        return hr;

    const _bstr_t caption(u"Get Latest Version");
    const _bstr_t calculating(u"Calculating...");
    progress->Open(caption, calculating, 0, 0, 0, 7);
    gvCheckOxnCall(get->BuildTree(0, kTreeRefreshLocal), get);
    progress->StepDone();
    LONG count = 0;
    get->GetFileCount(&count);
    LONG window = 0;
    gvCheckOxnCall(progress->GetWindow(&window), progress);
    gvCheckOxnCall(get->Run(window, static_cast<IOxnGetOpCallback3*>(callback)), get);
    return S_OK;
}
