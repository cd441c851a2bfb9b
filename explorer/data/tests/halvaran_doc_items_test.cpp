// The document's item operations against a scripted item manager: every
// operation on an unknown vault, on one without item manager and on a
// failing manager; what each passes to the manager; what the cache takes
// from what came back; and that every array is destroyed exactly once.
#include "explorer/data/cache.h"
#include "explorer/data/halvaran_doc.h"
#include "explorer/data/vault_manager.h"

#include "fake_application.h"
#include "get_versions_refresh.h"
#include "item_helpers.h"
#include "item_objects.h"
#include "scripted_item_manager.h"
#include "vault_list_fixture.h"

#include "com/automation_counters.h"
#include "com_testing/pending_error_info.h"
#include "ui/window_functions.h"
#include "ui/window_value.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using BellquistLib::IItmFolder;
using BellquistLib::IItmObject;
using explorer_test::ItemManagerCall;
using explorer_test::ScriptedAnswer;
using explorer_test::ScriptedItemManager;
using item_objects::ItemArray;

constexpr char16_t kVault[] = u"Docs";
constexpr LONG kFolder = 20;
constexpr LONG kItem = 30;
constexpr HRESULT kFileStateChanged = static_cast<HRESULT>(0x80040216);

// A document whose vault is listed from the machine and logged in with the
// scripted item manager; the version refresh after a get is recorded.
class DocumentItemsTest : public VaultListTest {
protected:
    void SetUp() override {
        VaultListTest::SetUp();
        if (HasFatalFailure()) return;
        Create(kVault);
        manager_ = std::make_unique<ScriptedItemManager>();
        doc_ = std::make_unique<CHalvaranDoc>();
        doc_->moVaultManager = Load();
        node_ = doc_->moVaultManager->FindVaultNodeByName(kVault);
        ASSERT_TRUE(node_);
        ASSERT_NE(node_->mpoCache, nullptr);
        viewId_ = node_->moViewID;
        node_->mpoItmManager = manager_.get();
        node_->mbLoggedIn = 1;
        previousRefresh_ = gvSetGetVersionsRefresh([this](CCache& cache, SAFEARRAY* returned) {
            EXPECT_EQ(&cache, node_->mpoCache);
            refreshed_.push_back(item_objects::ObjectsOf(returned));
            return refreshResult_;
        });
    }
    void TearDown() override {
        gvSetGetVersionsRefresh(std::move(previousRefresh_));
        refreshed_.clear();
        node_ = nullptr;
        doc_.reset();  // the vault list and its caches go with the document
        if (manager_) {
            EXPECT_EQ(manager_->References(), 1u) << "the operations give back their references";
        }
        manager_.reset();
        VaultListTest::TearDown();
    }

    CCache& Cache() { return *node_->mpoCache; }
    // Puts `item` into the vault's cache as loading does; its occurrence.
    RefPtr<CCacheObj> Add(IItmObject* item) {
        RefPtr<CCacheObj> made;
        EXPECT_EQ(MakeCacheObj(item, &Cache(), made), S_OK);
        CacheObjKey key{};
        EXPECT_EQ(ReadObjectIdentity(item, key), S_OK);
        if (made) Cache().mvInsert(key, made);
        return made;
    }
    RefPtr<CTreeNode> NodeOf(IItmObject* item) {
        RefPtr<CCacheObj> occurrence = Add(item);
        return RefPtr<CTreeNode>(new CTreeNode(std::move(occurrence)));
    }
    RefPtr<CCacheObj> Find(const CacheObjKey& key) {
        RefPtr<CCacheObj> found;
        Cache().mbFindObject(key, found);
        return found;
    }
    const ItemManagerCall& OnlyCall(const std::string& method) {
        static const ItemManagerCall none;
        const auto calls = manager_->CallsOf(method);
        EXPECT_EQ(calls.size(), 1u) << method;
        return calls.empty() ? none : *calls.front();
    }
    static ScriptedAnswer Failure(HRESULT hr, const char16_t* text) {
        ScriptedAnswer answer;
        answer.hr = hr;
        answer.errorDescription = text;
        return answer;
    }
    static ScriptedAnswer Returning(std::vector<CComPtr<IItmObject>> items, bool emptyArray = false) {
        ScriptedAnswer answer;
        answer.items = std::move(items);
        answer.emptyArray = emptyArray;
        return answer;
    }

    std::unique_ptr<ScriptedItemManager> manager_;
    std::unique_ptr<CHalvaranDoc> doc_;
    RefPtr<CVaultNode> node_;
    GUID viewId_{};
    std::vector<std::vector<CComPtr<IItmObject>>> refreshed_;
    HRESULT refreshResult_ = S_OK;
    GetVersionsRefresh previousRefresh_;
};

// One row per operation: how to call it on a vault (the test's, or another
// view id), and the item-manager method it reaches.
struct OperationCase {
    const char* name;
    const char* method;
    std::function<HRESULT(DocumentItemsTest& test, CHalvaranDoc& doc, const GUID& viewId)> run;
};

class DocumentOperationTable : public DocumentItemsTest, public ::testing::WithParamInterface<OperationCase> {
public:
    // The arguments the rows pass, made per test.
    CComPtr<IItmObject> folder_;
    CComPtr<IItmObject> item_;
    std::unique_ptr<ItemArray> items_;
    RefPtr<CTreeNode> folderNode_;

protected:
    void SetUp() override {
        DocumentItemsTest::SetUp();
        if (HasFatalFailure()) return;
        folder_ = item_objects::Folder(kFolder, 1, u"Parts");
        item_ = item_objects::LinkedItem(item_objects::ItemRecord(kItem, kFolder, u"Bracket"));
        items_.reset(new ItemArray{item_.GetInterfacePtr()});
        folderNode_ = NodeOf(folder_);
    }
    void TearDown() override {
        folderNode_ = nullptr;
        items_.reset();
        item_ = folder_ = nullptr;
        DocumentItemsTest::TearDown();
    }

public:
    // A tree node of the vault, for the operations that find the vault
    // through their node.
    static RefPtr<CTreeNode> TreeNodeFor(DocumentItemsTest& test, const GUID& viewId) {
        auto& table = static_cast<DocumentOperationTable&>(test);
        if (viewId == table.viewId_) return table.folderNode_;
        // A node of a cache whose view is not listed.
        CCache* stranger = new CCache(nullptr);
        stranger->moViewID = viewId;
        RefPtr<CCacheObj> made;
        EXPECT_EQ(MakeCacheObj(table.folder_, stranger, made), S_OK);
        RefPtr<CTreeNode> node(new CTreeNode(std::move(made)));
        table.strangers_.emplace_back(stranger);
        return node;
    }
    std::vector<std::unique_ptr<CCache>> strangers_;
};

DocumentOperationTable& Table(DocumentItemsTest& test) { return static_cast<DocumentOperationTable&>(test); }

const OperationCase kOperations[] = {
    {"EnumItemFolder", "EnumItemFolder",
     [](DocumentItemsTest& t, CHalvaranDoc& doc, const GUID& view) {
         return doc.mhEnumItemFolder(view, DocumentOperationTable::TreeNodeFor(t, view));
     }},
    {"BatchGetTrees", "BatchGetTrees",
     [](DocumentItemsTest& t, CHalvaranDoc& doc, const GUID& view) {
         return doc.mhBatchGetTrees(view, Table(t).items_->get(), true, false, nullptr);
     }},
    {"CreateNewItem", "CreateNewItem",
     [](DocumentItemsTest& t, CHalvaranDoc& doc, const GUID& view) {
         RefPtr<CCacheObj> out;
         return doc.mhCreateNewItem(DocumentOperationTable::TreeNodeFor(t, view), &out);
     }},
    {"CreateNewItemFolder", "CreateNewItemFolder",
     [](DocumentItemsTest& t, CHalvaranDoc& doc, const GUID& view) {
         CComPtr<IItmFolder> folder;
         return doc.mhCreateNewItemFolder(DocumentOperationTable::TreeNodeFor(t, view), &folder, u"New", nullptr);
     }},
    {"GetSpecificVersion", "GetSpecificVersion",
     [](DocumentItemsTest& t, CHalvaranDoc& doc, const GUID& view) {
         return doc.mhGetSpecificVersion(view, Table(t).item_, 3);
     }},
    {"GetLatestVersion", "GetLatestVersion",
     [](DocumentItemsTest& t, CHalvaranDoc& doc, const GUID& view) {
         return doc.mhGetLatestVersion(view, Table(t).items_->get(), false);
     }},
    {"CheckIn", "CheckIn",
     [](DocumentItemsTest& t, CHalvaranDoc& doc, const GUID& view) {
         return doc.mhCheckIn(view, Table(t).items_->get());
     }},
    {"UndoCheckOut", "UndoCheckOut",
     [](DocumentItemsTest& t, CHalvaranDoc& doc, const GUID& view) {
         return doc.mhUndoCheckOut(view, Table(t).items_->get());
     }},
    {"CheckOut", "CheckOut",
     [](DocumentItemsTest& t, CHalvaranDoc& doc, const GUID& view) {
         return doc.mhCheckOut(view, Table(t).items_->get(), VARIANT_TRUE);
     }},
    {"ChangeState", "ChangeState2",
     [](DocumentItemsTest& t, CHalvaranDoc& doc, const GUID& view) {
         // The array is the operation's only on success; a failure leaves it
         // with the caller (the table's holder).
         LONG refreshed = 0;
         SAFEARRAY* copy = nullptr;
         EXPECT_EQ(SafeArrayCopy(Table(t).items_->get(), &copy), S_OK);
         const HRESULT hr = doc.mhChangeState(view, copy, u"Approve", &refreshed, false);
         if (FAILED(hr)) SafeArrayDestroy(copy);
         return hr;
     }},
    {"LinkFileFromFilePath", "LinkFileFromFilePath",
     [](DocumentItemsTest& t, CHalvaranDoc& doc, const GUID& view) {
         SAFEARRAY* linked = nullptr;
         const HRESULT hr =
             doc.mhLinkFileFromFilePath(DocumentOperationTable::TreeNodeFor(t, view), Table(t).items_->get(), &linked);
         SafeArrayDestroy(linked);
         return hr;
     }},
    {"Delete", "Delete",
     [](DocumentItemsTest& t, CHalvaranDoc& doc, const GUID& view) {
         return doc.mhDelete(view, VARIANT_FALSE, Table(t).items_->get());
     }},
    {"IncrRevision", "IncrRevision",
     [](DocumentItemsTest& t, CHalvaranDoc& doc, const GUID& view) {
         return doc.mhIncrRevision(view, Table(t).items_->get());
     }},
    {"GenerateItemFromFile", "GenerateItemFromFile",
     [](DocumentItemsTest& t, CHalvaranDoc& doc, const GUID& view) {
         std::vector<CComPtr<IItmObject>> generated;
         return doc.mhGenerateItemFromFile(view, Table(t).items_->get(), Table(t).folder_, generated);
     }},
    {"GenerateItemFromFilePath", "GenerateItemFromFilePath",
     [](DocumentItemsTest& t, CHalvaranDoc& doc, const GUID& view) {
         std::vector<RefPtr<CCacheObj>> cached;
         std::vector<CComPtr<IItmObject>> generated;
         return doc.mhGenerateItemFromFilePath(view, Table(t).items_->get(), Table(t).folder_, cached, generated);
     }},
    {"Rename", "Rename",
     [](DocumentItemsTest& t, CHalvaranDoc& doc, const GUID& view) {
         return doc.mhRename(view, Table(t).item_, u"Renamed");
     }},
    {"UpdateItemsFromDynLink", "UpdateItemsFromDynLink",
     [](DocumentItemsTest& t, CHalvaranDoc& doc, const GUID& view) {
         return doc.mhUpdateItemsFromDynLink(view, Table(t).items_->get());
     }},
    {"Move", "Move",
     [](DocumentItemsTest& t, CHalvaranDoc& doc, const GUID& view) {
         CComQIPtr<IItmFolder> destination(Table(t).folder_.GetInterfacePtr());
         return doc.mhMove(view, destination, Table(t).items_->get());
     }},
    {"GetMenuInfo", "GetMenuInfo",
     [](DocumentItemsTest&, CHalvaranDoc& doc, const GUID& view) {
         ULONG flags = 0, rights = 0;
         SAFEARRAY *system = nullptr, *versions = nullptr, *transitions = nullptr, *statuses = nullptr;
         return doc.mhGetMenuInfo(view, nullptr, 7, &flags, &rights, &system, &versions, &transitions, &statuses);
     }},
};

std::string CaseName(const ::testing::TestParamInfo<OperationCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(EveryOperation, DocumentOperationTable, ::testing::ValuesIn(kOperations), CaseName);

TEST_P(DocumentOperationTable, AnUnknownVaultGivesEPointerAndCallsNothing) {
    const GUID unknown{0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    EXPECT_EQ(GetParam().run(*this, *doc_, unknown), E_POINTER);
    EXPECT_TRUE(manager_->calls.empty());
}

TEST_P(DocumentOperationTable, AVaultWithoutItemManagerGivesEPointer) {
    node_->mpoItmManager = nullptr;
    EXPECT_EQ(GetParam().run(*this, *doc_, viewId_), E_POINTER);
    EXPECT_TRUE(manager_->calls.empty());
}

TEST_P(DocumentOperationTable, AManagerFailureIsReturnedWithItsErrorInfo) {
    manager_->ScriptAlways(GetParam().method, Failure(kFileStateChanged, u"the file's state changed"));
    EXPECT_EQ(GetParam().run(*this, *doc_, viewId_), kFileStateChanged);
    EXPECT_EQ(com_testing::TakePendingDescription(), u"the file's state changed");
    const ItemManagerCall& call = OnlyCall(GetParam().method);
    // The test's reference, the node's and at least one of the operation's
    // own: a vault reset inside the call cannot free the manager under it.
    EXPECT_GE(call.references, 3u);
    EXPECT_TRUE(refreshed_.empty());
}

TEST_P(DocumentOperationTable, AManagerFailureWithoutErrorInfoLeavesNone) {
    manager_->ScriptAlways(GetParam().method, Failure(E_ACCESSDENIED, u""));
    EXPECT_EQ(GetParam().run(*this, *doc_, viewId_), E_ACCESSDENIED);
    EXPECT_EQ(com_testing::TakePendingDescription(), u"<none>");
}

TEST_F(DocumentItemsTest, EnumeratingAFolderAddsItsChildrenAsObjectsAndCompletesIt) {
    CComPtr<IItmObject> folder = item_objects::Folder(kFolder, 1, u"Parts");
    RefPtr<CTreeNode> node = NodeOf(folder);
    CComPtr<IItmObject> first = item_objects::Item(31, kFolder, u"First");
    CComPtr<IItmObject> second = item_objects::Folder(32, kFolder, u"Sub");
    manager_->Script("EnumItemFolder", Returning({first, second}));

    EXPECT_EQ(doc_->mhEnumItemFolder(viewId_, node), S_OK);
    EXPECT_EQ(OnlyCall("EnumItemFolder").items.front(), folder);
    EXPECT_EQ(node->moCacheObj->moInner->mbEnumerated, 1);
    EXPECT_EQ(node->moCacheObj->moInner->mbComplete, 1);
    ASSERT_TRUE(Find({BellquistLib::ItmObjectType_Item, 31, -1}));
    EXPECT_EQ(Find({BellquistLib::ItmObjectType_Item, 31, -1})->moInner->mpoItem, first);
    EXPECT_TRUE(Find({BellquistLib::ItmObjectType_ItemFolder, 32, -1}));
}

TEST_F(DocumentItemsTest, AnEmptyFolderIsEnumeratedButNotCompleted) {
    RefPtr<CTreeNode> node = NodeOf(item_objects::Folder(kFolder, 1, u"Parts"));
    EXPECT_EQ(doc_->mhEnumItemFolder(viewId_, node), S_OK);
    EXPECT_EQ(node->moCacheObj->moInner->mbEnumerated, 1);
    EXPECT_EQ(node->moCacheObj->moInner->mbComplete, 0);
}

TEST_F(DocumentItemsTest, EnumeratingAnItemAddsItsChildrenAsTrees) {
    CComPtr<IItmObject> item = item_objects::LinkedItem(item_objects::ItemRecord(kItem, kFolder, u"Bracket"));
    RefPtr<CTreeNode> node = NodeOf(item);
    CComPtr<IItmObject> file =
        item_objects::Make(item_objects::UnderItem(item_objects::FileRecord(40, kFolder, 0, u"a.zvkprt"), kItem));
    manager_->Script("EnumItemFolder", Returning({file}));

    EXPECT_EQ(doc_->mhEnumItemFolder(viewId_, node), S_OK);
    EXPECT_EQ(node->moCacheObj->moInner->mbEnumerated, 1);
    // Trees added without a parent complete nothing.
    EXPECT_EQ(node->moCacheObj->moInner->mbComplete, 0);
    EXPECT_TRUE(Find({BellquistLib::ItmObjectType_File, 40, 0}));
}

TEST_F(DocumentItemsTest, ANodeWithoutItemObjectCannotBeEnumerated) {
    RefPtr<CTreeNode> node = NodeOf(item_objects::Folder(kFolder, 1, u"Parts"));
    node->moCacheObj->moInner->mpoItem = nullptr;
    EXPECT_EQ(doc_->mhEnumItemFolder(viewId_, node), E_POINTER);
    EXPECT_EQ(doc_->mhEnumItemFolder(viewId_, nullptr), E_POINTER);
    EXPECT_TRUE(manager_->calls.empty());
}

TEST_F(DocumentItemsTest, BatchGetTreesAsksForTheDepthTheCallerWants) {
    struct Case {
        bool latest;
        bool withParent;
        LONG flags;
        LONG levels;
    };
    const Case cases[] = {
        {false, false, BellquistLib::Bgtf_Recursive, 0},
        {true, false, BellquistLib::Bgtf_Latest | BellquistLib::Bgtf_Recursive, 0},
        {false, true, 0, -1},
        {true, true, BellquistLib::Bgtf_Latest, -1},
    };
    CComPtr<IItmObject> item = item_objects::LinkedItem(item_objects::ItemRecord(kItem, kFolder, u"Bracket"));
    ItemArray items{item.GetInterfacePtr()};
    for (const Case& c : cases) {
        manager_->calls.clear();
        EXPECT_EQ(doc_->mhBatchGetTrees(viewId_, items.get(), c.latest, c.withParent, nullptr), S_OK);
        const ItemManagerCall& call = OnlyCall("BatchGetTrees");
        EXPECT_EQ(call.numbers, (std::vector<LONG>{c.flags, c.levels})) << c.latest << c.withParent;
        EXPECT_EQ(call.items.front(), item);
    }
}

TEST_F(DocumentItemsTest, BatchGetTreesLoadsTheTreesUnderTheParent) {
    CComPtr<IItmObject> cached = item_objects::LinkedItem(item_objects::ItemRecord(kItem, kFolder, u"Bracket"));
    RefPtr<CCacheObj> parent = Add(cached);
    CComPtr<IItmObject> fresh = item_objects::LinkedItem(item_objects::ItemRecord(kItem, kFolder, u"Bracket"));
    CComPtr<IItmObject> file =
        item_objects::Make(item_objects::UnderItem(item_objects::FileRecord(40, kFolder, 0, u"a.zvkprt"), kItem));
    manager_->Script("BatchGetTrees", Returning({fresh, file}));

    ItemArray items{cached.GetInterfacePtr()};
    EXPECT_EQ(doc_->mhBatchGetTrees(viewId_, items.get(), false, true, &parent), S_OK);
    // The requested object is taken whole and becomes complete.
    EXPECT_EQ(parent->moInner->mbComplete, 1);
    EXPECT_EQ(parent->moInner->mpoItem, fresh);
    EXPECT_TRUE(Find({BellquistLib::ItmObjectType_File, 40, 0}));
}

TEST_F(DocumentItemsTest, ANewItemEntersTheCacheCompleteWhenTheCallerWantsIt) {
    RefPtr<CTreeNode> parent = NodeOf(item_objects::Folder(kFolder, 1, u"Parts"));
    // The item server's item class, which answers IItmItem.
    CComPtr<IItmObject> made = item_objects::ItemWithoutLinkManager(item_objects::ItemRecord(kItem, kFolder, u"New"));
    ScriptedAnswer answer;
    answer.object = made.GetInterfacePtr();
    manager_->Script("CreateNewItem", answer);
    manager_->Script("CreateNewItem", answer);

    // Without an out pointer the cache is not touched.
    EXPECT_EQ(doc_->mhCreateNewItem(parent), S_OK);
    EXPECT_FALSE(Find({BellquistLib::ItmObjectType_Item, kItem, -1}));

    RefPtr<CCacheObj> out;
    EXPECT_EQ(doc_->mhCreateNewItem(parent, &out), S_OK);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->moInner->mpoItem, made);
    EXPECT_EQ(out->moInner->mbComplete, 1);
    ASSERT_TRUE(Find({BellquistLib::ItmObjectType_Item, kItem, -1}));
    EXPECT_EQ(Find({BellquistLib::ItmObjectType_Item, kItem, -1})->moInner, out->moInner);
    EXPECT_EQ(manager_->calls.back().items.front(), parent->moCacheObj->moInner->mpoItem);
}

TEST_F(DocumentItemsTest, ANewFolderEntersTheCacheNotYetComplete) {
    RefPtr<CTreeNode> parent = NodeOf(item_objects::Folder(kFolder, 1, u"Parts"));
    CComPtr<IItmObject> made = item_objects::Folder(21, kFolder, u"Sub");
    ScriptedAnswer answer;
    answer.object = made.GetInterfacePtr();
    manager_->Script("CreateNewItemFolder", answer);

    CComPtr<IItmFolder> folder;
    RefPtr<CCacheObj> out;
    EXPECT_EQ(doc_->mhCreateNewItemFolder(parent, &folder, u"Sub", &out), S_OK);
    EXPECT_EQ(OnlyCall("CreateNewItemFolder").texts, std::vector<std::u16string>{u"Sub"});
    ASSERT_TRUE(folder);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->moInner->mbComplete, 0);
    EXPECT_TRUE(Find({BellquistLib::ItmObjectType_ItemFolder, 21, -1}));
    EXPECT_EQ(doc_->mhCreateNewItemFolder(parent, nullptr, u"Sub", &out), E_POINTER);
}

TEST_F(DocumentItemsTest, GetLatestVersionRefreshesForWhatCameBack) {
    CComPtr<IItmObject> item = item_objects::LinkedItem(item_objects::ItemRecord(kItem, kFolder, u"Bracket"));
    ItemArray items{item.GetInterfacePtr()};
    const int64_t arraysBefore = com::testing::LiveSafeArrayCount();

    // Items came back: one refresh over them; the array is the document's.
    manager_->Script("GetLatestVersion", Returning({item}));
    EXPECT_EQ(doc_->mhGetLatestVersion(viewId_, items.get(), true), S_OK);
    ASSERT_EQ(refreshed_.size(), 1u);
    EXPECT_EQ(refreshed_[0], std::vector<CComPtr<IItmObject>>{item});
    EXPECT_EQ(manager_->calls.back().numbers, (std::vector<LONG>{VARIANT_TRUE, VARIANT_TRUE}));

    // An empty array: S_FALSE, and the views are still refreshed.
    manager_->Script("GetLatestVersion", Returning({}, true));
    EXPECT_EQ(doc_->mhGetLatestVersion(viewId_, items.get(), false), S_FALSE);
    ASSERT_EQ(refreshed_.size(), 2u);
    EXPECT_TRUE(refreshed_[1].empty());
    EXPECT_EQ(manager_->calls.back().numbers, (std::vector<LONG>{VARIANT_FALSE, VARIANT_TRUE}));

    // No array at all: nothing came back, nothing to refresh.
    EXPECT_EQ(doc_->mhGetLatestVersion(viewId_, items.get(), false), S_FALSE);
    EXPECT_EQ(refreshed_.size(), 2u);

    // A failing refresh is returned; the array is destroyed all the same.
    refreshResult_ = E_OUTOFMEMORY;
    manager_->Script("GetLatestVersion", Returning({item}));
    EXPECT_EQ(doc_->mhGetLatestVersion(viewId_, items.get(), false), E_OUTOFMEMORY);
    EXPECT_EQ(com::testing::LiveSafeArrayCount(), arraysBefore);
}

TEST_F(DocumentItemsTest, GetSpecificVersionRefreshesOnlyWhenItemsCameBack) {
    CComPtr<IItmObject> item = item_objects::LinkedItem(item_objects::ItemRecord(kItem, kFolder, u"Bracket"));
    EXPECT_EQ(doc_->mhGetSpecificVersion(viewId_, item, 2), S_OK);
    EXPECT_TRUE(refreshed_.empty());
    manager_->Script("GetSpecificVersion", Returning({item}));
    EXPECT_EQ(doc_->mhGetSpecificVersion(viewId_, item, 2), S_OK);
    ASSERT_EQ(refreshed_.size(), 1u);
    EXPECT_EQ(manager_->calls.back().numbers, std::vector<LONG>{2});
    EXPECT_EQ(manager_->calls.back().items.front(), item);
}

TEST_F(DocumentItemsTest, CheckInGetsTheLatestVersionAfterwardsAndReturnsItsFailure) {
    CComPtr<IItmObject> item = item_objects::LinkedItem(item_objects::ItemRecord(kItem, kFolder, u"Bracket"));
    ItemArray items{item.GetInterfacePtr()};
    manager_->Script("GetLatestVersion", Returning({item}));
    EXPECT_EQ(doc_->mhCheckIn(viewId_, items.get()), S_OK);
    EXPECT_EQ(manager_->Methods(), (std::vector<std::string>{"CheckIn", "GetLatestVersion"}));
    EXPECT_EQ(manager_->calls[0].numbers, std::vector<LONG>{ui::WindowValue(GetForegroundWindow())});
    // Silently.
    EXPECT_EQ(manager_->calls[1].numbers, (std::vector<LONG>{VARIANT_TRUE, VARIANT_TRUE}));
    EXPECT_EQ(manager_->calls[1].items, std::vector<CComPtr<IItmObject>>{item});

    // The check-in went through; the explorer's copy is stale and says so.
    manager_->calls.clear();
    manager_->Script("GetLatestVersion", Failure(kFileStateChanged, u"could not get"));
    EXPECT_EQ(doc_->mhCheckIn(viewId_, items.get()), kFileStateChanged);
    EXPECT_EQ(com_testing::TakePendingDescription(), u"could not get");
    EXPECT_EQ(manager_->Methods(), (std::vector<std::string>{"CheckIn", "GetLatestVersion"}));
}

// The change of state owns the array it is given on success only; the
// changed items are the document's on every path.
TEST_F(DocumentItemsTest, ChangeStateGetsTheChangedItemsAndOwnsItsArrays) {
    CComPtr<IItmObject> item = item_objects::LinkedItem(item_objects::ItemRecord(kItem, kFolder, u"Bracket"));
    const auto NewArray = [&] { return ScriptedItemManager::MakeItemArray({item}); };
    const int64_t before = com::testing::LiveSafeArrayCount();
    LONG refreshed = -5;

    // Nothing changed: the mark stays 1, no get-latest, the input is gone.
    EXPECT_EQ(doc_->mhChangeState(viewId_, NewArray(), u"Approve", &refreshed, true), S_OK);
    EXPECT_EQ(refreshed, 1);
    EXPECT_EQ(manager_->Methods(), std::vector<std::string>{"ChangeState2"});
    EXPECT_EQ(manager_->calls[0].texts, std::vector<std::u16string>{u"Approve"});
    EXPECT_EQ(manager_->calls[0].numbers, std::vector<LONG>{VARIANT_TRUE});
    EXPECT_EQ(com::testing::LiveSafeArrayCount(), before);

    // An empty list of changed items is nothing changed as well.
    manager_->calls.clear();
    manager_->Script("ChangeState2", Returning({}, true));
    EXPECT_EQ(doc_->mhChangeState(viewId_, NewArray(), u"Approve", &refreshed, false), S_OK);
    EXPECT_EQ(manager_->Methods(), std::vector<std::string>{"ChangeState2"});
    EXPECT_EQ(com::testing::LiveSafeArrayCount(), before);

    // Changed items whose get-latest brought items back: the mark is 0.
    manager_->calls.clear();
    manager_->Script("ChangeState2", Returning({item}));
    manager_->Script("GetLatestVersion", Returning({item}));
    EXPECT_EQ(doc_->mhChangeState(viewId_, NewArray(), u"Approve", &refreshed, false), S_OK);
    EXPECT_EQ(refreshed, 0);
    EXPECT_EQ(manager_->Methods(), (std::vector<std::string>{"ChangeState2", "GetLatestVersion"}));
    EXPECT_EQ(manager_->calls[1].numbers, (std::vector<LONG>{VARIANT_TRUE, VARIANT_TRUE}));
    EXPECT_EQ(com::testing::LiveSafeArrayCount(), before);

    // ... and when it brought none back, 1.
    manager_->Script("ChangeState2", Returning({item}));
    manager_->Script("GetLatestVersion", Returning({}, true));
    EXPECT_EQ(doc_->mhChangeState(viewId_, NewArray(), u"Approve", &refreshed, false), S_OK);
    EXPECT_EQ(refreshed, 1);
    EXPECT_EQ(com::testing::LiveSafeArrayCount(), before);

    // A failing get-latest is returned; the changed items are destroyed and
    // the input stays the caller's.
    manager_->Script("ChangeState2", Returning({item}));
    manager_->Script("GetLatestVersion", Failure(kFileStateChanged, u"could not get"));
    SAFEARRAY* input = NewArray();
    EXPECT_EQ(doc_->mhChangeState(viewId_, input, u"Approve", &refreshed, false), kFileStateChanged);
    EXPECT_EQ(com_testing::TakePendingDescription(), u"could not get");
    EXPECT_EQ(com::testing::LiveSafeArrayCount(), before + 1);
    EXPECT_EQ(SafeArrayDestroy(input), S_OK);

    // A failing change of state: the changed items it returned beside the
    // failure go too, the input stays.
    ScriptedAnswer failed = Failure(kFileStateChanged, u"no transition");
    failed.items = {item};
    manager_->Script("ChangeState2", failed);
    input = NewArray();
    EXPECT_EQ(doc_->mhChangeState(viewId_, input, u"Approve", &refreshed, false), kFileStateChanged);
    EXPECT_EQ(com_testing::TakePendingDescription(), u"no transition");
    EXPECT_EQ(com::testing::LiveSafeArrayCount(), before + 1);
    EXPECT_EQ(SafeArrayDestroy(input), S_OK);
}

TEST_F(DocumentItemsTest, LinkingFilesCachesThemAndUpdatesTheParent) {
    CComPtr<IItmObject> parent = item_objects::LinkedItem(item_objects::ItemRecord(kItem, kFolder, u"Bracket"));
    RefPtr<CTreeNode> node = NodeOf(parent);
    item_objects::ObjectRecord changedRecord = item_objects::ItemRecord(kItem, kFolder, u"Bracket");
    changedRecord.attachedVersion = 7;
    CComPtr<IItmObject> changedParent = item_objects::LinkedItem(changedRecord);
    CComPtr<IItmObject> file =
        item_objects::Make(item_objects::UnderItem(item_objects::FileRecord(40, kFolder, 0, u"a.zvkprt"), kItem));
    ScriptedAnswer answer = Returning({file});
    answer.object = changedParent.GetInterfacePtr();
    manager_->Script("LinkFileFromFilePath", answer);

    ItemArray paths{};
    SAFEARRAY* linked = nullptr;
    EXPECT_EQ(doc_->mhLinkFileFromFilePath(node, paths.get(), &linked), S_OK);
    ASSERT_NE(linked, nullptr);
    EXPECT_EQ(item_objects::ObjectsOf(linked), std::vector<CComPtr<IItmObject>>{file});
    EXPECT_EQ(SafeArrayDestroy(linked), S_OK);
    EXPECT_TRUE(Find({BellquistLib::ItmObjectType_File, 40, 0}));
    // The cached instance stays and takes the manager's data.
    EXPECT_EQ(node->moCacheObj->moInner->mpoItem, parent);
    LONG version = 0;
    EXPECT_EQ(parent->get_AttachedVersion(&version), S_OK);
    EXPECT_EQ(version, 7);
}

TEST_F(DocumentItemsTest, GeneratedItemsAreHandedToTheCallerInOrder) {
    CComPtr<IItmObject> destination = item_objects::Folder(kFolder, 1, u"Parts");
    CComPtr<IItmObject> cachedItem = item_objects::Item(31, kFolder, u"One");
    RefPtr<CCacheObj> cached = Add(cachedItem);
    CComPtr<IItmObject> other = item_objects::Item(32, kFolder, u"Two");
    ItemArray files{};
    manager_->ScriptAlways("GenerateItemFromFile", Returning({cachedItem, other}));
    manager_->ScriptAlways("GenerateItemFromFilePath", Returning({cachedItem, other}));

    std::vector<CComPtr<IItmObject>> generated{nullptr};
    EXPECT_EQ(doc_->mhGenerateItemFromFile(viewId_, files.get(), destination, generated), S_OK);
    EXPECT_EQ(generated, (std::vector<CComPtr<IItmObject>>{nullptr, cachedItem, other}));
    EXPECT_EQ(manager_->calls.back().items.back(), destination);
    // The cache is not touched.
    EXPECT_FALSE(Find({BellquistLib::ItmObjectType_Item, 32, -1}));

    generated.clear();
    std::vector<RefPtr<CCacheObj>> found;
    EXPECT_EQ(doc_->mhGenerateItemFromFilePath(viewId_, files.get(), destination, found, generated), S_OK);
    EXPECT_EQ(generated, (std::vector<CComPtr<IItmObject>>{cachedItem, other}));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]->moInner, cached->moInner);
}

TEST_F(DocumentItemsTest, AMovedItemIsFoundUnderItsNewFolder) {
    CComPtr<IItmObject> target = item_objects::Folder(21, 1, u"Target");
    CComPtr<IItmObject> item = item_objects::Item(kItem, kFolder, u"Bracket");
    RefPtr<CCacheObj> before = Add(item);
    // The manager moves the item: its record now names the new folder.
    item_objects::ObjectRecord moved = item_objects::ItemRecord(kItem, 21, u"Bracket");
    CComPtr<IItmObject> fresh = item_objects::Make(moved);
    EXPECT_EQ(item->Swap(fresh, VARIANT_FALSE), S_OK);

    CComQIPtr<IItmFolder> destination(target.GetInterfacePtr());
    ItemArray items{item.GetInterfacePtr()};
    EXPECT_EQ(doc_->mhMove(viewId_, destination, items.get()), S_OK);
    EXPECT_EQ(OnlyCall("Move").items.back(), target);
    RefPtr<CCacheObj> after = Find({BellquistLib::ItmObjectType_Item, kItem, -1});
    ASSERT_TRUE(after);
    EXPECT_EQ(after->mlParentID, 21);
}

TEST_F(DocumentItemsTest, MenuInfoPassesEverythingThrough) {
    ScriptedAnswer answer;
    answer.enableFlags = 0x1021;
    answer.userRights = 0x40;
    manager_->Script("GetMenuInfo", answer);
    ULONG flags = 0, rights = 0;
    SAFEARRAY *system = nullptr, *versions = nullptr, *transitions = nullptr, *statuses = nullptr;
    EXPECT_EQ(doc_->mhGetMenuInfo(viewId_, nullptr, 0x3, &flags, &rights, &system, &versions, &transitions, &statuses),
              S_OK);
    EXPECT_EQ(flags, 0x1021u);
    EXPECT_EQ(rights, 0x40u);
    EXPECT_EQ(OnlyCall("GetMenuInfo").numbers, std::vector<LONG>{3});
}

TEST_F(DocumentItemsTest, TheVaultCacheIsGivenOnlyWhileLoggedIn) {
    EXPECT_EQ(doc_->GetVaultCache(viewId_), node_->mpoCache);
    node_->mbLoggedIn = 0;
    EXPECT_EQ(doc_->GetVaultCache(viewId_), nullptr);
    EXPECT_EQ(doc_->GetVaultCache(GUID{}), nullptr);
    CHalvaranDoc empty;
    EXPECT_EQ(empty.GetVaultCache(viewId_), nullptr);
}

TEST_F(DocumentItemsTest, ABomIsCheckedInFromItsRecord) {
    CComPtr<IItmObject> bom = item_objects::Bom(50, kFolder, 2, u"Bracket.bom");
    ScriptedAnswer created;
    created.object = bom.GetInterfacePtr();
    manager_->Script("CoCreateItem", created);

    EXPECT_EQ(doc_->mhCheckInBom(kVault, kFolder, 50), S_OK);
    EXPECT_EQ(manager_->Methods(), (std::vector<std::string>{"CoCreateItem", "CheckIn"}));
    EXPECT_EQ(manager_->calls[0].numbers, (std::vector<LONG>{BellquistLib::ItmObjectType_BOM, 50, kFolder, -1}));
    EXPECT_EQ(manager_->calls[1].items, std::vector<CComPtr<IItmObject>>{bom});

    // An unknown vault, or one without its manager: E_FAIL, nothing called.
    manager_->calls.clear();
    EXPECT_EQ(doc_->mhCheckInBom(u"Elsewhere", kFolder, 50), E_FAIL);
    node_->mpoItmManager = nullptr;
    EXPECT_EQ(doc_->mhCheckInBom(kVault, kFolder, 50), E_FAIL);
    EXPECT_TRUE(manager_->calls.empty());
    node_->mpoItmManager = manager_.get();

    // No object made: E_POINTER, no check-in.
    EXPECT_EQ(doc_->mhCheckInBom(kVault, kFolder, 50), E_POINTER);
    EXPECT_EQ(manager_->Methods(), std::vector<std::string>{"CoCreateItem"});
    // A failing check-in is returned with its error info.
    manager_->Script("CoCreateItem", created);
    manager_->Script("CheckIn", Failure(kFileStateChanged, u"locked"));
    EXPECT_EQ(doc_->mhCheckInBom(kVault, kFolder, 50), kFileStateChanged);
    EXPECT_EQ(com_testing::TakePendingDescription(), u"locked");
}

// The application's side of the operations: the refresh of its frames after
// a get, and the vault event after a BOM's check-in.
TEST_F(DocumentItemsTest, TheApplicationRefreshesItsFramesAndHearsOfACheckedInBom) {
    gvSetGetVersionsRefresh(nullptr);  // the application's own
    CComPtr<IItmObject> item = item_objects::LinkedItem(item_objects::ItemRecord(kItem, kFolder, u"Bracket"));
    ItemArray items{item.GetInterfacePtr()};
    manager_->ScriptAlways("GetLatestVersion", Returning({item}));

    // Without an application there is no one to tell.
    EXPECT_EQ(doc_->mhGetLatestVersion(viewId_, items.get(), true), S_OK);

    auto app = std::make_unique<explorer_testing::FakeApplication>();
    EXPECT_EQ(doc_->mhGetLatestVersion(viewId_, items.get(), true), S_OK);
    // The receiver is finished at once: the views repopulate from the cache.
    EXPECT_EQ(app->log, (std::vector<std::string>{"refresh 0 cache", "app finish"}));
    app->log.clear();
    app->takePart = false;
    EXPECT_EQ(doc_->mhGetLatestVersion(viewId_, items.get(), true), S_OK);
    EXPECT_EQ(app->log, std::vector<std::string>{"refresh 0 cache"});

    CComPtr<IItmObject> bom = item_objects::Bom(50, kFolder, 2, u"Bracket.bom");
    ScriptedAnswer created;
    created.object = bom.GetInterfacePtr();
    manager_->Script("CoCreateItem", created);
    EXPECT_EQ(doc_->mhCheckInBom(kVault, kFolder, 50), S_OK);
    EXPECT_EQ(app->postedEvents, std::vector<std::string>{"Docs 20"});
    // A failed check-in posts nothing.
    manager_->Script("CoCreateItem", created);
    manager_->Script("CheckIn", Failure(kFileStateChanged, u""));
    EXPECT_EQ(doc_->mhCheckInBom(kVault, kFolder, 50), kFileStateChanged);
    EXPECT_EQ(app->postedEvents.size(), 1u);
}

}  // namespace
