#include "com/record_info.h"

#include "com/hresults.h"
#include "com/safearray.h"
#include "com_testing/bstr_text.h"
#include "com_testing/counting_object.h"
#include "com_testing/leak_checked_test.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <stdexcept>

namespace {

using com_testing::CountingObject;
using com_testing::LeakCheckedTest;
using com_testing::Text;

constexpr GUID kLibrary = com::MakeGuid("3C2B1A09-8F7E-4D6C-5B4A-392817160504");
constexpr GUID kOtherLibrary = com::MakeGuid("3C2B1A09-8F7E-4D6C-5B4A-392817160505");
constexpr GUID kLabelRecord = com::MakeGuid("3C2B1A09-8F7E-4D6C-5B4A-3928171605A1");
constexpr GUID kItemRecord = com::MakeGuid("3C2B1A09-8F7E-4D6C-5B4A-3928171605A2");
constexpr GUID kPackedRecord = com::MakeGuid("3C2B1A09-8F7E-4D6C-5B4A-3928171605A3");
constexpr GUID kUnknownRecord = com::MakeGuid("3C2B1A09-8F7E-4D6C-5B4A-3928171605FF");

struct Label {
    BSTR text;
    LONG colour;
};

struct Item {
    LONG id;
    BSTR name;
    IUnknown* connection;
    IDispatch* object;
    VARIANT value;
    Label label;
    WCHAR path[8];
    VARIANT_BOOL dirty;
    DATE modified;
};

// 4-byte packing puts the 8-byte pointer at offset 4, as packed type-library records do.
#pragma pack(push, 4)
struct Packed {
    LONG id;
    BSTR name;
};
#pragma pack(pop)
static_assert(offsetof(Packed, name) == 4);

com::RecordDescription LabelDescription(WORD minor = 0) {
    return {kLibrary,
            1,
            minor,
            kLabelRecord,
            u"Label",
            sizeof(Label),
            {{u"text", offsetof(Label, text), VT_BSTR}, {u"colour", offsetof(Label, colour), VT_I4}}};
}

com::RecordDescription ItemDescription(WORD minor = 0) {
    return {kLibrary,
            1,
            minor,
            kItemRecord,
            u"Item",
            sizeof(Item),
            {{u"id", offsetof(Item, id), VT_I4},
             {u"name", offsetof(Item, name), VT_BSTR},
             {u"connection", offsetof(Item, connection), VT_UNKNOWN},
             {u"object", offsetof(Item, object), VT_DISPATCH},
             {u"value", offsetof(Item, value), VT_VARIANT},
             {u"label", offsetof(Item, label), VT_RECORD, 1, kLabelRecord},
             {u"path", offsetof(Item, path), VT_UI2, 8},
             {u"dirty", offsetof(Item, dirty), VT_BOOL},
             {u"modified", offsetof(Item, modified), VT_DATE}}};
}

class RecordInfoTest : public LeakCheckedTest {
protected:
    void SetUp() override {
        LeakCheckedTest::SetUp();
        com::RegisterRecordDescription(LabelDescription());
        com::RegisterRecordDescription(ItemDescription());
        com::RegisterRecordDescription(
            {kLibrary, 1, 0, kPackedRecord, u"Packed", sizeof(Packed), {{u"id", 0, VT_I4}, {u"name", 4, VT_BSTR}}});
        ASSERT_EQ(GetRecordInfoFromGuids(kLibrary, 1, 0, 9, kItemRecord, &items_), S_OK);
    }
    void TearDown() override {
        items_->Release();
        com::UnregisterRecordDescriptions(kLibrary);
        com::UnregisterRecordDescriptions(kOtherLibrary);
        LeakCheckedTest::TearDown();
    }

    // An item that owns a text in each of its places.
    void Fill(Item* item, CountingObject* object) {
        *item = {};
        item->id = 17;
        item->name = SysAllocString(u"Bracket");
        item->connection = object->Unknown();
        object->AddRef();
        item->object = object;
        object->AddRef();
        item->value.vt = VT_BSTR;
        item->value.bstrVal = SysAllocString(u"in a variant");
        item->label.text = SysAllocString(u"nested");
        item->label.colour = 3;
        item->path[0] = u'C';
        item->dirty = VARIANT_TRUE;
        item->modified = 36526.5;
    }

    IRecordInfo* items_ = nullptr;
};

TEST_F(RecordInfoTest, LookupErrorCodes) {
    struct Case {
        const char* name;
        GUID library;
        ULONG major, minor;
        GUID record;
        HRESULT hr;
    } cases[] = {
        {"found", kLibrary, 1, 0, kItemRecord, S_OK},
        {"unknown library", kOtherLibrary, 1, 0, kItemRecord, TYPE_E_LIBNOTREGISTERED},
        {"other major version", kLibrary, 2, 0, kItemRecord, TYPE_E_LIBNOTREGISTERED},
        {"higher minor version than registered", kLibrary, 1, 1, kItemRecord, TYPE_E_LIBNOTREGISTERED},
        {"record not in the library", kLibrary, 1, 0, kUnknownRecord, TYPE_E_ELEMENTNOTFOUND},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IRecordInfo* info = reinterpret_cast<IRecordInfo*>(1);
        EXPECT_EQ(GetRecordInfoFromGuids(c.library, c.major, c.minor, 9, c.record, &info), c.hr);
        if (SUCCEEDED(c.hr)) {
            info->Release();
        } else {
            EXPECT_EQ(info, nullptr);
        }
    }
    EXPECT_EQ(GetRecordInfoFromGuids(kLibrary, 1, 0, 9, kItemRecord, nullptr), E_INVALIDARG);
}

TEST_F(RecordInfoTest, TheHighestMinorVersionAnswers) {
    auto label = LabelDescription(3);
    label.size = 32;
    com::RegisterRecordDescription(label);
    IRecordInfo* info = nullptr;
    ASSERT_EQ(GetRecordInfoFromGuids(kLibrary, 1, 1, 9, kLabelRecord, &info), S_OK);
    ULONG size = 0;
    info->GetSize(&size);
    EXPECT_EQ(size, 32u);
    info->Release();
    // Version 1.3 has no Item: the library that answers is 1.3.
    EXPECT_EQ(GetRecordInfoFromGuids(kLibrary, 1, 0, 9, kItemRecord, &info), TYPE_E_ELEMENTNOTFOUND);
}

TEST_F(RecordInfoTest, DescribesItself) {
    GUID guid{};
    EXPECT_EQ(items_->GetGuid(&guid), S_OK);
    EXPECT_EQ(guid, kItemRecord);
    ULONG size = 0;
    EXPECT_EQ(items_->GetSize(&size), S_OK);
    EXPECT_EQ(size, sizeof(Item));
    BSTR name = nullptr;
    EXPECT_EQ(items_->GetName(&name), S_OK);
    EXPECT_EQ(Text(name), u"Item");
    SysFreeString(name);

    ULONG count = 0;
    EXPECT_EQ(items_->GetFieldNames(&count, nullptr), S_OK);
    EXPECT_EQ(count, 9u);
    BSTR names[2] = {};
    count = 2;
    EXPECT_EQ(items_->GetFieldNames(&count, names), S_OK);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(Text(names[1]), u"name");
    for (BSTR n : names) SysFreeString(n);

    IRecordInfo* again = nullptr;
    IRecordInfo* label = nullptr;
    GetRecordInfoFromGuids(kLibrary, 1, 0, 9, kItemRecord, &again);
    GetRecordInfoFromGuids(kLibrary, 1, 0, 9, kLabelRecord, &label);
    EXPECT_TRUE(items_->IsMatchingType(again));
    EXPECT_FALSE(items_->IsMatchingType(label));
    again->Release();
    label->Release();

    ITypeInfo* typeInfo = nullptr;
    EXPECT_EQ(items_->GetTypeInfo(&typeInfo), E_NOTIMPL);
    IUnknown* unknown = nullptr;
    ASSERT_EQ(items_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    unknown->Release();
}

TEST_F(RecordInfoTest, ClearGivesBackEveryOwnedField) {
    CountingObject object;
    Item item;
    Fill(&item, &object);
    EXPECT_EQ(NewBstrs(), 3);
    EXPECT_EQ(object.References(), 3u);
    ASSERT_EQ(items_->RecordClear(&item), S_OK);
    EXPECT_EQ(NewBstrs(), 0);
    EXPECT_EQ(object.References(), 1u);
    EXPECT_EQ(item.name, nullptr);
    EXPECT_EQ(item.connection, nullptr);
    EXPECT_EQ(item.value.vt, VT_EMPTY);
    EXPECT_EQ(item.label.text, nullptr);
    // Plain fields are no business of clearing.
    EXPECT_EQ(item.id, 17);
    EXPECT_EQ(item.label.colour, 3);
    // Clearing twice finds nothing left to give back.
    EXPECT_EQ(items_->RecordClear(&item), S_OK);
}

TEST_F(RecordInfoTest, CopyDuplicatesEveryOwnedField) {
    CountingObject object;
    Item item;
    Fill(&item, &object);
    Item copy;
    std::memset(&copy, 0xAB, sizeof copy);  // the old content is not looked at
    ASSERT_EQ(items_->RecordCopy(&item, &copy), S_OK);
    EXPECT_EQ(copy.id, 17);
    EXPECT_NE(copy.name, item.name);
    EXPECT_EQ(Text(copy.name), u"Bracket");
    EXPECT_NE(copy.value.bstrVal, item.value.bstrVal);
    EXPECT_NE(copy.label.text, item.label.text);
    EXPECT_EQ(Text(copy.label.text), u"nested");
    EXPECT_EQ(copy.path[0], u'C');
    EXPECT_EQ(copy.modified, 36526.5);
    EXPECT_EQ(object.References(), 5u);
    EXPECT_EQ(NewBstrs(), 6);
    items_->RecordClear(&copy);
    items_->RecordClear(&item);
    EXPECT_EQ(object.References(), 1u);
}

TEST_F(RecordInfoTest, CreateCopyAndDestroyUseTaskMemory) {
    CountingObject object;
    Item item;
    Fill(&item, &object);
    auto* created = static_cast<Item*>(items_->RecordCreate());
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->name, nullptr);
    EXPECT_EQ(created->value.vt, VT_EMPTY);
    EXPECT_EQ(items_->RecordDestroy(created), S_OK);

    void* copy = nullptr;
    ASSERT_EQ(items_->RecordCreateCopy(&item, &copy), S_OK);
    EXPECT_EQ(object.References(), 5u);
    EXPECT_EQ(items_->RecordDestroy(copy), S_OK);
    EXPECT_EQ(object.References(), 3u);
    items_->RecordClear(&item);
}

TEST_F(RecordInfoTest, PackedFieldsAreReachedWhereverTheyLie) {
    IRecordInfo* packed = nullptr;
    ASSERT_EQ(GetRecordInfoFromGuids(kLibrary, 1, 0, 9, kPackedRecord, &packed), S_OK);
    Packed record{5, SysAllocString(u"packed")};
    Packed copy{};
    ASSERT_EQ(packed->RecordCopy(&record, &copy), S_OK);
    BSTR name = nullptr;
    std::memcpy(&name, reinterpret_cast<char*>(&copy) + 4, sizeof name);
    EXPECT_EQ(Text(name), u"packed");
    packed->RecordClear(&copy);
    packed->RecordClear(&record);
    packed->Release();
}

TEST_F(RecordInfoTest, GetFieldHandsOutCopies) {
    CountingObject object;
    Item item;
    Fill(&item, &object);
    struct Case {
        const char16_t* field;
        VARTYPE type;
    } cases[] = {{u"id", VT_I4},        {u"NAME", VT_BSTR},    {u"connection", VT_UNKNOWN},  {u"object", VT_DISPATCH},
                 {u"value", VT_BSTR},   {u"label", VT_RECORD}, {u"path", VT_ARRAY | VT_UI2}, {u"dirty", VT_BOOL},
                 {u"modified", VT_DATE}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        VARIANT value;
        VariantInit(&value);
        ASSERT_EQ(items_->GetField(&item, c.field, &value), S_OK);
        EXPECT_EQ(value.vt, c.type);
        switch (c.type) {
        case VT_I4:
            EXPECT_EQ(value.lVal, 17);
            break;
        case VT_BSTR:
            EXPECT_GT(SysStringLen(value.bstrVal), 0u);
            break;
        case VT_UNKNOWN:
        case VT_DISPATCH:
            EXPECT_EQ(object.References(), 4u);
            break;
        case VT_RECORD: {
            EXPECT_NE(value.pvRecord, &item.label);
            EXPECT_EQ(Text(static_cast<Label*>(value.pvRecord)->text), u"nested");
            GUID guid{};
            value.pRecInfo->GetGuid(&guid);
            EXPECT_EQ(guid, kLabelRecord);
            break;
        }
        case VT_ARRAY | VT_UI2:
            EXPECT_EQ(static_cast<WCHAR*>(value.parray->pvData)[0], u'C');
            break;
        case VT_BOOL:
            EXPECT_EQ(value.boolVal, VARIANT_TRUE);
            break;
        case VT_DATE:
            EXPECT_EQ(value.date, 36526.5);
            break;
        }
        EXPECT_EQ(VariantClear(&value), S_OK);
    }
    VARIANT value;
    VariantInit(&value);
    EXPECT_EQ(items_->GetField(&item, u"missing", &value), TYPE_E_ELEMENTNOTFOUND);
    EXPECT_EQ(NewBstrs(), 3);
    EXPECT_EQ(object.References(), 3u);

    // Without a copy: a reference into the record itself.
    PVOID place = nullptr;
    ASSERT_EQ(items_->GetFieldNoCopy(&item, u"name", &value, &place), S_OK);
    EXPECT_EQ(value.vt, VT_BYREF | VT_BSTR);
    EXPECT_EQ(value.pbstrVal, &item.name);
    EXPECT_EQ(place, &item.name);
    ASSERT_EQ(items_->GetFieldNoCopy(&item, u"label", &value, &place), S_OK);
    EXPECT_EQ(value.vt, VT_BYREF | VT_RECORD);
    EXPECT_EQ(value.pvRecord, &item.label);
    items_->RecordClear(&item);
}

TEST_F(RecordInfoTest, PutFieldConvertsCopiesAndGivesBackTheOldValue) {
    CountingObject object;
    Item item;
    Fill(&item, &object);
    VARIANT value;
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(u"42");
    ASSERT_EQ(items_->PutField(INVOKE_PROPERTYPUT, &item, u"id", &value), S_OK);
    EXPECT_EQ(item.id, 42);
    // The caller keeps its value; the field gets a copy.
    ASSERT_EQ(items_->PutField(INVOKE_PROPERTYPUT, &item, u"name", &value), S_OK);
    EXPECT_NE(item.name, value.bstrVal);
    EXPECT_EQ(Text(item.name), u"42");
    VariantClear(&value);
    value.vt = VT_I4;
    value.lVal = 7;
    ASSERT_EQ(items_->PutField(INVOKE_PROPERTYPUT, &item, u"name", &value), S_OK);
    EXPECT_EQ(Text(item.name), u"7");
    EXPECT_EQ(NewBstrs(), 3);
    value.vt = VT_UNKNOWN;
    value.punkVal = nullptr;
    ASSERT_EQ(items_->PutField(INVOKE_PROPERTYPUTREF, &item, u"object", &value), S_OK);
    EXPECT_EQ(item.object, nullptr);
    EXPECT_EQ(object.References(), 2u);
    value.vt = VT_I4;
    EXPECT_EQ(items_->PutField(INVOKE_PROPERTYPUT, &item, u"connection", &value), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(items_->PutField(0, &item, u"id", &value), E_INVALIDARG);
    EXPECT_EQ(items_->PutField(INVOKE_PROPERTYPUT, &item, u"missing", &value), TYPE_E_ELEMENTNOTFOUND);

    // A nested record goes in as a copy of the same record type.
    VARIANT label;
    VariantInit(&label);
    ASSERT_EQ(items_->GetField(&item, u"label", &label), S_OK);
    static_cast<Label*>(label.pvRecord)->colour = 9;
    ASSERT_EQ(items_->PutField(INVOKE_PROPERTYPUT, &item, u"label", &label), S_OK);
    EXPECT_EQ(item.label.colour, 9);
    EXPECT_NE(item.label.text, static_cast<Label*>(label.pvRecord)->text);
    EXPECT_EQ(items_->PutField(INVOKE_PROPERTYPUT, &item, u"value", &label), S_OK);
    EXPECT_EQ(item.value.vt, VT_RECORD);
    VariantClear(&label);

    // Handed over without a copy: the field takes the caller's text.
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(u"handed over");
    ASSERT_EQ(items_->PutFieldNoCopy(INVOKE_PROPERTYPUT, &item, u"name", &value), S_OK);
    EXPECT_EQ(item.name, value.bstrVal);
    EXPECT_EQ(items_->PutFieldNoCopy(INVOKE_PROPERTYPUT, &item, u"id", &value), DISP_E_TYPEMISMATCH);
    items_->RecordClear(&item);
    EXPECT_EQ(object.References(), 1u);
}

TEST_F(RecordInfoTest, RecordVariantsAndArraysOwnTheirRecords) {
    CountingObject object;
    Item item;
    Fill(&item, &object);
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_RECORD;
    ASSERT_EQ(items_->RecordCreateCopy(&item, &v.pvRecord), S_OK);
    v.pRecInfo = items_;
    items_->AddRef();
    VARIANT copy;
    VariantInit(&copy);
    ASSERT_EQ(VariantCopy(&copy, &v), S_OK);
    EXPECT_EQ(object.References(), 7u);
    VariantClear(&copy);
    VariantClear(&v);

    SAFEARRAY* array = SafeArrayCreateVectorEx(VT_RECORD, 0, 2, items_);
    LONG index = 1;
    ASSERT_EQ(SafeArrayPutElement(array, &index, &item), S_OK);
    EXPECT_EQ(object.References(), 5u);
    SafeArrayDestroy(array);
    items_->RecordClear(&item);
    EXPECT_EQ(object.References(), 1u);
}

TEST_F(RecordInfoTest, UnregisteringLeavesHandedOutInfoWorking) {
    com::UnregisterRecordDescriptions(kLibrary);
    IRecordInfo* info = nullptr;
    EXPECT_EQ(GetRecordInfoFromGuids(kLibrary, 1, 0, 9, kItemRecord, &info), TYPE_E_LIBNOTREGISTERED);
    Item item{};
    item.name = SysAllocString(u"still cleared");
    EXPECT_EQ(items_->RecordClear(&item), S_OK);
    EXPECT_EQ(NewBstrs(), 0);
}

TEST(RecordDescriptionTest, WrongDescriptionsFailLoudly) {
    const GUID library = kOtherLibrary;
    com::RegisterRecordDescription({library, 1, 0, kLabelRecord, u"Label", 16, {{u"text", 0, VT_BSTR}}});
    struct Case {
        const char* name;
        com::RecordDescription description;
        const char* message;
    } cases[] = {
        {"past the end", {library, 1, 0, kItemRecord, u"Item", 12, {{u"big", 8, VT_I8}}}, "field big: ends at byte 16"},
        {"overlap",
         {library, 1, 0, kItemRecord, u"Item", 16, {{u"a", 0, VT_I8}, {u"b", 4, VT_I4}}},
         "field b: overlaps field a"},
        {"type", {library, 1, 0, kItemRecord, u"Item", 16, {{u"c", 0, VT_CY}}}, "not a field type"},
        {"nested unknown",
         {library, 1, 0, kItemRecord, u"Item", 16, {{u"n", 0, VT_RECORD, 1, kUnknownRecord}}},
         "is not registered"},
        {"nested too big",
         {library, 1, 0, kItemRecord, u"Item", 8, {{u"n", 0, VT_RECORD, 1, kLabelRecord}}},
         "ends at byte 16"},
        {"array of texts", {library, 1, 0, kItemRecord, u"Item", 64, {{u"t", 0, VT_BSTR, 2}}}, "plain element"},
        {"name twice", {library, 1, 0, kItemRecord, u"Item", 16, {{u"x", 0, VT_I4}, {u"X", 4, VT_I4}}}, "named twice"},
        {"no size", {library, 1, 0, kItemRecord, u"Item", 0, {}}, "size 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            com::RegisterRecordDescription(c.description);
            ADD_FAILURE() << "accepted";
        } catch (const std::invalid_argument& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
            EXPECT_NE(std::string(error.what()).find("record description Item"), std::string::npos);
        }
    }
    IRecordInfo* info = nullptr;
    EXPECT_EQ(GetRecordInfoFromGuids(library, 1, 0, 9, kItemRecord, &info), TYPE_E_ELEMENTNOTFOUND);
    com::UnregisterRecordDescriptions(library);
}

}  // namespace
