#include "item_helpers.h"

#include "explorer/data/com_error_raising.h"

#include "common/error_codes.h"

#include "bellquist/ids.h"
#include "com/bstr.h"
#include "com/ccom_ptr.h"
#include "com/error_info.h"
#include "com/owned_safearray.h"
#include "com/safearray.h"
#include "com/variant.h"

#include <string>

using namespace BellquistLib;

namespace {

// The configuration of a file or BOM through its own interface.
template <class I>
LONG ReadConfigID(IItmObject* item) {
    CComPtr<I> typed;
    HRESULT hr = item->QueryInterface(com::uuidof<I>(), reinterpret_cast<void**>(&typed));
    if (FAILED(hr) || !typed) _com_issue_errorex(FAILED(hr) ? hr : E_NOINTERFACE, item, com::uuidof<I>());
    LONG config = -1;
    gvCheckCall(typed->get_ConfigID(&config), typed.GetInterfacePtr());
    return config;
}

// Fills a new item array from `count` items that `itemAt` hands out (null
// stops the filling).
template <class ItemAt>
HRESULT FillItemArray(size_t count, ItemAt itemAt, SAFEARRAY** out) {
    if (!out) return E_OXN_NULL_VALUE;
    *out = nullptr;
    if (count == 0) return E_OXN_NULL_VALUE;
    // The item class id as the extra argument, as the item server expects;
    // a VARIANT array does not read it.
    GUID itemClass = CLSID_ItmObject;
    com::OwnedSafeArray array(SafeArrayCreateVectorEx(VT_VARIANT, 0, static_cast<ULONG>(count), &itemClass));
    if (!array) return E_OUTOFMEMORY;
    for (size_t i = 0; i < count; ++i) {
        IItmObject* item = itemAt(i);
        if (!item) return E_OXN_NULL_VALUE;
        VARIANT element;
        VariantInit(&element);
        element.vt = VT_DISPATCH;
        element.pdispVal = item;  // SafeArrayPutElement takes its own reference
        LONG index = static_cast<LONG>(i);
        if (FAILED(SafeArrayPutElement(array.get(), &index, &element))) return E_OXN_NULL_VALUE;
    }
    *out = array.release();
    return S_OK;
}

}  // namespace

HRESULT ReadObjectIdentity(IItmObject* item, CacheObjKey& key) {
    if (!item) return E_POINTER;
    ItmObjectType type = ItmObjectType_Undefined;
    gvCheckCall(item->get_Type(&type), item);
    LONG id = 0;
    gvCheckCall(item->get_ID(&id), item);
    LONG config = -1;
    if (type == ItmObjectType_File) {
        config = ReadConfigID<IItmFile>(item);
    } else if (type == ItmObjectType_BOM) {
        config = ReadConfigID<IItmBOM>(item);
    }
    key = CacheObjKey{type, id, config};
    return S_OK;
}

HRESULT MakeCacheObj(IItmObject* item, CCache* cache, RefPtr<CCacheObj>& out) {
    out = nullptr;
    if (!item || !cache) return E_POINTER;
    BSTR name = nullptr;
    LONG id = 0;
    ItmObjectType type = ItmObjectType_Undefined;
    // The item's own description of a failed read does not describe
    // E_ITEM_INVALID_OBJECT: it is dropped.
    if (FAILED(item->get_Name(&name))) {
        SetErrorInfo(0, nullptr);
        return E_ITEM_INVALID_OBJECT;
    }
    std::u16string text(name ? name : u"", name ? SysStringLen(name) : 0);
    SysFreeString(name);
    if (FAILED(item->get_ID(&id)) || FAILED(item->get_Type(&type))) {
        SetErrorInfo(0, nullptr);
        return E_ITEM_INVALID_OBJECT;
    }
    RefPtr<CCacheObjInner> inner(new CCacheObjInner(cache, type, id, item, std::move(text)));
    out = RefPtr<CCacheObj>(new CCacheObj(inner));
    return S_OK;
}

bool MatchesObjectTypeMask(const RefPtr<CCacheObj>& object, LONG mask) {
    if (!object || !object->moInner) return false;
    if (mask & kTypeMaskAny) return true;
    switch (object->moInner->meType) {
    case ItmObjectType_Vault:
    case ItmObjectType_ItemFolder:
        return (mask & kTypeMaskFolder) != 0;
    case ItmObjectType_Item:
        return (mask & kTypeMaskItem) != 0;
    case ItmObjectType_File:
        return (mask & kTypeMaskFile) != 0;
    case ItmObjectType_BOM:
        return (mask & kTypeMaskBom) != 0;
    default:
        return false;
    }
}

HRESULT CacheObjsToSafeArray(const std::vector<RefPtr<CCacheObj>>& objects, SAFEARRAY** out) {
    return FillItemArray(
        objects.size(),
        [&](size_t i) -> IItmObject* {
            const RefPtr<CCacheObj>& object = objects[i];
            return object && object->moInner ? object->moInner->mpoItem.GetInterfacePtr() : nullptr;
        },
        out);
}

HRESULT ItemsToSafeArray(const std::vector<IItmObject*>& items, SAFEARRAY** out) {
    return FillItemArray(
        items.size(), [&](size_t i) { return items[i]; }, out);
}

LONG glGetNodeChildState(const RefPtr<CCacheObj>& object) {
    if (!object || !object->moInner || !object->moInner->mpoItem) return kChildStateNone;
    CComPtr<IItmLinkManager> links;
    if (FAILED(object->moInner->mpoItem->get_LinkManager(&links)) || !links) {
        SetErrorInfo(0, nullptr);  // an object without links is not an error here
        return kChildStateNone;
    }
    ItmObjectType type = ItmObjectType_Undefined;
    LONG id = 0, config = 0;
    HRESULT hr = links->GetFirstChildID(&type, &id, &config);
    gvCheckCall(hr, links.GetInterfacePtr());
    if (hr != S_FALSE) return kChildStateLoaded;
    VARIANT_BOOL unloaded = VARIANT_FALSE;
    gvCheckCall(links->HasUnloadedChildren(&unloaded), links.GetInterfacePtr());
    return unloaded != VARIANT_FALSE ? kChildStateUnloaded : kChildStateNone;
}
