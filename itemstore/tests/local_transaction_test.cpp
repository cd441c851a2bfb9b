// Local transactions: the manager's states, participants asked at commit
// and rollback, and the cache interface handed to participants.
#include "itemstore/local_transaction.h"

#include "cache_file_probe.h"
#include "cache_operations_support.h"

#include "testsupport/child_process.h"
#include "winapi/errors.h"

#include <fstream>
#include <string>
#include <vector>

namespace {

using BellquistLib::ILocalTransaction;
using BellquistLib::ILocalTransactionMgr;

// A participant as the link manager is one: it takes the transaction's cache
// interface when it begins and lets it go when it commits or rolls back
// (unless told to keep it, as a faulty participant would).
class FakeParticipant final : public ILocalTransaction {
public:
    FakeParticipant(std::vector<std::string>& log, std::string name, HRESULT commitResult = S_OK,
                    bool keepsInterface = false)
        : log_(log), name_(std::move(name)), commitResult_(commitResult), keepsInterface_(keepsInterface) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }

    HRESULT STDMETHODCALLTYPE BeginLocalTransaction(ILocalTransactionMgr* manager) override {
        LONGLONG* address = nullptr;
        HRESULT hr = manager->GetCacheFile(&address);
        if (SUCCEEDED(hr)) cache = reinterpret_cast<CItemCacheFileI*>(address);  // adds its own reference
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Commit() override {
        log_.push_back(name_ + " commit");
        if (!keepsInterface_) cache = nullptr;
        return commitResult_;
    }
    HRESULT STDMETHODCALLTYPE Rollback() override {
        log_.push_back(name_ + " rollback");
        if (!keepsInterface_) cache = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InTransaction(VARIANT_BOOL* inTransaction) override {
        *inTransaction = cache ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }

    RefPtr<CItemCacheFileI> cache;
    int references = 0;

private:
    std::vector<std::string>& log_;
    std::string name_;
    HRESULT commitResult_;
    bool keepsInterface_;
};

class LocalTransactionTest : public CacheOperationsTest {
protected:
    void SetUp() override { ASSERT_EQ(S_OK, CLocalTransactionMgr::mhCreate(file_, &manager_)); }
    void TearDown() override { ReleaseManager(); }
    void ReleaseManager() {
        if (manager_) manager_->Release();
        manager_ = nullptr;
    }
    // Begins the participant's part and registers it.
    void Join(FakeParticipant& participant) {
        ASSERT_EQ(S_OK, participant.BeginLocalTransaction(manager_));
        ASSERT_EQ(S_OK, manager_->AddParticipant(&participant));
    }
    bool Cached(const std::u16string& name) {
        CItemCacheLock lock(file_, kCacheLockDirect);
        return file_->mhItemExists(lock, name) == S_OK;
    }

    std::vector<std::string> log_;
    ILocalTransactionMgr* manager_ = nullptr;
};

TEST_F(LocalTransactionTest, MisusedStatesAreRefused) {
    LONGLONG* address = nullptr;
    EXPECT_EQ(E_FAIL, manager_->Commit());
    EXPECT_EQ(E_FAIL, manager_->Rollback());
    EXPECT_EQ(E_FAIL, manager_->GetCacheFile(&address));
    EXPECT_EQ(E_POINTER, manager_->AddParticipant(nullptr));

    ASSERT_EQ(S_OK, manager_->BeginTransaction());
    EXPECT_EQ(E_FAIL, manager_->BeginTransaction());
    EXPECT_EQ(E_INVALIDARG, manager_->GetCacheFile(nullptr));
    EXPECT_EQ(S_OK, manager_->GetCacheFile(&address));
    EXPECT_NE(nullptr, address);
    EXPECT_EQ(S_OK, manager_->Commit());  // no participants: the file alone

    EXPECT_EQ(E_FAIL, manager_->Commit());
    EXPECT_EQ(E_FAIL, manager_->GetCacheFile(&address));
}

TEST_F(LocalTransactionTest, CommitAsksEveryParticipantInOrderAndStoresTheirChanges) {
    FakeParticipant first(log_, "first"), second(log_, "second"), third(log_, "third");
    ASSERT_EQ(S_OK, manager_->BeginTransaction());
    Join(first);
    Join(second);
    Join(third);
    ASSERT_EQ(S_OK, first.cache->mhWriteItem(MakeItem(u"Pump.<item>")));
    ASSERT_EQ(S_OK, second.cache->mhWriteChildren(u"Pump.<item>", {MakeChild(4, kObjectTypeFile, -1, 2)}));
    ASSERT_EQ(S_OK, third.cache->mhItemExists(u"Pump.<item>"));  // sees the others' changes

    EXPECT_EQ(S_OK, manager_->Commit());
    EXPECT_EQ(log_, (std::vector<std::string>{"first commit", "second commit", "third commit"}));
    for (FakeParticipant* p : {&first, &second, &third}) EXPECT_EQ(0, p->references);  // list cleared
    EXPECT_TRUE(Cached(u"Pump.<item>"));
    EXPECT_EQ(StoredChildren(u"Pump.<item>"), std::vector<std::string>{"4/-1/2"});

    // The next transaction does not ask the earlier participants.
    log_.clear();
    ASSERT_EQ(S_OK, manager_->BeginTransaction());
    EXPECT_EQ(S_OK, manager_->Commit());
    EXPECT_TRUE(log_.empty());
}

TEST_F(LocalTransactionTest, AFailingParticipantDoesNotStopTheOthersAndIsReported) {
    const HRESULT kRefused = _HRESULT_TYPEDEF_(0x80040266L);
    FakeParticipant first(log_, "first"), failing(log_, "failing", kRefused),
        keeping(log_, "keeping", S_FALSE, /*keepsInterface=*/true), last(log_, "last", E_OUTOFMEMORY);
    ASSERT_EQ(S_OK, manager_->BeginTransaction());
    for (FakeParticipant* p : {&first, &failing, &keeping, &last}) Join(*p);
    ASSERT_EQ(S_OK, first.cache->mhWriteItem(MakeItem(u"Pump.<item>")));

    EXPECT_EQ(kRefused, manager_->Commit());
    EXPECT_EQ(log_, (std::vector<std::string>{"first commit", "failing commit", "keeping commit", "last commit"}));
    EXPECT_TRUE(Cached(u"Pump.<item>"));  // the file was committed all the same

    // The interface kept past the end reaches no closed scope.
    ASSERT_TRUE(keeping.cache);
    EXPECT_EQ(E_FAIL, keeping.cache->mhItemExists(u"Pump.<item>"));
    EXPECT_EQ(E_FAIL, keeping.cache->mhWriteItem(MakeItem(u"Valve.<item>")));
    EXPECT_FALSE(Cached(u"Valve.<item>"));
}

TEST_F(LocalTransactionTest, RollbackAsksEveryParticipantAndDiscardsTheChanges) {
    StoreItem(MakeItem(u"Kept.<item>"));
    FakeParticipant first(log_, "first"), keeping(log_, "keeping", S_OK, /*keepsInterface=*/true);
    ASSERT_EQ(S_OK, manager_->BeginTransaction());
    Join(first);
    Join(keeping);
    ASSERT_EQ(S_OK, first.cache->mhWriteItem(MakeItem(u"Pump.<item>")));
    ASSERT_EQ(S_OK, keeping.cache->mhDeleteItem(u"Kept.<item>"));

    EXPECT_EQ(S_OK, manager_->Rollback());
    EXPECT_EQ(log_, (std::vector<std::string>{"first rollback", "keeping rollback"}));
    EXPECT_EQ(0, first.references);
    EXPECT_FALSE(Cached(u"Pump.<item>"));
    EXPECT_TRUE(Cached(u"Kept.<item>"));
    EXPECT_EQ(E_FAIL, keeping.cache->mhDeleteItem(u"Kept.<item>"));
    EXPECT_TRUE(Cached(u"Kept.<item>"));
}

TEST_F(LocalTransactionTest, ReleasingAnOpenManagerRollsBackAndFreesTheCache) {
    FakeParticipant first(log_, "first");
    ASSERT_EQ(S_OK, manager_->BeginTransaction());
    Join(first);
    ASSERT_EQ(S_OK, first.cache->mhWriteItem(MakeItem(u"Pump.<item>")));
    ReleaseManager();
    EXPECT_EQ(log_, std::vector<std::string>{"first rollback"});
    EXPECT_EQ(0, first.references);
    CItemCacheLock lock(file_, kCacheLockDirect);  // mutex and file are free again
    EXPECT_TRUE(file_->mbOpenIn(lock));
    EXPECT_EQ(S_FALSE, file_->mhItemExists(lock, u"Pump.<item>"));
}

TEST_F(LocalTransactionTest, ATransactionWhoseFileCannotBeOpenedFailsEveryStep) {
    {
        std::ofstream out(NarrowName(file_->mPath()), std::ios::binary);
        out << "not a compound file";
    }
    FakeParticipant first(log_, "first");
    ASSERT_EQ(S_OK, manager_->BeginTransaction());
    Join(first);
    EXPECT_EQ(E_FAIL, first.cache->mhWriteItem(MakeItem(u"Pump.<item>")));
    EXPECT_EQ(E_FAIL, manager_->Commit());
    EXPECT_EQ(log_, std::vector<std::string>{"first commit"});
    // Back to idle.
    EXPECT_EQ(S_OK, manager_->BeginTransaction());
    EXPECT_EQ(E_FAIL, manager_->Rollback());
    std::ifstream in(NarrowName(file_->mPath()), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "not a compound file");
}

TEST_F(LocalTransactionTest, AManagerWithoutACacheFileRunsEmptyTransactions) {
    ILocalTransactionMgr* manager = nullptr;
    ASSERT_EQ(S_OK, CLocalTransactionMgr::mhCreate(RefPtr<CItemCacheFile>(), &manager));
    FakeParticipant first(log_, "first");
    ASSERT_EQ(S_OK, manager->BeginTransaction());
    ASSERT_EQ(S_OK, first.BeginLocalTransaction(manager));
    ASSERT_EQ(S_OK, manager->AddParticipant(&first));
    EXPECT_EQ(E_FAIL, first.cache->mhItemExists(u"Pump.<item>"));
    EXPECT_EQ(E_FAIL, manager->Commit());
    EXPECT_EQ(log_, std::vector<std::string>{"first commit"});
    manager->Release();
}

// Another process waits for the transaction (the cache mutex) and then sees
// the committed changes, and none of the rolled-back ones.
TEST_F(LocalTransactionTest, AnotherProcessSeesOnlyCommittedChanges) {
    struct Case {
        bool commit;
        int expectedExit;  // 0: cached, 1: not cached
    };
    for (const Case& c : {Case{true, 0}, Case{false, 1}}) {
        SCOPED_TRACE(c.commit);
        const std::string name = c.commit ? "Committed.<item>" : "RolledBack.<item>";
        FakeParticipant first(log_, "first");
        ASSERT_EQ(S_OK, manager_->BeginTransaction());
        Join(first);
        ASSERT_EQ(S_OK, first.cache->mhWriteItem(MakeItem(std::u16string(name.begin(), name.end()))));
        testsupport::ChildProcess reader(testsupport::SiblingProgram("local_transaction_child"),
                                         {NarrowName(file_->mPath()), "exists", name});
        ASSERT_TRUE(reader.WaitForLine("waiting"));
        EXPECT_EQ(S_OK, c.commit ? manager_->Commit() : manager_->Rollback());
        EXPECT_EQ(c.expectedExit, reader.Wait());
    }
}

}  // namespace
