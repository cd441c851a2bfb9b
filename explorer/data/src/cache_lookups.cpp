// CCache: the lookups - objects by key, occurrences, parents, the objects of
// a folder, the items a change touches, paths, and the duplicate-link check.
#include "explorer/data/cache.h"

#include "explorer/data/com_error_raising.h"

#include "common/error_codes.h"
#include "common/record_array.h"

#include "item_array_objects.h"
#include "item_helpers.h"

#include "com/ccom_ptr.h"
#include "com/error_info.h"
#include "com/owned_safearray.h"
#include "com/variant.h"

#include <set>
#include <string>

using namespace BellquistLib;

namespace {

bool IsVaultRoot(const RefPtr<CCacheObj>& occurrence) {
    return occurrence && occurrence->moInner && occurrence->moInner->meType == ItmObjectType_Vault;
}

// The key GetItems collects by: a vault counts as an item folder and the
// configuration is left out, so the configurations of one file are one.
CacheObjKey ItemsWalkKey(const CCacheObjInner& inner) {
    return CacheObjKey{inner.meType == ItmObjectType_Vault ? LONG{ItmObjectType_ItemFolder} : inner.meType, inner.mlID,
                       -1};
}

// The path of `occurrence` up the parents that `parentOf` finds, ending at
// the vault root or where no parent is found. A parent met twice (a folder
// whose parent is itself, damaged data) ends the walk too.
template <class ParentOf>
CString PathUp(const RefPtr<CCacheObj>& occurrence, ParentOf parentOf) {
    if (!occurrence || !occurrence->moInner) return CString();
    std::u16string path = occurrence->moInner->moName;
    std::set<const CCacheObjInner*> seen{occurrence->moInner.get()};
    RefPtr<CCacheObj> current = occurrence;
    while (!IsVaultRoot(current)) {
        RefPtr<CCacheObj> parent;
        if (!parentOf(current, parent) || !parent || !parent->moInner) break;
        if (!seen.insert(parent->moInner.get()).second) break;
        path = parent->moInner->moName + u"\\" + path;
        current = parent;
    }
    return CString(path.c_str());
}

}  // namespace

bool CCache::mbFindObject(const CacheObjKey& key, RefPtr<CCacheObj>& out) {
    out = nullptr;
    if (moObjects.empty()) return false;
    auto entry = moObjects.find(key);
    if (entry == moObjects.end()) {
        // The vault root and an item folder are one kind to the caller.
        CacheObjKey other = key;
        if (key.meObjectType == ItmObjectType_Vault) {
            other.meObjectType = ItmObjectType_ItemFolder;
        } else if (key.meObjectType == ItmObjectType_ItemFolder) {
            other.meObjectType = ItmObjectType_Vault;
        } else {
            return false;
        }
        entry = moObjects.find(other);
        if (entry == moObjects.end()) return false;
    }
    return mbFindOccurrence(entry->second, out);
}

bool CCache::mbFindOccurrence(const RefPtr<CCacheObjInner>& inner, RefPtr<CCacheObj>& out) {
    if (!inner || !inner->mpoItem) return false;
    CacheLinkKey key{};
    try {
        if (FAILED(MakeFolderLinkKey(inner->mpoItem, key))) {
            SetErrorInfo(0, nullptr);
            return false;
        }
    } catch (const _com_error&) {
        SetErrorInfo(0, nullptr);  // an object whose place cannot be read is not found
        return false;
    }
    return mbFindByLinkKey(key, out);
}

bool CCache::mbFindChild(const RefPtr<CCacheObj>& parent, LONG childType, LONG childId, LONG childConfigId,
                         RefPtr<CCacheObj>& out) {
    if (!parent || !parent->moInner) return false;
    const CCacheObjInner& inner = *parent->moInner;
    CacheLinkKey key{NormalizeLinkKeyType(childType),
                     inner.meType == ItmObjectType_Item ? ItmObjectType_Item : ItmObjectType_ItemFolder, inner.mlID,
                     childId, childConfigId};
    return mbFindByLinkKey(key, out);
}

bool CCache::mbFindLink(const RefPtr<CCacheObj>& parent, IItmObject* child, RefPtr<CCacheObj>& out) {
    CacheLinkKey key{};
    try {
        key = MakeChildLinkKey(parent, child);
    } catch (const _com_error&) {
        SetErrorInfo(0, nullptr);  // a child whose identity cannot be read is not found
        return false;
    }
    return mbFindByLinkKey(key, out);
}

bool CCache::mbFindByLinkKey(const CacheLinkKey& key, RefPtr<CCacheObj>& out) {
    auto entry = moLinks.find(key);
    if (entry == moLinks.end()) return false;
    out = entry->second;
    return true;
}

bool CCache::mbGetParentFolder(const RefPtr<CCacheObj>& occurrence, RefPtr<CCacheObj>& out) {
    if (!occurrence || !occurrence->moInner || !occurrence->moInner->mpoItem) return false;
    IItmObject* item = occurrence->moInner->mpoItem;
    LONG folder = 0;
    gvCheckCall(item->get_ParentProjectID(&folder), item);
    auto entry = moObjects.find(CacheObjKey{ItmObjectType_ItemFolder, folder, -1});
    if (entry == moObjects.end()) entry = moObjects.find(CacheObjKey{ItmObjectType_Vault, folder, -1});
    if (entry == moObjects.end()) return false;
    return mbFindOccurrence(entry->second, out);
}

bool CCache::mbGetParent(const RefPtr<CCacheObj>& occurrence, RefPtr<CCacheObj>& out) {
    if (!occurrence) return false;
    if (occurrence->meParentType != ItmObjectType_Item) return mbGetParentFolder(occurrence, out);
    auto entry = moObjects.find(CacheObjKey{ItmObjectType_Item, occurrence->mlParentID, -1});
    if (entry == moObjects.end()) return false;
    return mbFindOccurrence(entry->second, out);
}

void CCache::mvFindObjects(SAFEARRAY* items, std::vector<RefPtr<CCacheObj>>& out) {
    if (!items) return;
    ItemArrayObjects elements(items);  // borrowed: the caller destroys it
    for (LONG i = 0; i < elements.Count(); ++i) {
        const CComPtr<IItmObject> item = elements.ObjectAt(i);
        if (!item) continue;
        CacheObjKey key{};
        ReadObjectIdentity(item, key);
        RefPtr<CCacheObj> found;
        if (mbFindObject(key, found)) out.push_back(found);
    }
}

void CCache::GetObjectsInFolder(LONG folderId, std::vector<RefPtr<CCacheObj>>& out) {
    for (const auto& [key, inner] : moObjects) {
        if (inner->mbRemoved || !inner->mpoItem) continue;
        IItmObject* item = inner->mpoItem;
        ItmObjectType type = ItmObjectType_Undefined;
        gvCheckCall(item->get_Type(&type), item);
        LONG parent = 0;
        if (type == ItmObjectType_Item || type == ItmObjectType_File) {
            gvCheckCall(item->get_ParentProjectID(&parent), item);
        } else if (type == ItmObjectType_ItemFolder) {
            gvCheckCall(item->get_ParentID(&parent), item);
        } else {
            continue;
        }
        RefPtr<CCacheObj> occurrence;
        if (parent == folderId && mbFindOccurrence(inner, occurrence)) out.push_back(occurrence);
    }
}

void CCache::GetItems(GetItemsComparatorI& match, std::vector<RefPtr<CCacheObj>>& out) {
    std::set<CacheObjKey, CacheKeyLess> collected;
    const size_t first = out.size();
    // Whose parent items count: the first occurrence of each matching
    // object, and every occurrence of a matching file or BOM - a file's
    // folder occurrence sorts before its places under items, so its first
    // occurrence alone would never lead to the items that link it.
    std::vector<RefPtr<CCacheObj>> askParents;
    for (const auto& [key, occurrence] : moLinks) {
        if (!occurrence || !occurrence->moInner || match.mlMatches(occurrence) != 1) continue;
        const bool firstOfObject = collected.insert(ItemsWalkKey(*occurrence->moInner)).second;
        if (firstOfObject) out.push_back(occurrence);
        const LONG type = occurrence->moInner->meType;
        if (firstOfObject || type == ItmObjectType_File || type == ItmObjectType_BOM) askParents.push_back(occurrence);
    }
    // The items that hold what matched.
    std::vector<RefPtr<CCacheObj>> parents;
    for (const RefPtr<CCacheObj>& occurrence : askParents) {
        if (IsVaultRoot(occurrence)) continue;
        RefPtr<CCacheObj> parent;
        if (mbGetParent(occurrence, parent) && parent && parent->moInner &&
            parent->moInner->meType == ItmObjectType_Item) {
            parents.push_back(parent);
        }
    }
    for (const RefPtr<CCacheObj>& parent : parents) {
        if (collected.insert(ItemsWalkKey(*parent->moInner)).second) out.push_back(parent);
    }
    // Files and BOMs count through their items only.
    std::erase_if(out, [&, index = size_t{0}](const RefPtr<CCacheObj>& occurrence) mutable {
        const bool ours = index++ >= first;
        return ours && occurrence->moInner &&
               (occurrence->moInner->meType == ItmObjectType_File || occurrence->moInner->meType == ItmObjectType_BOM);
    });
}

void CCache::mvGetParentItems(const std::vector<RefPtr<CCacheObj>>& occurrences, std::vector<RefPtr<CCacheObj>>& out,
                              const std::set<LONG>* excludedItemIds) {
    for (const RefPtr<CCacheObj>& occurrence : occurrences) {
        if (!occurrence || IsVaultRoot(occurrence)) continue;
        RefPtr<CCacheObj> parent;
        if (!mbGetParent(occurrence, parent) || !parent || !parent->moInner) continue;
        if (parent->moInner->meType != ItmObjectType_Item) continue;
        if (excludedItemIds && excludedItemIds->count(parent->moInner->mlID)) continue;
        out.push_back(parent);
    }
}

CString CCache::GetFolderPath(const RefPtr<CCacheObj>& occurrence) {
    return PathUp(occurrence, [this](const RefPtr<CCacheObj>& current, RefPtr<CCacheObj>& parent) {
        return mbGetParentFolder(current, parent);
    });
}

CString CCache::GetItemPath(const RefPtr<CCacheObj>& occurrence) {
    return PathUp(occurrence, [this](const RefPtr<CCacheObj>& current, RefPtr<CCacheObj>& parent) {
        return mbGetParent(current, parent);
    });
}

HRESULT CCache::CheckNotAlreadyLinked(const RefPtr<CCacheObj>& item, const std::vector<RefPtr<CCacheObj>>& objects) {
    if (!item || !item->moInner || !item->moInner->mpoItem) return E_ITEM_INVALID_OBJECT;
    CComPtr<IItmLinkManager> links;
    if (HRESULT hr = item->moInner->mpoItem->get_LinkManager(&links); FAILED(hr)) return hr;
    if (!links) return E_POINTER;
    SAFEARRAY* raw = nullptr;
    gvCheckCall(links->GetLinksID(&raw), links.GetInterfacePtr());
    com::OwnedSafeArray owned(raw);
    if (!owned) return S_OK;  // no links
    RecordArray<ItmUniqueID> ids(owned.get());
    for (const RefPtr<CCacheObj>& object : objects) {
        if (!object || !object->moInner || !object->moInner->mpoItem) continue;
        CacheObjKey key{};
        ReadObjectIdentity(object->moInner->mpoItem, key);
        for (const ItmUniqueID* id = ids.mpoBegin(); id != ids.mpoEnd(); ++id) {
            if (id->meObjectType == key.meObjectType && id->mlObjectID == key.mlObjectID &&
                id->mlConfigID == key.mlConfigID) {
                return E_ITEM_LINK_DUPLICATED;
            }
        }
    }
    return S_OK;
}
