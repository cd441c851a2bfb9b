#include "com/hresults.h"
#include "com/record_info.h"
#include "com/safearray.h"
#include "com_testing/bstr_text.h"
#include "common/record_array.h"
#include "coravent/ids.h"
#include "coravent/records.h"
#include "coravent/type_library.h"
#include "typelib_testing/records_test.h"

#include <gtest/gtest.h>

namespace {

using namespace CoraventLib;
using com_testing::Text;

class CoraventRecordsTest : public typelib_testing::RecordsTest {
protected:
    CoraventRecordsTest() : RecordsTest(LIBID_CoraventLib, &RegisterRecords) {}
};

TEST_F(CoraventRecordsTest, EveryRecordIsFoundWithItsSizeAndFields) {
    const typelib_testing::RecordCase cases[] = {
        {UdtGUID::kRecordGuid, u"UdtGUID", 16, 4},
        {InitData::kRecordGuid, u"InitData", 56, 8},
        {ItemVariableData::kRecordGuid, u"ItemVariableData", 48, 2},
        {ItemData::kRecordGuid, u"ItemData", 44, 8},
        {ItmLink::kRecordGuid, u"ItmLink", 24, 6},
        {ItmObjectData::kRecordGuid, u"ItmObjectData", 200, 32},
    };
    ExpectRecordsDescribed(cases);
}

// Packed fields are read by value: gtest's comparisons bind references,
// which a misaligned pointer field must not be bound to.
SAFEARRAY* VariablesOf(const ItemData& item) { return item.mpoVarData; }
BSTR NameOf(const ItemData& item) { return item.mbsItemName; }

// Filling the variables of an item: an array of ItemVariableData with a
// variable id and a text value, handed over to the item's mpoVarData.
SAFEARRAY* MakeVariables() {
    RecordArray<ItemVariableData> variables;
    variables.mvCreate(1, LIBID_CoraventLib, 1, 0);
    ItemVariableData& variable = *variables.mpoBegin();
    variable.moVarIdOrName.vt = VT_I4;
    variable.moVarIdOrName.lVal = 17;
    variable.moValue.vt = VT_BSTR;
    variable.moValue.bstrVal = SysAllocString(u"Steel");
    SAFEARRAY* array = nullptr;
    variables.mvHandOut(&array);
    return array;
}

// The item generation input as the item server builds it: records 44 bytes
// apart whose strings and variable arrays are given back with the array.
TEST_F(CoraventRecordsTest, ItemDataArrayOwnsItsStringsAndVariables) {
    {
        RecordArray<ItemData> items;
        items.mvCreate(3, LIBID_CoraventLib, 1, 0);
        EXPECT_EQ(SafeArrayGetElemsize(items.mpoGetArray()), 44u);
        LONG documentId = 100;
        for (ItemData* item = items.mpoBegin(); item != items.mpoEnd(); ++item) {
            item->mbsItemName = SysAllocString(u"Bracket");
            item->mbsFileCfg = SysAllocString(u"Default");
            item->mlDocumentID = documentId++;
            item->mbStaticLink = VARIANT_TRUE;
            item->mpoVarData = MakeVariables();
        }
        // Read back through the packed layout: the last record's array and id.
        ItemData& last = items.mpoBegin()[2];
        EXPECT_EQ(last.mlDocumentID, 102);
        ASSERT_NE(VariablesOf(last), nullptr);
        EXPECT_EQ(NewBstrs(), 9);
        EXPECT_EQ(NewArrays(), 4);
    }
    // The fixture finds no BSTR and no array left.
}

TEST_F(CoraventRecordsTest, CopyingItemDataCopiesItsVariables) {
    IRecordInfo* info = RecordInfoOf(ItemData::kRecordGuid);
    ASSERT_NE(info, nullptr);
    ItemData original{};
    original.mbsItemName = SysAllocString(u"Bracket");
    original.mpoVarData = MakeVariables();
    ItemData copy{};
    ASSERT_EQ(info->RecordCopy(&original, &copy), S_OK);
    EXPECT_NE(VariablesOf(copy), VariablesOf(original));
    EXPECT_NE(NameOf(copy), NameOf(original));
    EXPECT_EQ(Text(NameOf(copy)), u"Bracket");
    // Each record gives back its own: freeing both frees nothing twice.
    EXPECT_EQ(info->RecordClear(&original), S_OK);
    {
        RecordArray<ItemVariableData> variables(copy.mpoVarData);
        ASSERT_EQ(variables.mlGetCount(), 1);
        EXPECT_EQ(Text(variables.mpoBegin()->moValue.bstrVal), u"Steel");
    }
    EXPECT_EQ(info->RecordClear(&copy), S_OK);
    EXPECT_EQ(VariablesOf(copy), nullptr);
    info->Release();
}

// mpoVarData takes arrays of ItemVariableData only: an array of another
// record would be read with the wrong layout.
TEST_F(CoraventRecordsTest, VariableFieldTakesOnlyItsOwnRecordArrays) {
    IRecordInfo* info = RecordInfoOf(ItemData::kRecordGuid);
    ASSERT_NE(info, nullptr);
    ItemData item{};

    RecordArray<ItmLink> links;
    links.mvCreate(1, LIBID_CoraventLib, 1, 0);
    VARIANT wrong;
    VariantInit(&wrong);
    wrong.vt = VT_ARRAY | VT_RECORD;
    links.mvHandOut(&wrong.parray);
    EXPECT_EQ(info->PutField(INVOKE_PROPERTYPUT, &item, u"mpoVarData", &wrong), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(info->PutFieldNoCopy(INVOKE_PROPERTYPUT, &item, u"mpoVarData", &wrong), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(VariablesOf(item), nullptr);
    VariantClear(&wrong);

    VARIANT right;
    VariantInit(&right);
    right.vt = VT_ARRAY | VT_RECORD;
    right.parray = MakeVariables();
    EXPECT_EQ(info->PutField(INVOKE_PROPERTYPUT, &item, u"mpoVarData", &right), S_OK);
    EXPECT_NE(VariablesOf(item), nullptr);
    EXPECT_NE(VariablesOf(item), right.parray);  // a copy; the caller keeps its own
    VariantClear(&right);

    VARIANT field;
    VariantInit(&field);
    EXPECT_EQ(info->GetField(&item, u"mpoVarData", &field), S_OK);
    EXPECT_EQ(field.vt, VT_ARRAY | VT_RECORD);
    EXPECT_NE(field.parray, VariablesOf(item));
    VariantClear(&field);

    EXPECT_EQ(info->RecordClear(&item), S_OK);
    info->Release();
}

}  // namespace
