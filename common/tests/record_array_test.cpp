#include "common/record_array.h"

#include "com/com_error.h"
#include "com/hresults.h"
#include "com/record_info.h"
#include "com_testing/counting_object.h"
#include "com_testing/leak_checked_test.h"
#include "com_testing/pending_error_info.h"
#include "common/com_errors.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

namespace {

constexpr GUID kLibrary = com::MakeGuid("7E3A61C2-45D8-4B0F-9C7A-2F1E0D3C4B50");
constexpr GUID kOtherLibrary = com::MakeGuid("7E3A61C2-45D8-4B0F-9C7A-2F1E0D3C4B5F");

// A record with the fields that own something: a BSTR and an interface.
struct ConnectedRecord {
    static constexpr GUID kRecordGuid = com::MakeGuid("7E3A61C2-45D8-4B0F-9C7A-2F1E0D3C4B51");
    LONG mlObjectID;
    BSTR mbsName;
    IUnknown* mpoConnection;
    LONG mlConfigID;
};

// A plain record of another size.
struct PlainRecord {
    static constexpr GUID kRecordGuid = com::MakeGuid("7E3A61C2-45D8-4B0F-9C7A-2F1E0D3C4B52");
    LONG mlObjectID;
};

// A record type no library describes.
struct UndescribedRecord {
    static constexpr GUID kRecordGuid = com::MakeGuid("7E3A61C2-45D8-4B0F-9C7A-2F1E0D3C4B53");
    LONG mlValue;
};

using com_testing::LeakCheckedTest;
using com_testing::SetPendingErrorInfo;
using com_testing::TakePendingDescription;

std::u16string DescriptionOf(const _com_error& error) {
    _bstr_t description = error.Description();
    return !description ? u"<none>" : std::u16string(static_cast<const OLECHAR*>(description));
}

IRecordInfo* RecordInfoOf(const GUID& record) {
    IRecordInfo* info = nullptr;
    EXPECT_EQ(GetRecordInfoFromGuids(kLibrary, 1, 0, 9, record, &info), S_OK);
    return info;
}

// Every test proves that it leaves no array and no BSTR behind.
class RecordArrayTest : public LeakCheckedTest {
protected:
    void SetUp() override {
        LeakCheckedTest::SetUp();
        com::RegisterRecordDescription({kLibrary,
                                        1,
                                        0,
                                        ConnectedRecord::kRecordGuid,
                                        u"ConnectedRecord",
                                        sizeof(ConnectedRecord),
                                        {{u"mlObjectID", offsetof(ConnectedRecord, mlObjectID), VT_I4},
                                         {u"mbsName", offsetof(ConnectedRecord, mbsName), VT_BSTR},
                                         {u"mpoConnection", offsetof(ConnectedRecord, mpoConnection), VT_UNKNOWN},
                                         {u"mlConfigID", offsetof(ConnectedRecord, mlConfigID), VT_I4}}});
        com::RegisterRecordDescription({kLibrary,
                                        1,
                                        0,
                                        PlainRecord::kRecordGuid,
                                        u"PlainRecord",
                                        sizeof(PlainRecord),
                                        {{u"mlObjectID", offsetof(PlainRecord, mlObjectID), VT_I4}}});
    }
    void TearDown() override {
        com::UnregisterRecordDescriptions(kLibrary);
        LeakCheckedTest::TearDown();
    }
};

TEST_F(RecordArrayTest, CreatesZeroedLockedRecords) {
    RecordArray<ConnectedRecord> records;
    records.mvCreate(3, kLibrary, 1, 0);
    SAFEARRAY* array = records.mpoGetArray();
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(NewArrays(), 1);
    VARTYPE type = VT_EMPTY;
    EXPECT_EQ(SafeArrayGetVartype(array, &type), S_OK);
    EXPECT_EQ(type, VT_RECORD);
    LONG lower = -1;
    SafeArrayGetLBound(array, 1, &lower);
    EXPECT_EQ(lower, 0);

    EXPECT_EQ(records.mlGetCount(), 3);
    EXPECT_EQ(records.mpoEnd() - records.mpoBegin(), 3);
    for (ConnectedRecord* record = records.mpoBegin(); record != records.mpoEnd(); ++record) {
        EXPECT_EQ(record->mlObjectID, 0);
        EXPECT_EQ(record->mbsName, nullptr);
        EXPECT_EQ(record->mpoConnection, nullptr);
    }
    // The data stays locked while the wrapper holds it.
    EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED);
}

TEST_F(RecordArrayTest, CountZeroMakesAValidEmptyArray) {
    RecordArray<ConnectedRecord> records;
    records.mvCreate(0, kLibrary, 1, 0);
    ASSERT_NE(records.mpoGetArray(), nullptr);
    EXPECT_EQ(records.mlGetCount(), 0);
    EXPECT_EQ(records.mpoBegin(), records.mpoEnd());

    SAFEARRAY* out = nullptr;
    records.mvHandOut(&out);
    ASSERT_NE(out, nullptr);
    LONG lower = -1;
    LONG upper = 0;
    EXPECT_EQ(SafeArrayGetLBound(out, 1, &lower), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(out, 1, &upper), S_OK);
    EXPECT_EQ(upper - lower + 1, 0);
    EXPECT_EQ(SafeArrayDestroy(out), S_OK);
}

TEST_F(RecordArrayTest, CountsFromTheArraysOwnLowerBound) {
    IRecordInfo* info = RecordInfoOf(PlainRecord::kRecordGuid);
    SAFEARRAY* callers = SafeArrayCreateVectorEx(VT_RECORD, 5, 4, info);
    info->Release();
    ASSERT_NE(callers, nullptr);
    {
        RecordArray<PlainRecord> records(callers);
        EXPECT_EQ(records.mlGetCount(), 4);
        EXPECT_EQ(records.mpoEnd() - records.mpoBegin(), 4);
        records.mpoBegin()[3].mlObjectID = 17;
    }
    // Borrowed: unlocked again and left to its owner, with what was written.
    LONG index = 8;
    PlainRecord last{};
    EXPECT_EQ(SafeArrayGetElement(callers, &index, &last), S_OK);
    EXPECT_EQ(last.mlObjectID, 17);
    EXPECT_EQ(SafeArrayDestroy(callers), S_OK);
}

TEST_F(RecordArrayTest, FailedLockReportsThePendingErrorInfoFirst) {
    struct Case {
        const char16_t* pending;
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"Vault connection lost.", u"Vault connection lost."},
        {nullptr, u"Could not lock safe array."},
    };
    for (const Case& c : cases) {
        if (c.pending != nullptr) SetPendingErrorInfo(c.pending);
        HRESULT lockFailure = SafeArrayAccessData(nullptr, nullptr);
        ASSERT_TRUE(FAILED(lockFailure));
        try {
            RecordArray<ConnectedRecord> records(nullptr);
            ADD_FAILURE() << "did not raise";
        } catch (const _com_error& error) {
            EXPECT_EQ(error.Error(), lockFailure);
            EXPECT_EQ(DescriptionOf(error), c.expected);
        }
        // The pending error info went with the error: nothing is left behind.
        EXPECT_EQ(TakePendingDescription(), u"<none>");
    }
}

TEST_F(RecordArrayTest, UnknownRecordRaisesTheRecordInfoFailure) {
    struct Case {
        const char* name;
        GUID library;
        bool describedRecord;
    };
    const Case cases[] = {
        {"unknown record", kLibrary, false},
        {"unknown library", kOtherLibrary, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IRecordInfo* info = nullptr;
        const GUID& record = c.describedRecord ? ConnectedRecord::kRecordGuid : UndescribedRecord::kRecordGuid;
        HRESULT expected = GetRecordInfoFromGuids(c.library, 1, 0, 9, record, &info);
        ASSERT_TRUE(FAILED(expected));
        // A pending error info does not hide the fixed description here.
        SetPendingErrorInfo(u"unrelated");
        try {
            if (c.describedRecord) {
                RecordArray<ConnectedRecord> records;
                records.mvCreate(2, c.library, 1, 0);
            } else {
                RecordArray<UndescribedRecord> records;
                records.mvCreate(2, c.library, 1, 0);
            }
            ADD_FAILURE() << "did not raise";
        } catch (const _com_error& error) {
            EXPECT_EQ(error.Error(), expected);
            EXPECT_EQ(DescriptionOf(error), u"Couldn't get record info from guids.");
        }
        EXPECT_EQ(NewArrays(), 0);
        SetErrorInfo(0, nullptr);
    }
}

TEST_F(RecordArrayTest, FailedCreateLeavesNoArrayBehind) {
    RecordArray<ConnectedRecord> records;
    records.mvCreate(2, kLibrary, 1, 0);
    EXPECT_EQ(NewArrays(), 1);
    EXPECT_THROW(records.mvCreate(2, kOtherLibrary, 1, 0), _com_error);
    EXPECT_EQ(NewArrays(), 0);
    EXPECT_EQ(records.mpoGetArray(), nullptr);
    EXPECT_EQ(records.mlGetCount(), 0);
}

TEST_F(RecordArrayTest, CreatingAgainReleasesTheArrayHeld) {
    RecordArray<ConnectedRecord> records;
    records.mvCreate(2, kLibrary, 1, 0);
    EXPECT_EQ(records.mlGetCount(), 2);
    records.mvCreate(5, kLibrary, 1, 0);
    EXPECT_EQ(NewArrays(), 1);
    EXPECT_EQ(records.mlGetCount(), 5);
}

TEST_F(RecordArrayTest, HandingOutLeavesTheArrayUnlockedForTheReceiver) {
    SAFEARRAY* out = nullptr;
    {
        RecordArray<ConnectedRecord> records;
        records.mvCreate(2, kLibrary, 1, 0);
        records.mpoBegin()[1].mlConfigID = 4;
        records.mvHandOut(&out);
        EXPECT_EQ(records.mpoGetArray(), nullptr);
        EXPECT_EQ(records.mpoBegin(), nullptr);
        EXPECT_EQ(records.mlGetCount(), 0);
    }
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(NewArrays(), 1);  // the wrapper did not destroy it
    // The receiver reads it through a wrapper of its own, then destroys it.
    {
        RecordArray<ConnectedRecord> received(out);
        EXPECT_EQ(received.mpoBegin()[1].mlConfigID, 4);
    }
    EXPECT_EQ(SafeArrayDestroy(out), S_OK);
}

TEST_F(RecordArrayTest, HandingOutRefusesWhatIsNotItsToGive) {
    RecordArray<ConnectedRecord> records;
    records.mvCreate(1, kLibrary, 1, 0);
    try {
        records.mvHandOut(nullptr);
        ADD_FAILURE() << "did not raise";
    } catch (const _com_error& error) {
        EXPECT_EQ(error.Error(), E_POINTER);
    }
    SAFEARRAY* owned = nullptr;
    records.mvHandOut(&owned);

    SAFEARRAY* out = nullptr;
    {
        RecordArray<ConnectedRecord> borrowed(owned);
        try {
            borrowed.mvHandOut(&out);
            ADD_FAILURE() << "did not raise";
        } catch (const _com_error& error) {
            EXPECT_EQ(error.Error(), E_UNEXPECTED);
        }
    }
    EXPECT_EQ(out, nullptr);
    // An empty wrapper hands out nothing.
    RecordArray<ConnectedRecord> empty;
    empty.mvHandOut(&out);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(SafeArrayDestroy(owned), S_OK);
}

TEST_F(RecordArrayTest, DestroyingAnOwnedArrayGivesBackEveryField) {
    com_testing::CountingObject connection;  // holds the test's own reference
    {
        RecordArray<ConnectedRecord> records;
        records.mvCreate(4, kLibrary, 1, 0);
        LONG id = 0;
        for (ConnectedRecord* record = records.mpoBegin(); record != records.mpoEnd(); ++record) {
            record->mlObjectID = ++id;
            record->mbsName = SysAllocString(u"Pumpengehäuse");
            record->mpoConnection = connection.Unknown();
            connection.AddRef();  // one reference for each record
        }
        EXPECT_EQ(NewBstrs(), 4);
        EXPECT_EQ(connection.References(), 5u);
    }
    EXPECT_EQ(connection.References(), 1u);
    EXPECT_EQ(NewArrays(), 0);
}

TEST_F(RecordArrayTest, ArrayOfOtherRecordsIsRefused) {
    IRecordInfo* info = RecordInfoOf(PlainRecord::kRecordGuid);
    SAFEARRAY* plain = SafeArrayCreateVectorEx(VT_RECORD, 0, 2, info);
    info->Release();
    try {
        RecordArray<ConnectedRecord> records(plain);
        ADD_FAILURE() << "did not raise";
    } catch (const _com_error& error) {
        EXPECT_EQ(error.Error(), E_INVALIDARG);
    }
    // Left unlocked, to its owner.
    EXPECT_EQ(SafeArrayDestroy(plain), S_OK);
}

TEST_F(RecordArrayTest, FailedBoundsRaiseTheirDescriptions) {
    IRecordInfo* info = RecordInfoOf(PlainRecord::kRecordGuid);
    SAFEARRAY* damaged = SafeArrayCreateVectorEx(VT_RECORD, 0, 2, info);
    info->Release();
    {
        RecordArray<PlainRecord> records(damaged);
        // An array that claims no dimensions has no bounds to read.
        damaged->cDims = 0;
        LONG unused = 0;
        HRESULT boundsFailure = SafeArrayGetLBound(damaged, 1, &unused);
        ASSERT_TRUE(FAILED(boundsFailure));
        try {
            records.mlGetCount();
            ADD_FAILURE() << "did not raise";
        } catch (const _com_error& error) {
            EXPECT_EQ(error.Error(), boundsFailure);
            EXPECT_EQ(DescriptionOf(error), u"Could not get lower bound of array");
        }
        SetPendingErrorInfo(u"first failure");
        try {
            records.mpoEnd();
            ADD_FAILURE() << "did not raise";
        } catch (const _com_error& error) {
            EXPECT_EQ(DescriptionOf(error), u"first failure");
        }
        damaged->cDims = 1;
        EXPECT_EQ(records.mlGetCount(), 2);
    }
    EXPECT_EQ(SafeArrayDestroy(damaged), S_OK);
}

}  // namespace
