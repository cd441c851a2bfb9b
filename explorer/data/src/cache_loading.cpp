// Loading fetched objects into the cache: one object at a time, the arrays
// of a folder listing, a version refresh or a link from file paths, and the
// cache's side of a move. The cache keeps one IItmObject per object: a fresh
// instance of an object already cached is taken into the cached one, or the
// cached record takes the fresh instance, so every holder sees the change.
#include "explorer/data/cache.h"

#include "explorer/data/com_error_raising.h"

#include "item_array_objects.h"
#include "item_helpers.h"

#include "com/bstr.h"
#include "com/bstr_t.h"

#include <algorithm>
#include <string>

using namespace BellquistLib;

HRESULT CCache::mhAddObject(IItmObject* item, bool replace, bool keepCached, RefPtr<CCacheObj>* out) {
    if (!item) return E_INVALIDARG;
    RefPtr<CCacheObj> made;
    if (HRESULT hr = MakeCacheObj(item, this, made); FAILED(hr)) return hr;
    if (made->moInner->meType == ItmObjectType_Root_ItemFolder) {
        if (out) *out = made;
        return S_OK;
    }
    CacheObjKey key{};
    if (HRESULT hr = ReadObjectIdentity(item, key); FAILED(hr)) return hr;

    RefPtr<CCacheObjInner> cached;
    if (auto found = moObjects.find(key); found == moObjects.end()) {
        mvInsert(key, made);
        if (replace || made->moInner->meType == ItmObjectType_BOM) made->moInner->mbComplete = 1;
        cached = made->moInner;
    } else {
        cached = found->second;
        if (!keepCached) {
            if (replace) {
                cached->mvSetItem(item);
                cached->mbComplete = 1;
            } else if (!cached->mbComplete) {
                cached->mvSetItem(item);
            }
            mvLinkObject(cached);
        }
    }
    // The holder gets the cache's own folder occurrence, so that it shares
    // the cache's record; only an object that has none (its folder could not
    // be read) is handed out in the record just made.
    if (out) {
        RefPtr<CCacheObj> occurrence;
        *out = mbFindOccurrence(cached, occurrence) ? occurrence : made;
    }
    return S_OK;
}

HRESULT CCache::mhAddObjects(SAFEARRAY* items) {
    if (!items) return E_INVALIDARG;
    ItemArrayObjects objects(items);
    for (LONG i = 0, count = objects.Count(); i < count; ++i) {
        CComPtr<IItmObject> object = objects.ObjectAt(i);
        if (!object) return E_INVALIDARG;
        if (HRESULT hr = mhAddObject(object, false, false, nullptr); FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT CCache::mhRefreshObjects(SAFEARRAY* items, std::vector<RefPtr<CCacheObj>>& out) {
    if (!items) return E_INVALIDARG;
    ItemArrayObjects objects(items);
    for (LONG i = 0, count = objects.Count(); i < count; ++i) {
        CComPtr<IItmObject> object = objects.ObjectAt(i);
        if (!object) return E_INVALIDARG;
        RefPtr<CCacheObj> occurrence;
        if (HRESULT hr = mhAddObject(object, false, true, &occurrence); FAILED(hr)) return hr;
        out.push_back(std::move(occurrence));
    }
    return S_OK;
}

HRESULT CCache::mhAddOrUpdateObjects(SAFEARRAY* items, std::vector<RefPtr<CCacheObj>>* out) {
    if (!items) return E_INVALIDARG;
    ItemArrayObjects objects(items);
    for (LONG i = 0, count = objects.Count(); i < count; ++i) {
        CComPtr<IItmObject> object = objects.ObjectAt(i);
        if (!object) return E_INVALIDARG;
        ItmObjectType type{};
        if (HRESULT hr = object->get_Type(&type); FAILED(hr)) return hr;
        if (type == ItmObjectType_Item) {
            CacheObjKey key{};
            if (HRESULT hr = ReadObjectIdentity(object, key); FAILED(hr)) return hr;
            RefPtr<CCacheObj> cached;
            if (mbFindObject(key, cached) && cached->moInner->mpoItem &&
                cached->moInner->mpoItem.GetInterfacePtr() != object.GetInterfacePtr()) {
                // The cached instance takes the returned data and stands for
                // the object from here on.
                CComPtr<IItmObject> cachedItem = cached->moInner->mpoItem;
                gvCheckCall(cachedItem->Swap(object, VARIANT_TRUE), cachedItem);
                object = cachedItem;
            }
        }
        RefPtr<CCacheObj> occurrence;
        if (HRESULT hr = mhAddObject(object, true, false, &occurrence); FAILED(hr)) return hr;
        if (out) out->push_back(std::move(occurrence));
    }
    return S_OK;
}

void CCache::mvAfterMove(SAFEARRAY* movedItems) {
    if (!movedItems) return;
    ItemArrayObjects objects(movedItems);
    for (LONG i = 0, count = objects.Count(); i < count; ++i) {
        CComPtr<IItmObject> object = objects.ObjectAt(i);
        if (!object) continue;
        CacheObjKey key{};
        if (FAILED(ReadObjectIdentity(object, key))) continue;
        auto found = moObjects.find(key);
        if (found == moObjects.end()) continue;
        RefPtr<CCacheObjInner> inner = found->second;
        mvMoveBomChildren(inner);
        mvLinkObject(inner);
    }
}

void CCache::mvMoveBomChildren(const RefPtr<CCacheObjInner>& inner) {
    std::vector<CacheObjKey> children;
    if (GetChildKeys(inner, children) != S_OK) return;
    IItmObject* item = inner->mpoItem;
    bool havePath = false;
    _bstr_t folderPath;
    for (const CacheObjKey& key : children) {
        if (key.meObjectType != ItmObjectType_BOM) continue;
        auto found = moObjects.find(key);
        if (found == moObjects.end() || !found->second->mpoItem) continue;
        // A BOM whose call fails is left as it is (its remaining steps are
        // skipped); the next BOM is still moved.
        try {
            IItmObject* bom = found->second->mpoItem;
            if (!havePath) {
                _bstr_t path;
                gvCheckCall(item->get_Path(path.GetAddress()), item);
                const std::u16string text = com::BstrText(path);
                folderPath = _bstr_t(text.substr(0, std::min(text.size(), text.rfind(u'\\'))).c_str());
                havePath = true;
            }
            LONG oldFolder = -1, newFolder = -1;
            gvCheckCall(bom->get_ParentProjectID(&oldFolder), bom);
            gvCheckCall(item->get_ParentProjectID(&newFolder), item);
            CComQIPtr<IItmBOM> bomObject(bom);
            if (!bomObject) _com_issue_error(E_NOINTERFACE);
            gvCheckCall(bomObject->put_ParentProjectID(newFolder), bomObject);
            if (oldFolder != -1) {
                gvCheckCall(bom->SetPathPartOnly(folderPath), bom);
                // The occurrence moves to the new folder's key (nothing to do
                // when the folder stayed the same).
                if (oldFolder != newFolder) mhRekeyUnderFolder(key, oldFolder, newFolder);
            }
        } catch (const _com_error&) {}
    }
}
