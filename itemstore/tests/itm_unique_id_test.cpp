// The identity records: link keys, initial value, equality, the byte order
// of the link tables, and the identity read from an object's properties.
#include "itemstore/itm_unique_id.h"

#include "bellquist/item_interfaces.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>

using namespace BellquistLib;

namespace {

bool SameIid(REFIID left, const IID& right) { return std::memcmp(&left, &right, sizeof(IID)) == 0; }

// An item object that answers ID, Type, ParentID and ConfigID (file and BOM
// interfaces by its type), with one read made to fail on demand.
class FakeItmObject final : public IItmObject, public IItmFile, public IItmBOM {
public:
    FakeItmObject(ItmObjectType type, LONG id, LONG parent, LONG config)
        : type_(type), id_(id), parent_(parent), config_(config) {}

    const char* failing = "";  // "ID", "Type", "ParentID", "ConfigID" or "QueryInterface"

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        *object = nullptr;
        const bool refused = std::strcmp(failing, "QueryInterface") == 0;
        if (SameIid(riid, IID_IUnknown) || SameIid(riid, IItmObject::kIid)) {
            *object = static_cast<IItmObject*>(this);
        } else if (!refused && type_ == ItmObjectType_File && SameIid(riid, IItmFile::kIid)) {
            *object = static_cast<IItmFile*>(this);
        } else if (!refused && type_ == ItmObjectType_BOM && SameIid(riid, IItmBOM::kIid)) {
            *object = static_cast<IItmBOM*>(this);
        }
        if (!*object) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE get_ID(LONG* id) override { return Answer("ID", id, id_); }
    HRESULT STDMETHODCALLTYPE get_Type(ItmObjectType* type) override { return Answer("Type", type, type_); }
    HRESULT STDMETHODCALLTYPE get_ParentID(LONG* parent) override { return Answer("ParentID", parent, parent_); }
    HRESULT STDMETHODCALLTYPE get_ConfigID(LONG* config) override { return Answer("ConfigID", config, config_); }

    // Every other method is one the helpers must not call.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return Unexpected();
    }
    HRESULT STDMETHODCALLTYPE Compare(IItmObject* /*poOther*/, LONG* /*plMask*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE Copy(IItmObject* /*poOther*/, LONG /*lMask*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE GetItmLink(ItmLink** /*ppoLink*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE GetLinkData(ItmLinkData** /*ppoLinkData*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE GetUniqueID(ItmUniqueID** /*ppoUniqueID*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE Load(ItmObjectData* /*pData*/, LoadItmObjectData* /*pLoad*/) override {
        return Unexpected();
    }
    HRESULT STDMETHODCALLTYPE SetPathPartOnly(BSTR /*bsNewPath*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE Swap(IItmObject* /*poOther*/, VARIANT_BOOL /*bDoExcludeVersionSpecificFields*/) override {
        return Unexpected();
    }
    HRESULT STDMETHODCALLTYPE get_AlternateName(BSTR* /*pbsAlternateName*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE get_AttachedVersion(LONG* /*plVersion*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE get_ConfigName(BSTR* /*pbsConfigName*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE get_DynamicFileLinkVersion(LONG* /*plVersion*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE get_IsCutlistItem(VARIANT_BOOL* /*pbIsCutlist*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE get_IsDirty(VARIANT_BOOL* /*pbIsDirty*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE get_IsUpToDate(VARIANT_BOOL* /*pbIsUpToDate*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE get_ItemObjectFlags(LONG* /*plFlags*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE get_LatestVersion(LONG* /*plVersion*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE get_LinkManager(IItmLinkManager** /*ppoLinkManager*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE get_LinkType(ItmLinkType* /*peLinkType*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE get_LinkedFileName(BSTR* /*pbsLinkedFile*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE get_LocalVersion(LONG* /*plVersion*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE get_LockViewID(GUID* /*pLockViewID*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE get_LockedBy(BSTR* /*pbsLockedBy*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE get_ModifiedDate(DATE* /*pdModified*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* /*pbsName*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE get_ParentIDOf(ItmObjectType /*eParentType*/, LONG* /*plParentID*/) override {
        return Unexpected();
    }
    HRESULT STDMETHODCALLTYPE get_ParentProjectID(LONG* /*plParentProjectID*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE get_ParentType(ItmObjectType* /*peParentType*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE get_Path(BSTR* /*pbsPath*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE get_State(BSTR* /*pbsState*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE get_TavroskAPI(IUnknown** /*ppoConnection*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE get_UserID(LONG* /*plUserID*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE put_AttachedVersion(LONG /*lVersion*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE put_DynamicFileLinkVersion(LONG /*lVersion*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE put_IsDirty(VARIANT_BOOL /*bIsDirty*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE put_LatestVersion(LONG /*lVersion*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE put_LocalVersion(LONG /*lVersion*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE put_ModifiedDate(DATE /*dModified*/) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE put_ParentProjectID(LONG /*lParentProjectID*/) override { return Unexpected(); }

    ULONG references = 1;  // the test's own

private:
    template <class T>
    HRESULT Answer(const char* read, T* out, T value) {
        if (std::strcmp(failing, read) == 0) return E_FAIL;
        *out = value;
        return S_OK;
    }
    static HRESULT Unexpected() {
        ADD_FAILURE() << "unexpected call";
        return E_NOTIMPL;
    }

    ItmObjectType type_;
    LONG id_, parent_, config_;
};

ItmUniqueID Id(LONG type, LONG id, LONG parent, LONG config) {
    return ItmUniqueID{static_cast<ItmObjectType>(type), id, parent, config};
}

TEST(ItmUniqueIDTest, LinkKeysKeepTheParentOnlyForFilesAndBOMs) {
    for (LONG type = 0; type <= 9; ++type) {
        const bool keeps = type == ItmObjectType_File || type == ItmObjectType_BOM;
        const ItmUniqueID expected = Id(type, 5, keeps ? 7 : 0, 9);
        const ItmLink link{static_cast<ItmObjectType>(type), 5, 7, 9, LinkType_Static, LinkOp_New};
        EXPECT_TRUE(gbEqualUniqueID(expected, goMakeLinkKey(link))) << type;
        EXPECT_TRUE(gbEqualUniqueID(expected, goMakeLinkKey(Id(type, 5, 7, 9)))) << type;
        EXPECT_TRUE(gbEqualUniqueID(expected, goMakeUniqueID(static_cast<ItmObjectType>(type), 5, 7, 9))) << type;
    }
}

TEST(ItmUniqueIDTest, InitialValueAndEquality) {
    ItmUniqueID id = Id(6, 1, 2, 3);
    gvInitUniqueID(&id);
    EXPECT_TRUE(gbEqualUniqueID(Id(0, 0, 0, -1), id));
    EXPECT_FALSE(gbEqualUniqueID(Id(0, 0, 0, 0), id));
    EXPECT_FALSE(gbEqualUniqueID(Id(6, 1, 2, 3), Id(6, 1, 2, 4)));
}

// The order is that of the little-endian bytes, not of the numbers.
TEST(ItmUniqueIDTest, OrderComparesTheBytesInMemory) {
    const struct {
        ItmUniqueID less;
        ItmUniqueID greater;
    } pairs[] = {
        {Id(4, 256, 0, -1), Id(4, 1, 0, -1)},                                      // 00 01 .. before 01 00 ..
        {Id(4, 1, 0, -1), Id(4, -1, 0, -1)},                                       // ff ff ff ff last
        {Id(4, 2, 0, -1), Id(4, 3, 0, -1)},   {Id(4, 9, 0, -1), Id(6, 1, 0, -1)},  // the type first
        {Id(6, 1, 7, 0), Id(6, 1, 7, 1)},                                          // then id, parent, configuration
        {Id(6, 1, 7, 5), Id(6, 1, 8, 0)},     {Id(6, 1, 7, 1), Id(6, 1, 7, -1)},
    };
    for (const auto& p : pairs) {
        EXPECT_TRUE(gbUniqueIDLess(p.less, p.greater)) << p.less.mlObjectID << " " << p.greater.mlObjectID;
        EXPECT_FALSE(gbUniqueIDLess(p.greater, p.less)) << p.less.mlObjectID << " " << p.greater.mlObjectID;
    }
    EXPECT_FALSE(gbUniqueIDLess(Id(4, 1, 0, -1), Id(4, 1, 0, -1)));
}

// The hashed set the tree fetch de-duplicates with: equal bytes are one
// identity, a difference in any field another.
TEST(ItmUniqueIDTest, ASetKeepsOneOfEachIdentityAndTellsEveryFieldApart) {
    UniqueIDSet set;
    const ItmUniqueID ids[] = {Id(6, 1, 2, 3),  Id(4, 1, 2, 3), Id(6, 256, 2, 3), Id(6, 1, 0, 3),
                               Id(6, 1, 2, -1), Id(6, 2, 1, 3), Id(6, 1, 3, 2)};
    for (const ItmUniqueID& id : ids) EXPECT_TRUE(set.insert(id).second) << id.mlObjectID;
    for (const ItmUniqueID& id : ids) EXPECT_FALSE(set.insert(id).second) << id.mlObjectID;
    EXPECT_EQ(std::size(ids), set.size());
    EXPECT_TRUE(set.contains(Id(6, 1, 2, 3)));
    EXPECT_FALSE(set.contains(Id(6, 1, 2, 4)));
}

TEST(ItmUniqueIDTest, IdentityReadFromTheObjectsProperties) {
    const struct {
        ItmObjectType type;
        ItmUniqueID expected;
    } cases[] = {
        {ItmObjectType_Item, Id(4, 10, 0, -1)},
        {ItmObjectType_ItemFolder, Id(3, 10, 0, -1)},
        {ItmObjectType_File, Id(6, 10, 20, 30)},
        {ItmObjectType_BOM, Id(7, 10, 20, 30)},
    };
    for (const auto& c : cases) {
        FakeItmObject object(c.type, 10, 20, 30);
        ItmUniqueID id = Id(1, 1, 1, 1);
        EXPECT_TRUE(gbReadUniqueIDOf(&object, &id)) << c.type;
        EXPECT_TRUE(gbEqualUniqueID(c.expected, id)) << c.type;
        EXPECT_TRUE(gbEqualUniqueID(c.expected, goGetUniqueIDOf(&object))) << c.type;
        EXPECT_EQ(1u, object.references) << c.type;
    }
}

TEST(ItmUniqueIDTest, AFailedReadLeavesTheRecordUntouched) {
    const struct {
        ItmObjectType type;
        const char* failing;
    } cases[] = {
        {ItmObjectType_Item, "ID"},       {ItmObjectType_Item, "Type"},           {ItmObjectType_File, "ConfigID"},
        {ItmObjectType_File, "ParentID"}, {ItmObjectType_File, "QueryInterface"}, {ItmObjectType_BOM, "QueryInterface"},
        {ItmObjectType_BOM, "ConfigID"},
    };
    for (const auto& c : cases) {
        FakeItmObject object(c.type, 10, 20, 30);
        object.failing = c.failing;
        ItmUniqueID id = Id(1, 1, 1, 1);
        EXPECT_FALSE(gbReadUniqueIDOf(&object, &id)) << c.failing;
        EXPECT_TRUE(gbEqualUniqueID(Id(1, 1, 1, 1), id)) << c.failing;
        EXPECT_TRUE(gbEqualUniqueID(Id(0, 0, 0, -1), goGetUniqueIDOf(&object))) << c.failing;
        EXPECT_EQ(1u, object.references) << c.failing;
    }
    EXPECT_FALSE(gbReadUniqueIDOf(nullptr, nullptr));
}

}  // namespace
