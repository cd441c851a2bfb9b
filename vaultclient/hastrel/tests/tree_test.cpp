// The tree as its callers use it: walks, the root enumerator, the vault's
// item list, and creation by class id through the component's classes.
#include "tree_fixture.h"

#include "castavy/records.h"
#include "com/runnable.h"

namespace hastrel_tests {
namespace {

class WalkTest : public TreeTest {
protected:
    void SetUp() override {
        TreeTest::SetUp();
        source_->AddDocument(1, 10, u"a.asm");
        source_->AddDocument(2, 10, u"b.asm");
        source_->AddDocument(3, 11, u"c.prt");
        source_->AddReference(1, 3);
        source_->AddReference(2, 3);
        ASSERT_EQ(Build(kTreeOptionReferences, {Document(1), Document(2)}), S_OK);
    }
};

// Counts what the walk hands on to it.
struct CountingVisitor : XRefIteratorOp {
    HRESULT Visit(IUnknown* node) override {
        visited.emplace_back(node);
        return S_OK;
    }
    std::vector<CComPtr<IUnknown>> visited;
};

TEST_F(WalkTest, TheFlagChoosesTheNodes) {
    struct Case {
        LONG flag;
        HRESULT result;
        std::vector<LONG> documents;
    };
    const Case cases[] = {
        {0, S_OK, {1, 3, 2, 3}},
        {IterateFlag_All, S_OK, {1, 3, 2, 3}},
        {IterateFlag_AllRows, S_OK, {1, 3, 2, 3}},
        {IterateFlag_Roots, S_OK, {1, 2}},
        {3, E_INVALIDARG, {}},
    };
    for (const Case& one : cases) {
        SCOPED_TRACE(one.flag);
        CollectingFunction function;
        CountingVisitor visitor;
        EXPECT_EQ(tree_->Iterate(one.flag, &function, &visitor), one.result);
        EXPECT_EQ(DocumentsOf(function.nodes), one.documents);
        EXPECT_EQ(visitor.visited, function.nodes);
    }
    // The two places of c.prt are two nodes.
    const std::vector<CComPtr<IUnknown>> nodes = Walk();
    EXPECT_NE(nodes[1], nodes[3]);
    EXPECT_EQ(tree_->Iterate(IterateFlag_All, nullptr, nullptr), E_POINTER);
}

TEST_F(WalkTest, AFailingVisitStopsTheWalk) {
    CollectingFunction function;
    function.failAt = 2;
    EXPECT_EQ(tree_->Iterate(IterateFlag_All, &function, nullptr), E_ABORT);
    EXPECT_EQ(DocumentsOf(function.nodes), (std::vector<LONG>{1, 3}));

    // A tree not built yet has nothing to walk.
    CComPtr<IXRefTree> empty = NewTree();
    EXPECT_TRUE(Walk(empty).empty());
}

TEST_F(WalkTest, TheRootEnumeratorGivesEachRootOnce) {
    CComPtr<IUnknown> made;
    ASSERT_EQ(tree_->GetRoots(&made), S_OK);
    CComQIPtr<CASTAVYLib::IFileRefElement> roots(made);
    ASSERT_TRUE(roots);
    const std::vector<CComPtr<IUnknown>> expected = Walk(IterateFlag_Roots);
    for (const CComPtr<IUnknown>& root : expected) {
        LONG has = 0;
        ASSERT_EQ(roots->HasItem(&has), S_OK);
        EXPECT_NE(has, 0);
        CComPtr<IUnknown> item;
        ASSERT_EQ(roots->GetItem(&item), S_OK);
        EXPECT_EQ(item, root);
    }
    LONG has = 1;
    ASSERT_EQ(roots->HasItem(&has), S_OK);
    EXPECT_EQ(has, 0);
    CComPtr<IUnknown> past;
    EXPECT_EQ(roots->GetItem(&past), S_FALSE);
    EXPECT_FALSE(past);
    EXPECT_EQ(tree_->GetRoots(nullptr), E_POINTER);
}

TEST_F(WalkTest, TheItemListAndItsSwitchFollowTheVaultsItems) {
    CComPtr<IXRefTree> fresh = NewTree();
    CComQIPtr<IXRefTreeItems> unbuilt(fresh);
    VARIANT_BOOL flag = 3;
    SAFEARRAY* list = nullptr;
    EXPECT_EQ(unbuilt->GetExistingItemSwitch(&flag), E_UNEXPECTED);
    EXPECT_EQ(unbuilt->GetItemList(&list), E_UNEXPECTED);

    // No items yet.
    CComQIPtr<IXRefTreeItems> items(tree_);
    ASSERT_EQ(items->GetExistingItemSwitch(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_FALSE);

    source_->AddItem(u"ITM-A.<item>", 1, -1, true);
    source_->AddItem(u"ITM-B.<item>", 3, -1, false);
    source_->AddItem(u"Empty.<item>");
    ASSERT_EQ(Build(kTreeOptionReferences, {Document(1)}), S_OK);
    ASSERT_EQ(items->GetExistingItemSwitch(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_TRUE);
    ASSERT_EQ(items->GetItemList(&list), S_OK);
    {
        RecordArray<CASTAVYLib::ItemListEntry> entries(list);
        ASSERT_EQ(entries.mlGetCount(), 3);
        const char16_t* names[] = {u"ITM-A.<item>", u"ITM-B.<item>", u"Empty.<item>"};
        const VARIANT_BOOL flags[] = {VARIANT_TRUE, VARIANT_FALSE, VARIANT_FALSE};
        for (LONG i = 0; i < 3; ++i) {
            EXPECT_EQ(com::BstrText(entries.mpoBegin()[i].name), names[i]);
            EXPECT_EQ(entries.mpoBegin()[i].flag, flags[i]);
        }
    }
    SafeArrayDestroy(list);
    EXPECT_EQ(items->GetItemList(nullptr), E_POINTER);
    EXPECT_EQ(items->GetExistingItemSwitch(nullptr), E_POINTER);
}

// Callers create the manager and the tree by class id, run them and ask for
// their interfaces.
TEST_F(TreeTest, TheClassesAreCreatedByClassId) {
    source_->AddDocument(1, 10, u"a.asm");
    hastrel_testing::ScopedTreeClasses classes(source_);
    const DWORD context = 23;
    CComPtr<IUnknown> made;
    ASSERT_EQ(
        CoCreateInstance(CLSID_XRefTreeManager, nullptr, context, IUnknown::kIid, reinterpret_cast<void**>(&made)),
        S_OK);
    ASSERT_EQ(OleRun(made), S_OK);
    CComQIPtr<IXRefTreeManager> manager(made);
    ASSERT_TRUE(manager);
    ASSERT_EQ(manager->Start(connection_, 3, GUID{}), S_OK);
    EXPECT_EQ(classes.Sessions(), 1);

    CComPtr<IUnknown> madeTree;
    ASSERT_EQ(CoCreateInstance(CLSID_XRefTree, nullptr, context, IUnknown::kIid, reinterpret_cast<void**>(&madeTree)),
              S_OK);
    ASSERT_EQ(OleRun(madeTree), S_OK);
    CComQIPtr<IXRefTree> tree(madeTree);
    CComQIPtr<IXRefTreeManagerSerials> serials(manager);
    ASSERT_EQ(tree->SetManager(serials), S_OK);
    ASSERT_EQ(Build(tree, 0, {Document(1)}), S_OK);
    EXPECT_EQ(DocumentsOf(Walk(tree)), (std::vector<LONG>{1}));
    EXPECT_EQ(serials->ReuseSerials(nullptr), E_POINTER);
}

}  // namespace
}  // namespace hastrel_tests
