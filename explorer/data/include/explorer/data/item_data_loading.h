// Loading one object's children and links into a vault's cache on demand,
// and handing the changes a refresh fetched to a refresh receiver.
//
// The action pane expands the selected node with ExpandCacheObject; the
// batch refreshers fetch with BatchGetObjectTree and FindInItemArray and
// present each changed object with PresentObjectChange. Lookups that miss in
// the cache are no failures: the object or link is left out.
#pragma once

#include "explorer/data/cache_keys.h"
#include "explorer/data/cache_obj.h"
#include "explorer/data/tree_node.h"

#include "common/ref_ptr.h"

#include "bellquist/item_interfaces.h"
#include "bellquist/manager_interfaces.h"
#include "com/ccom_ptr.h"
#include "winapi/types.h"

#include <vector>

class CCache;
class CVaultNode;
struct SAFEARRAY;
namespace RefreshNs {
class RefreshItemI;
}

// One change under a changed object, as a refresh found it.
struct ChildChange {
    enum Kind : LONG { kAdded = 1, kRemoved = 2, kChildrenChanged = 3 };
    LONG meKind = kAdded;
    CacheObjKey moChild{};  // the child's type, id and configuration id
    LONG meParentType = 0;
    LONG mlParentID = 0;
};

// A changed object (its key) and the changes under it, in the order they are
// presented.
struct ObjectChange {
    CacheObjKey moObject{};
    std::vector<ChildChange> moChildren;
};

// Loads the children and links of the node's object into `cache` and
// returns the occurrences, under the node's cached object, of the objects it
// links. An item folder is listed (and marked enumerated); any other object
// is fetched as a tree with its parent. E_POINTER without a cache, an item
// manager or an item object on the node. A failed listing of a folder is
// raised as a COM error with the item manager's error info; every other
// failure is returned.
HRESULT ExpandCacheObject(const RefPtr<CVaultNode>& vault, const RefPtr<CTreeNode>& node, CCache* cache,
                          std::vector<RefPtr<CCacheObj>>& linked);

// The cached occurrences, under the node's cached object, of every object
// its item links to. S_FALSE and nothing for a file or BOM (they link
// nothing); E_POINTER without a cache or an item object. A failed read of
// the links raises.
HRESULT LoadItemLinks(const RefPtr<CTreeNode>& node, CCache* cache, std::vector<RefPtr<CCacheObj>>& linked);

// The cached item objects of the links `links` holds, in its order; links to
// objects not in the cache are left out. E_POINTER without a link manager or
// a cache; a failed read of the links raises with the link manager's error
// info.
HRESULT GetLinkedObjects(BellquistLib::IItmLinkManager* links, CCache* cache,
                         std::vector<CComPtr<BellquistLib::IItmObject>>& objects);

// The occurrences of `objects` under `parent`, in order; objects without one
// are left out. E_POINTER without a cache.
HRESULT FindLinkOccurrences(const std::vector<CComPtr<BellquistLib::IItmObject>>& objects, CCache* cache,
                            const RefPtr<CCacheObj>& parent, std::vector<RefPtr<CCacheObj>>& occurrences);

// The tree of one object: a vault or item folder one level down, anything
// else all levels down. The item manager's HRESULT is returned as it is
// (never raised); `trees` receives its array for the caller to destroy.
// E_OUTOFMEMORY when the one-element array cannot be made.
HRESULT BatchGetObjectTree(BellquistLib::IItmManager* manager, BellquistLib::IItmObject* item, SAFEARRAY** trees);

// A new one-element item array holding `item` when an element of `items`
// has its identity (type, id and configuration): S_OK with the array for the
// caller to destroy; S_FALSE and null when none has. An array that cannot be
// read raises "Could not lock safe array.".
HRESULT FindInItemArray(SAFEARRAY* items, BellquistLib::IItmObject* item, SAFEARRAY** found);

// Presents one changed object to `receiver` at every tree path where it
// shows it, with the changes under it; nothing when the object is not
// cached.
void PresentObjectChange(RefreshNs::RefreshItemI& receiver, CCache* cache, const ObjectChange& change);
// Presents one change under the object `receiver` holds as its current one;
// `parentPath` is the path it is presented at. Nothing when the child is not
// cached.
void PresentChildChange(RefreshNs::RefreshItemI& receiver, CCache* cache, const ChildChange& change,
                        const CString& parentPath);
