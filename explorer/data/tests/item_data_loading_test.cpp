// Loading one object's children and links on demand, the one-object tree
// fetch, finding an object in an item array, and presenting a refresh's
// changes to a receiver - over real item objects, a vault cache and a
// scripted item manager.
#include "explorer/data/item_data_loading.h"

#include "explorer/data/cache.h"
#include "explorer/data/item_path_iterator.h"
#include "explorer/data/vault_node.h"

#include "cache_fixture.h"
#include "item_helpers.h"
#include "item_objects.h"
#include "recording_receiver.h"
#include "scripted_item_manager.h"

#include "com/com_error.h"
#include "com_testing/pending_error_info.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using BellquistLib::IItmObject;
using explorer_test::ScriptedAnswer;
using explorer_test::ScriptedItemManager;
using explorer_testing::RecordingReceiver;
using item_objects::ItemArray;

constexpr LONG kFolder = 20;
constexpr LONG kItem = 30;
constexpr LONG kOtherItem = 31;
constexpr LONG kFile = 40;
constexpr HRESULT kFileStateChanged = static_cast<HRESULT>(0x80040216);

class ItemDataLoadingTest : public cache_testing::CacheAccessTest {
protected:
    void SetUp() override {
        CacheAccessTest::SetUp();
        manager_ = std::make_unique<ScriptedItemManager>();
        vault_ = new CVaultNode(GUID{1, 0, 0, {}}, GUID{2, 0, 0, {}}, u"Docs", u"/views/docs/");
        vault_->mpoItmManager = manager_.get();
        cache_ = std::make_unique<CCache>(vault_);
    }
    void TearDown() override {
        cache_.reset();
        vault_ = nullptr;
        if (manager_) {
            EXPECT_EQ(manager_->References(), 1u);
        }
        manager_.reset();
        CacheAccessTest::TearDown();
    }

    static RefPtr<CTreeNode> NodeOf(RefPtr<CCacheObj> object) {
        return RefPtr<CTreeNode>(new CTreeNode(std::move(object)));
    }
    static CComPtr<IItmObject> LinkedItem(LONG id, const char16_t* name) {
        return item_objects::LinkedItem(item_objects::ItemRecord(id, kFolder, name));
    }
    // A file as fetched under item `itemId`.
    static CComPtr<IItmObject> FileUnder(LONG itemId, LONG fileId = kFile) {
        return item_objects::Make(item_objects::UnderItem(
            item_objects::FileRecord(fileId, kFolder, 0, u"f" + winapi::ToUtf16(std::to_string(fileId))), itemId));
    }
    static ScriptedAnswer Returning(std::vector<CComPtr<IItmObject>> items) {
        ScriptedAnswer answer;
        answer.items = std::move(items);
        return answer;
    }

    std::unique_ptr<ScriptedItemManager> manager_;
    RefPtr<CVaultNode> vault_;
};

TEST_F(ItemDataLoadingTest, AFolderIsListedAndMarkedEnumeratedEvenWhenEmpty) {
    RefPtr<CTreeNode> node = NodeOf(Add(item_objects::Folder(kFolder, 1, u"Parts")));
    std::vector<RefPtr<CCacheObj>> linked;
    EXPECT_EQ(ExpandCacheObject(vault_, node, cache_.get(), linked), S_OK);
    EXPECT_EQ(manager_->Methods(), std::vector<std::string>{"EnumItemFolder"});
    EXPECT_EQ(manager_->calls[0].items.front(), node->moCacheObj->moInner->mpoItem);
    EXPECT_EQ(node->moCacheObj->moInner->mbEnumerated, 1);
    EXPECT_TRUE(linked.empty());

    // Its children enter the cache.
    CComPtr<IItmObject> child = item_objects::Item(kItem, kFolder, u"Bracket");
    manager_->Script("EnumItemFolder", Returning({child}));
    EXPECT_EQ(ExpandCacheObject(vault_, node, cache_.get(), linked), S_OK);
    ASSERT_TRUE(Find({BellquistLib::ItmObjectType_Item, kItem, -1}));
    EXPECT_EQ(Find({BellquistLib::ItmObjectType_Item, kItem, -1})->moInner->mpoItem, child);
}

TEST_F(ItemDataLoadingTest, AFailedListingIsRaisedWithTheManagersErrorInfo) {
    RefPtr<CTreeNode> node = NodeOf(Add(item_objects::Folder(kFolder, 1, u"Parts")));
    ScriptedAnswer failed;
    failed.hr = kFileStateChanged;
    failed.errorDescription = u"cannot list";
    manager_->Script("EnumItemFolder", failed);
    std::vector<RefPtr<CCacheObj>> linked;
    try {
        ExpandCacheObject(vault_, node, cache_.get(), linked);
        ADD_FAILURE() << "raised";
    } catch (const _com_error& error) {
        EXPECT_EQ(error.Error(), kFileStateChanged);
        EXPECT_EQ(std::u16string(static_cast<const OLECHAR*>(error.Description())), u"cannot list");
    }
    EXPECT_EQ(node->moCacheObj->moInner->mbEnumerated, 0);
}

TEST_F(ItemDataLoadingTest, AnItemIsFetchedWholeAndGivesTheOccurrencesOfItsLinks) {
    CComPtr<IItmObject> cached = LinkedItem(kItem, u"Bracket");
    RefPtr<CTreeNode> node = NodeOf(Add(cached));
    // The item manager's tree: the item with its link to the file, then the
    // file fetched under it.
    CComPtr<IItmObject> fresh = LinkedItem(kItem, u"Bracket");
    CComPtr<IItmObject> file = FileUnder(kItem);
    ASSERT_EQ(item_objects::Link(fresh, file), S_OK);
    manager_->Script("BatchGetTrees", Returning({fresh, file}));

    std::vector<RefPtr<CCacheObj>> linked;
    EXPECT_EQ(ExpandCacheObject(vault_, node, cache_.get(), linked), S_OK);
    ASSERT_EQ(manager_->Methods(), std::vector<std::string>{"BatchGetTrees"});
    EXPECT_EQ(manager_->calls[0].items, std::vector<CComPtr<IItmObject>>{cached});
    EXPECT_EQ(manager_->calls[0].numbers, (std::vector<LONG>{0, -1}));
    // Fetched with its parent: the item is complete with the fresh data.
    EXPECT_EQ(node->moCacheObj->moInner->mbComplete, 1);
    EXPECT_EQ(node->moCacheObj->moInner->mbEnumerated, 0);
    ASSERT_EQ(linked.size(), 1u);
    EXPECT_EQ(linked[0]->moInner->mpoItem, file);
    EXPECT_EQ(linked[0]->meParentType, BellquistLib::ItmObjectType_Item);
    EXPECT_EQ(linked[0]->mlParentID, kItem);
}

TEST_F(ItemDataLoadingTest, AFailedTreeFetchIsReturnedAsItIs) {
    RefPtr<CTreeNode> node = NodeOf(Add(LinkedItem(kItem, u"Bracket")));
    ScriptedAnswer failed;
    failed.hr = kFileStateChanged;
    failed.errorDescription = u"cannot fetch";
    manager_->Script("BatchGetTrees", failed);
    std::vector<RefPtr<CCacheObj>> linked;
    EXPECT_EQ(ExpandCacheObject(vault_, node, cache_.get(), linked), kFileStateChanged);
    EXPECT_EQ(com_testing::TakePendingDescription(), u"cannot fetch");
    EXPECT_EQ(node->moCacheObj->moInner->mbComplete, 0);
}

TEST_F(ItemDataLoadingTest, ExpandingNeedsAnItemObjectACacheAndAnItemManager) {
    RefPtr<CTreeNode> node = NodeOf(Add(item_objects::Folder(kFolder, 1, u"Parts")));
    std::vector<RefPtr<CCacheObj>> linked;
    EXPECT_EQ(ExpandCacheObject(vault_, node, nullptr, linked), E_POINTER);
    EXPECT_EQ(ExpandCacheObject(vault_, nullptr, cache_.get(), linked), E_POINTER);
    vault_->mpoItmManager = nullptr;
    EXPECT_EQ(ExpandCacheObject(vault_, node, cache_.get(), linked), E_POINTER);
    EXPECT_TRUE(manager_->calls.empty());
}

TEST_F(ItemDataLoadingTest, AFolderIsFetchedOneLevelDownAndAnythingElseAllLevels) {
    struct Case {
        CComPtr<IItmObject> object;
        LONG flags;
        LONG levels;
    };
    const Case cases[] = {
        {item_objects::Vault(1), BellquistLib::Bgtf_Recursive, 1},
        {item_objects::Folder(kFolder, 1, u"Parts"), BellquistLib::Bgtf_Recursive, 1},
        {LinkedItem(kItem, u"Bracket"), 0, -1},
        {item_objects::File(kFile, kFolder, 0, u"a.zvkprt"), 0, -1},
    };
    for (const Case& c : cases) {
        manager_->calls.clear();
        SAFEARRAY* trees = nullptr;
        EXPECT_EQ(BatchGetObjectTree(manager_.get(), c.object, &trees), S_OK);
        EXPECT_EQ(trees, nullptr);
        ASSERT_EQ(manager_->calls.size(), 1u);
        EXPECT_EQ(manager_->calls[0].items, std::vector<CComPtr<IItmObject>>{c.object});
        EXPECT_EQ(manager_->calls[0].numbers, (std::vector<LONG>{c.flags, c.levels}));
    }
    // The manager's result and array come back untouched.
    CComPtr<IItmObject> item = LinkedItem(kItem, u"Bracket");
    ScriptedAnswer answer = Returning({item});
    answer.hr = S_FALSE;
    manager_->Script("BatchGetTrees", answer);
    SAFEARRAY* trees = nullptr;
    EXPECT_EQ(BatchGetObjectTree(manager_.get(), item, &trees), S_FALSE);
    EXPECT_EQ(item_objects::ObjectsOf(trees), std::vector<CComPtr<IItmObject>>{item});
    SafeArrayDestroy(trees);
}

TEST_F(ItemDataLoadingTest, AFileOrBomHasNoLinksToLoad) {
    std::vector<RefPtr<CCacheObj>> linked;
    RefPtr<CTreeNode> file = NodeOf(Add(item_objects::File(kFile, kFolder, 0, u"a.zvkprt")));
    EXPECT_EQ(LoadItemLinks(file, cache_.get(), linked), S_FALSE);
    RefPtr<CTreeNode> bom = NodeOf(Add(item_objects::Bom(41, kFolder, 0, u"a.bom")));
    EXPECT_EQ(LoadItemLinks(bom, cache_.get(), linked), S_FALSE);
    EXPECT_TRUE(linked.empty());
    EXPECT_EQ(LoadItemLinks(file, nullptr, linked), E_POINTER);
}

TEST_F(ItemDataLoadingTest, LinksToObjectsNotCachedAreLeftOut) {
    CComPtr<IItmObject> item = LinkedItem(kItem, u"Bracket");
    CComPtr<IItmObject> cachedFile = FileUnder(kItem, 40);
    CComPtr<IItmObject> otherFile = FileUnder(kItem, 41);
    ASSERT_EQ(item_objects::Link(item, cachedFile), S_OK);
    ASSERT_EQ(item_objects::Link(item, otherFile), S_OK);
    RefPtr<CTreeNode> node = NodeOf(Add(item));
    Add(cachedFile);

    std::vector<CComPtr<IItmObject>> objects;
    EXPECT_EQ(GetLinkedObjects(item_objects::LinkManagerOf(item), cache_.get(), objects), S_OK);
    EXPECT_EQ(objects, std::vector<CComPtr<IItmObject>>{cachedFile});
    std::vector<RefPtr<CCacheObj>> linked;
    EXPECT_EQ(LoadItemLinks(node, cache_.get(), linked), S_OK);
    ASSERT_EQ(linked.size(), 1u);
    EXPECT_EQ(linked[0]->moInner->mpoItem, cachedFile);
    EXPECT_EQ(GetLinkedObjects(nullptr, cache_.get(), objects), E_POINTER);

    // An object without an occurrence under the parent is left out too.
    std::vector<RefPtr<CCacheObj>> occurrences;
    EXPECT_EQ(FindLinkOccurrences({cachedFile, otherFile}, cache_.get(), node->moCacheObj, occurrences), S_OK);
    EXPECT_EQ(occurrences.size(), 1u);
    EXPECT_EQ(FindLinkOccurrences({cachedFile}, nullptr, node->moCacheObj, occurrences), E_POINTER);
}

TEST_F(ItemDataLoadingTest, AnItemWithoutLinkManagerReturnsThatFailure) {
    RefPtr<CTreeNode> node =
        NodeOf(Add(item_objects::ItemWithoutLinkManager(item_objects::ItemRecord(kItem, kFolder, u"Bracket"))));
    std::vector<RefPtr<CCacheObj>> linked;
    EXPECT_EQ(LoadItemLinks(node, cache_.get(), linked), E_POINTER);
    SetErrorInfo(0, nullptr);
}

TEST_F(ItemDataLoadingTest, AnObjectFoundInAnItemArrayGivesOneElement) {
    CComPtr<IItmObject> item = LinkedItem(kItem, u"Bracket");
    CComPtr<IItmObject> sameItem = LinkedItem(kItem, u"Bracket");
    CComPtr<IItmObject> otherConfig = item_objects::File(kFile, kFolder, 1, u"a.zvkprt");
    CComPtr<IItmObject> file = item_objects::File(kFile, kFolder, 0, u"a.zvkprt");

    ItemArray twice{sameItem.GetInterfacePtr(), ItemArray::Element::Number(7), sameItem.GetInterfacePtr()};
    SAFEARRAY* found = nullptr;
    EXPECT_EQ(FindInItemArray(twice.get(), item, &found), S_OK);
    EXPECT_EQ(item_objects::ObjectsOf(found), std::vector<CComPtr<IItmObject>>{item});
    SafeArrayDestroy(found);

    // A file of another configuration is another object.
    ItemArray files{otherConfig.GetInterfacePtr(), nullptr};
    found = reinterpret_cast<SAFEARRAY*>(1);
    EXPECT_EQ(FindInItemArray(files.get(), file, &found), S_FALSE);
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(FindInItemArray(files.get(), otherConfig, &found), S_OK);
    SafeArrayDestroy(found);
}

// An item X in folder Parts, linked by item P as well: X is shown at its
// folder path and at the path through P. X links file F.
class PresentChangeTest : public ItemDataLoadingTest {
protected:
    void SetUp() override {
        ItemDataLoadingTest::SetUp();
        parentItem_ = LinkedItem(kOtherItem, u"Assembly");
        item_ = LinkedItem(kItem, u"Bracket");
        file_ = FileUnder(kItem);
        ASSERT_EQ(item_objects::Link(parentItem_, item_), S_OK);
        ASSERT_EQ(item_objects::Link(item_, file_), S_OK);
        Add(item_objects::Folder(kFolder, 1, u"Parts"));
        Add(parentItem_);
        occurrence_ = Add(item_);
        Add(file_);
        ItemPathIterator paths;
        paths.Init(cache_.get(), occurrence_);
        paths_ = paths.Paths();
    }
    void TearDown() override {
        occurrence_ = nullptr;
        parentItem_ = item_ = file_ = nullptr;
        ItemDataLoadingTest::TearDown();
    }
    std::string Path(size_t index) const { return winapi::ToUtf8(paths_.at(index).GetString()); }

    CComPtr<IItmObject> parentItem_;
    CComPtr<IItmObject> item_;
    CComPtr<IItmObject> file_;
    RefPtr<CCacheObj> occurrence_;
    std::vector<CString> paths_;
    std::vector<std::string> log_;
};

TEST_F(PresentChangeTest, TheChangesGoOnlyToThePathsTheReceiverShows) {
    ASSERT_EQ(paths_.size(), 2u);
    ObjectChange change;
    change.moObject = {BellquistLib::ItmObjectType_Item, kItem, -1};
    change.moChildren.push_back(
        {ChildChange::kAdded, {BellquistLib::ItmObjectType_File, kFile, 0}, BellquistLib::ItmObjectType_Item, kItem});
    change.moChildren.push_back({ChildChange::kChildrenChanged,
                                 {BellquistLib::ItmObjectType_File, kFile, 0},
                                 BellquistLib::ItmObjectType_Item,
                                 kItem});
    // Not cached: left out.
    change.moChildren.push_back(
        {ChildChange::kAdded, {BellquistLib::ItmObjectType_File, 99, 0}, BellquistLib::ItmObjectType_Item, kItem});

    RecordingReceiver receiver("R", log_);
    const CString shown = paths_[1];
    receiver.beginAnswer = [&](const std::u16string& path) { return path == shown.GetString() ? 1 : 0; };
    PresentObjectChange(receiver, cache_.get(), change);
    // A file without children counts as having unloaded ones until it is
    // loaded (state 1).
    EXPECT_EQ(log_,
              (std::vector<std::string>{"R begin " + Path(0), "R begin " + Path(1), "R added " + Path(1) + " f40 1",
                                        "R changed " + Path(1) + " 2", "R end " + Path(1) + " 0"}));
}

TEST_F(PresentChangeTest, AReceiverThatStopsEndsTheWalk) {
    ObjectChange change;
    change.moObject = {BellquistLib::ItmObjectType_Item, kItem, -1};
    change.moChildren.push_back({ChildChange::kChildrenChanged,
                                 {BellquistLib::ItmObjectType_File, kFile, 0},
                                 BellquistLib::ItmObjectType_Item,
                                 kItem});
    RecordingReceiver receiver("R", log_);
    receiver.beginAnswer = [](const std::u16string&) { return 2; };
    PresentObjectChange(receiver, cache_.get(), change);
    EXPECT_EQ(log_, std::vector<std::string>{"R begin " + Path(0)});

    // An object not in the cache is not presented at all.
    log_.clear();
    change.moObject = {BellquistLib::ItmObjectType_Item, 77, -1};
    PresentObjectChange(receiver, cache_.get(), change);
    EXPECT_TRUE(log_.empty());
}

TEST_F(PresentChangeTest, ARemovedChildIsDescribedByWhatTheCacheKnows) {
    RecordingReceiver receiver("R", log_);
    // A removed link under an item folder is looked up as under a folder,
    // whatever folder type the refresh gives.
    const ChildChange removed{ChildChange::kRemoved,
                              {BellquistLib::ItmObjectType_Item, kItem, -1},
                              BellquistLib::ItmObjectType_Project,
                              kFolder};
    PresentChildChange(receiver, cache_.get(), removed, u"\\Parts");
    EXPECT_EQ(log_, std::vector<std::string>{"R removed \\Parts Bracket.<item> 4 30 20"});

    log_.clear();
    const ChildChange underItem{
        ChildChange::kRemoved, {BellquistLib::ItmObjectType_File, kFile, 0}, BellquistLib::ItmObjectType_Item, kItem};
    PresentChildChange(receiver, cache_.get(), underItem, u"\\Parts\\Bracket");
    EXPECT_EQ(log_, std::vector<std::string>{"R removed \\Parts\\Bracket f40 6 40 20"});
}

}  // namespace
