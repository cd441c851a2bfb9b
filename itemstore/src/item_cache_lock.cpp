#include "itemstore/item_cache_lock.h"

#include "winapi/errors.h"
#include "winapi/sync.h"

#include <new>

void CItemCacheLock::mvReleaseMutex() {
    if (!mutex_) return;
    ReleaseMutex(mutex_);
    mutex_ = nullptr;
}

CItemCacheLock::CItemCacheLock(const RefPtr<CItemCacheFile>& file, int mode) { mvLock(file, mode); }

CItemCacheLock::~CItemCacheLock() { mvEndScope(); }

void CItemCacheLock::mvLock(const RefPtr<CItemCacheFile>& file, int mode) {
    mvEndScope();
    file_ = file;
    if (!file_) return;
    mutex_ = file_->mpoCacheMutex();
    // WAIT_ABANDONED (the holder died inside a scope) means we own it now:
    // the file is whole, since a commit either happened or did not.
    if (mutex_) WaitForSingleObject(mutex_, INFINITE);
    try {
        file_->mhOpen(*this, mode);
    } catch (...) {
        mvReleaseMutex();
        file_ = nullptr;
        throw;
    }
}

HRESULT CItemCacheLock::mhAttachChain(IStorage* root, bool transacted) {
    try {
        chain_ = std::make_unique<CStorageChain>(root, transacted);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void CItemCacheLock::mvEndScope() {
    // Only the scope that opened the file closes it; a nested scope whose
    // open failed has no chain and leaves the file to its owner.
    if (chain_) {
        chain_.reset();
        file_->mvCloseScope();
    }
    // Released before the file may go with the last reference: its
    // destructor closes the handle.
    mvReleaseMutex();
    file_ = nullptr;
}
