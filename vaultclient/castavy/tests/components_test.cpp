// CASTAVYLib's contract as its callers reach it: the interfaces' slots, the
// records' layout and their registration, and the dialog's class.
#include "castavy/ids.h"
#include "castavy/interfaces.h"
#include "castavy/records.h"
#include "com/record_info.h"
#include "com_testing/vtable_slot.h"

#include <gtest/gtest.h>

namespace {

using namespace CASTAVYLib;
using com_testing::SlotOf;

TEST(CastavyInterfaces, MethodsSitAtTheSlotsTheirCallersUse) {
    const std::pair<int, int> slots[] = {
        {SlotOf(&IFileCastavy::Show), 3},
        {SlotOf(&IFileCastavy::PutTreeType), 7},
        {SlotOf(&IFileCastavy::GetText), 8},
        {SlotOf(&IFileCastavy::SetText), 9},
        {SlotOf(&IFileRefCmd3::GetColumns), 3},
        {SlotOf(&IFileRefCmd3::Command), 4},
        {SlotOf(&IFileRefCmd3::GetRootEnumerator), 5},
        {SlotOf(&IFileRefCmd3::GetRowItem), 6},
        {SlotOf(&IFileRefCmd3::GetOption), 7},
        {SlotOf(&IFileRefCmd3::ValueChanged), 8},
        {SlotOf(&IFileRefCmd3::GetText), 9},
        {SlotOf(&IFileRefCmd3::OnDialogInit), 10},
        {SlotOf(&IFileRefCmd3::BuildTree), 11},
        {SlotOf(&IFileRefCmd3::OnTreeShown), 12},
        {SlotOf(&IFileRefCmd3::GetRowChecked), 13},
        {SlotOf(&IFileRefCmd3::OnDialogClose), 14},
        {SlotOf(&IUnlockCommandKind::GetUndoCheckOut), 9},
        {SlotOf(&IFileRefElement::HasItem), 3},
        {SlotOf(&IFileRefElement::GetItem), 4},
        {SlotOf(&IFileRefItem::StartChildren), 3},
        {SlotOf(&IFileRefItem::NextChild), 4},
        {SlotOf(&IFileRefItem::GetChild), 6},
        {SlotOf(&IFileRefItem::GetColumnText), 7},
        {SlotOf(&IFileRefItem::GetColumnEnabled), 8},
        {SlotOf(&IFileRefItem::GetColumnValue), 13},
        {SlotOf(&IFileRefItem::SetColumnValue), 14},
        {SlotOf(&IFileRefItem::UnusedSlot18), 18},
        {SlotOf(&IFileRefItem::GetKey), 19},
        {SlotOf(&IFileRefItem3::GetProperty), 3},
        {SlotOf(&IFileRefItem3::PutProperty), 4},
        {SlotOf(&IEditableFileRefItem::SetValue), 3},
        {SlotOf(&IEditableFileRefItem::GetValue), 4},
        {SlotOf(&IEditableFileRefItem::GetChanged), 7},
        {SlotOf(&IEditableFileRefItem::CanEdit), 8},
        {SlotOf(&IEditableFileRefItem::UnusedSlot11), 11},
        {SlotOf(&IFileRefConfigurations::GetConfigurations), 3},
        {SlotOf(&IFileRefConfigurations::FindConfiguration), 4},
        {SlotOf(&IItemListCmd::GetItemList), 3},
        {SlotOf(&IFileRefItemList::GetCount), 3},
        {SlotOf(&IFileRefItemList::GetEnum), 4},
        {SlotOf(&IFileRefItemEnum::Next), 5},
        {SlotOf(&IXRefTreeListCtrlCallback::OnContextMenu), 3},
        {SlotOf(&IXRefTreeListCtrlCallback::OnCommand), 4},
        {SlotOf(&IXRefTreeListCtrlCallback::UnusedSlot7), 7},
    };
    for (size_t i = 0; i < std::size(slots); ++i) EXPECT_EQ(slots[i].first, slots[i].second) << "entry " << i;
}

TEST(CastavyRecords, RegisteredRecordsDescribeTheirLayout) {
    RegisterRecords();
    struct Case {
        GUID record;
        ULONG size;
    };
    for (const Case& c : {Case{ItemListEntry::kRecordGuid, 16}, Case{FileRefConfiguration::kRecordGuid, 24}}) {
        IRecordInfo* info = nullptr;
        ASSERT_EQ(GetRecordInfoFromGuids(LIBID_CASTAVYLib, 1, 0, 0x409, c.record, &info), S_OK);
        ULONG size = 0;
        EXPECT_EQ(info->GetSize(&size), S_OK);
        EXPECT_EQ(size, c.size);
        info->Release();
    }
}

}  // namespace
