// CCache: the changes - objects dropped, links taken away and added, the
// parent index kept in step, an occurrence moved to another folder, and the
// paths of a renamed folder's contents.
#include "explorer/data/cache.h"

#include "explorer/data/com_error_raising.h"

#include "com/ccom_bstr.h"

#include <set>

using namespace BellquistLib;

namespace {

// The occurrence of `child` under `parent`.
CacheLinkKey LinkKeyUnder(const CacheObjKey& parent, const CacheObjKey& child) {
    return CacheLinkKey{NormalizeLinkKeyType(child.meObjectType), NormalizeLinkKeyType(parent.meObjectType),
                        parent.mlObjectID, child.mlObjectID, child.mlConfigID};
}
CacheLinkKey FolderLinkKey(const CacheObjKey& child, LONG folderId) {
    return CacheLinkKey{NormalizeLinkKeyType(child.meObjectType), ItmObjectType_ItemFolder, folderId, child.mlObjectID,
                        child.mlConfigID};
}

}  // namespace

void CCache::mvMarkRemoved(const CacheObjKey& key) {
    auto entry = moObjects.find(key);
    if (entry == moObjects.end()) return;
    entry->second->mbRemoved = true;
    moObjects.erase(entry);
}

LONG CCache::mlUnlink(const CacheObjKey& parent, const CacheObjKey& child) {
    moLinks.erase(LinkKeyUnder(parent, child));
    auto parents = moParents.find(child);
    if (parents == moParents.end() || parents->second.erase(parent) == 0) return -1;
    const LONG left = static_cast<LONG>(parents->second.size());
    if (left == 0) {
        moParents.erase(parents);
        // Its last item let go of it. Its folder occurrence stays in the
        // link map; lookups by key no longer find the object.
        mvMarkRemoved(child);
    }
    return left;
}

void CCache::mvLinkUnder(const CacheObjKey& parent, const CacheObjKey& child) {
    auto entry = moObjects.find(child);
    if (entry == moObjects.end()) return;
    const LONG parentType = NormalizeLinkKeyType(parent.meObjectType);
    moLinks.insert_or_assign(LinkKeyUnder(parent, child),
                             RefPtr<CCacheObj>(new CCacheObj(entry->second, parentType, parent.mlObjectID)));
    mvAddParentItem(parent, child);
}

bool CCache::mbLinkChildUnderItem(LONG folderId, const RefPtr<CCacheObjInner>& item, const CacheObjKey& child) {
    if (!item) return false;
    const CacheObjKey itemKey{item->meType, item->mlID, -1};
    const CacheLinkKey underItem = LinkKeyUnder(itemKey, child);
    if (moLinks.find(underItem) != moLinks.end()) return false;
    auto inFolder = moLinks.find(FolderLinkKey(child, folderId));
    if (inFolder == moLinks.end() || !inFolder->second) return false;
    moLinks.emplace(underItem, RefPtr<CCacheObj>(new CCacheObj(inFolder->second->moInner, underItem.meParentType,
                                                               underItem.mlParentID)));
    return true;
}

void CCache::mvAddParentItem(const CacheObjKey& parent, const CacheObjKey& child) {
    if (parent.meObjectType == ItmObjectType_Item) moParents[child].insert(parent);
}

HRESULT CCache::mhRekeyUnderFolder(const CacheObjKey& child, LONG oldFolderId, LONG newFolderId) {
    auto entry = moLinks.find(FolderLinkKey(child, oldFolderId));
    if (entry == moLinks.end()) return E_FAIL;
    RefPtr<CCacheObj> occurrence = entry->second;
    moLinks.erase(entry);
    // The occurrence now lies under the new folder, and says so.
    if (occurrence) occurrence->mlParentID = newFolderId;
    moLinks.insert_or_assign(FolderLinkKey(child, newFolderId), occurrence);
    return S_OK;
}

void CCache::mvUpdateChildPaths(IItmObject* folder) {
    // Folders already handled: a folder listed as its own descendant
    // (damaged data) must not loop.
    std::set<LONG> done;
    auto update = [&](auto& self, IItmObject* renamed) -> void {
        CComBSTR path;
        gvCheckCall(renamed->get_Path(&path), renamed);
        LONG id = 0;
        gvCheckCall(renamed->get_ID(&id), renamed);
        if (!done.insert(id).second) return;
        for (const auto& [key, inner] : moObjects) {
            if (inner->mbRemoved || !inner->mpoItem) continue;
            IItmObject* item = inner->mpoItem;
            ItmObjectType type = ItmObjectType_Undefined;
            gvCheckCall(item->get_Type(&type), item);
            if (type != ItmObjectType_Item && type != ItmObjectType_ItemFolder) continue;
            LONG parent = 0;
            gvCheckCall(item->get_ParentProjectID(&parent), item);
            if (parent != id) continue;
            gvCheckCall(item->SetPathPartOnly(path), item);
            if (type == ItmObjectType_ItemFolder) self(self, item);
        }
    };
    if (folder) update(update, folder);
}
