// Link operations on cached items over the item server's own objects and
// link managers: removing and switching links under each object's parent
// item, what is skipped, the refresh step the application gives (finished
// on every way out), and the operations refused before anything is asked.
// The paste of links and the local transactions need the item cache file
// behind an item: link_operations_session_test.cpp.
#include "cache_fixture.h"
#include "fake_application.h"

#include "explorer/data/link_op_refresh.h"

#include "common/error_codes.h"
#include "com/com_error.h"

#include <memory>
#include <string>
#include <vector>

using namespace BellquistLib;
using namespace item_objects;
using cache_testing::CacheTest;
using explorer_testing::FakeApplication;

namespace {

// Folder Pumps (5) in the vault (1) holds the items A (7) and B (8); the
// assembly B links A, so A shows at two paths. A links the file X (61,
// configuration 2) statically, Y (62, configuration 3) dynamically and Z
// (63, configuration 4) statically.
class LinkOperationsTest : public CacheTest {
protected:
    void SetUp() override {
        CacheTest::SetUp();
        app_ = std::make_unique<FakeApplication>();
        vault_ = Vault(kRoot);
        pumps_ = Folder(5, kRoot, u"Pumps");
        a_ = Item(7, 5, u"ITM-7");
        b_ = Item(8, 5, u"ITM-8");
        x_ = Make(UnderItem(FileRecord(61, 5, 2, u"pump.part"), 7));
        y_ = Make(UnderItem(FileRecord(62, 5, 3, u"pump.asm"), 7));
        z_ = Make(UnderItem(FileRecord(63, 5, 4, u"pump.drw"), 7));
        ASSERT_EQ(Link(a_, x_, LinkType_Static), S_OK);
        ASSERT_EQ(Link(a_, y_, LinkType_Dynamic), S_OK);
        ASSERT_EQ(Link(a_, z_, LinkType_Static), S_OK);
        ASSERT_EQ(Link(b_, a_), S_OK);
        for (IItmObject* object : {vault_, pumps_, a_, b_, x_, y_, z_}) Add(object);
        // The items' children take their places under them, as after a load.
        for (const CacheObjKey& item : {CacheObjKey{4, 7, -1}, CacheObjKey{4, 8, -1}}) {
            std::vector<CacheObjKey> none;
            ASSERT_EQ(cache_->mhUpdateChildren(cache_->Objects().at(item), none), S_OK);
        }
        ASSERT_TRUE(UnderA(61) && UnderA(62) && UnderA(63));
        ASSERT_TRUE(FindLink({4, 4, 8, 7, -1}));
    }
    void TearDown() override {
        vault_ = pumps_ = a_ = b_ = x_ = y_ = z_ = nullptr;
        app_.reset();
        CacheTest::TearDown();
    }

    // The occurrence of file `id` under A; null when A has none.
    RefPtr<CCacheObj> UnderA(LONG id) { return FindLink({6, 4, 7, id, id - 59}); }

    HRESULT Apply(RefPtr<CCacheObj>* target, std::vector<RefPtr<CCacheObj>> objects, ItmLinkOperation operation) {
        return cache_->mhApplyLinkOperation(target, objects, operation, nullptr, nullptr);
    }

    // A's links: file id -> link type.
    std::map<LONG, LONG> LinkTypesOfA() {
        std::map<LONG, LONG> types;
        CComPtr<IItmLinkManager> links = LinkManagerOf(a_);
        SAFEARRAY* raw = nullptr;
        EXPECT_EQ(links->GetLinks(LinkType_All, &raw), S_OK);
        if (raw) {
            ItmLink* records = nullptr;
            SafeArrayAccessData(raw, reinterpret_cast<void**>(&records));
            for (ULONG i = 0; i < raw->rgsabound[0].cElements; ++i)
                types[records[i].mlObjectID] = records[i].meLinkType;
            SafeArrayUnaccessData(raw);
        }
        SafeArrayDestroy(raw);
        return types;
    }
    static bool IsDirty(IItmObject* item) {
        VARIANT_BOOL dirty = VARIANT_FALSE;
        EXPECT_EQ(item->get_IsDirty(&dirty), S_OK);
        return dirty != VARIANT_FALSE;
    }
    static DATE ModifiedDate(IItmObject* item) {
        DATE date = 0;
        EXPECT_EQ(item->get_ModifiedDate(&date), S_OK);
        return date;
    }

    std::unique_ptr<FakeApplication> app_;
    CComPtr<IItmObject> vault_, pumps_, a_, b_, x_, y_, z_;
};

TEST_F(LinkOperationsTest, RefusedOperationsAskNothing) {
    RefPtr<CCacheObj> a = Find({4, 7, -1});
    struct Case {
        const char* what;
        bool withTarget;
        bool withObject;
        ItmLinkOperation operation;
        HRESULT expected;
    } const cases[] = {
        {"an empty list", false, false, LinkOp_Remove, S_OK},
        {"an empty list to paste", true, false, LinkOp_New, S_OK},
        {"delete", false, true, LinkOp_Delete, E_ITEM_INVALID_LINK_OPERATION},
        {"none", false, true, LinkOp_None, E_ITEM_INVALID_LINK_OPERATION},
        {"dirty", false, true, LinkOp_Dirty, E_ITEM_INVALID_LINK_OPERATION},
        {"new without a target", false, true, LinkOp_New, E_ITEM_INVALID_LINK_OPERATION},
        {"remove with a target", true, true, LinkOp_Remove, E_ITEM_INVALID_LINK_OPERATION},
        {"switch with a target", true, true, LinkOp_Switch, E_ITEM_INVALID_LINK_OPERATION},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<RefPtr<CCacheObj>> objects;
        if (c.withObject) objects.push_back(UnderA(61));
        EXPECT_EQ(Apply(c.withTarget ? &a : nullptr, objects, c.operation), c.expected);
    }
    EXPECT_TRUE(app_->log.empty()) << "no refresh step was asked for";
    EXPECT_EQ(LinkTypesOfA(), (std::map<LONG, LONG>{{61, LinkType_Static}, {62, LinkType_Dynamic}, {63, 2}}));
    EXPECT_FALSE(IsDirty(a_));
}

TEST_F(LinkOperationsTest, RemovingAFileLinkMarksTheItemAndTellsEachOfItsPaths) {
    RefPtr<CCacheObj> x = UnderA(61);
    const DATE before = ModifiedDate(a_);
    EXPECT_EQ(Apply(nullptr, {x}, LinkOp_Remove), S_OK);

    EXPECT_EQ(LinkTypesOfA(), (std::map<LONG, LONG>{{62, LinkType_Dynamic}, {63, LinkType_Static}}));
    EXPECT_TRUE(IsDirty(a_));
    EXPECT_GT(ModifiedDate(a_), before);
    EXPECT_EQ(Find({4, 7, -1})->moInner->mlLocalVersion, 0) << "read again";
    EXPECT_FALSE(UnderA(61)) << "the occurrence under A is gone";
    EXPECT_TRUE(ParentsOf({6, 61, 2}).empty());
    EXPECT_TRUE(UnderA(62) && UnderA(63));

    // One deleted row per path of A, with what the row needs to find it.
    EXPECT_EQ(app_->log, (std::vector<std::string>{
                             "refresh 0 cache",
                             "app begin <items>\\Pumps\\ITM-7.<item>",
                             "app removed <items>\\Pumps\\ITM-7.<item> pump.part 6 61 5",
                             "app end <items>\\Pumps\\ITM-7.<item> 0",
                             "app begin <items>\\Pumps\\ITM-8.<item>\\ITM-7.<item>",
                             "app removed <items>\\Pumps\\ITM-8.<item>\\ITM-7.<item> pump.part 6 61 5",
                             "app end <items>\\Pumps\\ITM-8.<item>\\ITM-7.<item> 0",
                             "app finish",
                         }));
}

TEST_F(LinkOperationsTest, AStaticFileSwitchedAloneTakesTheDynamicOneAlong) {
    // The item server refuses any switch that leaves an item two dynamic
    // links: X alone could not become dynamic.
    EXPECT_EQ(Apply(nullptr, {UnderA(61)}, LinkOp_Switch), S_OK);
    EXPECT_EQ(LinkTypesOfA(), (std::map<LONG, LONG>{{61, LinkType_Dynamic}, {62, LinkType_Static}, {63, 2}}));
    EXPECT_TRUE(IsDirty(a_));
    // The paths are offered; no row changes.
    EXPECT_EQ(app_->log, (std::vector<std::string>{
                             "refresh 0 cache",
                             "app begin <items>\\Pumps\\ITM-7.<item>",
                             "app end <items>\\Pumps\\ITM-7.<item> 0",
                             "app begin <items>\\Pumps\\ITM-8.<item>\\ITM-7.<item>",
                             "app end <items>\\Pumps\\ITM-8.<item>\\ITM-7.<item> 0",
                             "app finish",
                         }));

    // The dynamic file switched alone goes alone.
    app_->log.clear();
    EXPECT_EQ(Apply(nullptr, {UnderA(61)}, LinkOp_Switch), S_OK);
    EXPECT_EQ(LinkTypesOfA(), (std::map<LONG, LONG>{{61, LinkType_Static}, {62, 2}, {63, 2}}));
}

TEST_F(LinkOperationsTest, SeveralFilesSwitchExactlyThoseWhateverTheirOrder) {
    // The static X listed before the dynamic Y: Y gives up its dynamic link
    // first.
    EXPECT_EQ(Apply(nullptr, {UnderA(61), UnderA(62)}, LinkOp_Switch), S_OK);
    EXPECT_EQ(LinkTypesOfA(), (std::map<LONG, LONG>{{61, LinkType_Dynamic}, {62, LinkType_Static}, {63, 2}}));
    // One refresh step for the operation, the paths offered once per file.
    EXPECT_EQ(std::count(app_->log.begin(), app_->log.end(), "refresh 0 cache"), 1);
    EXPECT_EQ(std::count(app_->log.begin(), app_->log.end(), "app begin <items>\\Pumps\\ITM-7.<item>"), 2);
    EXPECT_EQ(app_->log.back(), "app finish");

    EXPECT_EQ(Apply(nullptr, {UnderA(63), UnderA(61)}, LinkOp_Switch), S_OK);
    EXPECT_EQ(LinkTypesOfA(), (std::map<LONG, LONG>{{61, LinkType_Static}, {62, 2}, {63, LinkType_Dynamic}}));
}

TEST_F(LinkOperationsTest, ObjectsWithoutAParentItemAreSkipped) {
    struct Case {
        const char* what;
        CacheObjKey object;  // its folder occurrence, unless under B
        bool underB;
        ItmLinkOperation operation;
    } const cases[] = {
        {"the item A switched alone", {4, 7, -1}, true, LinkOp_Switch},
        {"the folder switched alone", {3, 5, -1}, false, LinkOp_Switch},
        {"a file removed from its folder", {6, 61, 2}, false, LinkOp_Remove},
        {"a file switched in its folder", {6, 62, 3}, false, LinkOp_Switch},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        app_->log.clear();
        RefPtr<CCacheObj> object = c.underB ? FindLink({4, 4, 8, 7, -1}) : Find(c.object);
        ASSERT_TRUE(object);
        EXPECT_EQ(Apply(nullptr, {object}, c.operation), S_OK);
        EXPECT_EQ(app_->log, (std::vector<std::string>{"refresh 0 cache", "app finish"}));
    }
    EXPECT_EQ(LinkTypesOfA(), (std::map<LONG, LONG>{{61, LinkType_Static}, {62, LinkType_Dynamic}, {63, 2}}));
    EXPECT_EQ(LinkIds(b_), (std::vector<LinkId>{{4, 7, -1}}));
    EXPECT_FALSE(IsDirty(a_));
    EXPECT_FALSE(IsDirty(b_));
}

TEST_F(LinkOperationsTest, WithoutAnApplicationRefreshTheCacheStillFollows) {
    app_.reset();
    EXPECT_EQ(Apply(nullptr, {UnderA(61)}, LinkOp_Remove), S_OK);
    EXPECT_FALSE(UnderA(61));

    // An application that takes no part gives no step.
    app_ = std::make_unique<FakeApplication>();
    app_->takePart = false;
    EXPECT_EQ(Apply(nullptr, {UnderA(63)}, LinkOp_Remove), S_OK);
    EXPECT_FALSE(UnderA(63));
    EXPECT_EQ(app_->log, (std::vector<std::string>{"refresh 0 cache"}));
}

TEST_F(LinkOperationsTest, FailuresAreReturnedOrRaisedAndTheStepIsFinished) {
    // A target item without a link manager.
    CComPtr<IItmObject> bare = ItemWithoutLinkManager(ItemRecord(9, 5, u"ITM-9"));
    RefPtr<CCacheObj> target = Add(bare);
    EXPECT_EQ(Apply(&target, {UnderA(61)}, LinkOp_New), E_POINTER);
    EXPECT_EQ(app_->log, (std::vector<std::string>{"refresh 0 cache", "app finish"}));

    // Two static files switched each on its own: the first would leave A
    // two dynamic links, which the link manager refuses; the failure is
    // raised with the link manager's description, and nothing changed.
    app_->log.clear();
    std::vector<RefPtr<CCacheObj>> both{UnderA(61), UnderA(63)};
    try {
        cache_->mhApplyLinkOperation(nullptr, both, LinkOp_Switch, nullptr, nullptr);
        ADD_FAILURE() << "no error was raised";
    } catch (const _com_error& error) {
        EXPECT_EQ(error.Error(), E_ITEM_MANY_DYN_LINKS);
    }
    EXPECT_EQ(app_->log, (std::vector<std::string>{"refresh 0 cache", "app finish"}));
    EXPECT_EQ(LinkTypesOfA(), (std::map<LONG, LONG>{{61, LinkType_Static}, {62, LinkType_Dynamic}, {63, 2}}));
    EXPECT_FALSE(IsDirty(a_));
    target = nullptr;
    bare = nullptr;
}

}  // namespace
