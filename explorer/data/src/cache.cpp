// CCache: construction and upkeep - emptying, the re-keying of the vault
// root at login, and putting an object in with its occurrences.
#include "explorer/data/cache.h"

#include "explorer/data/tree_node.h"
#include "explorer/data/vault_node.h"

#include "item_helpers.h"

#include "com/error_info.h"

using namespace BellquistLib;

namespace {

CacheObjKey VaultRootKey(LONG number) { return CacheObjKey{ItmObjectType_Vault, number, -1}; }
CacheLinkKey VaultRootLinkKey(LONG number) {
    return CacheLinkKey{ItmObjectType_ItemFolder, ItmObjectType_ItemFolder, 0, number, -1};
}

}  // namespace

CCache::CCache(const RefPtr<CVaultNode>& owner) : moOwner(owner) {
    if (moOwner) {
        moVaultID = moOwner->moVaultID;
        moViewID = moOwner->moViewID;
    }
}

CCache::~CCache() {
    mvClear();
    moOwner = nullptr;
}

void CCache::mvClear() {
    moLinks.clear();
    moObjects.clear();
    moParents.clear();
}

void CCache::mvSetVaultNumber(LONG number) {
    if (!moOwner) return;
    const LONG old = moOwner->mlRootID;
    if (number == old) return;
    auto entry = moObjects.find(VaultRootKey(old));
    if (entry == moObjects.end()) return;
    RefPtr<CCacheObjInner> inner = entry->second;

    // The occurrence to put back: the root tree node's when the node has
    // one; else the cache's own (a node may have no tree node yet, and its
    // root must not be lost then).
    RefPtr<CCacheObj> root;
    if (moOwner->moTreeNode && moOwner->moTreeNode->moCacheObj) root = moOwner->moTreeNode->moCacheObj;
    auto link = moLinks.find(VaultRootLinkKey(old));
    if (!root && link != moLinks.end()) root = link->second;
    if (!root) root = RefPtr<CCacheObj>(new CCacheObj(inner, ItmObjectType_ItemFolder, 0));
    if (link != moLinks.end()) moLinks.erase(link);

    moOwner->mlRootID = number;
    if (root->moInner) root->moInner->mlID = number;
    inner->mlID = number;
    moObjects.erase(entry);
    mvInsert(VaultRootKey(number), root);
}

void CCache::mvInsert(const CacheObjKey& key, const RefPtr<CCacheObj>& object) {
    if (!object || !object->moInner) return;
    // An object already cached under the key keeps its record; the
    // occurrences made below share that one, as every occurrence must.
    auto [entry, inserted] = moObjects.try_emplace(key, object->moInner);
    if (inserted && object->moInner->mpoItem) {
        // A new object's own occurrence goes in as it is, so that whoever
        // made it (a tree node, a new row) holds the cache's occurrence.
        std::vector<CacheLinkKey> keys;
        if (SUCCEEDED(GetOwnLinkKeys(*object->moInner, keys))) {
            for (const CacheLinkKey& own : keys) {
                if (own.meParentType == NormalizeLinkKeyType(object->meParentType) &&
                    own.mlParentID == object->mlParentID) {
                    moLinks.try_emplace(own, object);
                }
            }
        } else {
            SetErrorInfo(0, nullptr);
        }
    }
    mvLinkObject(entry->second);
}

void CCache::mvLinkObject(const RefPtr<CCacheObjInner>& inner) {
    if (!inner || !inner->mpoItem) return;
    std::vector<CacheLinkKey> keys;
    if (SUCCEEDED(GetOwnLinkKeys(*inner, keys))) {
        for (const CacheLinkKey& key : keys) {
            if (moLinks.find(key) == moLinks.end())
                moLinks.emplace(key, RefPtr<CCacheObj>(new CCacheObj(inner, key.meParentType, key.mlParentID)));
        }
    } else {
        SetErrorInfo(0, nullptr);  // an object whose place cannot be read is linked nowhere
    }
    CacheObjKey own{};
    ReadObjectIdentity(inner->mpoItem, own);
    if (own.meObjectType != ItmObjectType_Item) return;
    // Only items are parents in the index: each child of the item learns it.
    std::vector<CacheObjKey> children;
    if (FAILED(GetChildKeys(inner, children))) {
        SetErrorInfo(0, nullptr);  // an item whose links cannot be read is no one's parent yet
        return;
    }
    for (const CacheObjKey& child : children) moParents[child].insert(own);
}
