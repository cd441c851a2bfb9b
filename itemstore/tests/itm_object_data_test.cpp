// Item object data: load, completeness check, compare, copy, swap, identity
// records, single properties and the paths, with exact string ownership.

#include "source_record.h"
#include "com/bstr.h"
#include "common/error_codes.h"
#include "itemstore/itm_obj_base.h"
#include "itemstore/itm_object_data.h"
#include "itemstore/itm_object_private.h"

#include <cstring>

class TestItmObject final : public ItmObjBase, public IItmObjectPrivate {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (std::memcmp(&riid, &IID_IUnknown, sizeof(IID)) == 0 ||
            std::memcmp(&riid, &IItmObjectPrivate::kIid, sizeof(IID)) == 0) {
            *object = static_cast<IItmObjectPrivate*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE PutProperty(LONG kind, VARIANT value) override {
        return ItmObjBase::PutProperty(kind, value);
    }
    HRESULT STDMETHODCALLTYPE GetProperty(LONG kind, VARIANT* value) override {
        return ItmObjBase::GetProperty(kind, value);
    }
    HRESULT STDMETHODCALLTYPE SetDataPtr(BellquistLib::ItmObjectData* data) override {
        return ItmObjBase::SetDataPtr(data);
    }
    HRESULT STDMETHODCALLTYPE GetDataPtr(BellquistLib::ItmObjectData** data) override {
        return ItmObjBase::GetDataPtr(data);
    }

    IUnknown* Unknown() { return static_cast<IItmObjectPrivate*>(this); }
    BellquistLib::ItmObjectData* Data() { return mpoData; }
};

using itemstore_test::SourceRecord;

#include "com/task_memory.h"
#include "com/variant.h"
#include "com_testing/bstr_text.h"
#include "com_testing/counting_object.h"
#include "com_testing/leak_checked_test.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>

using namespace BellquistLib;
using com_testing::Text;

namespace {

class ItmObjectDataTest : public com_testing::LeakCheckedTest {};

// A VARIANT that frees what it holds.
struct Value {
    Value() { VariantInit(&v); }
    ~Value() { VariantClear(&v); }
    VARIANT v;
};

VARIANT I4(LONG n) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = n;
    return v;
}

// The caller frees the VARIANT's string.
VARIANT Str(const char16_t* text) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(text);
    return v;
}

void Replace(BSTR* field, const char16_t* text) {
    SysFreeString(*field);
    *field = text ? SysAllocString(text) : nullptr;
}

TEST_F(ItmObjectDataTest, LoadCopiesTheRecordButNotStatusNorDynamicVersion) {
    SourceRecord source;
    TestItmObject object;
    ASSERT_EQ(S_OK, object.Load(&source.d, nullptr));
    const ItmObjectData& d = *object.Data();
    EXPECT_EQ(0, d.mlStatusID);
    EXPECT_EQ(0, d.mlDynLinkedFileVersion);
    EXPECT_EQ(VARIANT_TRUE, d.mbIsCutlist);  // 1 normalised
    EXPECT_EQ(41, d.mlObjectID);
    EXPECT_EQ(5, d.mlConfigID);
    EXPECT_EQ(45000.5, d.moModified);
    EXPECT_EQ(0, std::memcmp(&d.moLockViewID, &source.d.moLockViewID, sizeof(GUID)));
    EXPECT_EQ(0, d.mbIsUpToDate);
    EXPECT_EQ(VARIANT_TRUE, d.mbIsDirty);
    EXPECT_EQ(Text(source.d.moPath), Text(d.moPath));
    EXPECT_NE(source.d.moPath, d.moPath);  // a fresh copy
    EXPECT_EQ(u"pump.sldasm", Text(d.mbsLinkedFile));
    EXPECT_NE(source.d.mbsLinkedFile, d.mbsLinkedFile);
    EXPECT_EQ(18, NewBstrs());  // the source's nine and the object's nine

    // A second load replaces the record and frees the first one's strings.
    ASSERT_EQ(S_OK, object.Load(&source.d, nullptr));
    EXPECT_EQ(18, NewBstrs());
}

TEST_F(ItmObjectDataTest, LoadRecordGivesPathAndConnectionEachWithItsOwnReference) {
    com_testing::CountingObject recordConnection;
    com_testing::CountingObject loadConnection;
    SourceRecord source;
    source.d.mpoConnection = recordConnection.Unknown();
    {
        TestItmObject fromRecord;
        ASSERT_EQ(S_OK, fromRecord.Load(&source.d, nullptr));
        EXPECT_EQ(recordConnection.Unknown(), fromRecord.Data()->mpoConnection);
        EXPECT_EQ(2u, recordConnection.References());

        LoadItmObjectData load{SysAllocString(u"D:\\elsewhere\\Pump.<item>"), loadConnection.Unknown()};
        TestItmObject withLoad;
        ASSERT_EQ(S_OK, withLoad.Load(&source.d, &load));
        EXPECT_EQ(u"D:\\elsewhere\\Pump.<item>", Text(withLoad.Data()->moPath));
        EXPECT_NE(load.moIncludePath, withLoad.Data()->moPath);
        EXPECT_EQ(loadConnection.Unknown(), withLoad.Data()->mpoConnection);
        EXPECT_EQ(2u, loadConnection.References());
        EXPECT_EQ(0, withLoad.Data()->mlStatusID);
        SysFreeString(load.moIncludePath);

        LoadItmObjectData emptyLoad{nullptr, nullptr};
        ASSERT_EQ(S_OK, withLoad.Load(&source.d, &emptyLoad));
        EXPECT_EQ(nullptr, withLoad.Data()->moPath);
        EXPECT_EQ(nullptr, withLoad.Data()->mpoConnection);
        EXPECT_EQ(1u, loadConnection.References());  // the replaced record let go
    }
    EXPECT_EQ(1u, recordConnection.References());
    source.d.mpoConnection = nullptr;
}

TEST_F(ItmObjectDataTest, LoadOfNothingFailsAndKeepsTheObjectAsItWas) {
    TestItmObject object;
    EXPECT_EQ(E_OXN_NULL_VALUE, object.Load(nullptr, nullptr));
    EXPECT_EQ(nullptr, object.Data());
    SourceRecord source;
    EXPECT_EQ(E_OXN_NULL_VALUE, ghCopyItmObjectData(nullptr, &source.d, nullptr));
    EXPECT_EQ(E_OXN_NULL_VALUE, ghCopyItmObjectData(&source.d, nullptr, nullptr));
}

TEST_F(ItmObjectDataTest, CheckWantsEightStringsButNotTheLinkedFile) {
    BSTR ItmObjectData::*const checked[] = {
        &ItmObjectData::moAlternateName, &ItmObjectData::moConfigName, &ItmObjectData::moDomain,
        &ItmObjectData::moFilename,      &ItmObjectData::moLockedBy,   &ItmObjectData::moLockedPath,
        &ItmObjectData::moPath,          &ItmObjectData::moState,
    };
    for (BSTR ItmObjectData::*field : checked) {
        SourceRecord record;
        EXPECT_EQ(S_OK, ghCheckItmObjectData(&record.d));
        Replace(&(record.d.*field), u"");  // empty is present
        EXPECT_EQ(S_OK, ghCheckItmObjectData(&record.d));
        Replace(&(record.d.*field), nullptr);
        EXPECT_EQ(E_OXN_NOT_INITIALIZED, ghCheckItmObjectData(&record.d));
    }
    SourceRecord record;
    Replace(&record.d.mbsLinkedFile, nullptr);
    EXPECT_EQ(S_OK, ghCheckItmObjectData(&record.d));
    EXPECT_EQ(E_OXN_NOT_INITIALIZED, ghCheckItmObjectData(nullptr));
}

// One field of the other object changed, and the mask Compare gives.
struct CompareCase {
    const char* what;
    std::function<void(ItmObjectData&)> change;
    LONG mask;
};

TEST_F(ItmObjectDataTest, CompareSetsTheBitOfEachGroupThatDiffers) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const CompareCase cases[] = {
        {"nothing", [](ItmObjectData&) {}, 0},
        {"type", [](ItmObjectData& d) { d.meObjectType = ItmObjectType_File; }, 0x0002},
        {"id", [](ItmObjectData& d) { d.mlObjectID = 1; }, 0x0002},
        {"parent id", [](ItmObjectData& d) { d.mlParentObjectID = 1; }, 0x0004},
        {"parent kind", [](ItmObjectData& d) { d.meParentDocType = ItmObjectType_Vault; }, 0x0004},
        {"name", [](ItmObjectData& d) { Replace(&d.moFilename, u"pump.<item>"); }, 0x0008},
        {"path, names equal", [](ItmObjectData& d) { Replace(&d.moPath, u"C:\\other"); }, 0x0008},
        {"link type", [](ItmObjectData& d) { d.meLinkType = LinkType_Dynamic; }, 0x0010},
        {"link operation", [](ItmObjectData& d) { d.meLinkOperation = LinkOp_New; }, 0x0010},
        {"parent project", [](ItmObjectData& d) { d.mlParentProjectID = 1; }, 0x0020},
        {"attached version", [](ItmObjectData& d) { d.mlAttachedVersion = 1; }, 0x0040},
        {"local and latest versions", [](ItmObjectData& d) { d.mlLocalVersion = d.mlLatestVersion = 1; }, 0},
        {"config id", [](ItmObjectData& d) { d.mlConfigID = 1; }, 0x0080},
        {"config name, ids equal", [](ItmObjectData& d) { Replace(&d.moConfigName, u"Other"); }, 0x0080},
        {"lock user id, names equal", [](ItmObjectData& d) { d.mlLockedBy = 1; }, 0x0100},
        {"lock name", [](ItmObjectData& d) { Replace(&d.moLockedBy, u"bob"); }, 0x0100},
        {"lock path", [](ItmObjectData& d) { Replace(&d.moLockedPath, u"D:\\"); }, 0x0100},
        {"status id", [](ItmObjectData& d) { d.mlStatusID = 1; }, 0x0200},
        {"state name", [](ItmObjectData& d) { Replace(&d.moState, u"released"); }, 0x0200},
        {"date", [](ItmObjectData& d) { d.moModified = 1.0; }, 0x0400},
        {"NaN date", [nan](ItmObjectData& d) { d.moModified = nan; }, 0x0400},
        {"domain, alternate name, lock view, flags",
         [](ItmObjectData& d) {
             Replace(&d.moDomain, u"x");
             Replace(&d.moAlternateName, u"x");
             d.moLockViewID = GUID{};
             d.mlItmObjectFlags = 0;
             d.mbIsDirty = 0;
         },
         0},
        {"type and date", [](ItmObjectData& d) { d.mlObjectID = 1, d.moModified = 2.0; }, 0x0402},
    };
    SourceRecord source;
    for (const CompareCase& c : cases) {
        TestItmObject mine, theirs;
        ASSERT_EQ(S_OK, mine.Load(&source.d, nullptr));
        ASSERT_EQ(S_OK, theirs.Load(&source.d, nullptr));
        c.change(*theirs.Data());
        LONG mask = -1;
        EXPECT_EQ(S_OK, mine.Compare(theirs.Unknown(), &mask)) << c.what;
        EXPECT_EQ(c.mask, mask) << c.what;
    }
}

TEST_F(ItmObjectDataTest, CompareTakesNullAndEmptyAsEqualAndNaNAsDifferentFromItself) {
    SourceRecord source;
    source.d.moModified = std::numeric_limits<double>::quiet_NaN();
    TestItmObject mine, theirs;
    ASSERT_EQ(S_OK, mine.Load(&source.d, nullptr));
    ASSERT_EQ(S_OK, theirs.Load(&source.d, nullptr));
    Replace(&mine.Data()->moFilename, u"");
    Replace(&theirs.Data()->moFilename, u"");
    Replace(&theirs.Data()->mbsLinkedFile, nullptr);
    LONG mask = -1;
    EXPECT_EQ(S_OK, mine.Compare(theirs.Unknown(), &mask));
    EXPECT_EQ(0x0400, mask);
    EXPECT_EQ(S_OK, mine.Compare(mine.Unknown(), &mask));  // same record
    EXPECT_EQ(0x0400, mask);
}

TEST_F(ItmObjectDataTest, CompareAndCopyRefuseWhatTheyCannotRead) {
    SourceRecord source;
    TestItmObject loaded, incomplete, neverLoaded;
    com_testing::CountingObject foreign;
    ASSERT_EQ(S_OK, loaded.Load(&source.d, nullptr));
    ASSERT_EQ(S_OK, incomplete.Load(&source.d, nullptr));
    Replace(&incomplete.Data()->moState, nullptr);
    LONG mask = 0;
    EXPECT_EQ(E_INVALIDARG, loaded.Compare(nullptr, &mask));
    EXPECT_EQ(E_INVALIDARG, loaded.Compare(loaded.Unknown(), nullptr));
    EXPECT_EQ(E_INVALIDARG, neverLoaded.Compare(loaded.Unknown(), &mask));
    EXPECT_EQ(E_ITEM_INVALID_OBJECT, loaded.Compare(foreign.Unknown(), &mask));
    EXPECT_EQ(E_OXN_NOT_INITIALIZED, loaded.Compare(neverLoaded.Unknown(), &mask));
    EXPECT_EQ(E_OXN_NOT_INITIALIZED, loaded.Compare(incomplete.Unknown(), &mask));
    EXPECT_EQ(E_OXN_NOT_INITIALIZED, incomplete.Compare(loaded.Unknown(), &mask));

    EXPECT_EQ(E_INVALIDARG, loaded.Copy(nullptr, 0x0008));
    EXPECT_EQ(E_INVALIDARG, neverLoaded.Copy(loaded.Unknown(), 0x0008));
    EXPECT_EQ(E_ITEM_INVALID_OBJECT, loaded.Copy(foreign.Unknown(), 0x0008));
    EXPECT_EQ(E_OXN_NOT_INITIALIZED, loaded.Copy(neverLoaded.Unknown(), 0x0008));
    EXPECT_EQ(E_OXN_NOT_INITIALIZED, incomplete.Copy(loaded.Unknown(), 0x0008));
    EXPECT_EQ(nullptr, neverLoaded.Data());
}

// Copy with one mask: the groups of the mask become the other's, and Compare
// then finds only the groups outside it.
TEST_F(ItmObjectDataTest, CopyTakesTheGroupsOfTheMaskAndNothingWhenIdentitiesDiffer) {
    SourceRecord source;
    const LONG allGroups = 0x07FC;
    struct Case {
        LONG mask;
        LONG differsAfter;
    };
    const Case cases[] = {
        {0x0004, allGroups & ~0x0004},
        {0x0008, allGroups & ~0x0008},
        {0x0010, allGroups & ~0x0010},
        {0x0020, allGroups & ~0x0020},
        {0x0040, allGroups & ~0x0040},
        {0x0080, allGroups & ~0x0080},
        {0x0100, allGroups & ~0x0100},
        {0x0200, allGroups & ~0x0200},
        {0x0400, allGroups & ~0x0400},
        {allGroups, 0},
        {0x0002, allGroups},
        {allGroups | 0x0002, allGroups},
        {0, allGroups},
    };
    for (const Case& c : cases) {
        TestItmObject mine, theirs;
        ASSERT_EQ(S_OK, mine.Load(&source.d, nullptr));
        ASSERT_EQ(S_OK, theirs.Load(&source.d, nullptr));
        ItmObjectData& t = *theirs.Data();
        t.mlParentObjectID = 1;
        Replace(&t.moFilename, u"Valve.<item>");
        Replace(&t.moPath, u"C:\\vault\\<items>\\Valve.<item>");
        t.meLinkType = LinkType_Dynamic;
        t.mlParentProjectID = 1;
        t.mlAttachedVersion = 11, t.mlLocalVersion = 12, t.mlLatestVersion = 13;
        t.mlConfigID = 1;
        Replace(&t.moConfigName, u"Other");
        t.mlLockedBy = 1;
        Replace(&t.moLockedPath, u"D:\\");
        t.mlStatusID = 1;
        t.moModified = 1.0;
        t.mlResult = 99;
        EXPECT_EQ(S_OK, mine.Copy(theirs.Unknown(), c.mask)) << c.mask;
        LONG mask = -1;
        EXPECT_EQ(S_OK, mine.Compare(theirs.Unknown(), &mask));
        EXPECT_EQ(c.differsAfter, mask) << "mask " << c.mask;
        EXPECT_EQ(8, mine.Data()->mlResult) << "mask " << c.mask;  // never copied
        if (c.mask == 0x0040) {
            EXPECT_EQ(12, mine.Data()->mlLocalVersion);
            EXPECT_EQ(13, mine.Data()->mlLatestVersion);
        }
        if (c.mask & 0x0008 && !(c.mask & 0x0002)) {
            EXPECT_NE(t.moFilename, mine.Data()->moFilename);
        }
    }
}

TEST_F(ItmObjectDataTest, SwapExchangesRecordsAndKeepsThreeFieldsWhenAsked) {
    SourceRecord first, second;
    Replace(&second.d.moFilename, u"Valve.<item>");
    Replace(&second.d.moAlternateName, u"Valve (alt)");
    Replace(&second.d.mbsLinkedFile, u"valve.sldasm");
    second.d.mbIsDirty = VARIANT_FALSE;
    for (VARIANT_BOOL exclude : {VARIANT_FALSE, VARIANT_TRUE}) {
        TestItmObject a, b;
        ASSERT_EQ(S_OK, a.Load(&first.d, nullptr));
        ASSERT_EQ(S_OK, b.Load(&second.d, nullptr));
        ItmObjectData* aRecord = a.Data();
        ItmObjectData* bRecord = b.Data();
        ASSERT_EQ(S_OK, a.Swap(b.Unknown(), exclude));
        EXPECT_EQ(bRecord, a.Data());
        EXPECT_EQ(aRecord, b.Data());
        EXPECT_EQ(u"Valve.<item>", Text(a.Data()->moFilename));
        EXPECT_EQ(u"Pump.<item>", Text(b.Data()->moFilename));
        EXPECT_EQ(exclude ? u"Pump (alt)" : u"Valve (alt)", Text(a.Data()->moAlternateName));
        EXPECT_EQ(exclude ? u"pump.sldasm" : u"valve.sldasm", Text(a.Data()->mbsLinkedFile));
        EXPECT_EQ(exclude ? VARIANT_TRUE : VARIANT_FALSE, a.Data()->mbIsDirty);
        EXPECT_EQ(exclude ? u"Valve (alt)" : u"Pump (alt)", Text(b.Data()->moAlternateName));
        EXPECT_EQ(exclude ? VARIANT_FALSE : VARIANT_TRUE, b.Data()->mbIsDirty);
        ASSERT_EQ(S_OK, a.Swap(a.Unknown(), VARIANT_TRUE));  // with itself: nothing moves
        EXPECT_EQ(bRecord, a.Data());
    }
}

TEST_F(ItmObjectDataTest, SwapRefusesNullForeignAndNeverLoadedObjects) {
    SourceRecord source;
    TestItmObject loaded, neverLoaded;
    com_testing::CountingObject foreign;
    ASSERT_EQ(S_OK, loaded.Load(&source.d, nullptr));
    ItmObjectData* record = loaded.Data();
    EXPECT_EQ(E_OXN_NULL_VALUE, loaded.Swap(nullptr, VARIANT_FALSE));
    EXPECT_EQ(E_ITEM_INVALID_OBJECT, loaded.Swap(foreign.Unknown(), VARIANT_FALSE));
    EXPECT_EQ(E_ITEM_INVALID_OBJECT, loaded.Swap(neverLoaded.Unknown(), VARIANT_FALSE));
    EXPECT_EQ(E_POINTER, neverLoaded.Swap(loaded.Unknown(), VARIANT_FALSE));
    EXPECT_EQ(record, loaded.Data());
    EXPECT_EQ(nullptr, neverLoaded.Data());
}

TEST_F(ItmObjectDataTest, IdentityRecordsAreTaskMemoryCopiesOfTheRecord) {
    SourceRecord source;
    source.d.meObjectType = ItmObjectType_File;
    TestItmObject object;
    ASSERT_EQ(S_OK, object.Load(&source.d, nullptr));
    ItmUniqueID* id = nullptr;
    ASSERT_EQ(S_OK, object.GetUniqueID(&id));
    EXPECT_EQ(ItmObjectType_File, id->meObjectType);
    EXPECT_EQ(41, id->mlObjectID);
    EXPECT_EQ(40, id->mlParentID);  // kept whatever the kind
    EXPECT_EQ(5, id->mlConfigID);
    CoTaskMemFree(id);
    ItmLink* link = nullptr;
    ASSERT_EQ(S_OK, object.GetItmLink(&link));
    EXPECT_EQ(40, link->mlParentID);
    EXPECT_EQ(LinkType_Static, link->meLinkType);
    EXPECT_EQ(LinkOp_None, link->meLinkOperation);
    CoTaskMemFree(link);
    ItmLinkData* data = nullptr;
    ASSERT_EQ(S_OK, object.GetLinkData(&data));
    EXPECT_EQ(LinkType_Static, data->meLinkType);
    EXPECT_EQ(LinkOp_None, data->meLinkOperation);
    CoTaskMemFree(data);
    EXPECT_EQ(E_POINTER, object.GetUniqueID(nullptr));
    EXPECT_EQ(E_POINTER, object.GetItmLink(nullptr));
    EXPECT_EQ(E_POINTER, object.GetLinkData(nullptr));
}

TEST_F(ItmObjectDataTest, AnObjectNeverLoadedAnswersEveryAccessWithAnError) {
    TestItmObject object;
    SourceRecord source;
    ItmUniqueID* id = nullptr;
    ItmLink* link = nullptr;
    ItmLinkData* linkData = nullptr;
    BSTR text = nullptr;
    LONG flags = 0;
    ItmObjectData* data = &source.d;
    Value value;
    BSTR path = SysAllocString(u"C:\\x");
    EXPECT_EQ(E_POINTER, object.GetUniqueID(&id));
    EXPECT_EQ(E_POINTER, object.GetItmLink(&link));
    EXPECT_EQ(E_POINTER, object.GetLinkData(&linkData));
    EXPECT_EQ(E_POINTER, object.GetLinkedFileName(&text));
    EXPECT_EQ(E_POINTER, object.GetItmObjectFlags(&flags));
    EXPECT_EQ(E_POINTER, object.SetPathPartOnly(path));
    EXPECT_EQ(E_POINTER, object.PutProperty(ItmProperty_Result, I4(1)));
    EXPECT_EQ(E_POINTER, object.GetProperty(ItmProperty_Result, &value.v));
    EXPECT_EQ(VT_EMPTY, value.v.vt);
    EXPECT_EQ(E_POINTER, object.GetDataPtr(&data));
    EXPECT_EQ(nullptr, data);
    EXPECT_EQ(E_OXN_NULL_VALUE, object.GetDataPtr(nullptr));
    EXPECT_EQ(E_OXN_NULL_VALUE, object.SetDataPtr(nullptr));
    EXPECT_EQ(nullptr, id);
    EXPECT_EQ(nullptr, link);
    EXPECT_EQ(nullptr, linkData);
    EXPECT_EQ(nullptr, text);
    SysFreeString(path);
}

TEST_F(ItmObjectDataTest, LinkedFileNameAndFlags) {
    SourceRecord source;
    TestItmObject object;
    ASSERT_EQ(S_OK, object.Load(&source.d, nullptr));
    BSTR name = nullptr;
    ASSERT_EQ(S_OK, object.GetLinkedFileName(&name));
    EXPECT_EQ(u"pump.sldasm", Text(name));
    EXPECT_NE(object.Data()->mbsLinkedFile, name);
    SysFreeString(name);
    LONG flags = 0;
    EXPECT_EQ(S_OK, object.GetItmObjectFlags(&flags));
    EXPECT_EQ(1, flags);
    EXPECT_EQ(E_INVALIDARG, object.GetLinkedFileName(nullptr));
    EXPECT_EQ(E_INVALIDARG, object.GetItmObjectFlags(nullptr));
}

// Put a value of a kind, then read the kind back.
struct PropertyCase {
    LONG kind;
    VARTYPE putType;
    LONG putNumber;           // VT_I4 and VT_BOOL
    const char16_t* putText;  // VT_BSTR
    VARTYPE getType;
    LONG gotNumber;           // VT_I4 and VT_BOOL
    const char16_t* gotText;  // VT_BSTR
};

TEST_F(ItmObjectDataTest, PropertiesRoundTripByKindAndIgnoreOtherTypes) {
    const PropertyCase cases[] = {
        {ItmProperty_ParentProjectID, VT_I4, 77, nullptr, VT_I4, 77, nullptr},
        {ItmProperty_Result, VT_I4, 77, nullptr, VT_I4, 77, nullptr},
        {ItmProperty_LockedByName, VT_BSTR, 0, u"carl", VT_BSTR, 0, u"carl"},
        {ItmProperty_LockedByID, VT_I4, 77, nullptr, VT_EMPTY, 0, nullptr},
        {ItmProperty_AttachedVersion, VT_I4, 77, nullptr, VT_I4, 77, nullptr},
        {ItmProperty_AttachedVersion, VT_BSTR, 0, u"77", VT_I4, 3, nullptr},  // other type ignored
        {ItmProperty_LocalVersion, VT_I4, 77, nullptr, VT_I4, 77, nullptr},
        {ItmProperty_LinkOperation, VT_I4, 5, nullptr, VT_I4, 5, nullptr},
        {ItmProperty_LinkType, VT_I4, 1, nullptr, VT_EMPTY, 0, nullptr},
        {ItmProperty_ObjectType, VT_I4, 6, nullptr, VT_EMPTY, 0, nullptr},
        {ItmProperty_Path, VT_BSTR, 0, u"E:\\p", VT_BSTR, 0, u"E:\\p"},
        {ItmProperty_Path, VT_I4, 1, nullptr, VT_BSTR, 0, u"C:\\vault\\<items>\\Pump.<item>"},
        {ItmProperty_ParentObjectID, VT_I4, 77, nullptr, VT_EMPTY, 0, nullptr},
        {ItmProperty_IsDirty, VT_BOOL, 0, nullptr, VT_BOOL, 0, nullptr},
        {ItmProperty_IsDirty, VT_I4, 0, nullptr, VT_BOOL, 0, nullptr},  // any type
        {ItmProperty_Connection, VT_I4, 1, nullptr, VT_EMPTY, 0, nullptr},
        {15, VT_I4, 1, nullptr, VT_EMPTY, 0, nullptr},
        {-1, VT_BSTR, 0, u"x", VT_EMPTY, 0, nullptr},
    };
    SourceRecord source;
    for (const PropertyCase& c : cases) {
        TestItmObject object;
        ASSERT_EQ(S_OK, object.Load(&source.d, nullptr));
        Value put;
        put.v.vt = c.putType;
        if (c.putType == VT_BSTR)
            put.v.bstrVal = SysAllocString(c.putText);
        else if (c.putType == VT_BOOL)
            put.v.boolVal = static_cast<VARIANT_BOOL>(c.putNumber);
        else
            put.v.lVal = c.putNumber;
        EXPECT_EQ(S_OK, object.PutProperty(c.kind, put.v)) << "kind " << c.kind;
        Value got;
        got.v.vt = VT_I4;  // initialised by the call
        EXPECT_EQ(S_OK, object.GetProperty(c.kind, &got.v)) << "kind " << c.kind;
        ASSERT_EQ(c.getType, got.v.vt) << "kind " << c.kind;
        if (c.getType == VT_I4) {
            EXPECT_EQ(c.gotNumber, got.v.lVal) << "kind " << c.kind;
        }
        if (c.getType == VT_BOOL) {
            EXPECT_EQ(c.gotNumber, got.v.boolVal) << "kind " << c.kind;
        }
        if (c.getType == VT_BSTR) {
            EXPECT_EQ(c.gotText, Text(got.v.bstrVal)) << "kind " << c.kind;
        }
    }
}

TEST_F(ItmObjectDataTest, PutOfTheHiddenKindsReachesTheirFields) {
    SourceRecord source;
    source.d.meObjectType = ItmObjectType_Vault;
    TestItmObject object;
    ASSERT_EQ(S_OK, object.Load(&source.d, nullptr));
    EXPECT_EQ(S_OK, object.PutProperty(ItmProperty_ParentProjectID, I4(12)));
    EXPECT_EQ(12, object.Data()->mlObjectID);  // a vault's id follows
    EXPECT_EQ(S_OK, object.PutProperty(ItmProperty_LockedByID, I4(13)));
    EXPECT_EQ(S_OK, object.PutProperty(ItmProperty_LinkType, I4(LinkType_Dynamic)));
    EXPECT_EQ(S_OK, object.PutProperty(ItmProperty_ObjectType, I4(ItmObjectType_Item)));
    EXPECT_EQ(S_OK, object.PutProperty(ItmProperty_ParentObjectID, I4(14)));
    EXPECT_EQ(S_OK, object.PutProperty(ItmProperty_ParentProjectID, I4(15)));
    const ItmObjectData& d = *object.Data();
    EXPECT_EQ(13, d.mlLockedBy);
    EXPECT_EQ(LinkType_Dynamic, d.meLinkType);
    EXPECT_EQ(ItmObjectType_Item, d.meObjectType);
    EXPECT_EQ(14, d.mlParentObjectID);
    EXPECT_EQ(15, d.mlParentProjectID);
    EXPECT_EQ(12, d.mlObjectID);  // not a vault any more
    EXPECT_EQ(E_POINTER, object.GetProperty(ItmProperty_Result, nullptr));
}

TEST_F(ItmObjectDataTest, ConnectionPutHoldsOneReferenceAndReleasesTheOldOne) {
    com_testing::CountingObject first, second;
    SourceRecord source;
    {
        TestItmObject object;
        ASSERT_EQ(S_OK, object.Load(&source.d, nullptr));
        VARIANT put;
        VariantInit(&put);
        put.vt = VT_UI8;
        put.ullVal = reinterpret_cast<uintptr_t>(first.Unknown());
        EXPECT_EQ(S_OK, object.PutProperty(ItmProperty_Connection, put));
        EXPECT_EQ(2u, first.References());
        put.ullVal = reinterpret_cast<uintptr_t>(second.Unknown());
        EXPECT_EQ(S_OK, object.PutProperty(ItmProperty_Connection, put));
        EXPECT_EQ(1u, first.References());
        EXPECT_EQ(2u, second.References());
        EXPECT_EQ(second.Unknown(), object.Data()->mpoConnection);
    }
    EXPECT_EQ(1u, second.References());
}

// Rename through kind 1: the path follows only when it ends in the old name.
TEST_F(ItmObjectDataTest, RenameRewritesTheLastPathComponentWhenItIsTheName) {
    struct Case {
        ItmObjectType type;
        const char16_t* name;
        const char16_t* path;
        const char16_t* newPath;
    };
    const Case cases[] = {
        {ItmObjectType_Item, u"Pump", u"C:\\v\\Pump", u"C:\\v\\Valve"},
        {ItmObjectType_ItemFolder, u"Pumps", u"C:\\v\\Pumps\\", u"C:\\v\\Valve\\"},
        {ItmObjectType_Item, u"Pumps", u"C:\\v\\Pumps\\", u"C:\\v\\Pumps\\"},  // slash kept only for folders
        {ItmObjectType_Item, u"Pump", u"C:\\v\\Other", u"C:\\v\\Other"},
        {ItmObjectType_Item, u"Pump", u"Pump", u"Pump"},     // no backslash at all
        {ItmObjectType_ItemFolder, u"", u"\\", u"\\Valve"},  // a lone backslash is not dropped
        {ItmObjectType_Item, u"", u"C:\\v\\", u"C:\\v\\Valve"},
    };
    for (const Case& c : cases) {
        SourceRecord source;
        source.d.meObjectType = c.type;
        Replace(&source.d.moFilename, c.name);
        Replace(&source.d.moPath, c.path);
        TestItmObject object;
        ASSERT_EQ(S_OK, object.Load(&source.d, nullptr));
        VARIANT put = Str(u"Valve");
        EXPECT_EQ(S_OK, object.PutProperty(ItmProperty_Filename, put));
        SysFreeString(put.bstrVal);
        EXPECT_EQ(u"Valve", Text(object.Data()->moFilename));
        EXPECT_EQ(c.newPath, Text(object.Data()->moPath)) << "case " << (&c - cases);
    }
}

// SetPathPartOnly and the folder path kind 13, put and get.
TEST_F(ItmObjectDataTest, FolderPartsOfThePath) {
    struct Case {
        const char16_t* folder;
        const char16_t* setPathPartOnly;
        const char16_t* putFolderPath;
    };
    const Case cases[] = {
        {u"", u"Pump", u"Pump\\"},
        {u"D:\\x", u"D:\\x\\Pump", u"D:\\x\\Pump\\"},
        {u"D:\\x\\", u"D:\\x\\Pump", u"D:\\x\\Pump\\"},
    };
    SourceRecord source;
    Replace(&source.d.moFilename, u"Pump");
    for (const Case& c : cases) {
        TestItmObject object;
        ASSERT_EQ(S_OK, object.Load(&source.d, nullptr));
        BSTR folder = SysAllocString(c.folder);
        EXPECT_EQ(S_OK, object.SetPathPartOnly(folder));
        EXPECT_EQ(c.setPathPartOnly, Text(object.Data()->moPath));
        VARIANT put = Str(c.folder);
        EXPECT_EQ(S_OK, object.PutProperty(ItmProperty_FolderPath, put));
        EXPECT_EQ(c.putFolderPath, Text(object.Data()->moPath));
        SysFreeString(put.bstrVal);
        SysFreeString(folder);
    }
    TestItmObject object;
    ASSERT_EQ(S_OK, object.Load(&source.d, nullptr));
    EXPECT_EQ(E_INVALIDARG, object.SetPathPartOnly(nullptr));

    const struct {
        const char16_t* path;
        const char16_t* folderPart;
    } gets[] = {
        {u"D:\\x\\Pump", u"D:\\x\\"},
        {u"Pump", u"Pump"},                  // no backslash: the whole path
        {u"D:\\x\\Other", u"D:\\x\\Other"},  // not ending in the name: the whole path
    };
    for (const auto& g : gets) {
        Replace(&object.Data()->moPath, g.path);
        Value got;
        EXPECT_EQ(S_OK, object.GetProperty(ItmProperty_FolderPath, &got.v));
        ASSERT_EQ(VT_BSTR, got.v.vt);
        EXPECT_EQ(g.folderPart, Text(got.v.bstrVal));
    }
}

}  // namespace
