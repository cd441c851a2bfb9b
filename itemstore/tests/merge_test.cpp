// The merge of fetched trees: which objects it makes, the links it gives
// them, the order of its results, the checked-out marking and what happens
// to records and links it cannot take.
#include "merge_fixture.h"

#include "com/error_info.h"
#include "com/ole_date.h"
#include "common/error_codes.h"
#include "winapi/system_time.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace merge_test;

namespace {

using Links = std::vector<std::string>;

// The description of the error info pending on this thread, taken.
std::u16string TakeErrorDescription() {
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || !info) return u"";
    BSTR text = nullptr;
    info->GetDescription(&text);
    std::u16string out = text ? text : u"";
    SysFreeString(text);
    info->Release();
    return out;
}

const Row kFolder10{.type = ItmObjectType_ItemFolder, .id = 10, .parent = 1, .project = 1};

// An item hanging under item folder 10.
Row ItemInFolder(LONG id) {
    return {.type = ItmObjectType_Item, .id = id, .parentType = ItmObjectType_ItemFolder, .parent = 10, .project = 10};
}
Row ChildOfItem(ItmObjectType type, LONG id, LONG item, ItmLinkType linkType, LONG config = -1) {
    return {.type = type,
            .id = id,
            .parentType = ItmObjectType_Item,
            .parent = item,
            .project = 10,
            .config = config,
            .linkType = linkType};
}

TEST_F(MergeTest, EmptyFetchGivesEmptyResultsAndLeavesTheCacheAlone) {
    for (bool nullList : {false, true}) {
        MergeNs::CMerge merge(Keep({ItemInFolder(1)}), nullList ? nullptr : Keep({}), Bgtf_UpdateFileCache, kViewGUID,
                              &backEnd_, nullptr);
        EXPECT_EQ(merge.mhMerge(0), S_OK);
        SAFEARRAY* results = nullptr;
        ASSERT_EQ(merge.mhGetResults(&results), S_OK);
        ASSERT_NE(results, nullptr);
        LONG upper = 0;
        EXPECT_EQ(SafeArrayGetUBound(results, 1, &upper), S_OK);
        EXPECT_EQ(upper, -1);
        SafeArrayDestroy(results);
    }
    EXPECT_FALSE(std::filesystem::exists(machine_.root() / "cache.Items"));
}

TEST_F(MergeTest, SameItemUnderTwoParentItemsGivesTwoObjectsBothLinked) {
    const Results r = Merge(
        {ItemInFolder(1), ItemInFolder(2)},
        {ItemInFolder(1), ItemInFolder(2), ChildOfItem(ItmObjectType_Item, 5, 1, LinkType_BOM),
         ChildOfItem(ItmObjectType_Item, 5, 2, LinkType_BOM), ChildOfItem(ItmObjectType_File, 7, 5, LinkType_Static)});
    EXPECT_EQ(r.objects, (std::vector<std::string>{"4:1", "4:2", "4:5", "4:5", "6:7:c-1@5"}));
    EXPECT_EQ(r.links[0], Links{"4:5:-1:3:1"});
    EXPECT_EQ(r.links[1], Links{"4:5:-1:3:1"});
    // The file found for item 5 is linked to both of its objects.
    EXPECT_EQ(r.links[2], Links{"6:7:-1:2:1"});
    EXPECT_EQ(r.links[3], Links{"6:7:-1:2:1"});
}

TEST_F(MergeTest, SameFileTwiceUnderOneItemGivesOneObjectAndOneLink) {
    const Results r = Merge({}, {ItemInFolder(1), ChildOfItem(ItmObjectType_File, 7, 1, LinkType_Static),
                                 ChildOfItem(ItmObjectType_File, 7, 1, LinkType_Static)});
    EXPECT_EQ(r.objects, (std::vector<std::string>{"4:1", "6:7:c-1@1"}));
    EXPECT_EQ(r.links[0], Links{"6:7:-1:2:1"});
    EXPECT_EQ(backEnd_.created, 3);  // the second file object was made and released
}

TEST_F(MergeTest, TwoConfigurationsOfOneFileGiveTwoObjectsAndTwoLinks) {
    const Results r = Merge({}, {ItemInFolder(1), ChildOfItem(ItmObjectType_File, 7, 1, LinkType_Static, 1),
                                 ChildOfItem(ItmObjectType_File, 7, 1, LinkType_Static, 2)});
    EXPECT_EQ(r.objects, (std::vector<std::string>{"4:1", "6:7:c1@1", "6:7:c2@1"}));
    EXPECT_EQ(r.links[0], (Links{"6:7:1:2:1", "6:7:2:2:1"}));
}

TEST_F(MergeTest, KeepsOnlyInputFoldersAndTheirDirectSubfolders) {
    const Row sub11{.type = ItmObjectType_ItemFolder, .id = 11, .parent = 10, .project = 10};
    const Row sub12{.type = ItmObjectType_ItemFolder, .id = 12, .parent = 11, .project = 11};
    const Results r = Merge({kFolder10}, {kFolder10, sub11, sub12, ItemInFolder(3)});
    EXPECT_EQ(r.objects, (std::vector<std::string>{"4:3", "3:10", "3:11"}));
    EXPECT_EQ(r.links[1], (Links{"3:11:-1:3:1", "4:3:-1:3:1"}));
    EXPECT_EQ(r.links[2], Links{"3:12:-1:3:1"});  // a link to a folder not returned itself
}

TEST_F(MergeTest, ResultsComeInMemoryOrderOfTheKeysObjectsBeforeFolders) {
    // 256 is stored as 00 01 00 00 and 1 as 01 00 00 00: 256 comes first.
    const Results r = Merge({kFolder10}, {kFolder10, ItemInFolder(2), ItemInFolder(1), ItemInFolder(256),
                                          ChildOfItem(ItmObjectType_BOM, 9, 1, LinkType_BOM),
                                          ChildOfItem(ItmObjectType_File, 8, 1, LinkType_Static)});
    EXPECT_EQ(r.objects, (std::vector<std::string>{"4:256", "4:1", "4:2", "6:8:c-1@1", "7:9:c-1@1", "3:10"}));
}

TEST_F(MergeTest, ModeOneLeavesItemLinksAloneButLinksFolders) {
    const std::vector<Row> fetched{kFolder10, ItemInFolder(1), ChildOfItem(ItmObjectType_File, 7, 1, LinkType_Static)};
    const Results mode0 = Merge({kFolder10}, fetched, 0, 0);
    EXPECT_EQ(mode0.links[0], Links{"6:7:-1:2:1"});
    const Results mode1 = Merge({kFolder10}, fetched, 0, 1);
    EXPECT_EQ(mode1.objects, mode0.objects);
    EXPECT_EQ(mode1.links[0], Links{});
    EXPECT_EQ(mode1.links[2], (Links{"4:1:-1:3:1", "6:7:-1:2:1"}));
}

TEST_F(MergeTest, CheckedOutHereGetsTheCurrentTimeAndTheDirtyFlag) {
    Row here = ItemInFolder(1);
    here.attached = 3;
    here.latest = 5;
    here.lockView = kViewGUID;
    Row elsewhere = here;
    elsewhere.id = 2;
    elsewhere.lockView = kOtherViewGUID;
    Row upToDate = here;
    upToDate.id = 3;
    upToDate.attached = 5;
    for (int32_t flags : {0, int32_t{Bgtf_SetModifiedNowForMyCheckedOut}}) {
        SAFEARRAY* fetched = Keep({here, elsewhere, upToDate});
        MergeNs::CMerge merge(nullptr, fetched, flags, kViewGUID, &backEnd_, nullptr);
        ASSERT_EQ(merge.mhMerge(0), S_OK);
        SYSTEMTIME now{};
        GetSystemTime(&now);
        DATE utcNow = 0;
        SystemTimeToVariantTime(&now, &utcNow);

        RecordArray<ItmObjectData> rows(fetched);
        const ItmObjectData* d = rows.mpoBegin();
        if (flags == 0) {
            for (int i = 0; i < 3; ++i) {
                EXPECT_EQ(d[i].moModified, 45000.5);
                EXPECT_EQ(d[i].mlLocalVersion, -1);
            }
            continue;
        }
        EXPECT_LT(std::fabs(d[0].moModified - utcNow), 60.0 / 86400);
        EXPECT_EQ(d[0].mbIsDirty, VARIANT_TRUE);
        EXPECT_EQ(d[0].mlLocalVersion, -1);
        EXPECT_EQ(d[1].moModified, 45000.5);
        EXPECT_EQ(d[1].mbIsDirty, VARIANT_FALSE);
        EXPECT_EQ(d[1].mlLocalVersion, 3);
        EXPECT_EQ(d[2].moModified, 45000.5);
        EXPECT_EQ(d[2].mlLocalVersion, 5);
    }
    EXPECT_FALSE(std::filesystem::exists(machine_.root() / "cache.Items"));
}

TEST_F(MergeTest, RefusedLinksAreReportedAndTheOtherLinksKept) {
    MergeNs::CMerge merge(nullptr,
                          Keep({ItemInFolder(1), ChildOfItem(ItmObjectType_File, 7, 1, LinkType_Dynamic),
                                ChildOfItem(ItmObjectType_File, 8, 1, LinkType_Static),
                                ChildOfItem(ItmObjectType_File, 9, 1, LinkType_Dynamic),
                                ChildOfItem(ItmObjectType_Item, 20, 1, LinkType_Static)}),
                          0, kViewGUID, &backEnd_, nullptr);
    ASSERT_EQ(merge.mhMerge(0), S_OK);
    const std::u16string report = TakeErrorDescription();
    EXPECT_NE(report.find(u"object 9 of type 6"), std::u16string::npos);
    EXPECT_NE(report.find(u"0x800402B6"), std::u16string::npos);  // a second dynamic link
    EXPECT_NE(report.find(u"object 20 of type 4"), std::u16string::npos);
    EXPECT_NE(report.find(u"0x800402B7"), std::u16string::npos);  // an item needs a BOM link
    EXPECT_EQ(report.find(u"object 8 "), std::u16string::npos);
    const Results r = Read(merge);
    EXPECT_EQ(r.objects[0], "4:1");
    EXPECT_EQ(r.links[0], (Links{"6:7:-1:1:1", "6:8:-1:2:1"}));
}

TEST_F(MergeTest, RecordWhoseObjectCannotBeMadeIsLeftOutWithItsLinks) {
    backEnd_.failingID = 5;
    const Results r = Merge({}, {ItemInFolder(1), ChildOfItem(ItmObjectType_Item, 5, 1, LinkType_BOM),
                                 ChildOfItem(ItmObjectType_File, 7, 5, LinkType_Static)});
    EXPECT_EQ(r.objects, (std::vector<std::string>{"4:1", "6:7:c-1@5"}));
    // Item 1 still links to item 5: the link comes from the record, not the object.
    EXPECT_EQ(r.links[0], Links{"4:5:-1:3:1"});
}

TEST_F(MergeTest, TypesWithoutObjectsAreNotMergedAndTheirLinksAreRefused) {
    MergeNs::CMerge merge(Keep({kFolder10}),
                          Keep({kFolder10,
                                {.type = ItmObjectType_Project, .id = 4, .project = 10},
                                ItemInFolder(3),
                                {.type = ItmObjectType_Cutlist, .id = 5, .project = 10}}),
                          0, kViewGUID, &backEnd_, nullptr);
    ASSERT_EQ(merge.mhMerge(0), S_OK);
    const std::u16string report = TakeErrorDescription();
    EXPECT_NE(report.find(u"object 4 of type 5"), std::u16string::npos);
    EXPECT_NE(report.find(u"object 5 of type 8"), std::u16string::npos);
    const Results r = Read(merge);
    EXPECT_EQ(r.objects, (std::vector<std::string>{"4:3", "3:10"}));
    EXPECT_EQ(r.links[1], Links{"4:3:-1:3:1"});
}

TEST_F(MergeTest, UnreadableFetchedListFailsTheMerge) {
    SAFEARRAY* wrongRecords = LinkArray({ItmLink{}});
    MergeNs::CMerge merge(nullptr, wrongRecords, 0, kViewGUID, &backEnd_, nullptr);
    EXPECT_EQ(merge.mhMerge(0), E_INVALIDARG);
    EXPECT_NE(TakeErrorDescription(), u"");
    SafeArrayDestroy(wrongRecords);
    EXPECT_EQ(Read(merge).objects, std::vector<std::string>{});
}

TEST_F(MergeTest, ResultsNeedAnOutPointer) {
    MergeNs::CMerge merge(nullptr, nullptr, 0, kViewGUID, &backEnd_, nullptr);
    EXPECT_EQ(merge.mhGetResults(nullptr), E_POINTER);
}

}  // namespace
