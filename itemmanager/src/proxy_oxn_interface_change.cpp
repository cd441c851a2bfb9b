// The vault-interface back end's change of states and delete.
#include "proxy_oxn_interface.h"

#include "fetch_arrays.h"
#include "oxn_batch_support.h"
#include "proxy_tavrosk_api.h"

#include "common/error_codes.h"
#include "itemstore/item_cache_file.h"
#include "itemstore/itm_object_data.h"

#include "com/bstr.h"
#include "com/ccom_ptr.h"
#include "com/safearray.h"
#include "com/variant.h"
#include "oxnvault/ids.h"
#include "oxnvault/interfaces.h"
#include "tavrosk/client_interfaces.h"
#include "winapi/errors.h"

#include <map>
#include <utility>
#include <vector>

using namespace BellquistLib;
using namespace OxnVaultLib;

namespace {

// The files and folders the change was given, by what the vault was told:
// (file id, folder id). Folders share file id 0 and differ by their folder.
using KeptItems = std::map<std::pair<LONG, LONG>, CComPtr<IItmObject>>;

// What the change of states tells the vault for an item: folders by their
// id, every other item by its id and project.
OxnFileAndFolder ChangeStateTarget(const OxnBatchItem& item) {
    switch (item.meType) {
    case ItmObjectType_Root_ItemFolder:
    case ItmObjectType_Vault:
    case ItmObjectType_ItemFolder:
        return {0, item.mlID};
    default:
        return {item.mlID, item.mlParentProjectID};
    }
}

// The objects as a new SAFEARRAY of VARIANTs (VT_DISPATCH), in order.
HRESULT ToObjectArray(const std::vector<CComPtr<IItmObject>>& objects, SAFEARRAY** array) {
    com::OwnedSafeArray made(SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(objects.size())));
    if (!made) return E_OUTOFMEMORY;
    for (LONG i = 0; i < static_cast<LONG>(objects.size()); ++i) {
        VARIANT element;
        VariantInit(&element);
        element.vt = VT_DISPATCH;
        element.pdispVal = objects[static_cast<size_t>(i)];
        if (HRESULT hr = SafeArrayPutElement(made.get(), &i, &element); FAILED(hr)) return hr;  // copies (AddRef)
    }
    *array = made.release();
    return S_OK;
}

}  // namespace

HRESULT CProxyOxnInterface::ChangeState(SAFEARRAY* items, BSTR transitionName, SAFEARRAY** changedItems) {
    return ChangeState2(items, transitionName, false, changedItems);
}

HRESULT CProxyOxnInterface::ChangeState2(SAFEARRAY* items, BSTR transitionName, bool revoke, SAFEARRAY** changedItems) {
    if (!mpoVault) return E_OXN_NOT_INITIALIZED;
    if (!items) return E_OXN_NULL_VALUE;
    if (glOxnItemCount(items) == 0) return E_OXN_CANCELLED_BY_USER;
    CComPtr<IOxnBatchChangeState> change;
    if (HRESULT hr = ghCreateOxnUtility(mpoVault, kUtilityBatchChangeState, IOxnBatchChangeState::kIid,
                                        reinterpret_cast<void**>(&change));
        FAILED(hr))
        return hr;
    std::vector<OxnBatchItem> read;
    if (HRESULT hr = ghReadOxnBatchItems(items, &read); FAILED(hr)) return hr;

    gvCheckOxnCall(change->SetOption(0, 1), change);
    KeptItems kept;
    for (const OxnBatchItem& item : read) {
        const OxnFileAndFolder target = ChangeStateTarget(item);
        gvCheckOxnCall(change->AddFile(target.mlFileID, target.mlFolderID), change);
        if (changedItems) kept.insert_or_assign({target.mlFileID, target.mlFolderID}, item.mpoObject);
    }
    VARIANT_BOOL found = VARIANT_FALSE;
    if (revoke) {
        CComPtr<IOxnBatchChangeState2> extension;
        if (FAILED(change->QueryInterface(IOxnBatchChangeState2::kIid, reinterpret_cast<void**>(&extension))) ||
            !extension)
            return E_OXN_NULL_VALUE;
        gvCheckOxnCall(extension->SetRevokeTransition(transitionName, &found), extension);
    } else {
        gvCheckOxnCall(change->SetTransition(transitionName, &found), change);
    }
    if (found == VARIANT_FALSE) return E_OXN_CANCELLED_BY_USER;
    const LONG parent = mlParentWnd();
    VARIANT_BOOL ok = VARIANT_FALSE;
    gvCheckOxnCall(change->ShowDialog(parent, &ok), change);
    if (ok == VARIANT_FALSE) return E_OXN_CANCELLED_BY_USER;
    gvCheckOxnCall(change->Run(parent, 0), change);
    if (!changedItems) return S_OK;

    CComPtr<IOxnResultList> changed;
    gvCheckOxnCall(change->GetResultList(kListDone, &changed), change);
    std::vector<CComPtr<IItmObject>> objects;
    HRESULT created = S_OK;
    gvWalkOxnResultList(changed, [&](BSTR path, LONG fileId, LONG folderId) {
        if (FAILED(created)) return;
        if (auto given = kept.find({fileId, folderId}); given != kept.end()) {
            objects.push_back(given->second);
            return;
        }
        CComPtr<IItmObject> object;
        created = mhCreateChangedItem(path, fileId, folderId, &object);
        if (SUCCEEDED(created)) objects.push_back(object);
    });
    if (FAILED(created)) return created;
    if (objects.empty()) return S_OK;
    return ToObjectArray(objects, changedItems);
}

HRESULT CProxyOxnInterface::mhCreateChangedItem(BSTR path, LONG fileId, LONG folderId, IItmObject** object) {
    if (!mpoClientBackEnd) return E_OXN_NOT_INITIALIZED;
    ItmObjectData record;
    if (HRESULT hr = ghInitItmObjectData(&record, nullptr); FAILED(hr)) return hr;
    record.mlParentObjectID = folderId;
    record.meParentDocType = ItmObjectType_ItemFolder;
    record.meObjectType = ItmObjectType_Item;
    record.meLinkType = LinkType_BOM;
    record.meLinkOperation = LinkOp_None;
    record.mlObjectID = fileId;
    record.mlParentProjectID = folderId;
    const std::u16string_view name = goFileNamePart(com::BstrView(path));
    record.moFilename = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
    record.mlConfigID = -1;
    record.mbIsUpToDate = 1;
    HRESULT hr = record.moFilename ? mpoClientBackEnd->mhCreateItmObject(&record, object, mpoCacheFile, nullptr,
                                                                         mpoClientBackEnd->mpoGetClient())
                                   : E_OUTOFMEMORY;
    gvFreeItmObjectData(&record);
    return hr;
}

HRESULT CProxyOxnInterface::Delete(VARIANT_BOOL destroy, SAFEARRAY* items, IItmManager*) {
    if (!mpoVault) return E_OXN_NOT_INITIALIZED;
    if (!items) return E_OXN_NULL_VALUE;
    if (glOxnItemCount(items) == 0) return E_OXN_CANCELLED_BY_USER;
    CComPtr<IOxnBatchDelete> remove;
    if (HRESULT hr =
            ghCreateOxnUtility(mpoVault, kUtilityBatchDelete, IOxnBatchDelete::kIid, reinterpret_cast<void**>(&remove));
        FAILED(hr))
        return hr;
    std::vector<OxnBatchItem> read;
    if (HRESULT hr = ghReadOxnBatchItems(items, &read); FAILED(hr)) return hr;

    CComPtr<IOxnBatchDeleteSource> source;
    if (SUCCEEDED(remove->QueryInterface(IOxnBatchDeleteSource::kIid, reinterpret_cast<void**>(&source))) && source)
        gvCheckOxnCall(source->SetSource(0, mlViewServerID), source);
    for (const OxnBatchItem& item : read) {
        switch (item.meType) {
        case ItmObjectType_Vault:
        case ItmObjectType_ItemFolder: {
            VARIANT folder;
            VariantInit(&folder);
            folder.vt = VT_I4;
            folder.lVal = item.mlID;
            gvCheckOxnCall(remove->AddFolder(folder), remove);
            break;
        }
        case ItmObjectType_Item:
        case ItmObjectType_BOM:
            gvCheckOxnCall(remove->AddFile(item.mlID, item.mlParentProjectID), remove);
            break;
        default:
            break;  // the root folder and files are not the explorer's to delete
        }
    }
    gvCheckOxnCall(remove->SetDestroy(destroy, 0), remove);
    const LONG parent = mlParentWnd();
    VARIANT_BOOL ok = VARIANT_FALSE;
    gvCheckOxnCall(remove->ShowDialog(parent, &ok), remove);
    if (ok == VARIANT_FALSE) return E_OXN_CANCELLED_BY_USER;
    VARIANT_BOOL succeeded = VARIANT_FALSE;
    gvCheckOxnCall(remove->Run(parent, 0, &succeeded), remove);
    // A refused part is shown here; the explorer's refresh that follows
    // shows what remains, so the operation itself answers S_OK.
    if (succeeded == VARIANT_FALSE) gvCheckOxnCall(remove->ShowErrors(parent), remove);
    return S_OK;
}
