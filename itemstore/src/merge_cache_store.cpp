// MergeNs::CMerge: storing the fetched input items and their children in the
// item cache, and the cache records built from fetched records.
#include "itemstore/merge.h"

#include "merge_data.h"

#include "itemstore/item_cache_file.h"
#include "itemstore/item_cache_lock.h"
#include "itemstore/item_path.h"

#include "bellquist/enums.h"

#include <string>

using namespace BellquistLib;

namespace MergeNs {

namespace {

// The fields both cache records take from a fetched record. The dirty flag
// and the link words keep their defaults.
void FillCacheRecord(ItemObject& target, const ItmObjectData& record, std::u16string_view viewPath) {
    target.mlObjectID = record.mlObjectID;
    target.mlParentProjectID = record.mlParentProjectID;
    target.mlAttachedVersion = record.mlAttachedVersion;
    target.mdModifiedDate = record.moModified;
    target.meObjectType = record.meObjectType;
    target.mvSetFileName(record.moFilename ? std::u16string_view(record.moFilename) : std::u16string_view());
    std::u16string path;
    gvBuildItemPath(record, viewPath, path);
    target.mvSetPath(path);
    target.mlConfigID = record.mlConfigID;
    target.moLockViewID = record.moLockViewID;
}

bool HasCacheRecord(const ItmObjectData& record) {
    return record.meObjectType != ItmObjectType_Vault && record.meObjectType != ItmObjectType_ItemFolder;
}

}  // namespace

RefPtr<ItemObject> goMakeCacheItem(const ItmObjectData& record, std::u16string_view viewPath) {
    if (!HasCacheRecord(record)) return nullptr;
    RefPtr<ItemObject> item(new ItemObject);
    FillCacheRecord(*item, record, viewPath);
    return item;
}

RefPtr<ChildWithLink> goMakeCacheChild(const ItmObjectData& record, std::u16string_view viewPath) {
    if (!HasCacheRecord(record)) return nullptr;
    RefPtr<ChildWithLink> child(new ChildWithLink);
    FillCacheRecord(*child, record, viewPath);
    child->meLinkType = child->meInitialLinkType = record.meLinkType;
    child->meLinkOperation = child->meInitialLinkOperation = record.meLinkOperation;
    return child;
}

HRESULT CMerge::mhStoreInCache() {
    ItemTree tree;
    try {
        for (const auto& [key, identity] : moIdentities) {
            if (identity->moCacheRecord) tree.emplace(identity->moCacheRecord, identity->moChildren);
        }
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    if (tree.empty()) return S_OK;

    const RefPtr<CItemCacheFile> cacheFile = mpoBackEnd->mpoGetCacheFile();
    if (!cacheFile) return E_POINTER;
    const bool replaceLists = (mlFlags & Bgtf_IgnoreInputFromFileCache) != 0;
    const bool markMissing = (mlFlags & Bgtf_MarkMissingChildrenRemoved) != 0;
    if (mpoLock) return cacheFile->mhWriteItemsWithChildren(*mpoLock, tree, moViewGUID, replaceLists, markMissing);

    // A scope of our own stores all or nothing: the store goes on past a
    // failed item, so a failure reverts what the others wrote rather than
    // leaving part of the fetch in the cache.
    CItemCacheLock lock(cacheFile, kCacheLockTransacted);
    HRESULT hr = cacheFile->mhWriteItemsWithChildren(lock, tree, moViewGUID, replaceLists, markMissing);
    if (FAILED(hr)) cacheFile->mhRevert(lock);
    return hr;
}

}  // namespace MergeNs
