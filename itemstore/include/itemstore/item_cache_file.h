// CItemCacheFile: one vault's item cache file, shared by RefPtr among the
// users of that vault's cache. Its root storage is open only inside a lock
// scope (CItemCacheLock, item_cache_lock.h), which opens the file through
// mhOpen and closes it when the scope ends.
//
// The file is opened exclusively, so at most one scope may have it open. A
// second scope opened on the same thread while one is open (the cache mutex
// lets the owning thread in again) does not touch the open scope: its open
// fails, and its operations and its commit or revert find the file not
// open in it (E_FAIL).
//
// The file keeps its handle of the cache mutex from its first scope to its
// destruction, so that a scope only waits for the mutex and releases it.
#pragma once

#include "com/com_ptr.h"
#include "itemstore/item_cache_file_i.h"  // ChildList, ItemTree
#include "common/ref_obj.h"

#include "storage/storage.h"
#include "winapi/types.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

class CItemCacheLock;

// Lock modes: 4 opens a transacted scope, every other value a direct one
// (callers pass 2 or 3).
inline constexpr int kCacheLockDirect = 3;
inline constexpr int kCacheLockTransacted = 4;

class CItemCacheFile : public RefObj {
public:
    // The vault's cache file (ghItemCacheFilePath; creates its folders).
    // Raises a COM error (E_OUTOFMEMORY, E_INVALIDARG) when the path or the
    // header text cannot be built.
    explicit CItemCacheFile(REFGUID vault);
    // A cache file at a given path (the folder must exist).
    explicit CItemCacheFile(std::u16string path);

    // Opens the file for `lock`'s scope, creating it with its header stream
    // when it is absent (an existing file is never replaced), and attaches
    // the scope's storage chain. S_OK, or the mapped failure:
    // E_OXN_FILE_NOT_FOUND, E_OXN_INVALID_NAME, else E_OXN_IO_ERROR (also when
    // another scope has it open); E_FAIL when `lock` does not hold this file.
    // Called by CItemCacheLock.
    HRESULT mhOpen(CItemCacheLock& lock, int mode);
    // Commits / reverts a transacted scope's changes and ends its
    // transaction: later changes of the scope are discarded. E_FAIL when the
    // file is not open in `lock`'s scope, the scope is direct, or it was
    // already committed or reverted.
    HRESULT mhCommit(const CItemCacheLock& lock);
    HRESULT mhRevert(const CItemCacheLock& lock);

    // True when `lock` is the scope that has this file open: the check every
    // cache operation makes first (E_FAIL otherwise).
    bool mbOpenIn(const CItemCacheLock& lock) const { return root_ != nullptr && owner_ == &lock; }

    const std::u16string& mPath() const { return path_; }

    // The cache mutex's handle, opened (or created) at the first call and
    // kept until the file goes; null when it cannot be opened (the scope then
    // runs without it and the next call tries again). Safe from any thread.
    // Called by CItemCacheLock, which waits for it and releases it but never
    // closes it.
    HANDLE mpoCacheMutex();

    // The cache operations. Each takes the CItemCacheLock of the scope that
    // has this file open and answers E_FAIL first when the file is not open
    // in that scope; they take no lock of their own (the scope holds the
    // cache mutex). Items are addressed by their file name (ending in
    // ".<item>"). A "mapped" failure went through ghMapCacheError
    // (cache_errors.h); E_OXN_FILE_NOT_FOUND means "not cached".
    //
    // Children lists are replaced whole, and safely: the new list is written
    // beside the old one and takes its place only once complete, and in a
    // direct scope only the final commit makes the change; a failure
    // anywhere leaves the old list in place.
    //
    // Commits: in a direct scope each write operation commits the file once,
    // at its end, however many elements it changed (mhWriteItems,
    // mhDeleteItems, mhWriteItemsWithChildren and mhRenameItem included), and
    // not at all when it changed nothing: a record or list equal to the
    // stored one is not written again. When that one commit fails, the
    // operation reports it and its changes stay pending in the scope, whole,
    // for the scope's next commit or its close; a single list replacement
    // puts the old list back instead. A transacted scope commits only
    // through mhCommit or its end.
    //
    // Reads take one Read of each stream, decoded from memory; writes one
    // Write.
    //
    // Implemented by concept: item_cache_operations.cpp (items, children
    // lists), item_touch.cpp (mhTouchItem), item_cache_tree_operations.cpp
    // (trees and rename).

    // --- Items ---------------------------------------------------------------
    // A new record read from the cache (E_OXN_FILE_NOT_FOUND when not cached).
    HRESULT mhReadItem(CItemCacheLock& lock, std::u16string_view name, RefPtr<ItemObject>& item);
    // Writes the record in place under its own file name. E_POINTER for a null
    // record, E_OXN_INVALID_TYPE unless it is an item (4), E_OXN_INVALID_NAME
    // when its name gives an empty key (all such items would share one
    // element).
    HRESULT mhWriteItem(CItemCacheLock& lock, const RefPtr<ItemObject>& item);
    // Writes in order, stopping at the first result that is not S_OK.
    HRESULT mhWriteItems(CItemCacheLock& lock, const std::vector<RefPtr<ItemObject>>& items);
    // Removes record and children list; a missing element is no error. Every
    // name is processed; the first other failure is returned (mapped).
    HRESULT mhDeleteItem(CItemCacheLock& lock, std::u16string_view name);
    HRESULT mhDeleteItems(CItemCacheLock& lock, const std::vector<std::u16string>& names);
    HRESULT mhGetItemDirty(CItemCacheLock& lock, std::u16string_view name, uint32_t& dirty);
    // Marks the item changed now: a dirty record gets the current local time; a
    // clean one (its date is UTC as the vault gave it) the current local time,
    // but never less than 2 seconds after its stored date.
    HRESULT mhTouchItem(CItemCacheLock& lock, std::u16string_view name);
    // S_OK when cached, S_FALSE when not; other failures unmapped.
    HRESULT mhItemExists(CItemCacheLock& lock, std::u16string_view name);

    // --- Children lists ------------------------------------------------------
    // Appends the stored children (E_OXN_FILE_NOT_FOUND when there is no list).
    HRESULT mhReadChildren(CItemCacheLock& lock, std::u16string_view name, ChildList& children);
    // 1 when the stored live count is not zero, else 0.
    HRESULT mhHasLiveChildren(CItemCacheLock& lock, std::u16string_view name, uint32_t& hasLive);
    // S_OK when a list exists and reads cleanly.
    HRESULT mhHasChildrenList(CItemCacheLock& lock, std::u16string_view name);
    // Replaces the list; an empty vector leaves the item without one.
    HRESULT mhWriteChildren(CItemCacheLock& lock, std::u16string_view name, const ChildList& children);
    // Removes the list; a missing one is S_OK.
    HRESULT mhDeleteChildren(CItemCacheLock& lock, std::u16string_view name);
    // The given children followed by every stored one that matches none of them
    // (same object id and, when both are files, same config id).
    // E_ITEM_INVALID_OBJECT for an empty vector. A damaged stored list counts
    // with the records read.
    HRESULT mhAddChildren(CItemCacheLock& lock, std::u16string_view name, const ChildList& children);
    // Drops stored children equal to a given one in link type, object id, config
    // id, attached version and parent project id; the last one leaves no list.
    HRESULT mhEraseChildren(CItemCacheLock& lock, std::u16string_view name, const ChildList& children);
    // Sets `linkOperation` on stored children with the object id, config id and
    // parent project id of a given one. E_ITEM_INVALID_OBJECT for a stored
    // empty list.
    HRESULT mhRemoveChildren(CItemCacheLock& lock, std::u16string_view name, const ChildList& children,
                             int32_t linkOperation);
    // Sets the current link pair of the stored file child with the child's
    // object id and config id. E_OXN_INVALID_TYPE unless the child is a file
    // (6).
    HRESULT mhSetFileChildLink(CItemCacheLock& lock, std::u16string_view name, const RefPtr<ChildWithLink>& child,
                               int32_t linkType, int32_t linkOperation);
    // The four link words of the first stored child with the ids, in record
    // order; E_OXN_FILE_NOT_FOUND when there is none.
    HRESULT mhGetChildLink(CItemCacheLock& lock, std::u16string_view name, int32_t objectID, int32_t configID,
                           int32_t& linkType, int32_t& linkOperation, int32_t& initialLinkType,
                           int32_t& initialLinkOperation);

    // --- Trees and rename ----------------------------------------------------
    // Stores a fetched tree. Children lists are kept only for items checked out
    // to `viewID`: with `replaceLists` the fetched children replace the list
    // (with `markMissing` stored children missing from it stay, marked
    // LinkOp_Remove); without, they are merged in. Every pair is processed; the
    // last failure met is returned.
    HRESULT mhWriteItemsWithChildren(CItemCacheLock& lock, const ItemTree& tree, const GUID& viewID, bool replaceLists,
                                     bool markMissing);
    // Reads the cached trees below `names` breadth first, `levelLimit` levels
    // (0: all). Names not cached are skipped; cycles stop; an item reached along
    // two paths is delivered twice.
    HRESULT mhReadItemTree(CItemCacheLock& lock, const std::vector<std::u16string>& names, uint32_t levelLimit,
                           ItemTree& tree);
    // Moves an item with its children to a new name (S_OK when it is not
    // cached). A new name addressing the same elements (equal, or equal but for
    // letter case) rewrites the record in place and keeps everything.
    HRESULT mhRenameItem(CItemCacheLock& lock, std::u16string_view oldName, std::u16string_view newName);

private:
    friend class CItemCacheLock;  // ends the scope (mvCloseScope)
    // Closes the cache mutex's handle.
    ~CItemCacheFile() override;

    HRESULT mhCreate(CItemCacheLock& lock, bool transacted);
    HRESULT mhOpenExisting(CItemCacheLock& lock, bool transacted);
    HRESULT mhWriteHeader(CItemCacheLock& lock);
    // Commits a transacted scope neither committed nor reverted, releases the
    // root storage.
    void mvCloseScope();

    std::u16string path_;
    std::u16string headerText_;
    com::ComPtr<IStorage> root_;             // while a scope has the file open
    const CItemCacheLock* owner_ = nullptr;  // that scope
    bool transacted_ = false;                // a transacted scope not yet committed or reverted
    std::mutex cacheMutexGuard_;             // guards cacheMutex_
    HANDLE cacheMutex_ = nullptr;            // Owned: closed by the destructor.
};
