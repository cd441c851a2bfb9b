#include "com/safearray.h"

#include "com/hresults.h"
#include "com/record_info.h"
#include "com_testing/bstr_text.h"
#include "com_testing/counting_object.h"
#include "com_testing/leak_checked_test.h"
#include "com_testing/mock_record_info.h"

#include <gtest/gtest.h>

#include <cstddef>

namespace {

using com_testing::CountingObject;
using com_testing::LeakCheckedTest;
using com_testing::MockRecord;
using com_testing::MockRecordInfo;
using com_testing::Text;

class SafeArrayTest : public LeakCheckedTest {};

TEST_F(SafeArrayTest, BoundsCountFromTheLowerBound) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 5, 3);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(SafeArrayGetDim(array), 1u);
    EXPECT_EQ(SafeArrayGetElemsize(array), 4u);
    LONG lower = 0, upper = 0;
    ASSERT_EQ(SafeArrayGetLBound(array, 1, &lower), S_OK);
    ASSERT_EQ(SafeArrayGetUBound(array, 1, &upper), S_OK);
    EXPECT_EQ(lower, 5);
    EXPECT_EQ(upper, 7);
    EXPECT_EQ(SafeArrayGetLBound(array, 0, &lower), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetUBound(array, 2, &upper), DISP_E_BADINDEX);

    for (LONG index : {5, 6, 7}) {
        LONG value = index * 10;
        EXPECT_EQ(SafeArrayPutElement(array, &index, &value), S_OK);
    }
    for (LONG outside : {4, 8, -1}) {
        LONG value = 0;
        EXPECT_EQ(SafeArrayPutElement(array, &outside, &value), DISP_E_BADINDEX) << outside;
        EXPECT_EQ(SafeArrayGetElement(array, &outside, &value), DISP_E_BADINDEX) << outside;
    }
    LONG* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(array, reinterpret_cast<void**>(&data)), S_OK);
    EXPECT_EQ(data[0], 50);
    EXPECT_EQ(data[2], 70);
    ASSERT_EQ(SafeArrayUnaccessData(array), S_OK);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

TEST_F(SafeArrayTest, AnEmptyArrayIsValid) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, 0);
    ASSERT_NE(array, nullptr);
    LONG lower = 1, upper = 1;
    EXPECT_EQ(SafeArrayGetLBound(array, 1, &lower), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(array, 1, &upper), S_OK);
    EXPECT_EQ(upper - lower + 1, 0);
    void* data = nullptr;
    EXPECT_EQ(SafeArrayAccessData(array, &data), S_OK);
    EXPECT_EQ(SafeArrayUnaccessData(array), S_OK);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

TEST_F(SafeArrayTest, LocksKeepTheArrayAlive) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, 2);
    void* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(array, &data), S_OK);
    ASSERT_EQ(SafeArrayLock(array), S_OK);
    EXPECT_EQ(array->cLocks, 2u);
    EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED);
    SAFEARRAYBOUND bigger{4, 0};
    EXPECT_EQ(SafeArrayRedim(array, &bigger), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayUnlock(array), S_OK);
    EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayUnaccessData(array), S_OK);
    EXPECT_EQ(SafeArrayUnlock(array), E_UNEXPECTED);
    EXPECT_EQ(SafeArrayUnaccessData(array), E_UNEXPECTED);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
    EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);
    EXPECT_EQ(SafeArrayLock(nullptr), E_INVALIDARG);
}

TEST_F(SafeArrayTest, TypesAndFeatures) {
    MockRecordInfo recordInfo;
    const IID someInterface = com::MakeGuid("4E16B62A-ECD0-4992-A39A-5F13E8694CCD");
    struct Case {
        const char* name;
        SAFEARRAY* array;
        VARTYPE type;
        USHORT features;
        ULONG elementSize;
    } cases[] = {
        {"I4", SafeArrayCreateVector(VT_I4, 0, 1), VT_I4, FADF_HAVEVARTYPE, 4},
        {"UI8", SafeArrayCreateVector(VT_UI8, 0, 1), VT_UI8, FADF_HAVEVARTYPE, 8},
        {"BOOL", SafeArrayCreateVector(VT_BOOL, 0, 1), VT_BOOL, FADF_HAVEVARTYPE, 2},
        {"BSTR", SafeArrayCreateVector(VT_BSTR, 0, 1), VT_BSTR, FADF_BSTR | FADF_HAVEVARTYPE, 8},
        {"VARIANT", SafeArrayCreateVector(VT_VARIANT, 0, 1), VT_VARIANT, FADF_VARIANT | FADF_HAVEVARTYPE, 24},
        // An interface id given with VARIANT elements has no effect.
        {"VARIANT with an IID", SafeArrayCreateVectorEx(VT_VARIANT, 0, 1, const_cast<IID*>(&someInterface)), VT_VARIANT,
         FADF_VARIANT | FADF_HAVEVARTYPE, 24},
        {"UNKNOWN", SafeArrayCreateVector(VT_UNKNOWN, 0, 1), VT_UNKNOWN, FADF_UNKNOWN | FADF_HAVEIID, 8},
        {"DISPATCH", SafeArrayCreateVector(VT_DISPATCH, 0, 1), VT_DISPATCH, FADF_DISPATCH | FADF_HAVEIID, 8},
        {"RECORD", SafeArrayCreateVectorEx(VT_RECORD, 0, 1, &recordInfo), VT_RECORD, FADF_RECORD, sizeof(MockRecord)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.array, nullptr);
        VARTYPE type = VT_EMPTY;
        EXPECT_EQ(SafeArrayGetVartype(c.array, &type), S_OK);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(c.array->fFeatures, c.features);
        EXPECT_EQ(SafeArrayGetElemsize(c.array), c.elementSize);
        IRecordInfo* info = nullptr;
        EXPECT_EQ(SafeArrayGetRecordInfo(c.array, &info), c.type == VT_RECORD ? S_OK : E_INVALIDARG);
        if (info) {
            EXPECT_EQ(info, &recordInfo);
            info->Release();
        }
    }
    IID iid{};
    EXPECT_EQ(SafeArrayGetIID(cases[6].array, &iid), S_OK);
    EXPECT_EQ(iid, IID_IUnknown);
    EXPECT_EQ(SafeArrayGetIID(cases[5].array, &iid), E_INVALIDARG);
    for (const Case& c : cases) EXPECT_EQ(SafeArrayDestroy(c.array), S_OK);
    EXPECT_EQ(recordInfo.References(), 1u);

    SAFEARRAY* withIid = SafeArrayCreateVectorEx(VT_DISPATCH, 0, 1, const_cast<IID*>(&someInterface));
    EXPECT_EQ(SafeArrayGetIID(withIid, &iid), S_OK);
    EXPECT_EQ(iid, someInterface);
    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(withIid, &copy), S_OK);
    EXPECT_EQ(SafeArrayGetIID(copy, &iid), S_OK);
    EXPECT_EQ(iid, someInterface);
    SafeArrayDestroy(copy);
    SafeArrayDestroy(withIid);
}

TEST_F(SafeArrayTest, TypesThatHoldNoElementsAreRefused) {
    for (VARTYPE type : {VARTYPE(VT_EMPTY), VARTYPE(VT_NULL), VARTYPE(VT_VOID), VARTYPE(VT_RECORD), VARTYPE(0x0FFF)}) {
        EXPECT_EQ(SafeArrayCreateVector(type, 0, 1), nullptr) << type;
    }
    // A record array needs its record information.
    EXPECT_EQ(SafeArrayCreateVectorEx(VT_RECORD, 0, 1, nullptr), nullptr);
    SAFEARRAYBOUND bound{1, 0};
    EXPECT_EQ(SafeArrayCreate(VT_I4, 0, &bound), nullptr);
    EXPECT_EQ(NewArrays(), 0);
}

TEST_F(SafeArrayTest, BstrElementsAreCopiedInAndOut) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, 3);
    BSTR mine = SysAllocString(u"Valve");
    LONG index = 0;
    // The BSTR itself is passed, not its address.
    ASSERT_EQ(SafeArrayPutElement(array, &index, mine), S_OK);
    BSTR* data = static_cast<BSTR*>(array->pvData);
    EXPECT_NE(data[0], mine);
    EXPECT_EQ(Text(data[0]), u"Valve");
    // Replacing gives the old element back.
    ASSERT_EQ(SafeArrayPutElement(array, &index, mine), S_OK);
    EXPECT_EQ(NewBstrs(), 2);
    BSTR out = nullptr;
    ASSERT_EQ(SafeArrayGetElement(array, &index, &out), S_OK);
    EXPECT_NE(out, data[0]);
    EXPECT_EQ(Text(out), u"Valve");
    index = 1;
    ASSERT_EQ(SafeArrayPutElement(array, &index, nullptr), S_OK);
    EXPECT_EQ(data[1], nullptr);
    SysFreeString(out);
    SysFreeString(mine);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

TEST_F(SafeArrayTest, InterfaceElementsHoldTheirOwnReference) {
    CountingObject first, second;
    SAFEARRAY* array = SafeArrayCreateVector(VT_DISPATCH, 0, 2);
    LONG index = 0;
    ASSERT_EQ(SafeArrayPutElement(array, &index, static_cast<IDispatch*>(&first)), S_OK);
    EXPECT_EQ(first.References(), 2u);
    IDispatch* out = nullptr;
    ASSERT_EQ(SafeArrayGetElement(array, &index, &out), S_OK);
    EXPECT_EQ(out, &first);
    EXPECT_EQ(first.References(), 3u);
    out->Release();
    // Replacing releases the old element.
    ASSERT_EQ(SafeArrayPutElement(array, &index, static_cast<IDispatch*>(&second)), S_OK);
    EXPECT_EQ(first.References(), 1u);
    EXPECT_EQ(second.References(), 2u);
    index = 1;
    ASSERT_EQ(SafeArrayPutElement(array, &index, static_cast<IDispatch*>(&first)), S_OK);
    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(array, &copy), S_OK);
    EXPECT_EQ(first.References(), 3u);
    EXPECT_EQ(second.References(), 3u);
    EXPECT_EQ(SafeArrayDestroy(copy), S_OK);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
    EXPECT_EQ(first.References(), 1u);
    EXPECT_EQ(second.References(), 1u);
}

TEST_F(SafeArrayTest, VariantElementsAreClearedOnDestroy) {
    CountingObject object;
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, 2);
    VARIANT value;
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(u"path\\to\\file");
    LONG index = 0;
    ASSERT_EQ(SafeArrayPutElement(array, &index, &value), S_OK);
    VariantClear(&value);
    value.vt = VT_DISPATCH;
    value.pdispVal = &object;  // borrowed: the array takes its own reference
    index = 1;
    ASSERT_EQ(SafeArrayPutElement(array, &index, &value), S_OK);
    EXPECT_EQ(object.References(), 2u);
    VARIANT out;
    VariantInit(&out);
    index = 0;
    ASSERT_EQ(SafeArrayGetElement(array, &index, &out), S_OK);
    EXPECT_EQ(Text(out.bstrVal), u"path\\to\\file");
    VariantClear(&out);
    EXPECT_EQ(NewBstrs(), 1);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
    EXPECT_EQ(object.References(), 1u);
}

TEST_F(SafeArrayTest, RecordArraysClearAndCopyThroughTheirRecordInfo) {
    MockRecordInfo recordInfo;
    SAFEARRAY* array = SafeArrayCreateVectorEx(VT_RECORD, 0, 3, &recordInfo);
    ASSERT_NE(array, nullptr);
    // The array keeps a reference of its own; the creator releases its own.
    EXPECT_EQ(recordInfo.References(), 2u);
    MockRecord record{4, SysAllocString(u"first")};
    LONG index = 1;
    ASSERT_EQ(SafeArrayPutElement(array, &index, &record), S_OK);
    EXPECT_EQ(recordInfo.copyCalls, 1);
    MockRecord out{};
    ASSERT_EQ(SafeArrayGetElement(array, &index, &out), S_OK);
    EXPECT_EQ(out.id, 4);
    EXPECT_NE(out.text, record.text);
    recordInfo.RecordClear(&out);
    recordInfo.RecordClear(&record);

    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(array, &copy), S_OK);
    EXPECT_EQ(recordInfo.copyCalls, 2 + 3);
    EXPECT_EQ(recordInfo.References(), 3u);
    const int clearsBefore = recordInfo.clearCalls;
    EXPECT_EQ(SafeArrayDestroy(copy), S_OK);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
    // Every element of both arrays was cleared once.
    EXPECT_EQ(recordInfo.clearCalls - clearsBefore, 6);
    EXPECT_EQ(recordInfo.References(), 1u);
}

TEST_F(SafeArrayTest, SetRecordInfoKeepsTheElementSize) {
    MockRecordInfo first, second;
    SAFEARRAY* array = SafeArrayCreateVectorEx(VT_RECORD, 0, 1, &first);
    ASSERT_EQ(SafeArraySetRecordInfo(array, &second), S_OK);
    EXPECT_EQ(first.References(), 1u);
    EXPECT_EQ(second.References(), 2u);
    EXPECT_EQ(SafeArraySetRecordInfo(array, nullptr), E_INVALIDARG);
    SAFEARRAY* numbers = SafeArrayCreateVector(VT_I4, 0, 1);
    EXPECT_EQ(SafeArraySetRecordInfo(numbers, &first), E_INVALIDARG);
    SafeArrayDestroy(numbers);
    SafeArrayDestroy(array);
    EXPECT_EQ(second.References(), 1u);
}

TEST_F(SafeArrayTest, RedimGrowsWithZeroesAndShrinksGivingBack) {
    SAFEARRAY* numbers = SafeArrayCreateVector(VT_I4, 0, 1);
    LONG index = 0, value = 11;
    SafeArrayPutElement(numbers, &index, &value);
    // Growing by one, as list builders do.
    SAFEARRAYBOUND bound{2, 0};
    ASSERT_EQ(SafeArrayRedim(numbers, &bound), S_OK);
    index = 1;
    value = 22;
    ASSERT_EQ(SafeArrayPutElement(numbers, &index, &value), S_OK);
    bound.cElements = 4;
    ASSERT_EQ(SafeArrayRedim(numbers, &bound), S_OK);
    const LONG* data = static_cast<const LONG*>(numbers->pvData);
    EXPECT_EQ(data[0], 11);
    EXPECT_EQ(data[1], 22);
    EXPECT_EQ(data[2], 0);
    EXPECT_EQ(data[3], 0);
    SafeArrayDestroy(numbers);

    SAFEARRAY* texts = SafeArrayCreateVector(VT_BSTR, 0, 3);
    for (index = 0; index < 3; ++index) {
        BSTR text = SysAllocString(u"element");
        SafeArrayPutElement(texts, &index, text);
        SysFreeString(text);
    }
    bound = {1, 0};
    ASSERT_EQ(SafeArrayRedim(texts, &bound), S_OK);
    EXPECT_EQ(NewBstrs(), 1);
    LONG upper = 0;
    SafeArrayGetUBound(texts, 1, &upper);
    EXPECT_EQ(upper, 0);
    SafeArrayDestroy(texts);
}

TEST_F(SafeArrayTest, TwoDimensionsLeftmostIndexFirst) {
    // Two rows (0..1) by three columns (10..12).
    SAFEARRAYBOUND bounds[] = {{2, 0}, {3, 10}};
    SAFEARRAY* array = SafeArrayCreate(VT_I4, 2, bounds);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(array->rgsabound[0].cElements, 3u);  // stored in reverse
    LONG lower = 0, upper = 0;
    SafeArrayGetLBound(array, 2, &lower);
    SafeArrayGetUBound(array, 2, &upper);
    EXPECT_EQ(lower, 10);
    EXPECT_EQ(upper, 12);
    LONG indices[] = {1, 11};
    LONG value = 99;
    ASSERT_EQ(SafeArrayPutElement(array, indices, &value), S_OK);
    // The leftmost index varies fastest: (1, 11) is element 1 + 2 * 1.
    EXPECT_EQ(static_cast<const LONG*>(array->pvData)[3], 99);
    LONG outside[] = {2, 11};
    EXPECT_EQ(SafeArrayGetElement(array, outside, &value), DISP_E_BADINDEX);
    // Redim changes the rightmost dimension and keeps the elements in place.
    SAFEARRAYBOUND columns{4, 10};
    ASSERT_EQ(SafeArrayRedim(array, &columns), S_OK);
    value = 0;
    ASSERT_EQ(SafeArrayGetElement(array, indices, &value), S_OK);
    EXPECT_EQ(value, 99);
    SafeArrayDestroy(array);
}

TEST_F(SafeArrayTest, CopyDataNeedsTheSameShape) {
    SAFEARRAY* source = SafeArrayCreateVector(VT_BSTR, 0, 2);
    SAFEARRAY* same = SafeArrayCreateVector(VT_BSTR, 0, 2);
    SAFEARRAY* shorter = SafeArrayCreateVector(VT_BSTR, 0, 1);
    SAFEARRAY* numbers = SafeArrayCreateVector(VT_I8, 0, 2);
    LONG index = 0;
    BSTR text = SysAllocString(u"copied");
    SafeArrayPutElement(source, &index, text);
    SafeArrayPutElement(same, &index, text);
    SysFreeString(text);
    EXPECT_EQ(SafeArrayCopyData(source, same), S_OK);
    EXPECT_EQ(SafeArrayCopyData(source, shorter), E_INVALIDARG);
    EXPECT_EQ(SafeArrayCopyData(source, numbers), E_INVALIDARG);
    EXPECT_EQ(NewBstrs(), 2);
    SAFEARRAY* none = reinterpret_cast<SAFEARRAY*>(1);
    EXPECT_EQ(SafeArrayCopy(nullptr, &none), S_OK);
    EXPECT_EQ(none, nullptr);
    for (SAFEARRAY* array : {source, same, shorter, numbers}) SafeArrayDestroy(array);
}

// Records of a registered type library, with a text and an object in each:
// the arrays the servers hand around.
struct Connection {
    LONG objectId;
    BSTR name;
    IUnknown* connection;
    LONG flags;
};

class RecordArrayTest : public LeakCheckedTest {
protected:
    static constexpr GUID kLibrary = com::MakeGuid("0F1E2D3C-4B5A-4968-8776-A5B4C3D2E1F0");
    static constexpr GUID kRecord = com::MakeGuid("0F1E2D3C-4B5A-4968-8776-A5B4C3D2E1F1");

    void SetUp() override {
        LeakCheckedTest::SetUp();
        com::RegisterRecordDescription({kLibrary,
                                        1,
                                        0,
                                        kRecord,
                                        u"Connection",
                                        sizeof(Connection),
                                        {{u"objectId", offsetof(Connection, objectId), VT_I4},
                                         {u"name", offsetof(Connection, name), VT_BSTR},
                                         {u"connection", offsetof(Connection, connection), VT_UNKNOWN},
                                         {u"flags", offsetof(Connection, flags), VT_I4}}});
        ASSERT_EQ(GetRecordInfoFromGuids(kLibrary, 1, 0, 9, kRecord, &recordInfo_), S_OK);
    }
    void TearDown() override {
        recordInfo_->Release();
        com::UnregisterRecordDescriptions(kLibrary);
        LeakCheckedTest::TearDown();
    }

    IRecordInfo* recordInfo_ = nullptr;
};

TEST_F(RecordArrayTest, CreatedFilledCopiedRedimmedAndDestroyedWithoutLeaks) {
    CountingObject connection;
    SAFEARRAY* array = SafeArrayCreateVectorEx(VT_RECORD, 0, 4, recordInfo_);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(SafeArrayGetElemsize(array), sizeof(Connection));

    // Filled in place through the data pointer, as the servers fill them.
    Connection* records = nullptr;
    ASSERT_EQ(SafeArrayAccessData(array, reinterpret_cast<void**>(&records)), S_OK);
    for (LONG i = 0; i < 3; ++i) {
        records[i].objectId = 100 + i;
        records[i].name = SysAllocString(u"Assembly");
        records[i].connection = connection.Unknown();
        connection.AddRef();
    }
    ASSERT_EQ(SafeArrayUnaccessData(array), S_OK);
    EXPECT_EQ(connection.References(), 4u);

    // Put copies the caller's record; get hands out a record of the caller's own.
    Connection mine{7, SysAllocString(u"Mine"), connection.Unknown(), 1};
    LONG index = 3;
    ASSERT_EQ(SafeArrayPutElement(array, &index, &mine), S_OK);
    EXPECT_EQ(connection.References(), 5u);
    Connection out{};
    ASSERT_EQ(SafeArrayGetElement(array, &index, &out), S_OK);
    EXPECT_EQ(out.objectId, 7);
    EXPECT_EQ(Text(out.name), u"Mine");
    EXPECT_NE(out.name, mine.name);
    EXPECT_EQ(connection.References(), 6u);
    recordInfo_->RecordClear(&out);
    SysFreeString(mine.name);

    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(array, &copy), S_OK);
    EXPECT_EQ(connection.References(), 9u);
    EXPECT_EQ(NewBstrs(), 8);

    // Shrinking gives back the dropped records' texts and objects.
    SAFEARRAYBOUND two{2, 0};
    ASSERT_EQ(SafeArrayRedim(copy, &two), S_OK);
    EXPECT_EQ(connection.References(), 7u);
    EXPECT_EQ(NewBstrs(), 6);

    EXPECT_EQ(SafeArrayDestroy(copy), S_OK);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
    EXPECT_EQ(connection.References(), 1u);
}

using SafeArrayDeathTest = SafeArrayTest;

TEST_F(SafeArrayDeathTest, DestroyingTwiceStopsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 0, 1);
            SafeArrayDestroy(array);
            SafeArrayDestroy(array);
        },
        "SAFEARRAY: array used after it was destroyed|SAFEARRAY: pointer is not a live array|use-after-free");
}

}  // namespace
