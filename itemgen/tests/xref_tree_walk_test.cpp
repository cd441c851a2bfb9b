// The walk of the handler's tree for the chosen rows and the selection the
// caller gets from it, over a tree that offers recording items in a set
// order.
#include "handler_fixture.h"
#include "recording_tree_item.h"

#include "castavy/ids.h"
#include "castavy/records.h"
#include "com_testing/counting_object.h"
#include "com_testing/pending_error_info.h"
#include "common/error_codes.h"
#include "common/record_array.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace coravent_test;
using namespace CASTAVYLib;
using namespace HastrelLib;
using CoraventLib::TreeCreationType;

FakeItemSetup Row(std::u16string key, std::u16string nameA, LONG serial, std::u16string nameB = u"") {
    FakeItemSetup setup;
    setup.key = std::move(key);
    setup.nameA = std::move(nameA);
    setup.nameB = std::move(nameB);
    setup.serial = {serial, 0};
    return setup;
}

class XRefTreeWalkTest : public HandlerTest {
protected:
    void SetUp() override {
        HandlerTest::SetUp();
        CASTAVYLib::RegisterRecords();
    }
    void TearDown() override {
        HandlerTest::TearDown();
        EXPECT_EQ(tree_.References(), 1u);
    }

    TestHandler& Handler(TreeCreationType type) {
        TestHandler& handler = MakeHandler(type);
        handler.mpoTree = static_cast<IXRefTree*>(&tree_);
        return handler;
    }

    // The object ids of the records GetSelection hands out (S_OK expected).
    std::vector<LONG> Selection(TestHandler& handler) {
        SAFEARRAY* array = nullptr;
        EXPECT_EQ(handler.GetSelection(&array), S_OK);
        std::vector<LONG> ids;
        if (!array) return ids;
        {
            RecordArray<BellquistLib::ItmObjectData> records(array);
            for (const BellquistLib::ItmObjectData* one = records.mpoBegin(); one != records.mpoEnd(); ++one)
                ids.push_back(one->mlObjectID);
        }
        SafeArrayDestroy(array);
        return ids;
    }

    FakeWalkTree tree_;
};

TEST_F(XRefTreeWalkTest, ANodeOfferedTwiceIsVisitedOnce) {
    RecordingTreeItem a(Row(u"a", u"", 0));
    RecordingTreeItem b(Row(u"b", u"", 0));
    tree_.nodes = {a.Unknown(), a.Unknown(), b.Unknown()};
    TestHandler& handler = Handler(CoraventLib::TreeCreationType_IncrRevisions);
    // Without wanted columns every node that has columns is chosen; the
    // tree walks every node for the visitor's flag 0.
    EXPECT_EQ(Selection(handler), (std::vector<LONG>{77, 77}));
    EXPECT_EQ(tree_.walkFlags, (std::vector<LONG>{IterateFlag_All}));
    ReleaseHandler();
}

TEST_F(XRefTreeWalkTest, RowsNotChosenGiveTheirNamesAndRowsNotUsingNameBTheirCounterIds) {
    RecordingTreeItem chosen(Row(u"chosen", u"ITM-000005.<item>", 5));
    RecordingTreeItem switchedOff(Row(u"off", u"ITM-000006.<item>", 6));
    RecordingTreeItem existing(Row(u"existing", u"ITM-000007.<item>", 7, u"Plate.<item>"));
    RecordingTreeItem noCounter(Row(u"none", u"Given.<item>", 0));
    tree_.items = {{u"Plate.<item>", false}};
    tree_.nodes = {chosen.Unknown(), switchedOff.Unknown(), existing.Unknown(), noCounter.Unknown()};
    switchedOff.switches[CastavyCol_CreateItem] = false;
    existing.switches[CastavyCol_ExistingItem] = false;

    TestHandler& handler = Handler(CoraventLib::TreeCreationType_ItemGeneration);
    std::vector<CComPtr<IUnknown>> nodes;
    std::vector<SerialNoInfo> serials;
    std::vector<std::u16string> names;
    handler.moGetSelected(&tree_, IterateFlag_All, {CastavyCol_CreateItem, CastavyCol_ExistingItem}, nodes, serials,
                          names);
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[0].GetInterfacePtr(), chosen.Unknown());
    EXPECT_EQ(nodes[1].GetInterfacePtr(), noCounter.Unknown());
    EXPECT_EQ(names, (std::vector<std::u16string>{u"ITM-000006.<item>", u"Plate.<item>"}));
    std::vector<LONG> ids;
    for (const SerialNoInfo& serial : serials) ids.push_back(serial.mlCounterID);
    EXPECT_EQ(ids, (std::vector<LONG>{5, 6}));
    // The walk met each row through its wrapper.
    EXPECT_NE(chosen.owner, nullptr);
    nodes.clear();
    ReleaseHandler();
}

TEST_F(XRefTreeWalkTest, NothingChosenIsSkipOrNothingByTreeType) {
    RecordingTreeItem unnamed(Row(u"a", u"", 0));
    tree_.nodes = {unnamed.Unknown()};
    SAFEARRAY* const untouched = reinterpret_cast<SAFEARRAY*>(0x1234);

    SAFEARRAY* array = untouched;
    EXPECT_EQ(Handler(CoraventLib::TreeCreationType_ItemGeneration).GetSelection(&array), E_OXN_SKIP_FILE);
    EXPECT_EQ(com_testing::TakePendingDescription(),
              u"The user selected to skip processing of the current file and go on to the next one.");
    EXPECT_EQ(array, untouched);

    // Adding files: none checked in column 36 is no selection, and no
    // failure; the tree walks every row.
    tree_.walkFlags.clear();
    EXPECT_EQ(Handler(CoraventLib::TreeCreationType_RetrieveFiles).GetSelection(&array), S_OK);
    EXPECT_EQ(array, untouched);
    EXPECT_EQ(tree_.walkFlags, (std::vector<LONG>{IterateFlag_AllRows}));
    unnamed.values[CastavyCol_AddFile] = 1;
    EXPECT_EQ(Selection(Handler(CoraventLib::TreeCreationType_RetrieveFiles)), (std::vector<LONG>{77}));

    EXPECT_EQ(handler_->GetSelection(nullptr), E_POINTER);
    handler_->mpoTree = nullptr;
    EXPECT_EQ(handler_->GetSelection(&array), E_POINTER);
    com_testing::ClearPendingErrorInfo();
    ReleaseHandler();
}

TEST_F(XRefTreeWalkTest, AFailingVisitEndsTheWalk) {
    com_testing::CountingObject noColumns;
    RecordingTreeItem after(Row(u"after", u"", 0));
    tree_.nodes = {noColumns.Unknown(), after.Unknown()};
    SAFEARRAY* array = nullptr;
    EXPECT_EQ(Handler(CoraventLib::TreeCreationType_IncrRevisions).GetSelection(&array), E_POINTER);
    com_testing::ClearPendingErrorInfo();
    EXPECT_EQ(array, nullptr);
    EXPECT_TRUE(after.log.empty());
    EXPECT_EQ(noColumns.References(), 1u);
    ReleaseHandler();
}

}  // namespace
