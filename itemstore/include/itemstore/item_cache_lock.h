// CItemCacheLock: one lock scope on the item cache. It takes the cache mutex
// shared by every process of the user's session, opens the cache file and
// holds the scope's storage chain; its destruction releases the chain (with
// pruning), commits a transacted scope that was neither committed nor
// reverted, closes the file and releases the mutex. The mutex's handle is the
// file's (CItemCacheFile::mpoCacheMutex), open for the file's lifetime: a
// scope waits for it and releases it, and opens no handle of its own.
//
// The mutex is re-entrant for its owning thread: a thread must not open a
// second scope on a file while it holds one (the second one's open fails and
// leaves the first untouched). A mutex left by a process that died inside a
// scope is taken like a released one.
//
// A dead holder: the one mechanism that keeps a process killed inside its
// scope from blocking the next one is the named mutex's hand-over (see
// winapi/sync.h): an abandoned mutex passes to the next waiter only once the
// dead owner's process has ended and the kernel has closed its files, so the
// next scope's open finds the file free - no retry, no pause. Holding the
// mutex, an open that still finds the file held reports the share violation.
#pragma once

#include "itemstore/item_cache_file.h"
#include "common/ref_ptr.h"
#include "itemstore/storage_chain.h"

#include "winapi/types.h"

#include <memory>

// The name of the cache mutex (session-local namespace).
inline constexpr const char16_t* kItemCacheMutexName = u"804BF230-0F69-4525-ADF3-E15F2077A46E";

class CItemCacheLock {
public:
    // An empty lock: no file, no mutex, no chain.
    CItemCacheLock() = default;
    // Takes the mutex and opens `file` in `mode` (kCacheLockDirect or
    // kCacheLockTransacted); a null file takes nothing. The open's result is
    // not reported: a scope whose open failed has no chain, and the file's
    // operations answer E_FAIL in it.
    CItemCacheLock(const RefPtr<CItemCacheFile>& file, int mode);
    ~CItemCacheLock();
    CItemCacheLock(const CItemCacheLock&) = delete;
    CItemCacheLock& operator=(const CItemCacheLock&) = delete;

    // What the constructor does, on an empty lock (a scope held before is
    // ended first).
    void mvLock(const RefPtr<CItemCacheFile>& file, int mode);

    // Attaches a new chain over `root` (called by the file's open).
    HRESULT mhAttachChain(IStorage* root, bool transacted);

    CItemCacheFile* mpoFile() const { return file_.get(); }
    // The scope's chain: null when the scope has not opened the file.
    CStorageChain* mpoChain() const { return chain_.get(); }
    // Whether the scope holds the cache mutex.
    bool mbHoldsMutex() const { return mutex_ != nullptr; }

private:
    void mvEndScope();
    // Releases the mutex when the scope holds it (failures ignored).
    void mvReleaseMutex();

    RefPtr<CItemCacheFile> file_;
    HANDLE mutex_ = nullptr;  // Not owned: the file's handle, set while the scope holds the mutex.
    std::unique_ptr<CStorageChain> chain_;
};
