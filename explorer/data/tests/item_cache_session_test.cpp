// The vault cache against the real item server on the demo vault, end to
// end as the explorer uses it: folders listed and an assembly's tree loaded
// with one live item object per cached object; a fresh instance from the
// server taken into the cached one after another process changed the
// vault; and links added, removed and switched on an item checked out here,
// outside and inside a local transaction, in the cache, in the views'
// refresh and in the item cache file that a later check-in reads.
#include "demo_vault_fixture.h"
#include "fake_application.h"
#include "item_cache_file_reader.h"
#include "item_objects.h"

#include "explorer/data/link_op_refresh.h"

#include "bellquist/enums.h"
#include "testsupport/child_process.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace BellquistLib;
using namespace explorer_testing;

namespace {

class ItemCacheSessionTest : public DemoVaultTest {
protected:
    void SetUp() override {
        DemoVaultTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(seeded_.items, vaultadmin::kDemoItems);
        manager_ = LogIn();
        ASSERT_TRUE(manager_);
        AttachNode(manager_);
        if (HasFatalFailure()) return;
        app_ = std::make_unique<FakeApplication>();
    }
    void TearDown() override {
        app_.reset();
        manager_ = nullptr;
        DemoVaultTest::TearDown();
    }

    // The folder's objects listed by the item manager into the cache, as
    // the explorer expands a folder.
    void List(const RefPtr<CCacheObj>& folder) {
        ASSERT_TRUE(folder && folder->moInner && folder->moInner->mpoItem);
        IItmObject* listed = folder->moInner->mpoItem;
        listed->AddRef();
        SAFEARRAY* items = nullptr;
        ASSERT_EQ(manager_->EnumItemFolder(&listed, &items), S_OK);
        listed->Release();
        EXPECT_EQ(cache_->mhAddObjects(items), S_OK);
        SafeArrayDestroy(items);
        folder->moInner->mbEnumerated = 1;
    }
    // The folder "<items>\a\b\..." listed level by level from the root.
    RefPtr<CCacheObj> ListPath(const std::vector<std::u16string>& names) {
        RefPtr<CCacheObj> folder = CachedRoot();
        List(folder);
        for (const std::u16string& name : names) {
            RefPtr<CCacheObj> child;
            std::vector<RefPtr<CCacheObj>> inFolder;
            cache_->GetObjectsInFolder(folder->moInner->mlID, inFolder);
            for (const RefPtr<CCacheObj>& object : inFolder)
                if (object->moInner->meType == ItmObjectType_ItemFolder && object->moInner->moName == name)
                    child = object;
            EXPECT_TRUE(child) << winapi::ToUtf8(name);
            if (!child) return child;
            List(child);
            folder = child;
        }
        return folder;
    }
    // The object's tree fetched by the item manager and loaded into the
    // cache under it, as the explorer loads an item's children; with
    // Bgtf_UpdateFileCache the item server also keeps the item in its item
    // cache file, as a get or check-out here leaves it.
    void LoadTree(const RefPtr<CCacheObj>& object, LONG flags = 0) {
        SAFEARRAY* input = ItemList({object->moInner->mpoItem});
        SAFEARRAY* tree = nullptr;
        ASSERT_EQ(manager_->BatchGetTrees(input, flags, 0, &tree, nullptr), S_OK);
        SafeArrayDestroy(input);
        EXPECT_TRUE(SUCCEEDED(cache_->mhAddTrees(tree, true, &object)));
        SafeArrayDestroy(tree);
    }

    // The cached item of that name, in its folder; null when not cached.
    RefPtr<CCacheObj> CachedItem(const std::u16string& name) {
        for (const auto& [key, inner] : cache_->Objects()) {
            if (key.meObjectType != ItmObjectType_Item || inner->moName != name) continue;
            RefPtr<CCacheObj> found;
            cache_->mbFindObject(key, found);
            return found;
        }
        return nullptr;
    }
    // The occurrence of the cached object of that type and name under
    // `parent`; null when it has none there.
    RefPtr<CCacheObj> Under(const RefPtr<CCacheObj>& parent, ItmObjectType type, const std::u16string& name) {
        for (const auto& [key, inner] : cache_->Objects()) {
            if (key.meObjectType != type || inner->moName != name) continue;
            RefPtr<CCacheObj> found;
            if (cache_->mbFindChild(parent, key.meObjectType, key.mlObjectID, key.mlConfigID, found)) return found;
        }
        return nullptr;
    }
    // The cached object's key by type and name.
    CacheObjKey KeyOf(ItmObjectType type, const std::u16string& name) {
        for (const auto& [key, inner] : cache_->Objects())
            if (key.meObjectType == type && inner->moName == name) return key;
        return CacheObjKey{0, 0, 0};
    }

    // The item's links: name -> link type, from its live object.
    std::map<std::u16string, LONG> LinksOf(const RefPtr<CCacheObj>& item) {
        std::map<std::u16string, LONG> links;
        CComPtr<IItmLinkManager> manager;
        EXPECT_EQ(item->moInner->mpoItem->get_LinkManager(&manager), S_OK);
        SAFEARRAY* raw = nullptr;
        EXPECT_EQ(manager->GetLinks(LinkType_All, &raw), S_OK);
        if (!raw) return links;
        ItmLink* records = nullptr;
        SafeArrayAccessData(raw, reinterpret_cast<void**>(&records));
        for (ULONG i = 0; i < raw->rgsabound[0].cElements; ++i) {
            RefPtr<CCacheObj> child;
            const bool cached = cache_->mbFindObject(
                CacheObjKey{records[i].meObjectType, records[i].mlObjectID, records[i].mlConfigID}, child);
            links[cached ? child->moInner->moName : u"<not cached>"] = records[i].meLinkType;
        }
        SafeArrayUnaccessData(raw);
        SafeArrayDestroy(raw);
        return links;
    }

    // The item's children list in the item cache file: name -> {link type,
    // link operation}.
    std::map<std::u16string, std::pair<LONG, LONG>> CacheFileChildren(const std::u16string& item) {
        const CachedChildren read = ItemCacheFileReader(created_.vaultId, kVault).ChildrenOf(item);
        EXPECT_EQ(read.hr, S_OK);
        std::map<std::u16string, std::pair<LONG, LONG>> children;
        for (const CachedChild& child : read.children) children[child.name] = {child.linkType, child.linkOperation};
        return children;
    }

    // Runs the administration tool as another process of the machine.
    int RunVaultAdmin(const std::vector<std::string>& args) {
        testsupport::ChildProcess child(testsupport::SiblingProgram("vaultadmin"), args);
        return child.Wait(std::chrono::minutes(2));
    }

    HRESULT Apply(RefPtr<CCacheObj>* target, std::vector<RefPtr<CCacheObj>> objects, ItmLinkOperation operation,
                  ILocalTransactionMgr* transaction = nullptr,
                  std::vector<std::shared_ptr<LinkOpRefresh>>* deferred = nullptr) {
        return cache_->mhApplyLinkOperation(target, objects, operation, transaction, deferred);
    }

    // The log lines of the application's refresh steps that carry `what`.
    std::vector<std::string> Logged(const std::string& what) {
        std::vector<std::string> lines;
        for (const std::string& line : app_->log)
            if (line.find(what) != std::string::npos) lines.push_back(line);
        return lines;
    }

    CComPtr<IItmManager2> manager_;
    std::unique_ptr<FakeApplication> app_;
};

using Pair = std::pair<LONG, LONG>;

TEST_F(ItemCacheSessionTest, FoldersAndAnAssemblysTreeLoadWithOneLiveObjectPerItem) {
    // The assembly ITM-00010 lists the items 9, 8, 7 and 6; ITM-00008 is
    // also listed in its folder, Purchased.
    RefPtr<CCacheObj> assemblies = ListPath({u"Assemblies"});
    ASSERT_TRUE(assemblies);
    RefPtr<CCacheObj> purchased = ListPath({u"Purchased"});
    ASSERT_TRUE(purchased);
    std::vector<RefPtr<CCacheObj>> listed;
    cache_->GetObjectsInFolder(assemblies->moInner->mlID, listed);
    EXPECT_EQ(listed.size(), static_cast<size_t>(vaultadmin::kDemoItems / vaultadmin::kDemoAssemblyEvery));

    RefPtr<CCacheObj> assembly = CachedItem(demo::Item(10));
    RefPtr<CCacheObj> listedChild = CachedItem(demo::Item(8));
    ASSERT_TRUE(assembly && listedChild);
    EXPECT_FALSE(assembly->moInner->mbComplete);
    LoadTree(assembly);

    // The assembly took the fetched data and holds its children.
    EXPECT_TRUE(assembly->moInner->mbComplete);
    for (int number : {9, 8, 7, 6}) EXPECT_TRUE(Under(assembly, ItmObjectType_Item, demo::Item(number))) << number;
    EXPECT_TRUE(Under(assembly, ItmObjectType_File, u"A-00010.zvkasm"));
    EXPECT_TRUE(Under(assembly, ItmObjectType_BOM, u"A-00010 BOM"));

    // ITM-00008 in its folder and under the assembly is one cached object,
    // with one live item object.
    RefPtr<CCacheObj> underAssembly = Under(assembly, ItmObjectType_Item, demo::Item(8));
    ASSERT_TRUE(underAssembly);
    EXPECT_NE(underAssembly.get(), listedChild.get());
    EXPECT_EQ(underAssembly->moInner, listedChild->moInner);
    EXPECT_EQ(underAssembly->moInner->mpoItem.GetInterfacePtr(), listedChild->moInner->mpoItem.GetInterfacePtr());

    // Throughout the cache: every occurrence holds its identity's one record.
    size_t occurrences = 0;
    for (const auto& [key, occurrence] : cache_->Links()) {
        CacheObjKey identity{key.meObjectType, key.mlObjectID, key.mlConfigID};
        auto cached = cache_->Objects().find(identity);
        if (cached == cache_->Objects().end() && key.meObjectType == ItmObjectType_ItemFolder)
            cached = cache_->Objects().find(CacheObjKey{ItmObjectType_Vault, key.mlObjectID, -1});
        if (cached == cache_->Objects().end()) continue;  // unlinked from its last item
        ++occurrences;
        EXPECT_EQ(occurrence->moInner, cached->second) << winapi::ToUtf8(occurrence->moInner->moName);
    }
    EXPECT_GT(occurrences, cache_->Objects().size());

    // Listing the folders again hands out new instances: the complete
    // assembly keeps its own, the child (never loaded in full) takes the new
    // one - in its one record, so both its rows show it.
    IItmObject* assemblyItem = assembly->moInner->mpoItem;
    IItmObject* childItem = listedChild->moInner->mpoItem;
    List(purchased);
    List(assemblies);
    EXPECT_EQ(assembly->moInner->mpoItem.GetInterfacePtr(), assemblyItem);
    EXPECT_EQ(CachedItem(demo::Item(10))->moInner, assembly->moInner);
    EXPECT_NE(listedChild->moInner->mpoItem.GetInterfacePtr(), childItem);
    EXPECT_EQ(Under(assembly, ItmObjectType_Item, demo::Item(8))->moInner, listedChild->moInner);
}

TEST_F(ItemCacheSessionTest, AFreshInstanceIsTakenIntoTheCachedOneForEveryHolder) {
    RefPtr<CCacheObj> bearings = ListPath({u"Mechanical", u"Bearings"});
    RefPtr<CCacheObj> item = CachedItem(demo::Item(75));
    ASSERT_TRUE(item);
    LoadTree(item);
    RefPtr<CCacheObj> part = Under(item, ItmObjectType_File, demo::Part(75));
    ASSERT_TRUE(part);
    RefPtr<CCacheObj> partInFolder;
    ASSERT_TRUE(cache_->mbFindObject(KeyOf(ItmObjectType_File, demo::Part(75)), partInFolder));
    CComPtr<IItmObject> live = part->moInner->mpoItem;
    LONG before = 0;
    ASSERT_EQ(live->get_LatestVersion(&before), S_OK);

    // Another user stores a new version of the part meanwhile.
    const std::filesystem::path contents = machine_.root() / "P-00075 new.zvkprt";
    std::ofstream(contents) << "the new geometry\n";
    ASSERT_EQ(RunVaultAdmin({"add-version", "Demo", "\\Projects\\Conveyor\\Parts\\P-00075.zvkprt", contents.string()}),
              0);

    // The refreshed tree brings a new instance of the part, which the cached
    // one takes in.
    SAFEARRAY* input = ItemList({item->moInner->mpoItem});
    SAFEARRAY* refreshed = nullptr;
    ASSERT_EQ(manager_->BatchRefreshTrees(input, 1, &refreshed, nullptr), S_OK);
    SafeArrayDestroy(input);
    CComPtr<IItmObject> fresh = Named(item_objects::ObjectsOf(refreshed), ItmObjectType_File, demo::Part(75));
    SafeArrayDestroy(refreshed);
    ASSERT_TRUE(fresh);
    ASSERT_NE(fresh.GetInterfacePtr(), live.GetInterfacePtr());
    partInFolder->mvUpdateFrom(fresh, false);

    LONG after = 0;
    for (const RefPtr<CCacheObj>& holder : {part, partInFolder}) {
        EXPECT_EQ(holder->moInner->mpoItem.GetInterfacePtr(), live.GetInterfacePtr());
        EXPECT_EQ(holder->moInner->mpoItem->get_LatestVersion(&after), S_OK);
        EXPECT_EQ(after, before + 1);
    }
    EXPECT_EQ(part->moInner->moName, demo::Part(75));
}

// ITM-00075 is checked out to the designer in this view; it links its part
// P-00075 dynamically and its drawing D-00075 statically. D-00003 (the
// drawing of ITM-00003) is pasted to it.
class ItemLinksSessionTest : public ItemCacheSessionTest {
protected:
    void SetUp() override {
        ItemCacheSessionTest::SetUp();
        if (HasFatalFailure()) return;
        ListPath({u"Mechanical", u"Bearings"});
        item_ = CachedItem(demo::Item(75));
        RefPtr<CCacheObj> source = CachedItem(demo::Item(3));
        ASSERT_TRUE(item_ && source);
        LoadTree(item_, Bgtf_UpdateFileCache);
        LoadTree(source);
        ASSERT_TRUE(cache_->mbFindObject(KeyOf(ItmObjectType_File, demo::Drawing(3)), pasted_));
        ASSERT_EQ(LinksOf(item_), (std::map<std::u16string, LONG>{{demo::Part(75), LinkType_Dynamic},
                                                                  {demo::Drawing(75), LinkType_Static}}));
        ASSERT_EQ(CacheFileChildren(demo::Item(75)),
                  (std::map<std::u16string, Pair>{{demo::Part(75), {LinkType_Dynamic, LinkOp_None}},
                                                  {demo::Drawing(75), {LinkType_Static, LinkOp_None}}}));
    }
    void TearDown() override {
        item_ = pasted_ = nullptr;
        ItemCacheSessionTest::TearDown();
    }

    RefPtr<CCacheObj> Part() { return Under(item_, ItmObjectType_File, demo::Part(75)); }
    RefPtr<CCacheObj> Drawing() { return Under(item_, ItmObjectType_File, demo::Drawing(75)); }

    bool IsDirty() {
        VARIANT_BOOL dirty = VARIANT_FALSE;
        EXPECT_EQ(item_->moInner->mpoItem->get_IsDirty(&dirty), S_OK);
        return dirty != VARIANT_FALSE;
    }

    RefPtr<CCacheObj> item_, pasted_;
};

TEST_F(ItemLinksSessionTest, LinksChangedOutsideATransactionShowAtOnce) {
    // Paste link: D-00003 under the item, statically, as a new link.
    ASSERT_EQ(Apply(&item_, {pasted_}, LinkOp_New), S_OK);
    EXPECT_TRUE(IsDirty());
    RefPtr<CCacheObj> pastedUnder = Under(item_, ItmObjectType_File, demo::Drawing(3));
    ASSERT_TRUE(pastedUnder);
    EXPECT_EQ(pastedUnder->moInner, pasted_->moInner);
    EXPECT_EQ(Logged("added"),
              (std::vector<std::string>{"app added Demo\\Mechanical\\Bearings\\ITM-00075.<item> D-00003.dwg 1"}));
    EXPECT_EQ(CacheFileChildren(demo::Item(75))[demo::Drawing(3)], Pair(LinkType_Static, LinkOp_New));

    // Remove: the item's own drawing.
    app_->log.clear();
    ASSERT_EQ(Apply(nullptr, {Drawing()}, LinkOp_Remove), S_OK);
    EXPECT_FALSE(Drawing());
    EXPECT_EQ(LinksOf(item_).count(demo::Drawing(75)), 0u);
    EXPECT_EQ(Logged("removed").size(), 1u);
    EXPECT_EQ(CacheFileChildren(demo::Item(75))[demo::Drawing(75)].second, LinkOp_Remove);

    // Switch: the pasted static drawing alone, which takes the dynamic part
    // along.
    ASSERT_EQ(Apply(nullptr, {pastedUnder}, LinkOp_Switch), S_OK);
    EXPECT_EQ(LinksOf(item_), (std::map<std::u16string, LONG>{{demo::Part(75), LinkType_Static},
                                                              {demo::Drawing(3), LinkType_Dynamic}}));
    const auto file = CacheFileChildren(demo::Item(75));
    EXPECT_EQ(file.at(demo::Drawing(3)), Pair(LinkType_Dynamic, LinkOp_Switch));
    EXPECT_EQ(file.at(demo::Part(75)), Pair(LinkType_Static, LinkOp_Switch));
}

TEST_F(ItemLinksSessionTest, InATransactionTheCacheFollowsAfterTheCommit) {
    CComPtr<ILocalTransactionMgr> transaction;
    ASSERT_EQ(manager_->BeginLocalTransaction(&transaction), S_OK);
    ASSERT_EQ(transaction->BeginTransaction(), S_OK);
    std::vector<std::shared_ptr<LinkOpRefresh>> deferred;
    const CacheObjKey part = KeyOf(ItmObjectType_File, demo::Part(75));
    const CacheObjKey drawing = KeyOf(ItmObjectType_File, demo::Drawing(75));
    const CacheObjKey pasted = KeyOf(ItmObjectType_File, demo::Drawing(3));
    RefPtr<CCacheObj> removed = Drawing();
    ASSERT_EQ(Apply(&item_, {pasted_}, LinkOp_New, transaction, &deferred), S_OK);
    // The item's link manager is in the transaction already: the second
    // operation does not begin it again (which the link manager refuses).
    ASSERT_EQ(Apply(nullptr, {removed}, LinkOp_Remove, transaction, &deferred), S_OK);

    // The links changed; the cache and the views wait for the commit.
    EXPECT_EQ(LinksOf(item_), (std::map<std::u16string, LONG>{{demo::Part(75), LinkType_Dynamic},
                                                              {demo::Drawing(3), LinkType_Static}}));
    EXPECT_FALSE(Under(item_, ItmObjectType_File, demo::Drawing(3)));
    EXPECT_TRUE(Drawing());
    EXPECT_TRUE(app_->log.empty()) << "no refresh step inside a transaction";
    ASSERT_EQ(deferred.size(), 2u);
    EXPECT_EQ(deferred[0]->moTarget, item_);
    EXPECT_EQ(deferred[0]->moObjects, std::vector<RefPtr<CCacheObj>>{pasted_});
    EXPECT_EQ(deferred[0]->meOperation, LinkOp_New);
    EXPECT_EQ(deferred[0]->moPreviousChildren, (std::vector<CacheObjKey>{part, drawing}));
    EXPECT_EQ(deferred[1]->moTarget->moInner, item_->moInner);
    EXPECT_EQ(deferred[1]->moObjects, std::vector<RefPtr<CCacheObj>>{removed});
    EXPECT_EQ(deferred[1]->meOperation, LinkOp_Remove);
    // In the link manager's order: by kind, then id.
    EXPECT_EQ(deferred[1]->moPreviousChildren, (std::vector<CacheObjKey>{pasted, part, drawing}));

    ASSERT_EQ(transaction->Commit(), S_OK);
    transaction = nullptr;
    const auto file = CacheFileChildren(demo::Item(75));
    EXPECT_EQ(file.at(demo::Drawing(3)), Pair(LinkType_Static, LinkOp_New));
    EXPECT_EQ(file.at(demo::Drawing(75)).second, LinkOp_Remove);

    // After the commit the caller applies the records with one refresh step.
    RefreshNs::RefreshItemI* step = nullptr;
    ASSERT_EQ(app_->Refresh(0, cache_.get(), &step), 1);
    for (const std::shared_ptr<LinkOpRefresh>& record : deferred) EXPECT_EQ(record->mhApply(*cache_, step), S_OK);
    step->mvFinish();
    EXPECT_TRUE(Under(item_, ItmObjectType_File, demo::Drawing(3)));
    EXPECT_FALSE(Drawing());
    EXPECT_EQ(Logged("added").size(), 1u);
    EXPECT_EQ(Logged("removed").size(), 1u);
}

TEST_F(ItemLinksSessionTest, WithoutADeferredVectorATransactionChangesTheLinksButNotTheCache) {
    CComPtr<ILocalTransactionMgr> transaction;
    ASSERT_EQ(manager_->BeginLocalTransaction(&transaction), S_OK);
    ASSERT_EQ(transaction->BeginTransaction(), S_OK);
    ASSERT_EQ(Apply(&item_, {pasted_}, LinkOp_New, transaction, nullptr), S_OK);
    ASSERT_EQ(transaction->Commit(), S_OK);
    transaction = nullptr;

    EXPECT_EQ(LinksOf(item_).count(demo::Drawing(3)), 1u);
    EXPECT_EQ(CacheFileChildren(demo::Item(75)).at(demo::Drawing(3)), Pair(LinkType_Static, LinkOp_New));
    EXPECT_FALSE(Under(item_, ItmObjectType_File, demo::Drawing(3)));
}

TEST_F(ItemLinksSessionTest, ARolledBackTransactionLeavesTheLinksAndTheFileAsTheyWere) {
    const auto linksBefore = LinksOf(item_);
    const auto fileBefore = CacheFileChildren(demo::Item(75));
    std::vector<std::shared_ptr<LinkOpRefresh>> deferred;
    {
        CComPtr<ILocalTransactionMgr> transaction;
        ASSERT_EQ(manager_->BeginLocalTransaction(&transaction), S_OK);
        ASSERT_EQ(transaction->BeginTransaction(), S_OK);
        ASSERT_EQ(Apply(nullptr, {Part(), Drawing()}, LinkOp_Switch, transaction, &deferred), S_OK);
        EXPECT_EQ(LinksOf(item_), (std::map<std::u16string, LONG>{{demo::Part(75), LinkType_Static},
                                                                  {demo::Drawing(75), LinkType_Dynamic}}));
        // Released without a commit.
    }
    EXPECT_EQ(deferred.size(), 2u);
    EXPECT_EQ(LinksOf(item_), linksBefore);
    EXPECT_EQ(CacheFileChildren(demo::Item(75)), fileBefore);
    EXPECT_TRUE(Part() && Drawing());
}

}  // namespace
