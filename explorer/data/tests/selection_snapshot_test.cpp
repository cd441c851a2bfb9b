// Selection snapshots and node references over a scripted view: what a view
// had selected when a command started, and what the permission rules ask
// about a node's parent row (latest, checked out here or elsewhere).
#include "explorer/data/checked_out_here.h"
#include "explorer/data/node_item_ref.h"
#include "explorer/data/selection_helper.h"

#include "item_objects.h"

#include "com/unknown.h"

#include <map>
#include <vector>

using namespace BellquistLib;
using namespace item_objects;

namespace {

constexpr GUID kView = com::MakeGuid("6C1B6E59-3A53-4F0E-8E0A-51B0F8A2D101");
constexpr GUID kOtherView = com::MakeGuid("6C1B6E59-3A53-4F0E-8E0A-51B0F8A2D102");
constexpr LONG kMe = 7;
constexpr LONG kSomeoneElse = 8;

// A view whose rows a test sets: its selection, the object it shows, each
// row's parent row and the vault its document shows. It records the masks
// it is asked with.
class ScriptedView : public CViewHelper {
public:
    void GetSelectedNodes(std::vector<RefPtr<CTreeNode>>& nodes, LONG mask) const override {
        selectionMasks.push_back(mask);
        nodes.insert(nodes.end(), selected.begin(), selected.end());
    }
    void mvGetSelectedNodesOrFolder(std::vector<RefPtr<CTreeNode>>& nodes, LONG mask,
                                    bool useShownObject) const override {
        fallbackMasks.push_back(mask);
        GetSelectedNodes(nodes, mask);
        if (nodes.empty() && useShownObject && shown) nodes.push_back(shown);
    }
    bool mbGetParentNode(const RefPtr<CTreeNode>& node, RefPtr<CTreeNode>& parent) const override {
        auto row = parents.find(node.get());
        if (row == parents.end()) return false;
        parent = row->second;
        return true;
    }
    RefPtr<CVaultNode> GetViewVault() const override { return vault; }

    std::vector<RefPtr<CTreeNode>> selected;
    RefPtr<CTreeNode> shown;
    std::map<const CTreeNode*, RefPtr<CTreeNode>> parents;
    RefPtr<CVaultNode> vault;
    mutable std::vector<LONG> selectionMasks;
    mutable std::vector<LONG> fallbackMasks;
};

class SelectionSnapshotTest : public ItemObjectsTest {
protected:
    void SetUp() override {
        ItemObjectsTest::SetUp();
        view_.vault = RefPtr<CVaultNode>(new CVaultNode(kView, GUID_NULL, u"Demo", u"c:\\view\\"));
        view_.vault->mlUserID = kMe;
    }
    void TearDown() override {
        view_ = ScriptedView();
        ItemObjectsTest::TearDown();
    }

    // A row's node over a cached object of `item`.
    static RefPtr<CTreeNode> Node(const CComPtr<IItmObject>& item, LONG type, LONG id) {
        RefPtr<CCacheObjInner> inner(new CCacheObjInner(nullptr, type, id, item, u""));
        RefPtr<CCacheObj> cached(new CCacheObj(inner));
        return RefPtr<CTreeNode>(new CTreeNode(std::move(cached)));
    }
    static RefPtr<CTreeNode> ItemNode(ObjectRecord record) { return Node(Make(record), record.type, record.id); }
    // A child row under `parent` in the view.
    RefPtr<CTreeNode> ChildOf(const RefPtr<CTreeNode>& parent) {
        RefPtr<CTreeNode> child = ItemNode(FileRecord(61, 5, 1, u"pump.part"));
        view_.parents[child.get()] = parent;
        return child;
    }

    ScriptedView view_;
};

TEST_F(SelectionSnapshotTest, ARangeIsCopiedAndHeld) {
    std::vector<RefPtr<CTreeNode>> rows = {ItemNode(ItemRecord(7, 5, u"A")), ItemNode(ItemRecord(8, 5, u"B"))};
    RefPtr<SelectionHelper> snapshot(new SelectionHelper(&view_, rows.begin(), rows.end()));
    EXPECT_EQ(snapshot->mnCount(), 2u);
    EXPECT_EQ(snapshot->First(), rows[0]);
    EXPECT_EQ(rows[1]->mlRefCount(), 2);  // the snapshot's reference beside the test's
    EXPECT_FALSE(snapshot->allowFolderFallback);
    EXPECT_FALSE(snapshot->fromFolderFallback);
    rows.clear();
    EXPECT_EQ(snapshot->nodes[1]->mlRefCount(), 1);
    EXPECT_TRUE(view_.selectionMasks.empty()) << "a range asks the view nothing";
}

TEST_F(SelectionSnapshotTest, TheViewsSelectionIsTakenOfEveryRowKindInItsOrder) {
    view_.selected = {ItemNode(ItemRecord(8, 5, u"B")), ItemNode(ItemRecord(7, 5, u"A"))};
    view_.shown = ItemNode(FolderRecord(5, 1, u"Parts"));
    RefPtr<SelectionHelper> snapshot(new SelectionHelper(&view_, true));
    EXPECT_EQ(snapshot->nodes, view_.selected);
    EXPECT_FALSE(snapshot->fromFolderFallback);
    EXPECT_EQ(view_.selectionMasks, std::vector<LONG>{30});
    EXPECT_TRUE(view_.fallbackMasks.empty());
    // A snapshot: the view's later selection does not reach it.
    view_.selected.clear();
    EXPECT_EQ(snapshot->mnCount(), 2u);
}

TEST_F(SelectionSnapshotTest, AnEmptySelectionFallsBackToTheShownFolderOnlyWhenAllowed) {
    view_.shown = ItemNode(FolderRecord(5, 1, u"Parts"));
    RefPtr<SelectionHelper> fallback(new SelectionHelper(&view_, true));
    ASSERT_EQ(fallback->mnCount(), 1u);
    EXPECT_EQ(fallback->First(), view_.shown);
    EXPECT_TRUE(fallback->allowFolderFallback);
    EXPECT_TRUE(fallback->fromFolderFallback);
    EXPECT_EQ(view_.fallbackMasks, std::vector<LONG>{30});

    RefPtr<SelectionHelper> strict(new SelectionHelper(&view_, false));
    EXPECT_EQ(strict->mnCount(), 0u);
    EXPECT_FALSE(strict->fromFolderFallback);
    EXPECT_EQ(view_.fallbackMasks.size(), 1u) << "no fallback asked without the flag";

    view_.shown = RefPtr<CTreeNode>();
    RefPtr<SelectionHelper> nothingShown(new SelectionHelper(&view_, true));
    EXPECT_EQ(nothingShown->mnCount(), 0u);
    EXPECT_FALSE(nothingShown->fromFolderFallback);

    RefPtr<SelectionHelper> noView(new SelectionHelper(nullptr, true));
    EXPECT_EQ(noView->mnCount(), 0u);
}

TEST_F(SelectionSnapshotTest, ATopLevelRowHasNoParentToAskAbout) {
    RefPtr<CTreeNode> row = ItemNode(ItemRecord(7, 5, u"A"));
    CComPtr<IItmObject> item = row->moCacheObj->moInner->mpoItem;
    NodeItemRef ref(std::move(row), &view_);
    EXPECT_EQ(row, nullptr) << "the node is taken over";
    EXPECT_EQ(ref.mpoItem, item);
    EXPECT_EQ(ref.GetParentNode(), nullptr);
    EXPECT_TRUE(ref.mbParentIsLatest());
    EXPECT_FALSE(ref.mbParentLockedHere());
    EXPECT_FALSE(ref.mbParentLockedElsewhere());

    NodeItemRef withoutView(ItemNode(ItemRecord(7, 5, u"A")), nullptr);
    EXPECT_EQ(withoutView.GetParentNode(), nullptr);
    EXPECT_TRUE(withoutView.mbParentIsLatest());
}

TEST_F(SelectionSnapshotTest, TheParentIsLatestWhenItsLocalVersionIsItsLatest) {
    ObjectRecord parent = ItemRecord(7, 5, u"A");
    parent.localVersion = parent.latestVersion = 3;
    NodeItemRef current(ChildOf(ItemNode(parent)), &view_);
    EXPECT_TRUE(current.mbParentIsLatest());

    parent.localVersion = 2;
    NodeItemRef behind(ChildOf(ItemNode(parent)), &view_);
    EXPECT_FALSE(behind.mbParentIsLatest());
}

TEST_F(SelectionSnapshotTest, TheParentsLockIsHereOnlyInThisViewByThisUser) {
    struct Case {
        const char* what;
        ItmObjectType parentType;
        GUID lockView;
        LONG lockedBy;
        bool here;
        bool elsewhere;
    } const cases[] = {
        {"checked out here by me", ItmObjectType_Item, kView, kMe, true, false},
        {"in this view by someone else", ItmObjectType_Item, kView, kSomeoneElse, false, true},
        {"by me in another view", ItmObjectType_Item, kOtherView, kMe, false, true},
        {"not checked out", ItmObjectType_Item, GUID_NULL, 0, false, false},
        {"a folder parent", ItmObjectType_ItemFolder, kView, kMe, false, false},
        {"a BOM parent", ItmObjectType_BOM, kView, kMe, false, false},
    };
    for (const Case& c : cases) {
        ObjectRecord parent = c.parentType == ItmObjectType_Item  ? ItemRecord(7, 5, u"A")
                              : c.parentType == ItmObjectType_BOM ? BomRecord(62, 5, 3, u"a.bom")
                                                                  : FolderRecord(5, 1, u"Parts");
        parent.lockViewId = c.lockView;
        parent.lockedBy = c.lockedBy;
        NodeItemRef ref(ChildOf(ItemNode(parent)), &view_);
        EXPECT_EQ(ref.mbParentLockedHere(), c.here) << c.what;
        EXPECT_EQ(ref.mbParentLockedElsewhere(), c.elsewhere) << c.what;
    }
}

TEST_F(SelectionSnapshotTest, OnlyItemsAndBomsCountAsCheckedOutHere) {
    struct Case {
        ObjectRecord record;
        bool here;
    };
    std::vector<Case> cases = {{ItemRecord(7, 5, u"A"), true},
                               {BomRecord(62, 5, 3, u"a.bom"), true},
                               {FileRecord(61, 5, 1, u"a.part"), false},
                               {FolderRecord(5, 1, u"Parts"), false}};
    for (Case& c : cases) {
        c.record.lockViewId = kView;
        c.record.lockedBy = kMe;
        EXPECT_EQ(gbIsCheckedOutHere(Make(c.record), kView, kMe), c.here) << c.record.type;
    }
    EXPECT_FALSE(gbIsCheckedOutHere(nullptr, kView, kMe));
}

}  // namespace
