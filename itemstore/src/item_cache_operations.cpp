// Item records and children lists of the item cache file.
#include "itemstore/item_cache_file.h"

#include "cache_element_access.h"
#include "stream_io.h"

#include "common/error_codes.h"
#include "cache_errors.h"
#include "itemstore/element_names.h"
#include "record_codec.h"

#include "winapi/errors.h"

#include <new>
#include <vector>

namespace {

bool SameFileChild(const ItemObject& stored, const ItemObject& given) {
    if (stored.mlObjectID != given.mlObjectID) return false;
    // Two files of one id are different children when their configurations
    // differ; other kinds are matched by id alone.
    if (stored.meObjectType == kObjectTypeFile && given.meObjectType == kObjectTypeFile)
        return stored.mlConfigID == given.mlConfigID;
    return true;
}

bool SameLink(const ItemObject& a, const ItemObject& b) {
    return a.meLinkType == b.meLinkType && a.mlObjectID == b.mlObjectID && a.mlConfigID == b.mlConfigID &&
           a.mlAttachedVersion == b.mlAttachedVersion && a.mlParentProjectID == b.mlParentProjectID;
}

// Reads a stored list as erasing and marking do: STG_E_FILENOTFOUND (no
// list) is passed back for the caller to treat as "nothing to do".
HRESULT ReadListForChange(CStorageChain& chain, std::u16string_view name, std::u16string& element, ChildList& stored) {
    HRESULT hr = ghChildrenElementName(name, element);
    if (FAILED(hr)) return hr;
    return ghReadStoredList(chain, element, stored);
}

// Opens the stream of the element that `elementName` gives for `name`, for
// reading, and hands it to `read` while the chain holds it. A failure to
// name or open the element comes back as the cache's code; `read`'s result
// as it is.
template <class Read>
HRESULT ReadElementStream(CStorageChain& chain, HRESULT (*elementName)(std::u16string_view, std::u16string&),
                          std::u16string_view name, Read read) {
    std::u16string element;
    HRESULT hr = elementName(name, element);
    if (FAILED(hr)) return ghMapCacheError(hr);
    StreamHold hold(chain);
    IStream* stream = nullptr;
    hr = ghOpenElementStream(chain, element, STGM_READ, &stream);
    if (FAILED(hr)) return ghMapCacheError(hr);
    return read(stream);
}

}  // namespace

// --- Items ------------------------------------------------------------------

HRESULT CItemCacheFile::mhReadItem(CItemCacheLock& lock, std::u16string_view name, RefPtr<ItemObject>& item) {
    CStorageChain* chain = gpoScopeChain(*this, lock);
    if (!chain) return E_FAIL;
    return ReadElementStream(*chain, ghItemElementName, name,
                             [&](IStream* stream) { return ghReadItemStream(stream, item); });
}

HRESULT CItemCacheFile::mhWriteItem(CItemCacheLock& lock, const RefPtr<ItemObject>& item) {
    CStorageChain* chain = gpoScopeChain(*this, lock);
    if (!chain) return E_FAIL;
    if (!item) return E_POINTER;
    if (item->meObjectType != kObjectTypeItem) return E_OXN_INVALID_TYPE;
    std::u16string key;
    HRESULT hr = ghItemKey(item->moFileName(), key);
    if (FAILED(hr)) return ghMapCacheError(hr);
    // Every name without a key would share the one element "IS".
    if (key.empty()) return E_OXN_INVALID_NAME;
    std::u16string element;
    hr = ghItemElementName(item->moFileName(), element);
    if (FAILED(hr)) return ghMapCacheError(hr);

    std::vector<uint8_t> bytes;
    try {
        gvEncodeItemRecord(*item, bytes);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    // Overwritten from the start; a longer old record leaves its tail, which
    // readers ignore. The same record again changes nothing.
    return ghMapCacheError(ghWriteElementUnlessSame(*chain, element, bytes));
}

HRESULT CItemCacheFile::mhWriteItems(CItemCacheLock& lock, const std::vector<RefPtr<ItemObject>>& items) {
    CStorageChain* chain = gpoScopeChain(*this, lock);
    if (!chain) return E_FAIL;
    CStorageChain::CommitBatch batch(*chain);
    for (const RefPtr<ItemObject>& item : items) {
        HRESULT hr = mhWriteItem(lock, item);
        if (hr != S_OK) return hr;
    }
    return ghMapCacheError(batch.mhEnd());
}

HRESULT CItemCacheFile::mhDeleteItems(CItemCacheLock& lock, const std::vector<std::u16string>& names) {
    CStorageChain* chain = gpoScopeChain(*this, lock);
    if (!chain) return E_FAIL;
    CStorageChain::CommitBatch batch(*chain);
    HRESULT first = S_OK;
    auto remember = [&first](HRESULT hr) {
        if (FAILED(hr) && first == S_OK) first = ghMapCacheError(hr);
    };
    for (const std::u16string& name : names) {
        std::u16string element;
        HRESULT hr = ghItemElementName(name, element);
        remember(SUCCEEDED(hr) ? ghDestroyElementIfPresent(*chain, element) : hr);
        hr = ghChildrenElementName(name, element);
        remember(SUCCEEDED(hr) ? ghDestroyElementIfPresent(*chain, element) : hr);
    }
    remember(batch.mhEnd());
    return first;
}

HRESULT CItemCacheFile::mhDeleteItem(CItemCacheLock& lock, std::u16string_view name) {
    return mhDeleteItems(lock, {std::u16string(name)});
}

HRESULT CItemCacheFile::mhGetItemDirty(CItemCacheLock& lock, std::u16string_view name, uint32_t& dirty) {
    RefPtr<ItemObject> item;
    HRESULT hr = mhReadItem(lock, name, item);
    if (FAILED(hr)) return hr;
    dirty = static_cast<uint32_t>(item->mlDirty);
    return hr;
}

HRESULT CItemCacheFile::mhItemExists(CItemCacheLock& lock, std::u16string_view name) {
    CStorageChain* chain = gpoScopeChain(*this, lock);
    if (!chain) return E_FAIL;
    std::u16string element;
    HRESULT hr = ghItemElementName(name, element);
    if (FAILED(hr)) return hr;
    StreamHold hold(*chain);
    IStream* stream = nullptr;
    hr = ghOpenElementStream(*chain, element, STGM_READ, &stream);
    if (hr == STG_E_FILENOTFOUND) return S_FALSE;
    return FAILED(hr) ? hr : S_OK;
}

// --- Children lists ---------------------------------------------------------

HRESULT CItemCacheFile::mhReadChildren(CItemCacheLock& lock, std::u16string_view name, ChildList& children) {
    CStorageChain* chain = gpoScopeChain(*this, lock);
    if (!chain) return E_FAIL;
    return ReadElementStream(*chain, ghChildrenElementName, name,
                             [&](IStream* stream) { return ghReadChildrenStream(stream, children); });
}

HRESULT CItemCacheFile::mhHasLiveChildren(CItemCacheLock& lock, std::u16string_view name, uint32_t& hasLive) {
    CStorageChain* chain = gpoScopeChain(*this, lock);
    if (!chain) return E_FAIL;
    return ReadElementStream(*chain, ghChildrenElementName, name, [&](IStream* stream) {
        uint32_t liveCount = 0;
        if (!gbReadUInt32(stream, liveCount)) return E_OXN_IO_ERROR;
        hasLive = liveCount != 0 ? 1 : 0;
        return S_OK;
    });
}

HRESULT CItemCacheFile::mhHasChildrenList(CItemCacheLock& lock, std::u16string_view name) {
    ChildList discarded;
    return mhReadChildren(lock, name, discarded);
}

HRESULT CItemCacheFile::mhWriteChildren(CItemCacheLock& lock, std::u16string_view name, const ChildList& children) {
    CStorageChain* chain = gpoScopeChain(*this, lock);
    if (!chain) return E_FAIL;
    std::u16string element;
    HRESULT hr = ghChildrenElementName(name, element);
    if (FAILED(hr)) return ghMapCacheError(hr);
    if (children.empty()) return ghMapCacheError(ghDestroyElementIfPresent(*chain, element));
    std::u16string key;
    hr = ghItemKey(name, key);
    if (FAILED(hr)) return ghMapCacheError(hr);
    if (key.empty()) return E_OXN_INVALID_NAME;
    return ghMapCacheError(ghReplaceChildrenList(*chain, element, children));
}

HRESULT CItemCacheFile::mhDeleteChildren(CItemCacheLock& lock, std::u16string_view name) {
    CStorageChain* chain = gpoScopeChain(*this, lock);
    if (!chain) return E_FAIL;
    std::u16string element;
    HRESULT hr = ghChildrenElementName(name, element);
    if (FAILED(hr)) return ghMapCacheError(hr);
    return ghMapCacheError(ghDestroyElementIfPresent(*chain, element));
}

HRESULT CItemCacheFile::mhAddChildren(CItemCacheLock& lock, std::u16string_view name, const ChildList& children) {
    CStorageChain* chain = gpoScopeChain(*this, lock);
    if (!chain) return E_FAIL;
    if (children.empty()) return E_ITEM_INVALID_OBJECT;
    std::u16string element;
    HRESULT hr = ghChildrenElementName(name, element);
    if (FAILED(hr)) return ghMapCacheError(hr);
    ChildList stored;
    hr = ghReadStoredList(*chain, element, stored);
    // A damaged list counts with the records read from it; no list is empty.
    if (FAILED(hr) && hr != STG_E_FILENOTFOUND && hr != E_OXN_IO_ERROR) return ghMapCacheError(hr);

    ChildList merged(children);
    for (const RefPtr<ChildWithLink>& old : stored) {
        bool matched = false;
        for (const RefPtr<ChildWithLink>& given : children)
            if (given && SameFileChild(*old, *given)) matched = true;
        if (!matched) merged.push_back(old);
    }
    return ghMapCacheError(ghReplaceChildrenList(*chain, element, merged));
}

HRESULT CItemCacheFile::mhEraseChildren(CItemCacheLock& lock, std::u16string_view name, const ChildList& children) {
    CStorageChain* chain = gpoScopeChain(*this, lock);
    if (!chain) return E_FAIL;
    std::u16string element;
    ChildList stored;
    HRESULT hr = ReadListForChange(*chain, name, element, stored);
    if (hr == STG_E_FILENOTFOUND) return S_OK;
    if (FAILED(hr)) return hr;

    ChildList retained;
    for (const RefPtr<ChildWithLink>& old : stored) {
        bool erased = false;
        for (const RefPtr<ChildWithLink>& given : children)
            if (given && SameLink(*old, *given)) erased = true;
        if (!erased) retained.push_back(old);
    }
    if (retained.empty()) return ghMapCacheError(ghDestroyElementIfPresent(*chain, element));
    return ghMapCacheError(ghReplaceChildrenList(*chain, element, retained));
}

HRESULT CItemCacheFile::mhRemoveChildren(CItemCacheLock& lock, std::u16string_view name, const ChildList& children,
                                         int32_t linkOperation) {
    CStorageChain* chain = gpoScopeChain(*this, lock);
    if (!chain) return E_FAIL;
    std::u16string element;
    ChildList stored;
    HRESULT hr = ReadListForChange(*chain, name, element, stored);
    if (hr == STG_E_FILENOTFOUND) return S_OK;
    if (FAILED(hr)) return hr;
    // An empty stored list stays as it is.
    if (stored.empty()) return E_ITEM_INVALID_OBJECT;

    for (const RefPtr<ChildWithLink>& given : children) {
        if (!given) continue;
        for (const RefPtr<ChildWithLink>& old : stored)
            if (old->mlObjectID == given->mlObjectID && old->mlConfigID == given->mlConfigID &&
                old->mlParentProjectID == given->mlParentProjectID)
                old->meLinkOperation = linkOperation;
    }
    return ghMapCacheError(ghReplaceChildrenList(*chain, element, stored));
}

HRESULT CItemCacheFile::mhSetFileChildLink(CItemCacheLock& lock, std::u16string_view name,
                                           const RefPtr<ChildWithLink>& child, int32_t linkType,
                                           int32_t linkOperation) {
    CStorageChain* chain = gpoScopeChain(*this, lock);
    if (!chain) return E_FAIL;
    if (!child) return E_POINTER;
    if (child->meObjectType != kObjectTypeFile) return E_OXN_INVALID_TYPE;
    std::u16string element;
    ChildList stored;
    HRESULT hr = ReadListForChange(*chain, name, element, stored);
    if (FAILED(hr)) return ghMapCacheError(hr);
    for (const RefPtr<ChildWithLink>& old : stored) {
        if (old->mlObjectID == child->mlObjectID && old->mlConfigID == child->mlConfigID) {
            old->meLinkType = linkType;
            old->meLinkOperation = linkOperation;
            return ghMapCacheError(ghReplaceChildrenList(*chain, element, stored));
        }
    }
    return E_OXN_FILE_NOT_FOUND;
}

HRESULT CItemCacheFile::mhGetChildLink(CItemCacheLock& lock, std::u16string_view name, int32_t objectID,
                                       int32_t configID, int32_t& linkType, int32_t& linkOperation,
                                       int32_t& initialLinkType, int32_t& initialLinkOperation) {
    ChildList stored;
    HRESULT hr = mhReadChildren(lock, name, stored);
    if (FAILED(hr)) return hr;
    for (const RefPtr<ChildWithLink>& child : stored) {
        if (child->mlObjectID == objectID && child->mlConfigID == configID) {
            linkType = child->meLinkType;
            linkOperation = child->meLinkOperation;
            initialLinkType = child->meInitialLinkType;
            initialLinkOperation = child->meInitialLinkOperation;
            return S_OK;
        }
    }
    return E_OXN_FILE_NOT_FOUND;
}
