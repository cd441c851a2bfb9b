// The item server calls the vault's interfaces, and the vault its callbacks
// and progress object, by vtable slot: each method must sit at the slot its
// callers use. The selection record must be found by library and version.
#include "com_testing/vtable_slot.h"
#include "com/record_info.h"
#include "com/safearray.h"
#include "oxnvault/ids.h"
#include "oxnvault/interfaces.h"
#include "oxnvault/selection.h"
#include "oxnvault/type_library.h"

#include <gtest/gtest.h>

namespace {

using namespace OxnVaultLib;

using com_testing::SlotOf;

#define SLOT(member, expected) \
    { #member, SlotOf(&member), expected }

TEST(InterfaceSlotsTest, EveryMethodSitsAtTheSlotItsCallersUse) {
    struct Case {
        const char* method;
        int slot;
        int expected;
    } const cases[] = {
        SLOT(IOxnVault11::Reserved7, 7),
        SLOT(IOxnVault11::CreateUtility, 34),
        SLOT(IOxnVault5::Open, 8),
        SLOT(IOxnBatchGet::AddSelection, 7),
        SLOT(IOxnBatchGet::AddFileVersion, 8),
        SLOT(IOxnBatchGet::BuildTree, 9),
        SLOT(IOxnBatchGet::ShowDialog, 10),
        SLOT(IOxnBatchGet::Run, 11),
        SLOT(IOxnBatchGet::GetFileCount, 12),
        SLOT(IOxnBatchGet::GetResultList, 13),
        SLOT(IOxnBatchChangeState::AddFile, 7),
        SLOT(IOxnBatchChangeState::SetTransition, 8),
        SLOT(IOxnBatchChangeState::ShowDialog, 9),
        SLOT(IOxnBatchChangeState::Run, 10),
        SLOT(IOxnBatchChangeState::GetResultList, 13),
        SLOT(IOxnBatchChangeState::SetOption, 14),
        SLOT(IOxnBatchChangeState2::SetRevokeTransition, 15),
        SLOT(IOxnBatchDelete::AddFolder, 7),
        SLOT(IOxnBatchDelete::AddFile, 8),
        SLOT(IOxnBatchDelete::SetDestroy, 10),
        SLOT(IOxnBatchDelete::ShowDialog, 11),
        SLOT(IOxnBatchDelete::Run, 12),
        SLOT(IOxnBatchDelete::ShowErrors, 13),
        SLOT(IOxnBatchDeleteSource::SetSource, 4),
        SLOT(IOxnResultList::IsEmpty, 7),
        SLOT(IOxnResultList::GetFirstPosition, 11),
        SLOT(IOxnResultList::GetNext, 12),
        SLOT(IOxnListPosition::IsAtEnd, 7),
        SLOT(IOxnGetOpCallback::BeginPhase, 3),
        SLOT(IOxnGetOpCallback::FileMessage, 8),
        SLOT(IOxnGetOpCallback2::ConfirmFile, 9),
        SLOT(IOxnGetOpCallback2::ForgetAnswers, 10),
        SLOT(IOxnGetOpCallback3::SetFilePosition, 11),
        SLOT(IOxnGetOpCallback3::SetTotals, 12),
        SLOT(IOxnProgress::StepText, 12),
        SLOT(IOxnProgress::GetWindow, 15),
        SLOT(IOxnProgress::Abort, 17),
        SLOT(IOxnProgress::Open, 18),
        SLOT(IOxnProgress::StepDone, 19),
        SLOT(IOxnProgress::SetOwner, 20),
        SLOT(IOxnProgress::ShowMessage, 22),
        SLOT(IOxnProgress::SetTotals, 28),
        SLOT(IOxnProgress::SetSecondPosition, 42),
        SLOT(IOxnProgress::BeginOperation, 43),
        SLOT(IOxnProgress::SetRange, 44),
        SLOT(IOxnProgress::SetSecondText, 45),
        SLOT(IOxnProgress::SetText, 47),
    };
    for (const Case& c : cases) EXPECT_EQ(c.slot, c.expected) << c.method;
}

TEST(InterfaceSlotsTest, SelectionArraysAreMadeFromTheRecordOfLibraryVersion523) {
    RegisterRecords();
    IRecordInfo* info = nullptr;
    ASSERT_EQ(GetRecordInfoFromGuids(LIBID_OxnVaultLib, 5, 23, 9, OxnSelection::kRecordGuid, &info), S_OK);
    ULONG size = 0;
    EXPECT_EQ(info->GetSize(&size), S_OK);
    EXPECT_EQ(size, sizeof(OxnSelection));

    SAFEARRAY* array = SafeArrayCreateVectorEx(VT_RECORD, 0, 2, info);
    ASSERT_NE(array, nullptr);
    OxnSelection* records = nullptr;
    ASSERT_EQ(SafeArrayAccessData(array, reinterpret_cast<void**>(&records)), S_OK);
    records[1] = {7, 3};
    SafeArrayUnaccessData(array);
    VARIANT field;
    VariantInit(&field);
    ASSERT_EQ(SafeArrayAccessData(array, reinterpret_cast<void**>(&records)), S_OK);
    EXPECT_EQ(info->GetField(&records[1], u"folderId", &field), S_OK);
    SafeArrayUnaccessData(array);
    EXPECT_EQ(field.vt, VT_I4);
    EXPECT_EQ(field.lVal, 3);
    SafeArrayDestroy(array);
    info->Release();
}

}  // namespace
