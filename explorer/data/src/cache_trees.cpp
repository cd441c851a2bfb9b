// Loading trees into the cache (an item with its children, a folder's
// level), bringing an item's cached children in line with its links, and
// leading a refresh step over every tree path of an item.
//
// A tree load replaces a cached object only where that loses nothing: the
// root or a directly requested object always takes the fresh instance; a
// child row does so only when the cached one is not complete and the fresh
// one is fully loaded at the cached version, so a dirty cached item, or one
// whose attached version changed, keeps its instance.
#include "explorer/data/cache.h"

#include "explorer/data/com_error_raising.h"
#include "explorer/data/item_path_iterator.h"
#include "explorer/data/refresh.h"

#include "item_array_objects.h"
#include "item_helpers.h"

#include <algorithm>

using namespace BellquistLib;

namespace {

// The passes of a tree load.
enum TreePass {
    kPassPartial = 0,   // a tree whose objects are not known to be complete
    kPassComplete = 1,  // a complete tree without a parent
    kPassParent = 2,    // the parent of a complete tree, alone
    kPassChildren = 3,  // the rest of that tree
};

}  // namespace

HRESULT CCache::mhAddTrees(SAFEARRAY* items, bool complete, const RefPtr<CCacheObj>* parent) {
    if (!items) return S_OK;
    if (!complete || !parent || !*parent) return mhAddTree(complete ? kPassComplete : kPassPartial, items, {});
    CacheObjKey parentKey{};
    if (HRESULT hr = ReadObjectIdentity((*parent)->moInner->mpoItem, parentKey); FAILED(hr)) return hr;
    HRESULT hr = mhAddTree(kPassParent, items, parentKey);
    if (FAILED(hr)) return hr;
    return mhAddTree(kPassChildren, items, parentKey);
}

HRESULT CCache::mhAddTree(int pass, SAFEARRAY* items, const CacheObjKey& parent) {
    if (!items) return E_INVALIDARG;
    ItemArrayObjects objects(items);
    for (LONG i = 0, count = objects.Count(); i < count; ++i) {
        // The item server sends only objects; anything else is refused as
        // the other array operations refuse it.
        CComPtr<IItmObject> item = objects.ObjectAt(i);
        if (!item) return E_INVALIDARG;
        CacheObjKey key{};
        if (HRESULT hr = ReadObjectIdentity(item, key); FAILED(hr)) return hr;
        const bool isParent = key == parent;
        if ((pass == kPassParent && !isParent) || (pass == kPassChildren && isParent)) continue;

        auto found = moObjects.find(key);
        if (found == moObjects.end()) {
            RefPtr<CCacheObj> made;
            if (HRESULT hr = MakeCacheObj(item, this, made); FAILED(hr)) return hr;
            mvInsert(key, made);
            bool complete = pass == kPassComplete || pass == kPassParent;
            if (pass == kPassChildren) complete = key.meObjectType == ItmObjectType_BOM || mbIsFullyLoaded(item, 0);
            if (complete) made->moInner->mbComplete = 1;
            continue;
        }
        RefPtr<CCacheObjInner> cached = found->second;
        mbLinkUnderParentItem(item);
        if (cached->mbComplete || pass == kPassPartial) continue;
        if (pass == kPassChildren && !mbIsFullyLoaded(item, cached->mlGetLocalVersion())) continue;
        cached->mvSetItem(item);
        cached->mbComplete = 1;
        mvLinkObject(cached);
    }
    return S_FALSE;
}

bool mbIsFullyLoaded(IItmObject* item, LONG cachedVersion) {
    if (!item) return false;
    if (cachedVersion != 0) {
        LONG attached = 0;
        gvCheckCall(item->get_AttachedVersion(&attached), item);
        if (attached != cachedVersion) return false;
    }
    CComPtr<IItmLinkManager> links;
    if (FAILED(item->get_LinkManager(&links)) || !links) {
        // Files and BOMs have no link manager; their failure says nothing.
        SetErrorInfo(0, nullptr);
        return false;
    }
    VARIANT_BOOL unloaded = VARIANT_FALSE;
    gvCheckCall(links->HasUnloadedChildren(&unloaded), links);
    return unloaded == VARIANT_FALSE;
}

bool CCache::mbLinkUnderParentItem(IItmObject* item) {
    if (!item) return false;
    ItmObjectType parentType{};
    gvCheckCall(item->get_ParentType(&parentType), item);
    if (parentType != ItmObjectType_Item) return false;
    LONG parentId = 0, folderId = 0;
    gvCheckCall(item->get_ParentID(&parentId), item);
    gvCheckCall(item->get_ParentProjectID(&folderId), item);
    RefPtr<CCacheObj> parent;
    if (!mbFindObject(CacheObjKey{ItmObjectType_Item, parentId, -1}, parent)) return false;
    CacheObjKey key{};
    CheckHResult(ReadObjectIdentity(item, key));
    return mbLinkChildUnderItem(folderId, parent->moInner, key);
}

HRESULT CCache::mhUpdateChildren(const RefPtr<CCacheObjInner>& item, std::vector<CacheObjKey>& previousChildren) {
    std::vector<CacheObjKey> current;
    if (HRESULT hr = GetChildKeys(item, current); FAILED(hr)) return hr;

    struct NewChild {
        CacheObjKey key;
        LONG folderId;
    };
    std::vector<NewChild> added;
    for (const CacheObjKey& key : current) {
        auto known = std::find(previousChildren.begin(), previousChildren.end(), key);
        if (known != previousChildren.end()) {
            previousChildren.erase(known);
            continue;
        }
        RefPtr<CCacheObj> child;
        if (mbFindObject(key, child)) added.push_back({key, child->mlGetParentProjectID()});
    }

    CacheObjKey itemKey{};
    if (HRESULT hr = ReadObjectIdentity(item->mpoItem, itemKey); FAILED(hr)) return hr;
    for (const CacheObjKey& gone : previousChildren) mlUnlink(itemKey, gone);
    for (const NewChild& child : added) {
        mbLinkChildUnderItem(child.folderId, item, child.key);
        mvAddParentItem(itemKey, child.key);
    }
    return S_OK;
}

void CCache::VisitItemPaths(RefreshNs::RefreshItemI* visitor, const RefPtr<CCacheObj>& item,
                            const std::vector<RefPtr<CCacheObj>>& objects, int mode) {
    if (!visitor || !item) return;
    ItemPathIterator paths;
    paths.Init(this, item);
    LONG answer;
    while ((answer = paths.ForEach(*visitor)) == 1) {
        for (const RefPtr<CCacheObj>& object : objects) {
            if (!object || !object->moInner) continue;
            ItemPathIterator record;
            record.SetCurrentPath(paths.moPath);
            if (mode == 1 || mode == 2) {
                LONG state = glGetNodeChildState(object);
                if (state == kChildStateNone && !object->moInner->mbComplete) state = kChildStateUnloaded;
                record.SetItem(object, this, state);
                visitor->mhChildAdded(record);
            } else if (mode == 3 || mode == 4) {
                const CCacheObjInner& inner = *object->moInner;
                record.SetRemovedChild(CString(inner.moName.c_str()), inner.meType, inner.mlID,
                                       object->mlGetParentProjectID());
                visitor->mhChildRemoved(record);
            }
        }
        // Every accepted path ends with its object's end, so a receiver that
        // declined this path takes part again at the next one.
        visitor->mvEndObject(paths, 0);
    }
}
