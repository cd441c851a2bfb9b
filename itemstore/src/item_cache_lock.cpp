#include "itemstore/item_cache_lock.h"

#include "winapi/errors.h"
#include "winapi/handles.h"
#include "winapi/sync.h"

#include <new>

namespace {

constexpr DWORD kMutexAccess = SYNCHRONIZE | MUTEX_MODIFY_STATE;

// The cache mutex, opened or else created open to everyone; null when
// neither works (the scope then runs without it).
HANDLE OpenOrCreateCacheMutex() {
    HANDLE mutex = OpenMutexW(kMutexAccess, FALSE, kItemCacheMutexName);
    if (mutex) return mutex;
    SECURITY_DESCRIPTOR descriptor{};
    SECURITY_ATTRIBUTES attributes{};
    attributes.nLength = sizeof(attributes);
    attributes.lpSecurityDescriptor = &descriptor;
    attributes.bInheritHandle = FALSE;
    bool everyone = InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
                    SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
    return CreateMutexW(everyone ? &attributes : nullptr, FALSE, kItemCacheMutexName);
}

}  // namespace

void gvCloseMutexHandle(HANDLE* mutex) {
    if (!*mutex) return;
    ReleaseMutex(*mutex);
    CloseHandle(*mutex);
    *mutex = nullptr;
}

CItemCacheLock::CItemCacheLock(const RefPtr<CItemCacheFile>& file, int mode) { mvLock(file, mode); }

CItemCacheLock::~CItemCacheLock() { mvEndScope(); }

void CItemCacheLock::mvLock(const RefPtr<CItemCacheFile>& file, int mode) {
    mvEndScope();
    file_ = file;
    if (!file_) return;
    mutex_ = OpenOrCreateCacheMutex();
    // WAIT_ABANDONED (the holder died inside a scope) means we own it now:
    // the file is whole, since a commit either happened or did not.
    if (mutex_) WaitForSingleObject(mutex_, INFINITE);
    try {
        file_->mhOpen(*this, mode);
    } catch (...) {
        gvCloseMutexHandle(&mutex_);
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
    gvCloseMutexHandle(&mutex_);
    file_ = nullptr;
}
