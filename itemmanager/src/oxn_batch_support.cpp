#include "oxn_batch_support.h"

#include "item_list.h"

#include "common/com_errors.h"
#include "common/error_codes.h"

#include "com/bstr_t.h"
#include "com/safearray.h"
#include "winapi/errors.h"

using namespace BellquistLib;
using namespace OxnVaultLib;

HRESULT ghReadOxnBatchItem(IItmObject* object, OxnBatchItem* read) {
    if (!object) return E_OXN_NULL_VALUE;
    read->mpoObject = object;
    if (HRESULT hr = object->get_ID(&read->mlID); FAILED(hr)) return hr;
    if (HRESULT hr = object->get_ParentProjectID(&read->mlParentProjectID); FAILED(hr)) return hr;
    return object->get_Type(&read->meType);
}

HRESULT ghReadOxnBatchItems(SAFEARRAY* items, std::vector<OxnBatchItem>* read) {
    ItemList list(items);
    read->clear();
    read->reserve(static_cast<size_t>(list.mlCount()));
    for (LONG i = 0; i < list.mlCount(); ++i) {
        OxnBatchItem item;
        if (HRESULT hr = ghReadOxnBatchItem(gpoItemOf(list[i]), &item); FAILED(hr)) return hr;
        read->push_back(std::move(item));
    }
    return S_OK;
}

OxnFileAndFolder goToOxnSelection(const OxnBatchItem& item) noexcept {
    switch (item.meType) {
    case ItmObjectType_Root_ItemFolder:
    case ItmObjectType_Vault:
    case ItmObjectType_ItemFolder:
        return {0, item.mlID};
    case ItmObjectType_Item:
    case ItmObjectType_BOM:
        return {item.mlID, item.mlParentProjectID};
    default:
        return {0, 0};
    }
}

LONG glOxnItemCount(SAFEARRAY* items) {
    LONG lower = 0;
    LONG upper = -1;
    if (HRESULT hr = SafeArrayGetLBound(items, 1, &lower); FAILED(hr))
        gvRaiseFailedCall(hr, ComErrorText::kCouldNotGetLowerBound);
    if (HRESULT hr = SafeArrayGetUBound(items, 1, &upper); FAILED(hr))
        gvRaiseFailedCall(hr, ComErrorText::kCouldNotGetUpperBound);
    return upper < lower ? 0 : upper - lower + 1;
}

HRESULT ghCreateOxnUtility(IUnknown* vault, LONG kind, REFIID iid, void** utility, CComPtr<IOxnVault11>* factory) {
    *utility = nullptr;
    CComPtr<IOxnVault11> vaultFactory;
    if (FAILED(vault->QueryInterface(IOxnVault11::kIid, reinterpret_cast<void**>(&vaultFactory))) || !vaultFactory)
        return E_OXN_NULL_VALUE;
    CComPtr<IDispatch> created;
    gvCheckOxnCall(vaultFactory->CreateUtility(kind, &created), vaultFactory);
    if (!created || FAILED(created->QueryInterface(iid, utility)) || !*utility) {
        *utility = nullptr;
        return E_OXN_NULL_VALUE;
    }
    if (factory) *factory = vaultFactory;
    return S_OK;
}

void gvWalkOxnResultList(IOxnResultList* list, const std::function<void(BSTR, LONG, LONG)>& entry) {
    if (!list) return;
    VARIANT_BOOL empty = VARIANT_FALSE;
    gvCheckOxnCall(list->IsEmpty(&empty), list);
    if (empty != VARIANT_FALSE) return;
    CComPtr<IOxnListPosition> position;
    gvCheckOxnCall(list->GetFirstPosition(&position), list);
    if (!position) return;
    for (;;) {
        VARIANT_BOOL atEnd = VARIANT_TRUE;
        gvCheckOxnCall(position->IsAtEnd(&atEnd), position);
        if (atEnd != VARIANT_FALSE) return;
        BSTR path = nullptr;
        LONG fileId = 0;
        LONG folderId = 0;
        const HRESULT hr = list->GetNext(position, &path, &fileId, &folderId);
        _bstr_t ownedPath(path, false);
        gvCheckOxnCall(hr, list);
        entry(path, fileId, folderId);
    }
}

std::u16string_view goFileNamePart(std::u16string_view path) noexcept {
    const size_t separator = path.find_last_of(u"\\/");
    return separator == std::u16string_view::npos ? path : path.substr(separator + 1);
}
