// CCache: the in-memory cache of one vault's item objects - every item
// folder, item, file and BOM the explorer received from the item server,
// each held once (CCacheObjInner, under its CacheObjKey) and placed in the
// tree by one CCacheObj per parent (under its CacheLinkKey). Owned by its
// vault node; GUI thread only. Nothing here talks to the vault: the only
// calls out are item and link-manager reads and the link operations.
//
// The operations live in files of their own: upkeep and lookups
// (cache.cpp, cache_lookups.cpp), changes (cache_changes.cpp), paths
// (cache_paths.cpp), loading (cache_loading.cpp, cache_trees.cpp) and link
// operations (cache_link_operations.cpp).
#pragma once

#include "explorer/data/cache_keys.h"
#include "explorer/data/cache_obj.h"

#include "common/ref_ptr.h"

#include "bellquist/item_interfaces.h"
#include "com/cstring.h"
#include "winapi/types.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

class CVaultNode;
struct LinkOpRefresh;

// Where CCache::GetAllPaths puts the tree paths of an object (the refresh
// framework's item path iterator holds one). For a renamed or moved object
// the caller also asks for the previous paths: each path again with its last
// mlTailLength characters replaced by moPreviousTail.
struct ItemPathSink {
    std::vector<CString> moPaths;
    bool mbWithPreviousPaths = false;
    std::vector<CString> moPreviousPaths;  // parallel to moPaths when asked for
    CString moPreviousTail;
    int mlTailLength = 0;
};
namespace RefreshNs {
class RefreshItemI;
}

class CCache {
public:
    // Picks the occurrences GetItems collects (by path prefix, by project
    // id, ...).
    class GetItemsComparatorI {
    public:
        virtual ~GetItemsComparatorI() = default;
        // 1 takes the occurrence.
        virtual LONG mlMatches(const RefPtr<CCacheObj>& occurrence) = 0;
    };

    using LinkMap = std::map<CacheLinkKey, RefPtr<CCacheObj>, CacheKeyLess>;
    using ObjectMap = std::map<CacheObjKey, RefPtr<CCacheObjInner>, CacheKeyLess>;
    using ParentIndex = std::map<CacheObjKey, std::set<CacheObjKey, CacheKeyLess>, CacheKeyLess>;

    // The GUIDs are copied from the node.
    explicit CCache(const RefPtr<CVaultNode>& owner);
    virtual ~CCache();
    CCache(const CCache&) = delete;
    CCache& operator=(const CCache&) = delete;

    // Upkeep.
    void mvClear();
    void mvSetVaultNumber(LONG number);
    // Puts the object's record under `key` unless one is cached there
    // (which is kept), then links that record. A new object's own
    // occurrence is the one placed under its parent; every other place gets
    // an occurrence of its own.
    void mvInsert(const CacheObjKey& key, const RefPtr<CCacheObj>& object);
    // Adds the record's missing places (GetOwnLinkKeys), and for an item
    // registers it as a parent of each of its children.
    void mvLinkObject(const RefPtr<CCacheObjInner>& inner);

    // Lookups: true and `out` set when found.
    bool mbFindObject(const CacheObjKey& key, RefPtr<CCacheObj>& out);
    bool mbFindOccurrence(const RefPtr<CCacheObjInner>& inner, RefPtr<CCacheObj>& out);
    bool mbFindChild(const RefPtr<CCacheObj>& parent, LONG childType, LONG childId, LONG childConfigId,
                     RefPtr<CCacheObj>& out);
    bool mbFindLink(const RefPtr<CCacheObj>& parent, BellquistLib::IItmObject* child, RefPtr<CCacheObj>& out);
    bool mbFindByLinkKey(const CacheLinkKey& key, RefPtr<CCacheObj>& out);
    bool mbGetParentFolder(const RefPtr<CCacheObj>& occurrence, RefPtr<CCacheObj>& out);
    bool mbGetParent(const RefPtr<CCacheObj>& occurrence, RefPtr<CCacheObj>& out);
    void mvFindObjects(SAFEARRAY* items, std::vector<RefPtr<CCacheObj>>& out);
    void GetObjectsInFolder(LONG folderId, std::vector<RefPtr<CCacheObj>>& out);
    void GetItems(GetItemsComparatorI& match, std::vector<RefPtr<CCacheObj>>& out);
    void mvGetParentItems(const std::vector<RefPtr<CCacheObj>>& occurrences, std::vector<RefPtr<CCacheObj>>& out,
                          const std::set<LONG>* excludedItemIds = nullptr);
    CString GetFolderPath(const RefPtr<CCacheObj>& occurrence);
    CString GetItemPath(const RefPtr<CCacheObj>& occurrence);
    // Every path of the object through the items that link it, each
    // GetItemPath(parent item) + "\\" + tail, nearest parents first. An item
    // is not passed twice along one chain of parents (so cycles end), but
    // may be passed on several chains (an item reached through two items has
    // both paths). At most kMaxItemPaths paths are collected. `visited` holds
    // the item ids of the chain being walked; the caller passes it empty.
    void GetAllPaths(const RefPtr<CCacheObj>& occurrence, ItemPathSink& sink, const CString& tail,
                     std::vector<LONG>& visited);
    static constexpr size_t kMaxItemPaths = 10000;
    HRESULT CheckNotAlreadyLinked(const RefPtr<CCacheObj>& item, const std::vector<RefPtr<CCacheObj>>& objects);

    // Changes.
    void mvMarkRemoved(const CacheObjKey& key);
    LONG mlUnlink(const CacheObjKey& parent, const CacheObjKey& child);
    void mvLinkUnder(const CacheObjKey& parent, const CacheObjKey& child);
    bool mbLinkChildUnderItem(LONG folderId, const RefPtr<CCacheObjInner>& item, const CacheObjKey& child);
    void mvAddParentItem(const CacheObjKey& parent, const CacheObjKey& child);
    HRESULT mhRekeyUnderFolder(const CacheObjKey& child, LONG oldFolderId, LONG newFolderId);
    void mvUpdateChildPaths(BellquistLib::IItmObject* folder);

    // Loading fetched objects and trees; one IItmObject per cached object.
    HRESULT mhAddObject(BellquistLib::IItmObject* item, bool replace, bool keepCached, RefPtr<CCacheObj>* out);
    HRESULT mhAddObjects(SAFEARRAY* items);
    HRESULT mhRefreshObjects(SAFEARRAY* items, std::vector<RefPtr<CCacheObj>>& out);
    HRESULT mhAddOrUpdateObjects(SAFEARRAY* items, std::vector<RefPtr<CCacheObj>>* out);
    HRESULT mhAddTree(int pass, SAFEARRAY* items, const CacheObjKey& parent);
    HRESULT mhAddTrees(SAFEARRAY* items, bool complete, const RefPtr<CCacheObj>* parent);
    void mvAfterMove(SAFEARRAY* movedItems);
    HRESULT mhUpdateChildren(const RefPtr<CCacheObjInner>& item, std::vector<CacheObjKey>& previousChildren);
    void VisitItemPaths(RefreshNs::RefreshItemI* visitor, const RefPtr<CCacheObj>& item,
                        const std::vector<RefPtr<CCacheObj>>& objects, int mode);
    bool mbLinkUnderParentItem(BellquistLib::IItmObject* item);
    void mvMoveBomChildren(const RefPtr<CCacheObjInner>& inner);

    // Link operations on cached items (add, remove, switch), at once or
    // deferred into `deferred` inside a local transaction.
    HRESULT mhApplyLinkOperation(RefPtr<CCacheObj>* target, std::vector<RefPtr<CCacheObj>>& objects,
                                 BellquistLib::ItmLinkOperation operation,
                                 BellquistLib::ILocalTransactionMgr* transaction,
                                 std::vector<std::shared_ptr<LinkOpRefresh>>* deferred);

    const RefPtr<CVaultNode>& Owner() const noexcept { return moOwner; }
    const LinkMap& Links() const noexcept { return moLinks; }
    const ObjectMap& Objects() const noexcept { return moObjects; }
    const ParentIndex& Parents() const noexcept { return moParents; }

    LONG mlHideFiles = 0;  // the main frame's Hide Files flag; the cache never reads it
    GUID moVaultID{};
    GUID moViewID{};

private:
    RefPtr<CVaultNode> moOwner;
    LinkMap moLinks;
    ObjectMap moObjects;
    ParentIndex moParents;
};

// The object keys of an item's links, in the link manager's order. S_FALSE
// for a file or BOM (no links), E_POINTER without an item.
HRESULT GetChildKeys(const RefPtr<CCacheObjInner>& inner, std::vector<CacheObjKey>& out);
// Whether an item's children are all loaded (and its version is the cached
// one, when one is given).
bool mbIsFullyLoaded(BellquistLib::IItmObject* item, LONG cachedVersion);
