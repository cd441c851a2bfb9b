// The client back end's operations driven through outside objects: the get
// and delete operations of the vault client (IItmOperation), which learn
// their items from the item manager (IVaultUtils) and report to a feedback
// object, and the revision object. The get operation returns the records of
// what it got, which the tree fetch then brings into the cache.
//
// Every list an operation hands back is owned from the moment it arrives,
// so that each way out of a driver frees it.

#include "proxy_tavrosk_api.h"

#include "bellquist/item_interfaces.h"  // before the conversions, which hold item objects
#include "fetch_arrays.h"
#include "gated_creation.h"
#include "item_list.h"
#include "operation_get_result.h"
#include "record_conversions.h"
#include "running_object.h"
#include "simple_tavrosk_feedback.h"

#include "bellquist/enums.h"
#include "bellquist/manager_interfaces.h"
#include "bellquist/operation_interfaces.h"
#include "com/ccom_ptr.h"
#include "com/ccom_variant.h"
#include "com/error_info.h"
#include "com/method_boundary.h"
#include "com/safearray.h"
#include "com/variant.h"
#include "common/error_codes.h"
#include "common/record_array.h"
#include "coravent/records.h"
#include "itemops/ids.h"
#include "itemops/revision_interface.h"
#include "winapi/errors.h"

#include <cstdint>
#include <cstring>

using namespace BellquistLib;
using ItemOperationsLib::IItmRevision;
using NsTavroskClient::COperationGetResult;
using NsTavroskClient::SimpleTavroskFeedback;

namespace {

// The texts under which the gated creation knows the two operations.
constexpr WCHAR kGetOperationText[] = u"{180959FF-BD9D-47FA-956C-16B45EEC51F5}";
constexpr WCHAR kDeleteOperationText[] = u"{D98AEE0E-31C0-413A-B8D2-0A5A343F1F9D}";

// The silent get of the latest versions: recursive, from the vault alone
// into the cache, modified now for what is checked out here.
constexpr LONG kSilentGetLatestFlags = Bgtf_Latest | Bgtf_Recursive | Bgtf_UpdateFileCache |
                                       Bgtf_IgnoreInputFromFileCache | Bgtf_SetModifiedNowForMyCheckedOut;
// The fetch after a get operation: from the vault alone into the cache,
// missing children marked removed, with metadata; recursive and latest are
// added for the latest versions, respect-versions when asked.
constexpr LONG kAfterGetFlags = Bgtf_UpdateFileCache | Bgtf_IgnoreInputFromFileCache | Bgtf_MarkMissingChildrenRemoved |
                                Bgtf_SetModifiedNowForMyCheckedOut | Bgtf_CopyMetaData;

// The version a caller gives for "the latest".
constexpr LONG kLatestVersion = -1;

// The outside operations and the revision object report "nothing more to
// do" with E_OXN_NOT_INITIALIZED; a driver returns S_OK for it, without the
// error info it may have left.
HRESULT DoneOnNotInitialized(HRESULT hr) {
    if (hr != E_OXN_NOT_INITIALIZED) return hr;
    SetErrorInfo(0, nullptr);
    return S_OK;
}

// An outside item operation up to its start, with the two lists it returned.
struct StartedOperation {
    CComPtr<IItmOperation> operation;
    com::OwnedSafeArray lockList;
    com::OwnedSafeArray getList;
};

// Hands `manager` the items, creates the operation `clsid` (gated under
// `text`) and a feedback object, then initialises and starts the operation
// with the two parameters. A failing step returns its HRESULT (a missing
// interface E_OXN_NULL_VALUE); else the start's success code, with its lists
// in `started`.
HRESULT StartOperation(const WCHAR* text, REFCLSID clsid, SAFEARRAY* items, IItmManager* manager, ULONGLONG parentWnd,
                       bool silent, const VARIANT& initParam, const VARIANT& startParam, StartedOperation& started) {
    CComPtr<IVaultUtils> utils;
    if (FAILED(manager->QueryInterface(IVaultUtils::kIid, reinterpret_cast<void**>(&utils))) || !utils)
        return E_OXN_NULL_VALUE;
    if (HRESULT hr = utils->Init(items); FAILED(hr)) return hr;

    CComPtr<IUnknown> created;
    if (HRESULT hr =
            ghCreateGatedInstance(text, clsid, IID_IUnknown, reinterpret_cast<void**>(&created), nullptr, kAnyServer);
        FAILED(hr))
        return hr;
    if (!created) return E_OXN_NULL_VALUE;
    if (FAILED(created->QueryInterface(IItmOperation::kIid, reinterpret_cast<void**>(&started.operation))) ||
        !started.operation)
        return E_OXN_NULL_VALUE;

    CComPtr<IItmCallBack> callback;
    {
        SimpleTavroskFeedback* feedback = nullptr;
        if (HRESULT hr = SimpleTavroskFeedback::mhCreate(parentWnd, silent, &feedback); FAILED(hr)) return hr;
        if (!feedback) return E_OXN_NULL_VALUE;
        // The creation's reference goes to `callback`.
        callback.Attach(static_cast<IItmCallBack*>(feedback));
    }

    if (HRESULT hr = started.operation->ItmInitOperation(utils, callback, initParam); FAILED(hr)) return hr;
    SAFEARRAY* lockList = nullptr;
    SAFEARRAY* getList = nullptr;
    HRESULT hr = started.operation->ItmStartOperation(startParam, &lockList, &getList);
    // Owned whatever the start answered.
    started.lockList.reset(lockList);
    started.getList.reset(getList);
    return hr;
}

// What the fetch after a get operation asks for.
struct AfterGet {
    bool fetch = false;
    LONG version = kLatestVersion;
    bool respectVersions = false;
};

// The end step of a get operation that started with S_OK: the result object
// goes to ItmEndOperation, whose answer decides the fetch.
AfterGet EndGetOperation(IItmOperation& operation, LONG askedVersion) {
    // A failing end, or none for want of a result object: the asked version.
    AfterGet failed{true, askedVersion, false};
    COperationGetResult* result = nullptr;
    if (FAILED(COperationGetResult::mhCreate(&result))) return failed;
    CComPtr<IItmOperationPropertyResult> held(result);
    result->Release();
    VARIANT param;
    VariantInit(&param);
    param.vt = VT_DISPATCH;
    param.pdispVal = held;
    HRESULT hr = operation.ItmEndOperation(param);
    if (FAILED(hr)) return failed;
    if (hr == S_FALSE) return {};
    // The latest of everything was got: fetch the latest, respecting the
    // versions the items hold when a version was asked. Anything else:
    // versions that are not the latest, each item's own.
    if (result->mlGetResult() == ItemOperationsLib::kGotLatest)
        return {true, kLatestVersion, askedVersion != kLatestVersion};
    return {true, 1, false};
}

}  // namespace

HRESULT CProxyTavroskAPI::mhGetThroughOperation(LONG version, SAFEARRAY* items, SAFEARRAY** returnedItems, bool silent,
                                                IItmManager* manager) {
    if (!items || !returnedItems || !manager) return E_OXN_NULL_VALUE;
    *returnedItems = nullptr;
    return DoneOnNotInitialized(com::Boundary([&]() -> HRESULT {
        if (ItemList(items).mlCount() == 0) return S_OK;

        const CComVariant initParam = silent ? CComVariant(ItemOperationsLib::kOperationSilent) : CComVariant();
        const CComVariant startParam = version == kLatestVersion ? CComVariant() : CComVariant(version);
        StartedOperation started;
        HRESULT hr = StartOperation(kGetOperationText, ItemOperationsLib::CLSID_ItmGetOperation, items, manager,
                                    mulParentWnd, silent, initParam, startParam, started);
        if (FAILED(hr)) return hr;
        if (hr == S_FALSE) return S_OK;

        // Another success code than S_OK: no end step, the asked version.
        AfterGet after{true, version, false};
        if (hr == S_OK) after = EndGetOperation(*started.operation, version);
        if (!after.fetch) return S_OK;

        started.lockList.reset();
        if (!started.getList) return S_OK;
        LONG flags = kAfterGetFlags;
        if (after.version == kLatestVersion) flags |= Bgtf_Latest | Bgtf_Recursive;
        if (after.respectVersions) flags |= Bgtf_RespectVersions;
        return mhFetchTrees(started.getList.get(), flags, 0, after.version, VARIANT_FALSE, returnedItems, nullptr,
                            nullptr);
    }));
}

HRESULT CProxyTavroskAPI::GetLatestItems(SAFEARRAY* items, SAFEARRAY** returnedItems, bool silent,
                                         bool copyMetaDataIfLocked, IItmManager* manager) {
    if (!silent) return mhGetThroughOperation(kLatestVersion, items, returnedItems, false, manager);
    return com::Boundary([&]() -> HRESULT {
        SAFEARRAY* records = nullptr;
        if (HRESULT hr = ghItemsToDataArray(items, &records); FAILED(hr)) return hr;
        com::OwnedSafeArray input(records);
        LONG flags = kSilentGetLatestFlags;
        if (copyMetaDataIfLocked) flags |= Bgtf_CopyMetaData;
        return mhFetchTrees(input.get(), flags, 0, 0, VARIANT_FALSE, returnedItems, nullptr, nullptr);
    });
}

HRESULT CProxyTavroskAPI::GetSpecificVersion(IItmObject* item, LONG version, SAFEARRAY** returnedItems,
                                             IItmManager* manager) {
    if (!item || !returnedItems) return E_OXN_NULL_VALUE;
    return com::Boundary([&]() -> HRESULT {
        ItmObjectType type{};
        if (HRESULT hr = item->get_Type(&type); FAILED(hr)) return hr;
        if (type != ItmObjectType_Item) return E_ITEM_INVALID_SOURCE;
        com::OwnedSafeArray items(SafeArrayCreateVector(VT_VARIANT, 0, 1));
        if (!items) return E_OUTOFMEMORY;
        VARIANT element;
        VariantInit(&element);
        element.vt = VT_DISPATCH;
        element.pdispVal = item;
        LONG index = 0;
        if (HRESULT hr = SafeArrayPutElement(items.get(), &index, &element); FAILED(hr)) return hr;
        return mhGetThroughOperation(version, items.get(), returnedItems, false, manager);
    });
}

HRESULT CProxyTavroskAPI::Delete(VARIANT_BOOL /*destroy*/, SAFEARRAY* items, IItmManager* manager) {
    if (!items || !manager) return E_OXN_NULL_VALUE;
    return DoneOnNotInitialized(com::Boundary([&]() -> HRESULT {
        // Its lists are of no use here; they go with `started`.
        StartedOperation started;
        HRESULT hr = StartOperation(kDeleteOperationText, ItemOperationsLib::CLSID_ItmDeleteOperation, items, manager,
                                    mulParentWnd, false, CComVariant(), CComVariant(), started);
        return FAILED(hr) ? hr : S_OK;
    }));
}

HRESULT CProxyTavroskAPI::IncrRevision(SAFEARRAY* items) {
    if (!items) return E_POINTER;
    return DoneOnNotInitialized(com::Boundary([&]() -> HRESULT {
        CComPtr<IItmRevision> revision;
        if (HRESULT hr = ghCreateRunning(ItemOperationsLib::CLSID_ItmRevision, &revision); FAILED(hr)) return hr;

        CoraventLib::InitData start{};
        start.mpoSpMgr = reinterpret_cast<uintptr_t>(mpoSpMgr);
        static_assert(sizeof(start.moViewID) == sizeof(moViewGUID));
        std::memcpy(&start.moViewID, &moViewGUID, sizeof moViewGUID);
        start.mlUserID = mlUserID;
        start.mlSystemRights = 0;
        start.meTreeCreationType = CoraventLib::TreeCreationType_IncrRevisions;
        start.mlCreationFlags = 0;
        if (HRESULT hr = revision->Start(&start); FAILED(hr)) return hr;

        // No items, or only flagged ones: nothing to increment.
        if (ItemList(items).mlCount() == 0) return S_FALSE;
        SAFEARRAY* converted = nullptr;
        if (HRESULT hr = ghItemsToXRefRoots(items, true, &converted); FAILED(hr)) return hr;
        com::OwnedSafeArray roots(converted);
        if (RecordArray<XRefRootObject>(roots.get()).mlGetCount() == 0) return S_FALSE;

        if (HRESULT hr = revision->SetItems(roots.get()); FAILED(hr)) return hr;
        const HWND parent = reinterpret_cast<HWND>(static_cast<uintptr_t>(mulParentWnd));
        VARIANT_BOOL ok = VARIANT_FALSE;
        if (HRESULT hr = revision->Ask(parent, 0, &ok); FAILED(hr)) return hr;
        if (ok == VARIANT_FALSE) return S_FALSE;
        ok = VARIANT_FALSE;
        if (HRESULT hr = revision->Run(parent, &ok); FAILED(hr)) return hr;
        return ok == VARIANT_FALSE ? S_FALSE : S_OK;
    }));
}
