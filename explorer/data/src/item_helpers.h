// The small item helpers the data layer's cache, loading and link operations
// share: an object's identity, the cached-object maker, the type mask of the
// selection queries, item arrays for the item server's calls, and the child
// state of a row.
#pragma once

#include "explorer/data/cache_keys.h"
#include "explorer/data/cache_obj.h"

#include "common/ref_ptr.h"

#include "bellquist/item_interfaces.h"
#include "winapi/types.h"

#include <vector>

class CCache;
struct SAFEARRAY;

// The object's key: get_Type and get_ID, and for a file (6) or BOM (7) its
// configuration (IItmFile / IItmBOM::get_ConfigID through QueryInterface),
// else -1. A failed call raises with its interface's IID; a file or BOM that
// does not answer its interface raises E_NOINTERFACE. E_POINTER (returned)
// without an item.
HRESULT ReadObjectIdentity(BellquistLib::IItmObject* item, CacheObjKey& key);

// A new cached object of `cache` for `item`: a CCacheObjInner of the item's
// type, id and name (get_Type, get_ID, get_Name) in its folder occurrence (a
// CCacheObj of parent type 3). E_POINTER without an item or cache;
// E_ITEM_INVALID_OBJECT when the name, id or type cannot be read.
HRESULT MakeCacheObj(BellquistLib::IItmObject* item, CCache* cache, RefPtr<CCacheObj>& out);

// The kinds of the type mask (by the cached object's type).
enum ObjectTypeMask : LONG {
    kTypeMaskFile = 0x02,
    kTypeMaskBom = 0x04,
    kTypeMaskItem = 0x08,
    kTypeMaskFolder = 0x10,  // vault or item folder
    kTypeMaskAny = 0x400,
};
// Whether the object's type is one the mask takes; false without an object.
bool MatchesObjectTypeMask(const RefPtr<CCacheObj>& object, LONG mask);

// An item array (SAFEARRAY of VARIANT, lower bound 0, each element VT_DISPATCH
// holding its item with a reference of its own) of the objects' items in
// order, for the caller to destroy. E_OXN_NULL_VALUE for an empty list or a
// null `out`, and when an element cannot be put (an object without item, a
// null item): the array is then destroyed and *out left null. E_OUTOFMEMORY
// when the array cannot be made.
HRESULT CacheObjsToSafeArray(const std::vector<RefPtr<CCacheObj>>& objects, SAFEARRAY** out);
HRESULT ItemsToSafeArray(const std::vector<BellquistLib::IItmObject*>& items, SAFEARRAY** out);

// The child state of a row: 2 when the object has a loaded child, 1 when it
// has only children not loaded yet, 3 when it has none or no link manager.
// A failing GetFirstChildID or HasUnloadedChildren raises.
enum NodeChildState : LONG {
    kChildStateUnloaded = 1,
    kChildStateLoaded = 2,
    kChildStateNone = 3,
};
LONG glGetNodeChildState(const RefPtr<CCacheObj>& object);
