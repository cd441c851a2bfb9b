#include "explorer/data/item_data_loading.h"

#include "explorer/data/cache.h"
#include "explorer/data/com_error_raising.h"
#include "explorer/data/item_path_iterator.h"
#include "explorer/data/refresh.h"
#include "explorer/data/vault_node.h"

#include "item_array_objects.h"
#include "item_helpers.h"

#include "common/record_array.h"

#include "com/owned_safearray.h"
#include "com/safearray.h"
#include "com/variant.h"

using BellquistLib::IItmLinkManager;
using BellquistLib::IItmManager;
using BellquistLib::IItmObject;
using BellquistLib::ItmUniqueID;

HRESULT ExpandCacheObject(const RefPtr<CVaultNode>& vault, const RefPtr<CTreeNode>& node, CCache* cache,
                          std::vector<RefPtr<CCacheObj>>& linked) {
    if (!node || !node->moCacheObj || !node->moCacheObj->moInner || !node->moCacheObj->moInner->mpoItem)
        return E_POINTER;
    if (!cache || !vault || !vault->mpoItmManager) return E_POINTER;
    // The call's own references: a vault reset in a modal loop of the item
    // server drops the node's, not these.
    const CComPtr<IItmManager> manager = vault->mpoItmManager;
    const RefPtr<CCacheObj> object = node->moCacheObj;
    const RefPtr<CCacheObjInner> inner = object->moInner;

    SAFEARRAY* fetched = nullptr;
    bool withParent = true;
    if (inner->meType == BellquistLib::ItmObjectType_ItemFolder) {
        // The folder goes in and may come back as another instance; the
        // cache keeps its own.
        IItmObject* folder = inner->mpoItem;
        folder->AddRef();
        const HRESULT hr = manager->EnumItemFolder(&folder, &fetched);
        CComPtr<IItmObject> returned;
        returned.Attach(folder);
        com::OwnedSafeArray listed(fetched);
        gvCheckCall(hr, manager);
        fetched = listed.release();
        inner->mbEnumerated = 1;
        withParent = false;
    } else {
        const HRESULT hr = BatchGetObjectTree(manager, inner->mpoItem, &fetched);
        com::OwnedSafeArray trees(fetched);
        if (FAILED(hr)) return hr;
        fetched = trees.release();
    }
    const com::OwnedSafeArray trees(fetched);
    if (trees) {
        if (HRESULT hr = cache->mhAddTrees(trees.get(), withParent, &object); FAILED(hr)) return hr;
    }
    if (HRESULT hr = LoadItemLinks(node, cache, linked); FAILED(hr)) return hr;
    return S_OK;
}

HRESULT LoadItemLinks(const RefPtr<CTreeNode>& node, CCache* cache, std::vector<RefPtr<CCacheObj>>& linked) {
    if (!cache || !node || !node->moCacheObj || !node->moCacheObj->moInner || !node->moCacheObj->moInner->mpoItem)
        return E_POINTER;
    const RefPtr<CCacheObj> object = node->moCacheObj;
    const CComPtr<IItmObject> item = object->moInner->mpoItem;
    BellquistLib::ItmObjectType type = BellquistLib::ItmObjectType_Undefined;
    if (HRESULT hr = item->get_Type(&type); FAILED(hr)) return hr;
    if (type == BellquistLib::ItmObjectType_File || type == BellquistLib::ItmObjectType_BOM) return S_FALSE;
    CComPtr<IItmLinkManager> links;
    if (HRESULT hr = item->get_LinkManager(&links); FAILED(hr)) return hr;
    std::vector<CComPtr<IItmObject>> objects;
    if (HRESULT hr = GetLinkedObjects(links, cache, objects); FAILED(hr)) return hr;
    return FindLinkOccurrences(objects, cache, object, linked);
}

HRESULT GetLinkedObjects(IItmLinkManager* links, CCache* cache, std::vector<CComPtr<IItmObject>>& objects) {
    if (!links || !cache) return E_POINTER;
    SAFEARRAY* got = nullptr;
    const HRESULT hr = links->GetLinksID(&got);
    const com::OwnedSafeArray owned(got);  // destroyed on every path
    gvCheckCall(hr, links);
    if (!owned) return S_OK;  // no links
    RecordArray<ItmUniqueID> ids(owned.get());
    for (const ItmUniqueID* id = ids.mpoBegin(); id != ids.mpoEnd(); ++id) {
        RefPtr<CCacheObj> found;
        if (cache->mbFindObject(CacheObjKey{id->meObjectType, id->mlObjectID, id->mlConfigID}, found) &&
            found->moInner && found->moInner->mpoItem)
            objects.push_back(found->moInner->mpoItem);
    }
    return S_OK;
}

HRESULT FindLinkOccurrences(const std::vector<CComPtr<IItmObject>>& objects, CCache* cache,
                            const RefPtr<CCacheObj>& parent, std::vector<RefPtr<CCacheObj>>& occurrences) {
    if (!cache) return E_POINTER;
    for (const CComPtr<IItmObject>& object : objects) {
        RefPtr<CCacheObj> found;
        if (cache->mbFindLink(parent, object, found)) occurrences.push_back(std::move(found));
    }
    return S_OK;
}

HRESULT BatchGetObjectTree(IItmManager* manager, IItmObject* item, SAFEARRAY** trees) {
    if (!trees) return E_POINTER;
    *trees = nullptr;
    if (!manager || !item) return E_POINTER;
    SAFEARRAY* made = nullptr;
    if (HRESULT hr = ItemsToSafeArray({item}, &made); FAILED(hr)) return hr;
    const com::OwnedSafeArray request(made);
    BellquistLib::ItmObjectType type = BellquistLib::ItmObjectType_Undefined;
    if (HRESULT hr = item->get_Type(&type); FAILED(hr)) return hr;
    // A vault or folder one level down (its children, not theirs); an item's
    // whole tree.
    const bool folder = type == BellquistLib::ItmObjectType_Vault || type == BellquistLib::ItmObjectType_ItemFolder;
    const LONG flags = folder ? BellquistLib::Bgtf_Recursive : 0;
    const LONG levels = folder ? 1 : -1;
    return manager->BatchGetTrees(request.get(), flags, levels, trees, nullptr);
}

HRESULT FindInItemArray(SAFEARRAY* items, IItmObject* item, SAFEARRAY** found) {
    if (!found) return E_POINTER;
    *found = nullptr;
    if (!items || !item) return E_POINTER;
    CacheObjKey wanted{};
    if (HRESULT hr = ReadObjectIdentity(item, wanted); FAILED(hr)) return hr;
    ItemArrayObjects elements(items);
    for (LONG i = 0; i < elements.Count(); ++i) {
        const CComPtr<IItmObject> element = elements.ObjectAt(i);
        if (!element) continue;
        CacheObjKey key{};
        if (FAILED(ReadObjectIdentity(element, key)) || !(key == wanted)) continue;
        return ItemsToSafeArray({item}, found);
    }
    return S_FALSE;
}

namespace {

// The child state a row of `occurrence` starts with: a child without any
// children of its own still counts as having unloaded ones while its own
// data and links are not loaded.
LONG ChildStateOf(const RefPtr<CCacheObj>& occurrence) {
    const LONG state = glGetNodeChildState(occurrence);
    return state == kChildStateNone && !occurrence->moInner->mbComplete ? kChildStateUnloaded : state;
}

LONG ParentProjectIdOf(const RefPtr<CCacheObj>& occurrence) {
    LONG id = -1;
    if (!occurrence->moInner->mpoItem || FAILED(occurrence->moInner->mpoItem->get_ParentProjectID(&id))) return -1;
    return id;
}

}  // namespace

void PresentObjectChange(RefreshNs::RefreshItemI& receiver, CCache* cache, const ObjectChange& change) {
    if (!cache) return;
    RefPtr<CCacheObj> object;
    if (!cache->mbFindObject(change.moObject, object)) return;
    ItemPathIterator record;
    record.Init(cache, object);
    // Each path the receiver shows the object at gets the changes; a path it
    // does not show (0) is passed over; any other answer ends the walk.
    while (record.ForEach(receiver) == 1) {
        for (const ChildChange& child : change.moChildren) PresentChildChange(receiver, cache, child, record.moPath);
        receiver.mvEndObject(record, 0);
    }
}

void PresentChildChange(RefreshNs::RefreshItemI& receiver, CCache* cache, const ChildChange& change,
                        const CString& parentPath) {
    if (!cache) return;
    RefPtr<CCacheObj> child;
    if (change.meKind == ChildChange::kChildrenChanged) {
        if (!cache->mbFindObject(change.moChild, child)) return;
    } else {
        const CacheLinkKey key{NormalizeLinkKeyType(change.moChild.meObjectType),
                               NormalizeLinkKeyType(change.meParentType), change.mlParentID, change.moChild.mlObjectID,
                               change.moChild.mlConfigID};
        if (!cache->mbFindByLinkKey(key, child)) return;
    }
    if (!child->moInner) return;

    ItemPathIterator record;
    record.SetCurrentPath(parentPath);
    switch (change.meKind) {
    case ChildChange::kAdded:
        record.SetItem(child, cache, ChildStateOf(child));
        receiver.mhChildAdded(record);
        break;
    case ChildChange::kRemoved:
        record.SetRemovedChild(CString(child->moInner->moName.c_str()), child->moInner->meType, child->moInner->mlID,
                               ParentProjectIdOf(child));
        receiver.mhChildRemoved(record);
        break;
    case ChildChange::kChildrenChanged:
        record.SetItem(child, cache, ChildStateOf(child));
        receiver.mhChildrenChanged(record, RefreshNs::RefreshItemI::kChildrenReplace);
        break;
    default:
        break;
    }
}
