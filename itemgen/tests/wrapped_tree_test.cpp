// Rows of a tree the cross-reference tree component built, as the reference
// dialog and the generation see them through their wrappers: proposed and
// typed names, the choice the user makes, the rows chosen and the counter
// ids of the rows that name new items.
#include "reference_tree_fixture.h"

#include "castavy/ids.h"
#include "com/ccom_bstr.h"
#include "com/task_memory.h"
#include "common/record_array.h"
#include "hastrel/ids.h"
#include "xref_itm_item.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace coravent_test;
using namespace CASTAVYLib;
using namespace HastrelLib;

class WrappedTreeTest : public ReferenceTreeTest {
protected:
    // An item-generation tree over the frame of AddFrameWithBracketAndPlate.
    TestHandler& FrameTree() {
        AddFrameWithBracketAndPlate();
        TestHandler& handler = StartHandler(CoraventLib::TreeCreationType_ItemGeneration,
                                            kTreeOptionReferences | kTreeOptionItemNames | kTreeOptionCounts);
        EXPECT_EQ(BuildTree(handler, {{1, kFolder}}), S_OK);
        return handler;
    }

    // The wrapper of the node of document `id`.
    static CComPtr<IFileRefItem> RowOf(TestHandler& handler, LONG id) {
        CComQIPtr<IFileRefItem> node(NodesOf(handler, id).at(0));
        CComPtr<IFileRefItem> row;
        EXPECT_EQ(handler.GetItemWrapper(node, &row), S_OK);
        return row;
    }
    static std::u16string ShownName(IUnknown* row) {
        CComQIPtr<IEditableFileRefItem> editable(row);
        CComBSTR name;
        EXPECT_EQ(editable->GetValue(kValueItemName, &name), S_OK);
        return com::BstrText(name);
    }
};

TEST_F(WrappedTreeTest, RowsStartWithTheTreesProposals) {
    TestHandler& handler = FrameTree();
    CComPtr<IFileRefItem> frame = RowOf(handler, 1);
    CComPtr<IFileRefItem> bracket = RowOf(handler, 2);
    std::vector<LONG> reserved = source_->Reserved();
    ASSERT_EQ(reserved.size(), 2u);  // the frame's and the plate's new names
    EXPECT_EQ(ShownName(frame), source_->NameOf(reserved[0]));
    EXPECT_EQ(ShownName(bracket), u"Bracket");

    LONG value = 0;
    EXPECT_EQ(bracket->GetColumnValue(CastavyCol_ExistingItem, &value), S_OK);
    EXPECT_EQ(value, 1);
    // The bracket's item links it already: the row cannot link it again.
    VARIANT_BOOL linkable = VARIANT_TRUE;
    EXPECT_EQ(bracket->GetColumnEnabled(CastavyCol_Link, &linkable), S_OK);
    EXPECT_EQ(linkable, VARIANT_FALSE);
}

TEST_F(WrappedTreeTest, ATypedNameReachesTheNodeRecordAndTheRawNodesEditor) {
    TestHandler& handler = FrameTree();
    CComPtr<IFileRefItem> frame = RowOf(handler, 1);
    CComQIPtr<IEditableFileRefItem> editable(frame);
    ASSERT_EQ(editable->SetValue(kValueItemName, CComBSTR(u"Frame")), S_OK);

    // The raw node hands its row interfaces to its wrapper.
    CComQIPtr<IEditableFileRefItem> raw(NodesOf(handler, 1).at(0));
    EXPECT_EQ(ShownName(raw), u"Frame");
    CComQIPtr<IXRefItmItem> file(frame);
    XRefNodeRecord* record = nullptr;
    ASSERT_EQ(file->GetNodeRecord(&record), S_OK);
    BSTR name = record->mbsItemName;
    EXPECT_EQ(com::BstrText(name), u"Frame.<item>");
    EXPECT_EQ(record->mlDocumentID, 1);
    SysFreeString(name);
    SysFreeString(record->mbsConfiguration);
    CoTaskMemFree(record);
}

TEST_F(WrappedTreeTest, TheChosenRowsAreTheSelectionAndTheNewNamesTheirCounterIds) {
    TestHandler& handler = FrameTree();
    CComPtr<IFileRefItem> plate = RowOf(handler, 3);
    ASSERT_EQ(plate->SetColumnValue(0, 0, 0, CastavyCol_CreateItem, 0), coravent::kColumnSetAndShown);

    SAFEARRAY* array = nullptr;
    ASSERT_EQ(handler.GetSelection(&array), S_OK);
    std::vector<LONG> files;
    {
        RecordArray<BellquistLib::ItmObjectData> records(array);
        for (const BellquistLib::ItmObjectData* one = records.mpoBegin(); one != records.mpoEnd(); ++one) {
            EXPECT_EQ(one->meObjectType, BellquistLib::ItmObjectType_File);
            files.push_back(one->mlObjectID);
        }
    }
    SafeArrayDestroy(array);
    EXPECT_EQ(files, (std::vector<LONG>{1, 2}));

    // Every row that names a new item gives its counter id, chosen or not;
    // the bracket uses its item's name and has none.
    std::vector<CComPtr<IUnknown>> nodes;
    std::vector<SerialNoInfo> serials;
    std::vector<std::u16string> names;
    handler.moGetSelected(handler.mpoTree, IterateFlag_All, {CastavyCol_CreateItem, CastavyCol_ExistingItem}, nodes,
                          serials, names);
    std::vector<LONG> ids;
    for (const SerialNoInfo& serial : serials) ids.push_back(serial.mlCounterID);
    EXPECT_EQ(ids, source_->Reserved());
    EXPECT_EQ(nodes.size(), 2u);
    EXPECT_EQ(names.size(), 1u);
}

}  // namespace
