// CLocalTransactionMgr: a local transaction over the item cache file. It
// holds one transacted lock scope (and so the cache mutex) from
// BeginTransaction to Commit or Rollback, hands its participants (link
// managers) a CItemCacheFileI that works inside that scope, and ends the
// participants and the file together.
//
// Single-threaded object (one thread calls it, as the system does).
//
// Ending a transaction (Commit, Rollback, or the release of an open manager)
// asks every participant, clears the participant list, and invalidates every
// cache interface handed out for it: a participant that still holds one gets
// E_FAIL from its next operation instead of reaching a closed scope.
#pragma once

#include "itemstore/item_cache_file.h"
#include "itemstore/item_cache_file_i.h"
#include "common/ref_ptr.h"

#include "bellquist/item_interfaces.h"
#include "com/server/com_object.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"

#include <memory>
#include <vector>

class CItemCacheLock;

class CLocalTransactionMgr : public CComObjectRootEx<CComSingleThreadModel>, public BellquistLib::ILocalTransactionMgr {
public:
    BEGIN_COM_MAP(CLocalTransactionMgr)
    COM_INTERFACE_ENTRY(BellquistLib::ILocalTransactionMgr)
    END_COM_MAP()

    // A new manager over `file` with one reference for the caller; no
    // transaction is open yet. E_POINTER, E_OUTOFMEMORY.
    static HRESULT mhCreate(const RefPtr<CItemCacheFile>& file, BellquistLib::ILocalTransactionMgr** manager);

    // Replaces the cache file the next transaction opens.
    void mvSetCacheFile(const RefPtr<CItemCacheFile>& file);

    // Takes the cache mutex and opens the file transacted. E_FAIL when a
    // transaction is open. A file that cannot be opened leaves a transaction
    // whose cache operations, Commit and Rollback answer E_FAIL.
    HRESULT STDMETHODCALLTYPE BeginTransaction() override;
    // Asks every participant to commit, commits the file, ends the scope.
    // Returns the first failure: a participant's (in registration order),
    // else the file commit's result. E_FAIL when no transaction is open.
    HRESULT STDMETHODCALLTYPE Commit() override;
    // Asks every participant to roll back, reverts the file, ends the scope;
    // returns the revert's result. E_FAIL when no transaction is open.
    HRESULT STDMETHODCALLTYPE Rollback() override;
    // Keeps a reference to `participant` until the transaction ends.
    HRESULT STDMETHODCALLTYPE AddParticipant(BellquistLib::ILocalTransaction* participant) override;
    // A new cache interface of the open transaction, written as its address;
    // borrowed (the manager keeps the last one): a caller that keeps it adds
    // a reference. E_FAIL when no transaction is open, E_INVALIDARG for a
    // null out parameter.
    HRESULT STDMETHODCALLTYPE GetCacheFile(LONGLONG** cacheFile) override;

    // Rolls an open transaction back.
    void FinalRelease();

protected:
    CLocalTransactionMgr();
    ~CLocalTransactionMgr();

private:
    // Ends the scope and everything handed out for it.
    void mvEndTransaction();

    std::unique_ptr<CItemCacheLock> lock_;  // owned; only while a transaction is open
    RefPtr<CItemCacheFile> file_;
    std::vector<BellquistLib::ILocalTransaction*> participants_;  // one reference each
    bool inTransaction_ = false;
    RefPtr<CItemCacheFileI> current_;  // the cache interface handed out last
    // Shared with every cache interface of the open transaction; cleared
    // when it ends.
    std::shared_ptr<bool> alive_;
};
