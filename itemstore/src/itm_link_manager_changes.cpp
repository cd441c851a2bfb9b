// CItmLinkManager: adding and removing links, in the table and through to the
// owner's item cache.
#include "itemstore/itm_link_manager.h"

#include "itm_object_variant.h"
#include "owner_cache.h"

#include "itemstore/itm_object_records.h"
#include "common/error_codes.h"
#include "itm_link_rules.h"

#include "common/record_array.h"
#include "com/method_boundary.h"
#include "com/task_memory.h"

#include <vector>

using namespace BellquistLib;

namespace {

// The identity of `object` through its GetUniqueID.
HRESULT UniqueIDOf(IItmObject* object, ItmUniqueID* id) {
    ItmUniqueID* made = nullptr;
    HRESULT hr = object->GetUniqueID(&made);
    if (FAILED(hr)) return hr;
    if (!made) return E_OXN_NULL_VALUE;
    *id = *made;
    CoTaskMemFree(made);
    return S_OK;
}

}  // namespace

HRESULT CItmLinkManager::mhWithoutCacheFile() const {
    return moCurrent.moOwner.meObjectType == ItmObjectType_Item ? E_ITEM_INVALID_OBJECT : S_OK;
}

HRESULT CItmLinkManager::AddLink(ItmLink* link) {
    if (!link) return E_OXN_NULL_VALUE;
    if (link->meLinkOperation != LinkOp_None && link->meLinkOperation != LinkOp_New)
        return E_ITEM_INVALID_LINK_OPERATION;
    if (link->meLinkType == LinkType_Files) return S_OK;  // the files of an item are not kept as links
    HRESULT hr = ghCheckLink(moCurrent, *link);
    if (FAILED(hr)) return hr;
    return moCurrent.mhInsertLink(*link);
}

HRESULT CItmLinkManager::AddLink2(IItmObject* object, ItmLinkOperation operation) {
    if (!object) return E_OXN_NULL_VALUE;
    ItmLink link{};
    HRESULT hr = ghMakeItmLink(object, operation, &link);
    if (SUCCEEDED(hr)) hr = AddLink(&link);
    if (FAILED(hr)) return hr;
    if (!mpoCacheFile) return mhWithoutCacheFile();
    RefPtr<ChildWithLink> record = goMakeChildWithLink(object, false);
    if (!record) return S_OK;  // an object whose properties cannot be read is not written
    OwnerCache cache = mhOwnerCache(kCacheLockWrite);
    hr = cache.mhWriteItem(record);
    if (FAILED(hr)) return hr;
    return cache.mhTouchItem(moCurrent.moOwnerName);
}

HRESULT CItmLinkManager::mhCheckLinks(std::span<const ItmLink> links) const {
    int dynamicLinks = 0;
    for (const ItmLink& link : links) {
        if (link.meLinkOperation != LinkOp_None && link.meLinkOperation != LinkOp_New &&
            link.meLinkOperation != LinkOp_Switch) {
            return E_ITEM_INVALID_LINK_OPERATION;
        }
        HRESULT hr = ghCheckLink(moCurrent, link);
        if (FAILED(hr)) return hr;
        if (link.meLinkType == LinkType_Dynamic && ++dynamicLinks > 1) return E_ITEM_MANY_DYN_LINKS;
    }
    return S_OK;
}

HRESULT CItmLinkManager::mhInsertLinks(std::span<const ItmLink> links) {
    HRESULT result = S_OK;
    for (const ItmLink& link : links) {
        HRESULT hr = moCurrent.mhInsertLink(link);
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    return result;
}

HRESULT CItmLinkManager::AddLinks(SAFEARRAY* links) {
    if (!links) return E_OXN_NULL_VALUE;
    return com::Boundary([&] {
        RecordArray<ItmLink> array(links);
        const std::span<const ItmLink> all(array.mpoBegin(), array.mpoEnd());
        HRESULT hr = mhCheckLinks(all);
        if (FAILED(hr)) return hr;
        return mhInsertLinks(all);
    });
}

HRESULT CItmLinkManager::AddLinks2(SAFEARRAY* objects, ItmLinkOperation operation) {
    if (!objects) return E_OXN_NULL_VALUE;
    return com::Boundary([&] {
        RecordArray<VARIANT> array(objects);
        if (array.mlGetCount() == 0) return S_OK;
        std::vector<CComPtr<IItmObject>> items;
        std::vector<ItmLink> links;
        for (const VARIANT* value = array.mpoBegin(); value != array.mpoEnd(); ++value) {
            CComPtr<IItmObject> object;
            HRESULT hr = ghItmObjectOf(*value, object);
            ItmLink link{};
            if (SUCCEEDED(hr)) hr = ghMakeItmLink(object, operation, &link);
            if (FAILED(hr)) return hr;
            items.push_back(object);
            links.push_back(link);
        }
        HRESULT hr = mhCheckLinks(links);
        if (SUCCEEDED(hr)) hr = mhInsertLinks(links);
        if (hr != S_OK) return hr;
        if (!mpoCacheFile) return mhWithoutCacheFile();

        // The cache gets the links as the table got them: the given
        // operation replaces the object's own, as it did for the table.
        ChildList children;
        for (size_t i = 0; i < items.size(); ++i) {
            RefPtr<ChildWithLink> child = goMakeChildWithLink(items[i], true);
            if (!child) continue;  // an object whose properties cannot be read is skipped
            child->meLinkType = child->meInitialLinkType = links[i].meLinkType;
            child->meLinkOperation = child->meInitialLinkOperation = links[i].meLinkOperation;
            children.push_back(child);
        }
        if (children.empty()) return S_OK;
        OwnerCache cache = mhOwnerCache(kCacheLockWrite);
        hr = cache.mhAddChildren(moCurrent.moOwnerName, children);
        if (FAILED(hr)) return hr;
        return cache.mhTouchItem(moCurrent.moOwnerName);
    });
}

HRESULT CItmLinkManager::mhCheckRemoval(const ItmUniqueID& id) {
    if (id.meObjectType == ItmObjectType_Undefined || id.meObjectType == ItmObjectType_Vault)
        return E_ITEM_INVALID_ITEM_TYPE;
    if (id.mlObjectID < 0) return E_ITEM_INVALID_OBJECT;
    return S_OK;
}

HRESULT CItmLinkManager::RemoveLink(ItmUniqueID* id) {
    if (moCurrent.moLinks.empty()) return S_OK;
    if (!id) return E_INVALIDARG;
    HRESULT hr = mhCheckRemoval(*id);
    if (FAILED(hr)) return hr;
    return moCurrent.mbRemoveLink(goMakeTableKey(id->meObjectType, id->mlObjectID, id->mlConfigID)) ? S_OK : S_FALSE;
}

HRESULT CItmLinkManager::RemoveLink2(IItmObject* object) {
    if (moCurrent.moLinks.empty()) return S_OK;
    if (!object) return E_INVALIDARG;
    ItmUniqueID id{};
    HRESULT hr = UniqueIDOf(object, &id);
    if (SUCCEEDED(hr)) hr = mhCheckRemoval(id);
    if (FAILED(hr)) return hr;
    moCurrent.mbRemoveLink(goMakeTableKey(id.meObjectType, id.mlObjectID, id.mlConfigID));
    if (!mpoCacheFile) return S_OK;
    RefPtr<ChildWithLink> record = goMakeChildWithLink(object, true);
    if (!record) return S_OK;
    OwnerCache cache = mhOwnerCache(kCacheLockWrite);
    hr = cache.mhEraseChildren(moCurrent.moOwnerName, {record});
    if (FAILED(hr)) return hr;
    return cache.mhTouchItem(moCurrent.moOwnerName);
}

HRESULT CItmLinkManager::mhRemoveLinks(std::span<const ItmUniqueID> ids) {
    if (moCurrent.moLinks.empty()) return S_OK;
    for (const ItmUniqueID& id : ids) {
        HRESULT hr = mhCheckRemoval(id);
        if (FAILED(hr)) return hr;
        moCurrent.mbRemoveLink(goMakeTableKey(id.meObjectType, id.mlObjectID, id.mlConfigID));
    }
    return S_OK;
}

HRESULT CItmLinkManager::RemoveLinks(SAFEARRAY* ids) {
    if (!ids) return E_INVALIDARG;
    if (moCurrent.moLinks.empty()) return S_OK;
    return com::Boundary([&] {
        RecordArray<ItmUniqueID> array(ids);
        return mhRemoveLinks(std::span<const ItmUniqueID>(array.mpoBegin(), array.mpoEnd()));
    });
}

HRESULT CItmLinkManager::RemoveLinks2(SAFEARRAY* objects) {
    if (!objects) return E_INVALIDARG;
    return com::Boundary([&] {
        RecordArray<VARIANT> array(objects);
        if (array.mlGetCount() == 0) return S_OK;
        std::vector<ItmUniqueID> ids;
        ChildList children;
        for (const VARIANT* value = array.mpoBegin(); value != array.mpoEnd(); ++value) {
            CComPtr<IItmObject> object;
            HRESULT hr = ghItmObjectOf(*value, object);
            ItmUniqueID id{};
            if (SUCCEEDED(hr)) hr = UniqueIDOf(object, &id);
            if (FAILED(hr)) return hr;
            ids.push_back(id);
            if (RefPtr<ChildWithLink> child = goMakeChildWithLink(object, true)) children.push_back(child);
        }
        HRESULT hr = mhRemoveLinks(ids);
        if (FAILED(hr)) return hr;
        if (!mpoCacheFile || children.empty()) return S_OK;
        OwnerCache cache = mhOwnerCache(kCacheLockWrite);
        hr = cache.mhRemoveChildren(moCurrent.moOwnerName, children, LinkOp_Remove);
        if (FAILED(hr)) return hr;
        cache.mhTouchItem(moCurrent.moOwnerName);  // the marks are what counts
        return S_OK;
    });
}
