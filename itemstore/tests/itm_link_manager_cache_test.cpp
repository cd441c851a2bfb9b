// An item's link manager writes its changes through to the item cache:
// outside a local transaction in a lock scope of its own, inside through the
// transaction, whose rollback restores the links and the cache together.
// What it wrote is read back by a fresh process.
#include "link_manager_support.h"

#include "cache_operations_support.h"

#include "com_testing/leak_checked_test.h"
#include "common/error_codes.h"
#include "itemstore/local_transaction.h"
#include "testsupport/child_process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace link_test;

namespace {

constexpr const char16_t* kOwner = u"Pump.<item>";
constexpr LONG kOwnerAttachedVersion = 7;

class LinkManagerCacheTest : public com_testing::LeakChecked<CacheOperationsTest> {
protected:
    LinkManagerCacheTest() { RegisterRecordsOnce(); }
    void SetUp() override {
        LeakChecked::SetUp();
        RefPtr<ItemObject> owner = MakeItem(kOwner, 41);
        owner->mlAttachedVersion = kOwnerAttachedVersion;
        ASSERT_NO_FATAL_FAILURE(StoreItem(owner));
        ASSERT_EQ(CComObject<CItmItem>::CreateInstance(&item_), S_OK);
        item_->AddRef();
        Record record({.type = ItmObjectType_Item, .id = 41, .linkType = LinkType_BOM, .name = kOwner});
        ASSERT_EQ(item_->mhLoadWithLinkManager(&record.d, nullptr, file_), S_OK);
        ASSERT_EQ(item_->get_LinkManager(&manager_), S_OK);
    }
    void TearDown() override {
        ReleaseAll({manager_, transactions_});
        if (item_) item_->Release();
        LeakChecked::TearDown();
    }

    // "id/config/linkType/op" of each stored child of the owner.
    std::vector<std::string> Stored() {
        CItemCacheLock lock(file_, kCacheLockDirect);
        ChildList children;
        EXPECT_EQ(file_->mhReadChildren(lock, kOwner, children), S_OK);
        std::vector<std::string> out;
        for (const RefPtr<ChildWithLink>& c : children) {
            out.push_back(std::to_string(c->mlObjectID) + "/" + std::to_string(c->mlConfigID) + "/" +
                          std::to_string(c->meLinkType) + "/" + std::to_string(c->meLinkOperation));
        }
        return out;
    }
    uint32_t OwnerDirty() {
        CItemCacheLock lock(file_, kCacheLockDirect);
        uint32_t dirty = 7;
        EXPECT_EQ(file_->mhGetItemDirty(lock, kOwner, dirty), S_OK);
        return dirty;
    }
    void MarkOwnerClean() {
        CItemCacheLock lock(file_, kCacheLockDirect);
        RefPtr<ItemObject> owner;
        ASSERT_EQ(file_->mhReadItem(lock, kOwner, owner), S_OK);
        owner->mlDirty = 0;
        ASSERT_EQ(file_->mhWriteItem(lock, owner), S_OK);
    }
    HRESULT WithObjects(HRESULT (STDMETHODCALLTYPE IItmLinkManager::*call)(SAFEARRAY*),
                        std::initializer_list<IItmObject*> objects) {
        SAFEARRAY* array = ObjectArray(objects);
        HRESULT hr = (manager_->*call)(array);
        SafeArrayDestroy(array);
        return hr;
    }
    HRESULT AddObjects(std::initializer_list<IItmObject*> objects, ItmLinkOperation op) {
        SAFEARRAY* array = ObjectArray(objects);
        HRESULT hr = manager_->AddLinks2(array, op);
        SafeArrayDestroy(array);
        return hr;
    }
    LONG LocalVersion() {
        LONG version = 0;
        EXPECT_EQ(manager_->GetLocalVersion(&version), S_OK);
        return version;
    }
    // Opens a local transaction over the cache file with the link manager
    // taking part.
    void BeginTransaction() {
        ASSERT_EQ(CLocalTransactionMgr::mhCreate(file_, &transactions_), S_OK);
        ASSERT_EQ(transactions_->BeginTransaction(), S_OK);
        ILocalTransaction* participant = As<ILocalTransaction>(manager_);
        ASSERT_NE(participant, nullptr);
        EXPECT_EQ(participant->BeginLocalTransaction(transactions_), S_OK);
        EXPECT_EQ(transactions_->AddParticipant(participant), S_OK);
        participant->Release();
    }
    bool InTransaction() {
        ILocalTransaction* participant = As<ILocalTransaction>(manager_);
        VARIANT_BOOL in = 7;
        EXPECT_EQ(participant->InTransaction(&in), S_OK);
        participant->Release();
        return in == VARIANT_TRUE;
    }
    // What a fresh process reads back from the cache file.
    void ExpectFreshProcessReads(const std::vector<std::string>& lines) {
        const std::u16string wide = Path();
        const std::string path(wide.begin(), wide.end());
        testsupport::ChildProcess reader(testsupport::SiblingProgram("link_cache_reader_child"), {path, "Pump.<item>"});
        for (const std::string& line : lines) EXPECT_TRUE(reader.WaitForLine(line)) << line;
        EXPECT_EQ(reader.Wait(), 0);
    }

    CComObject<CItmItem>* item_ = nullptr;
    IItmLinkManager* manager_ = nullptr;
    ILocalTransactionMgr* transactions_ = nullptr;
};

TEST_F(LinkManagerCacheTest, ChangesAreWrittenThroughAndReadBackByAFreshProcess) {
    IItmObject* f10 = File(10);
    IItmObject* f11 = File(11, LinkType_Dynamic);
    IItmObject* i12 = Item(12);
    ASSERT_EQ(OwnerDirty(), 0u);

    // Added: the children list holds them as the table does.
    ASSERT_EQ(AddObjects({f10, f11, i12}, LinkOp_New), S_OK);
    EXPECT_EQ(Stored(), (std::vector<std::string>{"10/-1/2/2", "11/-1/1/2", "12/-1/3/2"}));
    EXPECT_EQ(OwnerDirty(), 1u);

    // Switched: the dynamic link moves from 11 to 10.
    MarkOwnerClean();
    ASSERT_EQ(WithObjects(&IItmLinkManager::SwitchLinks, {f10, f11}), S_OK);
    EXPECT_EQ(Stored(), (std::vector<std::string>{"10/-1/1/5", "11/-1/2/5", "12/-1/3/2"}));
    EXPECT_EQ(OwnerDirty(), 1u);

    // Removed by RemoveLinks2: marked LinkOp_Remove, out of the table.
    MarkOwnerClean();
    ASSERT_EQ(WithObjects(&IItmLinkManager::RemoveLinks2, {f10}), S_OK);
    EXPECT_EQ(Stored(), (std::vector<std::string>{"10/-1/1/3", "11/-1/2/5", "12/-1/3/2"}));
    EXPECT_EQ(OwnerDirty(), 1u);
    EXPECT_EQ(Links(manager_), (std::vector<std::string>{"4:12:-1:3:2", "6:11:-1:2:5"}));

    // Removed by RemoveLink2: erased from the list.
    MarkOwnerClean();
    ASSERT_EQ(manager_->RemoveLink2(i12), S_OK);
    EXPECT_EQ(Stored(), (std::vector<std::string>{"10/-1/1/3", "11/-1/2/5"}));
    EXPECT_EQ(OwnerDirty(), 1u);

    // Another process: the same list, and a fresh link manager (no links,
    // so clean) gives the owner's attached version.
    ExpectFreshProcessReads({"child 10/-1/1/3", "child 11/-1/2/5", "dirty 1", "local 7"});
    ReleaseAll({f10, f11, i12});
}

TEST_F(LinkManagerCacheTest, SwitchLinkWritesTheNewPairOfTheFile) {
    IItmObject* f10 = File(10, LinkType_Static, 3);
    ASSERT_EQ(AddObjects({f10}, LinkOp_None), S_OK);
    MarkOwnerClean();
    ASSERT_EQ(manager_->SwitchLink(f10), S_OK);
    EXPECT_EQ(Stored(), (std::vector<std::string>{"10/3/1/5"}));
    EXPECT_EQ(OwnerDirty(), 1u);
    ExpectFreshProcessReads({"child 10/3/1/5", "dirty 1", "local 7"});
    f10->Release();
}

TEST_F(LinkManagerCacheTest, AddLink2WritesTheChildsRecordWhichOnlyAnItemCanBe) {
    IItmObject* file = File(10);
    IItmObject* valve = Item(12);
    // The link is held, then the cache refuses a file's record.
    EXPECT_EQ(manager_->AddLink2(file, LinkOp_New), E_OXN_INVALID_TYPE);
    EXPECT_EQ(Links(manager_), (std::vector<std::string>{"6:10:-1:2:2"}));
    EXPECT_EQ(OwnerDirty(), 0u);

    EXPECT_EQ(manager_->AddLink2(valve, LinkOp_New), S_OK);
    {
        CItemCacheLock lock(file_, kCacheLockDirect);
        EXPECT_EQ(file_->mhItemExists(lock, u"Valve.<item>"), S_OK);
    }
    EXPECT_EQ(OwnerDirty(), 1u);
    ReleaseAll({file, valve});
}

TEST_F(LinkManagerCacheTest, LocalVersionIsTheCachedOneUnlessSomethingIsDirty) {
    LONG version = 0;
    EXPECT_EQ(LocalVersion(), kOwnerAttachedVersion);
    EXPECT_EQ(item_->get_LocalVersion(&version), S_OK);
    EXPECT_EQ(version, kOwnerAttachedVersion);

    // Renamed: read under the new name, -2 while that is not cached.
    IItmObject* renamed = Item(41, u"Pump 2.<item>");
    EXPECT_EQ(manager_->SetParentName(renamed), S_OK);
    EXPECT_EQ(LocalVersion(), -2);
    RefPtr<ItemObject> cached = MakeItem(u"Pump 2.<item>", 41);
    cached->mlAttachedVersion = 9;
    ASSERT_NO_FATAL_FAILURE(StoreItem(cached));
    EXPECT_EQ(LocalVersion(), 9);
    EXPECT_EQ(manager_->SetParentName(nullptr), E_OXN_NULL_VALUE);

    // A dirty item, or a dirty link: -1.
    EXPECT_EQ(item_->put_IsDirty(VARIANT_TRUE), S_OK);
    EXPECT_EQ(item_->get_LocalVersion(&version), S_OK);
    EXPECT_EQ(version, -1);
    EXPECT_EQ(item_->put_IsDirty(VARIANT_FALSE), S_OK);
    ItmLink link{ItmObjectType_Item, 12, 0, -1, LinkType_BOM, LinkOp_New};
    ASSERT_EQ(manager_->AddLink(&link), S_OK);
    EXPECT_EQ(LocalVersion(), -1);
    EXPECT_EQ(item_->get_LocalVersion(&version), S_OK);
    EXPECT_EQ(version, -1);
    renamed->Release();
}

// Rollback restores the links exactly as they were at the begin - added,
// removed and switched ones alike - and the cache file with them.
TEST_F(LinkManagerCacheTest, RollbackRestoresTheLinksAndTheCacheAfterAddRemoveAndSwitch) {
    IItmObject* f10 = File(10);
    IItmObject* f11 = File(11, LinkType_Dynamic);
    IItmObject* f13 = File(13);
    IItmObject* f14 = File(14, LinkType_Dynamic);
    ASSERT_EQ(AddObjects({f10, f11}, LinkOp_None), S_OK);
    MarkOwnerClean();
    const std::vector<std::string> links = Links(manager_);
    const std::vector<std::string> stored = Stored();

    ASSERT_NO_FATAL_FAILURE(BeginTransaction());
    EXPECT_TRUE(InTransaction());
    EXPECT_EQ(LocalVersion(), kOwnerAttachedVersion);  // read through the transaction
    ASSERT_EQ(AddObjects({f13}, LinkOp_New), S_OK);
    ASSERT_EQ(WithObjects(&IItmLinkManager::RemoveLinks2, {f10}), S_OK);
    ASSERT_EQ(WithObjects(&IItmLinkManager::SwitchLinks, {f13, f11}), S_OK);
    EXPECT_EQ(Links(manager_), (std::vector<std::string>{"6:11:-1:2:5", "6:13:-1:1:5"}));
    EXPECT_EQ(LocalVersion(), -1);

    ASSERT_EQ(transactions_->Rollback(), S_OK);
    EXPECT_FALSE(InTransaction());
    EXPECT_EQ(Links(manager_), links);
    EXPECT_EQ(Stored(), stored);
    EXPECT_EQ(OwnerDirty(), 0u);
    // The dynamic-link record came back with the table: file 11 is the
    // dynamic link again.
    VARIANT_BOOL has = VARIANT_FALSE;
    EXPECT_EQ(manager_->HasDynamicLink(&has), S_OK);
    EXPECT_EQ(has, VARIANT_TRUE);
    EXPECT_EQ(manager_->AddLink2(f14, LinkOp_None), E_ITEM_MANY_DYN_LINKS);
    ASSERT_EQ(manager_->SwitchLink(f11), S_OK);
    EXPECT_EQ(manager_->HasDynamicLink(&has), S_OK);
    EXPECT_EQ(has, VARIANT_FALSE);
    ReleaseAll({f10, f11, f13, f14});
}

TEST_F(LinkManagerCacheTest, CommitKeepsTheChangesForEveryProcess) {
    IItmObject* f10 = File(10);
    ASSERT_NO_FATAL_FAILURE(BeginTransaction());
    ASSERT_EQ(AddObjects({f10}, LinkOp_New), S_OK);
    ASSERT_EQ(transactions_->Commit(), S_OK);
    EXPECT_FALSE(InTransaction());
    EXPECT_EQ(Links(manager_), (std::vector<std::string>{"6:10:-1:2:2"}));
    ExpectFreshProcessReads({"child 10/-1/2/2", "dirty 1", "local 7"});
    // After the transaction, changes take their own scopes again.
    ASSERT_EQ(WithObjects(&IItmLinkManager::RemoveLinks2, {f10}), S_OK);
    EXPECT_EQ(Stored(), (std::vector<std::string>{"10/-1/2/3"}));
    f10->Release();
}

TEST_F(LinkManagerCacheTest, TransactionStatesAreChecked) {
    ILocalTransaction* participant = As<ILocalTransaction>(manager_);
    ASSERT_NE(participant, nullptr);
    EXPECT_EQ(participant->Commit(), E_FAIL);
    EXPECT_EQ(participant->Rollback(), E_FAIL);
    EXPECT_EQ(participant->InTransaction(nullptr), E_POINTER);
    EXPECT_EQ(participant->BeginLocalTransaction(nullptr), E_OXN_NULL_VALUE);

    // A manager without an open transaction has no cache to hand out.
    ASSERT_EQ(CLocalTransactionMgr::mhCreate(file_, &transactions_), S_OK);
    EXPECT_EQ(participant->BeginLocalTransaction(transactions_), E_FAIL);
    EXPECT_FALSE(InTransaction());

    ASSERT_EQ(transactions_->BeginTransaction(), S_OK);
    EXPECT_EQ(participant->BeginLocalTransaction(transactions_), S_OK);
    EXPECT_EQ(participant->BeginLocalTransaction(transactions_), E_FAIL);
    EXPECT_EQ(participant->Commit(), S_OK);
    EXPECT_FALSE(InTransaction());
    EXPECT_EQ(transactions_->Commit(), S_OK);
    participant->Release();
}

// An item's link manager without a cache file (made for an item through
// the folder's initialisation) cannot add by object.
TEST_F(LinkManagerCacheTest, AnItemsLinkManagerWithoutCacheFileRefusesToAddByObject) {
    CComObject<CItmLinkManager>* bare = nullptr;
    ASSERT_EQ(CComObject<CItmLinkManager>::CreateInstance(&bare), S_OK);
    bare->AddRef();
    IItmObject* owner = Item(41, kOwner);
    IItmObject* f10 = File(10);
    EXPECT_EQ(bare->mhInitForItem(owner, nullptr, VARIANT_FALSE), E_OXN_NULL_VALUE);
    EXPECT_EQ(bare->mhInitForItem(nullptr, file_, VARIANT_FALSE), E_OXN_NULL_VALUE);
    ASSERT_EQ(bare->mhInitForFolder(owner, VARIANT_FALSE), S_OK);
    EXPECT_EQ(bare->AddLink2(f10, LinkOp_New), E_ITEM_INVALID_OBJECT);
    SAFEARRAY* array = ObjectArray({f10});
    EXPECT_EQ(bare->RemoveLinks2(array), S_OK);  // removing writes nothing either
    SafeArrayDestroy(array);
    ReleaseAll({owner, f10});
    bare->Release();
}

}  // namespace
