#include "itemstore/local_transaction.h"

#include "local_transaction_file.h"

#include "itemstore/item_cache_lock.h"

#include "winapi/errors.h"

#include <new>

using BellquistLib::ILocalTransaction;
using BellquistLib::ILocalTransactionMgr;

CLocalTransactionMgr::CLocalTransactionMgr() = default;
CLocalTransactionMgr::~CLocalTransactionMgr() = default;

HRESULT CLocalTransactionMgr::mhCreate(const RefPtr<CItemCacheFile>& file, ILocalTransactionMgr** manager) {
    if (!manager) return E_POINTER;
    *manager = nullptr;
    CComObject<CLocalTransactionMgr>* created = nullptr;
    HRESULT hr = CComObject<CLocalTransactionMgr>::CreateInstance(&created);
    if (FAILED(hr)) return hr;
    created->mvSetCacheFile(file);
    created->AddRef();
    *manager = created;
    return S_OK;
}

void CLocalTransactionMgr::mvSetCacheFile(const RefPtr<CItemCacheFile>& file) { file_ = file; }

HRESULT CLocalTransactionMgr::BeginTransaction() {
    if (inTransaction_) return E_FAIL;
    try {
        // Waits for the cache mutex and opens the file transacted. A failed
        // open is not reported here: the operations and the end answer E_FAIL.
        lock_ = std::make_unique<CItemCacheLock>(file_, kCacheLockTransacted);
        alive_ = std::make_shared<bool>(true);
    } catch (const std::bad_alloc&) {
        lock_.reset();
        return E_OUTOFMEMORY;
    }
    inTransaction_ = true;
    return S_OK;
}

HRESULT CLocalTransactionMgr::Commit() {
    if (!inTransaction_) return E_FAIL;
    // Every participant is asked, so that each lets go of its cache
    // interface; the first failure is the transaction's result.
    HRESULT result = S_OK;
    for (ILocalTransaction* participant : participants_) {
        HRESULT hr = participant->Commit();
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    inTransaction_ = false;
    HRESULT fileResult = file_ ? file_->mhCommit(*lock_) : E_FAIL;
    if (SUCCEEDED(result)) result = fileResult;
    mvEndTransaction();
    return result;
}

HRESULT CLocalTransactionMgr::Rollback() {
    if (!inTransaction_) return E_FAIL;
    for (ILocalTransaction* participant : participants_) participant->Rollback();
    inTransaction_ = false;
    HRESULT result = file_ ? file_->mhRevert(*lock_) : E_FAIL;
    mvEndTransaction();
    return result;
}

HRESULT CLocalTransactionMgr::AddParticipant(ILocalTransaction* participant) {
    if (!participant) return E_POINTER;
    try {
        participants_.push_back(participant);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    participant->AddRef();
    return S_OK;
}

HRESULT CLocalTransactionMgr::GetCacheFile(LONGLONG** cacheFile) {
    if (!inTransaction_) return E_FAIL;
    if (!cacheFile) return E_INVALIDARG;
    auto* created = new (std::nothrow) CLocalTransactionMgrFile(lock_.get(), file_, alive_);
    if (!created) return E_OUTOFMEMORY;
    current_ = created;  // takes a reference of its own
    created->Release();  // the creator's
    // An address inside this process, carried as the type library declares.
    *cacheFile = reinterpret_cast<LONGLONG*>(static_cast<CItemCacheFileI*>(created));
    return S_OK;
}

void CLocalTransactionMgr::FinalRelease() {
    if (inTransaction_) Rollback();
    current_ = nullptr;
    for (ILocalTransaction* participant : participants_) participant->Release();
    participants_.clear();
    file_ = nullptr;
}

void CLocalTransactionMgr::mvEndTransaction() {
    // Cache interfaces still held anywhere now answer E_FAIL.
    if (alive_) *alive_ = false;
    alive_.reset();
    current_ = nullptr;
    lock_.reset();  // commits nothing more (the file's flag is clear), closes, frees the mutex
    // A manager opened again starts with no participants.
    std::vector<ILocalTransaction*> ended;
    ended.swap(participants_);
    for (ILocalTransaction* participant : ended) participant->Release();
}
