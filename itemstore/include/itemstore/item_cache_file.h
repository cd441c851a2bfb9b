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
#pragma once

#include "itemstore/ref_obj.h"

#include "storage/storage.h"
#include "winapi/types.h"

#include <string>

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
    // the scope's storage chain. S_OK, or the mapped failure: 0x80040213,
    // 0x8004021D, else 0x80040228 (also when another scope has it open);
    // E_FAIL when `lock` does not hold this file. Called by CItemCacheLock.
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

private:
    friend class CItemCacheLock;  // ends the scope (mvCloseScope)
    ~CItemCacheFile() override = default;

    HRESULT mhCreate(CItemCacheLock& lock, bool transacted);
    HRESULT mhOpenExisting(CItemCacheLock& lock, bool transacted);
    HRESULT mhWriteHeader(CItemCacheLock& lock);
    // Commits a transacted scope neither committed nor reverted, releases the
    // root storage.
    void mvCloseScope();

    std::u16string path_;
    std::u16string headerText_;
    IStorage* root_ = nullptr;               // owned while a scope has the file open
    const CItemCacheLock* owner_ = nullptr;  // that scope
    bool transacted_ = false;                // a transacted scope not yet committed or reverted
};
