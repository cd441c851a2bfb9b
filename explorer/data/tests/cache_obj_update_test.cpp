// Taking a fresh instance into a cached object: every holder sees the new
// data through the one cached instance; an item checked out in this view
// keeps its date and its links; the cached item's links take the server's
// kinds, and a merge never loses a cached link.
#include "explorer/data/cache.h"

#include "cache_fixture.h"
#include "item_objects.h"

#include "common/error_codes.h"
#include "common/record_array.h"

#include "bellquist/type_library.h"
#include "com/bstr.h"
#include "com/bstr_t.h"
#include "com/com_error.h"
#include "com/owned_safearray.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

using namespace BellquistLib;
using namespace item_objects;

namespace {

constexpr LONG kFolder = 10;
constexpr LONG kProject = 7;
constexpr GUID kThisView = com::MakeGuid("5A0E3C1B-2F6D-4A71-9C88-0B1D2E3F4A5B");
constexpr GUID kOtherView = com::MakeGuid("6B1F4D2C-3A7E-4B82-8D99-1C2E3F405B6C");
constexpr DATE kCachedDate = 45000.25;
constexpr DATE kServerDate = 45100.75;

// One link as the test compares it: child id, link type, operation.
using LinkState = std::tuple<LONG, LONG, LONG>;

std::vector<LinkState> LinksOf(IItmObject* item) {
    std::vector<LinkState> states;
    CComPtr<IItmLinkManager> manager = LinkManagerOf(item);
    SAFEARRAY* raw = nullptr;
    EXPECT_EQ(manager->GetLinks(LinkType_All, &raw), S_OK);
    com::OwnedSafeArray owned(raw);
    if (!owned) return states;
    RecordArray<ItmLink> links(owned.get());
    for (const ItmLink* link = links.mpoBegin(); link != links.mpoEnd(); ++link)
        states.emplace_back(link->mlObjectID, link->meLinkType, link->meLinkOperation);
    return states;
}

class CacheObjUpdateTest : public cache_testing::CacheTest {
protected:
    void SetUp() override {
        CacheTest::SetUp();
        cache_->moViewID = kThisView;
    }

    static ObjectRecord ItemIn(const GUID& lockView, DATE modified, std::u16string name = u"ITM-5") {
        ObjectRecord record = ItemRecord(5, kFolder, std::move(name));
        record.lockViewId = lockView;
        record.modified = modified;
        return record;
    }
    // Files 200, 201, ... of the project, which the tests link.
    CComPtr<IItmObject> FileNumber(LONG id) { return File(id, kProject, 0, u"f.prt"); }
};

TEST_F(CacheObjUpdateTest, AnItemCheckedOutInThisViewKeepsItsDateAndLinks) {
    CComPtr<IItmObject> cached = Make(ItemIn(kThisView, kCachedDate));
    CComPtr<IItmObject> f200 = FileNumber(200), f201 = FileNumber(201);
    ASSERT_EQ(Link(cached, f200, LinkType_Static), S_OK);
    RefPtr<CCacheObj> occurrence = Add(cached);

    CComPtr<IItmObject> fresh = Make(ItemIn(kThisView, kServerDate, u"ITM-5 new"));
    ASSERT_EQ(Link(fresh, f200, LinkType_Dynamic), S_OK);
    ASSERT_EQ(Link(fresh, f201, LinkType_Static), S_OK);
    occurrence->mvUpdateFrom(fresh, false);

    EXPECT_EQ(occurrence->moInner->mpoItem, cached);
    EXPECT_EQ(occurrence->moInner->moName, u"ITM-5 new.<item>");
    DATE date = 0;
    EXPECT_EQ(cached->get_ModifiedDate(&date), S_OK);
    EXPECT_EQ(date, kCachedDate);
    EXPECT_EQ(LinksOf(cached), (std::vector<LinkState>{{200, LinkType_Static, LinkOp_None}}));
}

// Not checked out here: the server's date, and each link the cached item
// has takes the server's kind; links it lacks are not added, links the
// server lacks stay.
TEST_F(CacheObjUpdateTest, TheCachedLinksTakeTheServersKinds) {
    for (const GUID& lockView : {GUID_NULL, kOtherView}) {
        CComPtr<IItmObject> cached = Make(ItemIn(lockView, kCachedDate));
        CComPtr<IItmObject> f200 = FileNumber(200), f201 = FileNumber(201), f202 = FileNumber(202);
        ASSERT_EQ(Link(cached, f200, LinkType_Static), S_OK);
        ASSERT_EQ(Link(cached, f201, LinkType_Static), S_OK);
        RefPtr<CCacheObj> occurrence = Add(cached);
        occurrence->moInner->mlLocalVersion = 3;

        CComPtr<IItmObject> fresh = Make(ItemIn(lockView, kServerDate));
        ASSERT_EQ(Link(fresh, f200, LinkType_Dynamic), S_OK);
        ASSERT_EQ(Link(fresh, f202, LinkType_Static, LinkOp_New), S_OK);
        occurrence->mvUpdateFrom(fresh, true);

        DATE date = 0;
        EXPECT_EQ(cached->get_ModifiedDate(&date), S_OK);
        EXPECT_EQ(date, kServerDate);
        EXPECT_EQ(occurrence->moInner->mlLocalVersion, 0);
        EXPECT_EQ(LinksOf(cached),
                  (std::vector<LinkState>{{200, LinkType_Dynamic, LinkOp_None}, {201, LinkType_Static, LinkOp_None}}));
        cache_->mvClear();
    }
}

// A server link with a pending operation AddLink refuses: the cached link
// stays as it is, and nothing is raised.
TEST_F(CacheObjUpdateTest, AServerLinkAddLinkRefusesLeavesTheCachedOne) {
    BellquistLib::RegisterRecords();
    CComPtr<IItmObject> cached = Make(ItemIn(GUID_NULL, kCachedDate));
    CComPtr<IItmObject> f200 = FileNumber(200);
    ASSERT_EQ(Link(cached, f200, LinkType_Static), S_OK);
    RefPtr<CCacheObj> occurrence = Add(cached);

    CComPtr<IItmObject> fresh = Make(ItemIn(GUID_NULL, kServerDate));
    {
        RecordArray<ItmLink> pending;
        pending.mvCreate(1, LIBID_BellquistLib, kLibraryMajorVersion, 0);
        *pending.mpoBegin() = ItmLink{ItmObjectType_File, 200, 5, 0, LinkType_Dynamic, LinkOp_Switch};
        ASSERT_EQ(LinkManagerOf(fresh)->AddLinks(pending.mpoGetArray()), S_OK);
    }
    ASSERT_EQ(LinksOf(fresh), (std::vector<LinkState>{{200, LinkType_Dynamic, LinkOp_Switch}}));
    occurrence->mvUpdateFrom(fresh, false);
    EXPECT_EQ(LinksOf(cached), (std::vector<LinkState>{{200, LinkType_Static, LinkOp_None}}));
}

// The dynamic link moved from one file to another on the server: taken in
// link order, the new dynamic link is refused while the old one is still
// dynamic; it is tried again after the others and goes in.
TEST_F(CacheObjUpdateTest, ADynamicLinkThatMovedBetweenFilesIsMerged) {
    CComPtr<IItmObject> cached = Make(ItemIn(GUID_NULL, kCachedDate));
    CComPtr<IItmObject> f200 = FileNumber(200), f201 = FileNumber(201);
    ASSERT_EQ(Link(cached, f200, LinkType_Static), S_OK);
    ASSERT_EQ(Link(cached, f201, LinkType_Dynamic), S_OK);
    RefPtr<CCacheObj> occurrence = Add(cached);

    CComPtr<IItmObject> fresh = Make(ItemIn(GUID_NULL, kServerDate));
    ASSERT_EQ(Link(fresh, f200, LinkType_Dynamic), S_OK);
    ASSERT_EQ(Link(fresh, f201, LinkType_Static), S_OK);
    occurrence->mvUpdateFrom(fresh, false);
    EXPECT_EQ(LinksOf(cached),
              (std::vector<LinkState>{{200, LinkType_Dynamic, LinkOp_None}, {201, LinkType_Static, LinkOp_None}}));
}

// A replacement the cached link manager refuses for good (a second dynamic
// link beside one the server no longer has): the cached link is put back and
// the failure raised once the merge is through.
TEST_F(CacheObjUpdateTest, ARefusedReplacementPutsTheCachedLinkBackAndRaises) {
    CComPtr<IItmObject> cached = Make(ItemIn(GUID_NULL, kCachedDate));
    CComPtr<IItmObject> f200 = FileNumber(200), f201 = FileNumber(201), f209 = FileNumber(209);
    ASSERT_EQ(Link(cached, f200, LinkType_Static), S_OK);
    ASSERT_EQ(Link(cached, f201, LinkType_Static), S_OK);
    ASSERT_EQ(Link(cached, f209, LinkType_Dynamic), S_OK);
    RefPtr<CCacheObj> occurrence = Add(cached);

    CComPtr<IItmObject> fresh = Make(ItemIn(GUID_NULL, kServerDate));
    ASSERT_EQ(Link(fresh, f200, LinkType_Dynamic), S_OK);
    ASSERT_EQ(Link(fresh, f201, LinkType_Static, LinkOp_New), S_OK);
    HRESULT raised = S_OK;
    try {
        occurrence->mvUpdateFrom(fresh, false);
    } catch (const _com_error& error) {
        raised = error.Error();
    }
    EXPECT_EQ(raised, E_ITEM_MANY_DYN_LINKS);
    EXPECT_EQ(LinksOf(cached), (std::vector<LinkState>{{200, LinkType_Static, LinkOp_None},
                                                       {201, LinkType_Static, LinkOp_New},
                                                       {209, LinkType_Dynamic, LinkOp_None}}));
}

TEST_F(CacheObjUpdateTest, OnlyItemsMergeLinksAndARecordWithoutItemIsLeftAlone) {
    CComPtr<IItmObject> cached = File(300, kProject, 2, u"old.prt");
    RefPtr<CCacheObj> occurrence = Add(cached);
    CComPtr<IItmObject> fresh = File(300, kProject, 2, u"new.prt");
    occurrence->mvUpdateFrom(fresh, false);
    EXPECT_EQ(occurrence->moInner->moName, u"new.prt");

    RefPtr<CCacheObjInner> empty(new CCacheObjInner(cache_.get(), ItmObjectType_File, 301, nullptr, u"x"));
    empty->mvUpdateFrom(fresh, false);
    EXPECT_EQ(empty->moName, u"x");
}

}  // namespace
