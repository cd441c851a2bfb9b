// The operations that read and change the item cache file: item records,
// children lists, whole item trees and the rename of an item.
//
// Each operation is one of the file's operations within a lock scope: it
// takes the file and the CItemCacheLock of the scope that has it open, and
// answers E_FAIL first when `file` is not open in `lock`'s scope. Items are
// addressed by their file name (ending in ".<item>"). The operations take no
// lock of their own: the scope holds the cache mutex.
//
// Failure codes (cache_errors.h): a "mapped" failure went through
// ghMapCacheError; 0x80040213 means "not cached".
//
// Children lists are replaced whole, and safely: the new list is written
// beside the old one and takes its place only once complete, and in a
// direct scope only the final commit makes the change; a failure anywhere
// leaves the old list in place.
#pragma once

#include "itemstore/item_cache_file_i.h"

#include "winapi/types.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CItemCacheFile;
class CItemCacheLock;

// STG_E_FILENOTFOUND and 0x80040213 -> 0x80040213; STG_E_INVALIDNAME and
// 0x8004021D -> 0x8004021D; any other failure -> 0x80040228. Success codes
// pass unchanged.
HRESULT ghMapCacheError(HRESULT hr);

namespace itemcache {

// --- Items ------------------------------------------------------------------
// A new record read from the cache (0x80040213 when not cached).
HRESULT mhReadItem(CItemCacheFile& file, CItemCacheLock& lock, std::u16string_view name, RefPtr<ItemObject>& item);
// Writes the record in place under its own file name. E_POINTER for a null
// record, 0x80040225 unless it is an item (4), 0x8004021D when its name
// gives an empty key (all such items would share one element).
HRESULT mhWriteItem(CItemCacheFile& file, CItemCacheLock& lock, const RefPtr<ItemObject>& item);
// Writes in order, stopping at the first result that is not S_OK.
HRESULT mhWriteItems(CItemCacheFile& file, CItemCacheLock& lock, const std::vector<RefPtr<ItemObject>>& items);
// Removes record and children list; a missing element is no error. Every
// name is processed; the first other failure is returned (mapped).
HRESULT mhDeleteItem(CItemCacheFile& file, CItemCacheLock& lock, std::u16string_view name);
HRESULT mhDeleteItems(CItemCacheFile& file, CItemCacheLock& lock, const std::vector<std::u16string>& names);
HRESULT mhGetItemDirty(CItemCacheFile& file, CItemCacheLock& lock, std::u16string_view name, uint32_t& dirty);
// Marks the item changed now: a dirty record gets the current local time; a
// clean one (its date is UTC as the vault gave it) the current local time,
// but never less than 2 seconds after its stored date.
HRESULT mhTouchItem(CItemCacheFile& file, CItemCacheLock& lock, std::u16string_view name);
// S_OK when cached, S_FALSE when not; other failures unmapped.
HRESULT mhItemExists(CItemCacheFile& file, CItemCacheLock& lock, std::u16string_view name);

// --- Children lists ---------------------------------------------------------
// Appends the stored children (0x80040213 when there is no list).
HRESULT mhReadChildren(CItemCacheFile& file, CItemCacheLock& lock, std::u16string_view name, ChildList& children);
// 1 when the stored live count is not zero, else 0.
HRESULT mhHasLiveChildren(CItemCacheFile& file, CItemCacheLock& lock, std::u16string_view name, uint32_t& hasLive);
// S_OK when a list exists and reads cleanly.
HRESULT mhHasChildrenList(CItemCacheFile& file, CItemCacheLock& lock, std::u16string_view name);
// Replaces the list; an empty vector leaves the item without one.
HRESULT mhWriteChildren(CItemCacheFile& file, CItemCacheLock& lock, std::u16string_view name,
                        const ChildList& children);
// Removes the list; a missing one is S_OK.
HRESULT mhDeleteChildren(CItemCacheFile& file, CItemCacheLock& lock, std::u16string_view name);
// The given children followed by every stored one that matches none of them
// (same object id and, when both are files, same config id). 0x800402BD for
// an empty vector. A damaged stored list counts with the records read.
HRESULT mhAddChildren(CItemCacheFile& file, CItemCacheLock& lock, std::u16string_view name,
                      const ChildList& children);
// Drops stored children equal to a given one in link type, object id, config
// id, attached version and parent project id; the last one leaves no list.
HRESULT mhEraseChildren(CItemCacheFile& file, CItemCacheLock& lock, std::u16string_view name,
                        const ChildList& children);
// Sets `linkOperation` on stored children with the object id, config id and
// parent project id of a given one. 0x800402BD for a stored empty list.
HRESULT mhRemoveChildren(CItemCacheFile& file, CItemCacheLock& lock, std::u16string_view name,
                         const ChildList& children, int32_t linkOperation);
// Sets the current link pair of the stored file child with the child's
// object id and config id. 0x80040225 unless the child is a file (6).
HRESULT mhSetFileChildLink(CItemCacheFile& file, CItemCacheLock& lock, std::u16string_view name,
                           const RefPtr<ChildWithLink>& child, int32_t linkType, int32_t linkOperation);
// The four link words of the first stored child with the ids, in record
// order; 0x80040213 when there is none.
HRESULT mhGetChildLink(CItemCacheFile& file, CItemCacheLock& lock, std::u16string_view name, int32_t objectID,
                       int32_t configID, int32_t& linkType, int32_t& linkOperation, int32_t& initialLinkType,
                       int32_t& initialLinkOperation);

// --- Trees and rename -------------------------------------------------------
// Stores a fetched tree. Children lists are kept only for items checked out
// to `viewID`: with `replaceLists` the fetched children replace the list
// (with `markMissing` stored children missing from it stay, marked
// LinkOp_Remove); without, they are merged in. Every pair is processed; the
// last failure met is returned.
HRESULT mhWriteItemsWithChildren(CItemCacheFile& file, CItemCacheLock& lock, const ItemTree& tree,
                                 const GUID& viewID, bool replaceLists, bool markMissing);
// Reads the cached trees below `names` breadth first, `levelLimit` levels
// (0: all). Names not cached are skipped; cycles stop; an item reached along
// two paths is delivered twice.
HRESULT mhReadItemTree(CItemCacheFile& file, CItemCacheLock& lock, const std::vector<std::u16string>& names,
                       uint32_t levelLimit, ItemTree& tree);
// Moves an item with its children to a new name (S_OK when it is not
// cached). A new name addressing the same elements (equal, or equal but for
// letter case) rewrites the record in place and keeps everything.
HRESULT mhRenameItem(CItemCacheFile& file, CItemCacheLock& lock, std::u16string_view oldName,
                     std::u16string_view newName);

}  // namespace itemcache
