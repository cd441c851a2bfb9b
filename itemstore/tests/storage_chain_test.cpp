#include "itemstore/storage_chain.h"

#include "cache_file_probe.h"

#include "storage/compound_file.h"
#include "testsupport/fresh_machine.h"
#include "winapi/errors.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::u16string kPieceA(30, u'a');
const std::u16string kPieceB(30, u'b');
const std::string kStorageA = std::string(30, 'a') + "F";
const std::string kStorageB = std::string(30, 'b') + "F";

// A root storage that counts commits and can be told to refuse
// DestroyElement; everything else goes to the real root.
class ProbeRoot : public IStorage {
public:
    explicit ProbeRoot(IStorage* real) : real_(real) {}
    HRESULT destroyFailure = S_OK;
    int commits = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }  // lives on the test's stack
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateStream(const OLECHAR* name, DWORD mode, DWORD r1, DWORD r2,
                                           IStream** stream) override {
        return real_->CreateStream(name, mode, r1, r2, stream);
    }
    HRESULT STDMETHODCALLTYPE OpenStream(const OLECHAR* name, void* r1, DWORD mode, DWORD r2,
                                         IStream** stream) override {
        return real_->OpenStream(name, r1, mode, r2, stream);
    }
    HRESULT STDMETHODCALLTYPE CreateStorage(const OLECHAR* name, DWORD mode, DWORD r1, DWORD r2,
                                            IStorage** storage) override {
        return real_->CreateStorage(name, mode, r1, r2, storage);
    }
    HRESULT STDMETHODCALLTYPE OpenStorage(const OLECHAR* name, IStorage* priority, DWORD mode, SNB exclude,
                                          DWORD reserved, IStorage** storage) override {
        return real_->OpenStorage(name, priority, mode, exclude, reserved, storage);
    }
    HRESULT STDMETHODCALLTYPE CopyTo(DWORD count, const IID* iids, SNB exclude, IStorage* target) override {
        return real_->CopyTo(count, iids, exclude, target);
    }
    HRESULT STDMETHODCALLTYPE MoveElementTo(const OLECHAR* name, IStorage* target, const OLECHAR* newName,
                                            DWORD flags) override {
        return real_->MoveElementTo(name, target, newName, flags);
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD flags) override {
        ++commits;
        return real_->Commit(flags);
    }
    HRESULT STDMETHODCALLTYPE Revert() override { return real_->Revert(); }
    HRESULT STDMETHODCALLTYPE EnumElements(DWORD r1, void* r2, DWORD r3, IEnumSTATSTG** elements) override {
        return real_->EnumElements(r1, r2, r3, elements);
    }
    HRESULT STDMETHODCALLTYPE DestroyElement(const OLECHAR* name) override {
        return FAILED(destroyFailure) ? destroyFailure : real_->DestroyElement(name);
    }
    HRESULT STDMETHODCALLTYPE RenameElement(const OLECHAR* oldName, const OLECHAR* newName) override {
        return real_->RenameElement(oldName, newName);
    }
    HRESULT STDMETHODCALLTYPE SetElementTimes(const OLECHAR* name, const FILETIME* c, const FILETIME* a,
                                              const FILETIME* m) override {
        return real_->SetElementTimes(name, c, a, m);
    }
    HRESULT STDMETHODCALLTYPE SetClass(REFCLSID clsid) override { return real_->SetClass(clsid); }
    HRESULT STDMETHODCALLTYPE SetStateBits(DWORD bits, DWORD mask) override { return real_->SetStateBits(bits, mask); }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flag) override { return real_->Stat(stat, flag); }

private:
    IStorage* real_;
};

class StorageChainTest : public testsupport::FreshMachineTest {
protected:
    void SetUp() override {
        std::string path = (machine_.root() / "chain.cfb").string();
        ASSERT_EQ(S_OK, StgCreateStorageEx(std::u16string(path.begin(), path.end()).c_str(),
                                           STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE, STGFMT_DOCFILE, 0,
                                           nullptr, nullptr, IID_IStorage, reinterpret_cast<void**>(&file_)));
    }
    void TearDown() override {
        if (file_) file_->Release();
    }
    std::vector<std::string> Tree() { return ElementTree(file_); }

    IStorage* file_ = nullptr;
    ProbeRoot root_{nullptr};
    ProbeRoot& Root() {
        root_ = ProbeRoot(file_);
        return root_;
    }
};

TEST_F(StorageChainTest, LongNamesLiveInNestedStoragesThatArePrunedOnceEmptyAndLeft) {
    CStorageChain chain(file_, false);
    ASSERT_EQ(S_OK, WriteThroughChain(chain, kPieceA + kPieceB + u"c"));
    EXPECT_EQ(Tree(), (std::vector<std::string>{kStorageA + "/", kStorageA + "/<in use>"}));
    EXPECT_EQ(S_FALSE, chain.mhOpenPath(u"x", false));
    EXPECT_EQ(Tree(), (std::vector<std::string>{kStorageA + "/", kStorageA + "/" + kStorageB + "/",
                                                kStorageA + "/" + kStorageB + "/cS"}));

    // The emptied storages stay while the chain is inside them...
    ASSERT_EQ(S_OK, chain.mhDestroyElement(kPieceA + kPieceB + u"c"));
    EXPECT_EQ(Tree(), (std::vector<std::string>{kStorageA + "/", kStorageA + "/<in use>"}));
    // ...and go, the outermost from the root, once it moves to the root.
    EXPECT_EQ(S_OK, chain.mhOpenPath(u"x", false));
    EXPECT_EQ(Tree(), std::vector<std::string>{});
}

TEST_F(StorageChainTest, PruningStopsAtAStorageThatStillHoldsAnElement) {
    CStorageChain chain(file_, false);
    ASSERT_EQ(S_OK, WriteThroughChain(chain, kPieceA + u"d"));
    ASSERT_EQ(S_OK, WriteThroughChain(chain, kPieceA + kPieceB + u"c"));
    // Leaving storages that are not empty destroys nothing.
    EXPECT_EQ(S_FALSE, chain.mhOpenPath(u"x", false));
    EXPECT_EQ(4u, Tree().size());

    ASSERT_EQ(S_OK, chain.mhDestroyElement(kPieceA + kPieceB + u"c"));
    EXPECT_EQ(S_OK, chain.mhOpenPath(u"x", false));
    EXPECT_EQ(Tree(), (std::vector<std::string>{kStorageA + "/", kStorageA + "/dS"}));
}

TEST_F(StorageChainTest, TheCommonPrefixIsKeptOpen) {
    CStorageChain chain(file_, false);
    EXPECT_EQ(S_OK, chain.mhOpenPath(kPieceA + kPieceB + u"c", true));
    EXPECT_EQ(S_FALSE, chain.mhOpenPath(kPieceA + kPieceB + u"c", true));
    EXPECT_EQ(S_FALSE, chain.mhOpenPath(kPieceA + kPieceB + u"e", false));  // the same storages
    EXPECT_EQ(u"eS", std::u16string(chain.mpoElementName()));
    // Going back up one level prunes the inner storage (still empty).
    EXPECT_EQ(S_OK, chain.mhOpenPath(kPieceA + u"f", false));
    EXPECT_EQ(Tree(), (std::vector<std::string>{kStorageA + "/", kStorageA + "/<in use>"}));
    EXPECT_EQ(S_OK, chain.mhOpenPath(u"x", false));
    EXPECT_EQ(Tree(), std::vector<std::string>{});
}

TEST_F(StorageChainTest, AMissingPieceWithoutCreateFailsAndTheChainStaysUsable) {
    CStorageChain chain(file_, false);
    ASSERT_EQ(S_OK, WriteThroughChain(chain, kPieceA + u"d"));
    // The first piece opens, the second is missing.
    EXPECT_EQ(STG_E_FILENOTFOUND, chain.mhOpenPath(kPieceA + kPieceB + u"c", false));
    EXPECT_EQ(STG_E_FILENOTFOUND, chain.mhOpenPath(kPieceB + kPieceB + u"c", false));
    EXPECT_EQ(Tree(), (std::vector<std::string>{kStorageA + "/", kStorageA + "/dS"}));

    EXPECT_EQ(S_OK, WriteThroughChain(chain, kPieceA + kPieceB + u"c"));
    EXPECT_EQ(S_OK, WriteThroughChain(chain, u"root"));
    EXPECT_EQ(5u, Tree().size());
}

TEST_F(StorageChainTest, DestroyingAnEmptyNameIsRefusedWithoutNavigating) {
    CStorageChain chain(file_, false);
    ASSERT_EQ(S_OK, WriteThroughChain(chain, kPieceA + u"d"));
    ASSERT_EQ(S_OK, chain.mhDestroyElement(kPieceA + u"d"));
    EXPECT_EQ(E_INVALIDARG, chain.mhDestroyElement(u""));
    // Not left, so not pruned.
    EXPECT_EQ(Tree(), (std::vector<std::string>{kStorageA + "/", kStorageA + "/<in use>"}));
    EXPECT_EQ(STG_E_FILENOTFOUND, chain.mhDestroyElement(u"never written"));
}

TEST_F(StorageChainTest, DestructionPrunesAndReleasesALeftoverStream) {
    {
        CStorageChain chain(file_, false);
        ASSERT_EQ(S_OK, WriteThroughChain(chain, kPieceA + kPieceB + u"c"));
        ASSERT_EQ(S_OK, chain.mhDestroyElement(kPieceA + kPieceB + u"c"));
    }
    EXPECT_EQ(Tree(), std::vector<std::string>{});
    {
        CStorageChain chain(file_, false);
        ASSERT_EQ(S_OK, chain.mhOpenPath(kPieceA + u"c", true));
        // A stream left in the slot by an operation that failed midway.
        IStream* stream = nullptr;
        ASSERT_EQ(S_OK, chain.mpoCurrentStorage()->CreateStream(
                            chain.mpoElementName(), STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_WRITE, 0, 0, &stream));
        chain.mvSetStream(stream);
    }
    // Released: its storage is no longer in use.
    EXPECT_EQ(S_OK, file_->DestroyElement(std::u16string(kStorageA.begin(), kStorageA.end()).c_str()));
}

TEST_F(StorageChainTest, DirectChainsCommitAfterADestroyTransactedOnesDoNot) {
    for (bool transacted : {false, true}) {
        SCOPED_TRACE(transacted);
        ProbeRoot& root = Root();
        CStorageChain chain(&root, transacted);
        ASSERT_EQ(S_OK, WriteThroughChain(chain, u"x"));
        root.commits = 0;
        EXPECT_EQ(S_OK, chain.mhDestroyElement(u"x"));
        EXPECT_EQ(transacted ? 0 : 1, root.commits);
    }
}

TEST_F(StorageChainTest, AFailedDestroyWhilePruningIsReturned) {
    ProbeRoot& root = Root();
    CStorageChain chain(&root, false);
    ASSERT_EQ(S_OK, WriteThroughChain(chain, kPieceA + u"c"));
    ASSERT_EQ(S_OK, chain.mhDestroyElement(kPieceA + u"c"));
    root.destroyFailure = STG_E_ACCESSDENIED;
    EXPECT_EQ(STG_E_ACCESSDENIED, chain.mhOpenPath(u"x", false));
    root.destroyFailure = S_OK;
    EXPECT_EQ(S_FALSE, chain.mhOpenPath(u"x", false));  // usable; the storage is left behind
    EXPECT_EQ(Tree(), std::vector<std::string>{kStorageA + "/"});
}

}  // namespace
