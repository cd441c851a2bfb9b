// The item server's item classes: created in process and by class id from
// the registered server, their interface tables, the property accessors
// through the interfaces, and objects that were never loaded.

#include "registered_item_server_fixture.h"
#include "source_record.h"
#include "bellquist/ids.h"
#include "bellquist/item_interfaces.h"
#include "com/bstr.h"
#include "com/error_info.h"
#include "com/task_memory.h"
#include "com/runtime.h"
#include "com/server/com_object.h"
#include "com_testing/bstr_text.h"
#include "com_testing/counting_object.h"
#include "com_testing/leak_checked_test.h"
#include "common/error_codes.h"
#include "itemstore/itm_bom_class.h"
#include "itemstore/itm_file_class.h"
#include "itemstore/itm_item_class.h"
#include "itemstore/itm_object_class.h"
#include "itemstore/itm_object_data.h"
#include "itemstore/itm_object_private.h"
#include "winapi/modules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace BellquistLib;
using com_testing::Text;

namespace {

bool SameIid(const IID& a, const IID& b) { return std::memcmp(&a, &b, sizeof(IID)) == 0; }

// The shared complete record, with the fields these tests leave at zero
// cleared and an up-to-date word whose high bits must not count.
struct SourceRecord : itemstore_test::SourceRecord {
    SourceRecord() {
        d.meLinkOperation = BellquistLib::ItmLinkOperation{};
        d.mlStatusID = 0;
        d.mbHasChildren = 0;
        d.mlResult = 0;
        d.mbIsCutlist = 0;
        d.mbIsUpToDate = 0x0001FFFF;  // only the low 16 bits count: VARIANT_TRUE
    }
};

// A new object of class T with one reference for the caller, as IItmObject.
template <class T>
IItmObject* New() {
    CComObject<T>* created = nullptr;
    EXPECT_EQ(CComObject<T>::CreateInstance(&created), S_OK);
    if (!created) return nullptr;
    created->AddRef();
    return created;
}

IItmObject* NewItmObject() { return New<CItmObject>(); }

// Interface `Wanted` of `object`, with a reference; null when not answered.
template <class Wanted>
Wanted* As(IUnknown* object) {
    Wanted* answer = nullptr;
    object->QueryInterface(Wanted::kIid, reinterpret_cast<void**>(&answer));
    return answer;
}

class ItmClassesTest : public com_testing::LeakCheckedTest {};

TEST_F(ItmClassesTest, EachClassAnswersItsInterfacesOnlyWithOneIdentity) {
    struct Case {
        const char* name;
        IItmObject* (*create)();
        std::vector<const IID*> answered;
    } const cases[] = {
        {"ItmObject", &New<CItmObject>, {&IItmObject::kIid, &IID_IDispatch}},
        {"ItmItem", &New<CItmItem>, {&IItmItem::kIid, &IItmObject::kIid, &IID_IDispatch, &IItmObjectPrivate::kIid}},
        {"ItmFile", &New<CItmFile>, {&IItmFile::kIid, &IID_IDispatch, &IItmObject::kIid, &IItmObjectPrivate::kIid}},
        {"ItmBOM", &New<CItmBOM>, {&IItmBOM::kIid, &IID_IDispatch, &IItmObject::kIid, &IItmObjectPrivate::kIid}},
    };
    const IID* const asked[] = {&IItmObject::kIid, &IID_IDispatch,    &IItmObjectPrivate::kIid,
                                &IItmItem::kIid,   &IItmFolder::kIid, &IItmFile::kIid,
                                &IItmBOM::kIid};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IItmObject* object = c.create();
        ASSERT_NE(object, nullptr);
        IUnknown* identity = nullptr;
        ASSERT_EQ(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
        for (const IID* iid : asked) {
            bool answered = false;
            for (const IID* expected : c.answered) answered = answered || SameIid(*iid, *expected);
            IUnknown* answer = reinterpret_cast<IUnknown*>(0x1);
            EXPECT_EQ(object->QueryInterface(*iid, reinterpret_cast<void**>(&answer)), answered ? S_OK : E_NOINTERFACE);
            if (!answered) {
                EXPECT_EQ(answer, nullptr);
                continue;
            }
            IUnknown* itsIdentity = nullptr;
            ASSERT_EQ(answer->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&itsIdentity)), S_OK);
            EXPECT_EQ(itsIdentity, identity);
            itsIdentity->Release();
            answer->Release();
        }
        identity->Release();
        EXPECT_EQ(object->Release(), 0u);
    }
}

TEST_F(ItmClassesTest, ItmObjectGivesTheLoadedRecordsPropertiesAndKeepsWhatIsPut) {
    IItmObject* object = NewItmObject();
    ASSERT_NE(object, nullptr);
    SourceRecord source;
    ASSERT_EQ(object->Load(&source.d, nullptr), S_OK);

    LONG n = 0;
    ItmObjectType type{};
    EXPECT_EQ(object->get_ID(&n), S_OK);
    EXPECT_EQ(n, 41);
    EXPECT_EQ(object->get_Type(&type), S_OK);
    EXPECT_EQ(type, ItmObjectType_Item);
    EXPECT_EQ(object->get_ParentType(&type), S_OK);
    EXPECT_EQ(type, ItmObjectType_ItemFolder);
    EXPECT_EQ(object->get_ParentID(&n), S_OK);
    EXPECT_EQ(n, 40);
    EXPECT_EQ(object->get_UserID(&n), S_OK);
    EXPECT_EQ(n, 6);
    EXPECT_EQ(object->get_ParentProjectID(&n), S_OK);
    EXPECT_EQ(n, 42);
    EXPECT_EQ(object->get_ItemObjectFlags(&n), S_OK);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(object->get_ItemObjectFlags(nullptr), E_INVALIDARG);
    EXPECT_EQ(object->get_LinkedFileName(nullptr), E_INVALIDARG);
    EXPECT_EQ(object->get_ID(nullptr), E_OXN_NULL_VALUE);
    VARIANT_BOOL flag = VARIANT_FALSE;
    EXPECT_EQ(object->get_IsUpToDate(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_TRUE);
    GUID lockView{};
    EXPECT_EQ(object->get_LockViewID(&lockView), S_OK);
    EXPECT_TRUE(SameIid(lockView, source.d.moLockViewID));

    // Strings are fresh copies.
    const std::vector<std::pair<std::function<HRESULT(BSTR*)>, std::u16string>> strings = {
        {[&](BSTR* s) { return object->get_Name(s); }, u"Pump.<item>"},
        {[&](BSTR* s) { return object->get_Path(s); }, u"C:\\vault\\<items>\\Pump.<item>"},
        {[&](BSTR* s) { return object->get_LockedBy(s); }, u"ann"},
        {[&](BSTR* s) { return object->get_State(s); }, u"Released"},
        {[&](BSTR* s) { return object->get_ConfigName(s); }, u"Default"},
        {[&](BSTR* s) { return object->get_AlternateName(s); }, u"Pump (alt)"},
        {[&](BSTR* s) { return object->get_LinkedFileName(s); }, u"pump.sldasm"},
    };
    for (const auto& [get, expected] : strings) {
        BSTR text = nullptr;
        EXPECT_EQ(get(&text), S_OK);
        EXPECT_EQ(Text(text), expected);
        EXPECT_NE(text, source.d.moFilename);
        SysFreeString(text);
    }

    // Each put is read back by its get.
    struct LongCase {
        HRESULT (STDMETHODCALLTYPE IItmObject::*put)(LONG);
        HRESULT (STDMETHODCALLTYPE IItmObject::*get)(LONG*);
    } const longs[] = {
        {&IItmObject::put_AttachedVersion, &IItmObject::get_AttachedVersion},
        {&IItmObject::put_LocalVersion, &IItmObject::get_LocalVersion},
        {&IItmObject::put_LatestVersion, &IItmObject::get_LatestVersion},
        {&IItmObject::put_DynamicFileLinkVersion, &IItmObject::get_DynamicFileLinkVersion},
    };
    LONG value = 100;
    for (const LongCase& c : longs) {
        EXPECT_EQ((object->*c.put)(++value), S_OK);
        EXPECT_EQ((object->*c.get)(&n), S_OK);
        EXPECT_EQ(n, value);
    }
    DATE date = 0;
    EXPECT_EQ(object->put_ModifiedDate(46000.25), S_OK);
    EXPECT_EQ(object->get_ModifiedDate(&date), S_OK);
    EXPECT_EQ(date, 46000.25);
    EXPECT_EQ(object->put_IsDirty(VARIANT_FALSE), S_OK);
    EXPECT_EQ(object->get_IsDirty(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_FALSE);

    // What a plain object does not offer.
    IItmLinkManager* linkManager = reinterpret_cast<IItmLinkManager*>(0x1);
    EXPECT_EQ(object->get_LinkManager(&linkManager), E_NOTIMPL);
    EXPECT_EQ(linkManager, nullptr);
    EXPECT_EQ(object->get_ParentIDOf(ItmObjectType_Item, &n), E_NOTIMPL);
    EXPECT_EQ(object->Release(), 0u);
}

TEST_F(ItmClassesTest, ItmObjectHandsOutItsConnectionWithAReference) {
    IItmObject* object = NewItmObject();
    ASSERT_NE(object, nullptr);
    IUnknown* connection = reinterpret_cast<IUnknown*>(0x1);
    EXPECT_EQ(object->get_TavroskAPI(&connection), E_INVALIDARG);  // not loaded
    EXPECT_EQ(connection, nullptr);
    EXPECT_EQ(object->get_TavroskAPI(nullptr), E_INVALIDARG);

    SourceRecord source;
    ASSERT_EQ(object->Load(&source.d, nullptr), S_OK);
    EXPECT_EQ(object->get_TavroskAPI(&connection), E_INVALIDARG);  // no connection
    EXPECT_EQ(connection, nullptr);

    com_testing::CountingObject* api = com_testing::CountingObject::Create();
    LoadItmObjectData load{};
    load.mpoConnection = api->Unknown();
    ASSERT_EQ(object->Load(&source.d, &load), S_OK);
    const ULONG held = api->References();
    EXPECT_EQ(object->get_TavroskAPI(&connection), S_OK);
    EXPECT_EQ(connection, api->Unknown());
    EXPECT_EQ(api->References(), held + 1);
    connection->Release();
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_EQ(api->References(), 1u);  // the object gave its reference back
    api->Unknown()->Release();
}

// A never-loaded object reads no record: every accessor fails (a null out
// first with the accessor's own code, except for the two accessors whose
// missing record counts first).
TEST_F(ItmClassesTest, ItmObjectNeverLoadedFailsEveryAccessor) {
    IItmObject* object = NewItmObject();
    ASSERT_NE(object, nullptr);
    LONG n = 0;
    BSTR text = nullptr;
    VARIANT_BOOL flag = 0;
    DATE date = 0;
    GUID guid{};
    ItmObjectType type{};
    ItmUniqueID* id = nullptr;
    struct Case {
        const char* name;
        std::function<HRESULT()> call;
        HRESULT expected;
    } const cases[] = {
        {"ID", [&] { return object->get_ID(&n); }, E_POINTER},
        {"ID null", [&] { return object->get_ID(nullptr); }, E_OXN_NULL_VALUE},
        {"Type", [&] { return object->get_Type(&type); }, E_POINTER},
        {"ParentID", [&] { return object->get_ParentID(&n); }, E_POINTER},
        {"ParentID null", [&] { return object->get_ParentID(nullptr); }, E_OXN_NULL_VALUE},
        {"ParentType", [&] { return object->get_ParentType(&type); }, E_POINTER},
        {"Name", [&] { return object->get_Name(&text); }, E_POINTER},
        {"Name null", [&] { return object->get_Name(nullptr); }, E_OXN_NULL_VALUE},
        {"LockedBy", [&] { return object->get_LockedBy(&text); }, E_POINTER},
        {"State", [&] { return object->get_State(&text); }, E_POINTER},
        {"Path", [&] { return object->get_Path(&text); }, E_POINTER},
        {"ModifiedDate", [&] { return object->get_ModifiedDate(&date); }, E_POINTER},
        {"put ModifiedDate", [&] { return object->put_ModifiedDate(1.0); }, E_POINTER},
        {"UserID", [&] { return object->get_UserID(&n); }, E_POINTER},
        {"AttachedVersion", [&] { return object->get_AttachedVersion(&n); }, E_POINTER},
        {"put AttachedVersion", [&] { return object->put_AttachedVersion(1); }, E_POINTER},
        {"ParentProjectID", [&] { return object->get_ParentProjectID(&n); }, E_POINTER},
        {"ConfigName", [&] { return object->get_ConfigName(&text); }, E_POINTER},
        {"AlternateName", [&] { return object->get_AlternateName(&text); }, E_POINTER},
        {"IsUpToDate", [&] { return object->get_IsUpToDate(&flag); }, E_POINTER},
        {"IsUpToDate null", [&] { return object->get_IsUpToDate(nullptr); }, E_OXN_NULL_VALUE},
        {"LocalVersion", [&] { return object->get_LocalVersion(&n); }, E_POINTER},
        {"put LocalVersion", [&] { return object->put_LocalVersion(1); }, E_POINTER},
        {"LatestVersion", [&] { return object->get_LatestVersion(&n); }, E_POINTER},
        {"put LatestVersion", [&] { return object->put_LatestVersion(1); }, E_POINTER},
        {"LockViewID", [&] { return object->get_LockViewID(&guid); }, E_POINTER},
        {"LinkedFileName", [&] { return object->get_LinkedFileName(&text); }, E_POINTER},
        {"LinkedFileName null", [&] { return object->get_LinkedFileName(nullptr); }, E_POINTER},
        {"ItemObjectFlags", [&] { return object->get_ItemObjectFlags(&n); }, E_POINTER},
        {"ItemObjectFlags null", [&] { return object->get_ItemObjectFlags(nullptr); }, E_POINTER},
        {"IsDirty", [&] { return object->get_IsDirty(&flag); }, E_POINTER},
        {"put IsDirty", [&] { return object->put_IsDirty(VARIANT_TRUE); }, E_POINTER},
        {"DynamicFileLinkVersion", [&] { return object->get_DynamicFileLinkVersion(&n); }, E_POINTER},
        {"put DynamicFileLinkVersion", [&] { return object->put_DynamicFileLinkVersion(1); }, E_POINTER},
        {"GetUniqueID", [&] { return object->GetUniqueID(&id); }, E_POINTER},
        {"Load null", [&] { return object->Load(nullptr, nullptr); }, E_OXN_NULL_VALUE},
        {"ID after a failed load", [&] { return object->get_ID(&n); }, E_POINTER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.call(), c.expected);
    }
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(id, nullptr);
    EXPECT_EQ(object->Release(), 0u);
}

// An item: parent ids of its three parent kinds, its computed local
// version, and no link manager when loaded through Load.
TEST_F(ItmClassesTest, ItemGivesParentIdsAndLocalVersionWithoutALinkManager) {
    IItmObject* object = New<CItmItem>();
    ASSERT_NE(object, nullptr);
    LONG n = 0;
    IUnknown* connection = nullptr;
    EXPECT_EQ(object->get_ParentID(&n), E_POINTER);  // not loaded
    EXPECT_EQ(object->get_LocalVersion(&n), E_POINTER);
    EXPECT_EQ(object->get_TavroskAPI(&connection), E_INVALIDARG);

    SourceRecord source;
    ASSERT_EQ(object->Load(&source.d, nullptr), S_OK);
    struct ParentCase {
        ItmObjectType kind;
        HRESULT expected;
        LONG id;
    } const parents[] = {
        {ItmObjectType_Item, S_OK, 40},
        {ItmObjectType_ItemFolder, S_OK, 42},
        {ItmObjectType_Vault, S_OK, 42},
        {ItmObjectType_File, E_ITEM_INVALID_ITEM_TYPE, -1},
        {ItmObjectType_Root_ItemFolder, E_ITEM_INVALID_ITEM_TYPE, -1},
    };
    for (const ParentCase& p : parents) {
        n = -1;
        EXPECT_EQ(object->get_ParentIDOf(p.kind, &n), p.expected) << p.kind;
        EXPECT_EQ(n, p.id) << p.kind;
    }
    EXPECT_EQ(object->get_ParentIDOf(ItmObjectType_Item, nullptr), E_POINTER);
    EXPECT_EQ(object->get_ParentID(&n), S_OK);
    EXPECT_EQ(n, 40);
    EXPECT_EQ(object->get_ParentID(nullptr), E_POINTER);

    // Local version: -1 while dirty (the record holds 2), -1 for a record
    // of -1, else 0 without a link manager.
    EXPECT_EQ(object->get_LocalVersion(&n), S_OK);
    EXPECT_EQ(n, -1);
    EXPECT_EQ(object->put_IsDirty(VARIANT_FALSE), S_OK);
    EXPECT_EQ(object->get_LocalVersion(&n), S_OK);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(object->put_LocalVersion(-1), S_OK);
    EXPECT_EQ(object->get_LocalVersion(&n), S_OK);
    EXPECT_EQ(n, -1);
    EXPECT_EQ(object->get_LocalVersion(nullptr), E_OXN_NULL_VALUE);

    // An item whose parent object id is 0 reports its parent project id.
    source.d.mlParentObjectID = 0;
    ASSERT_EQ(object->Load(&source.d, nullptr), S_OK);
    EXPECT_EQ(object->get_ParentID(&n), S_OK);
    EXPECT_EQ(n, 42);

    IItmLinkManager* linkManager = reinterpret_cast<IItmLinkManager*>(0x1);
    EXPECT_EQ(object->get_LinkManager(&linkManager), E_POINTER);
    EXPECT_EQ(linkManager, nullptr);
    IErrorInfo* errorInfo = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &errorInfo), S_OK);
    ASSERT_NE(errorInfo, nullptr);
    BSTR description = nullptr;
    EXPECT_EQ(errorInfo->GetDescription(&description), S_OK);
    EXPECT_EQ(Text(description), u"The link manager is not available.");
    SysFreeString(description);
    errorInfo->Release();

    IItmItem* item = As<IItmItem>(object);
    ASSERT_NE(item, nullptr);
    ItmLinkData* linkData = nullptr;
    EXPECT_EQ(item->GetLinkData(&linkData), S_OK);
    EXPECT_NE(linkData, nullptr);
    CoTaskMemFree(linkData);
    item->Release();
    EXPECT_EQ(object->Release(), 0u);
}

// Files and BOMs: their own interfaces' accessors, parent ids through the
// owning item, and what they do not offer.
TEST_F(ItmClassesTest, FileAndBomGiveTheirLinkPropertiesOnceLoaded) {
    for (IItmObject* (*create)() : {&New<CItmFile>, &New<CItmBOM>}) {
        IItmObject* object = create();
        ASSERT_NE(object, nullptr);
        IItmFile* file = As<IItmFile>(object);
        IItmBOM* bom = As<IItmBOM>(object);
        ASSERT_TRUE(file || bom);
        auto linkType = [&](ItmLinkType* out) { return file ? file->get_LinkType(out) : bom->get_LinkType(out); };
        auto configId = [&](LONG* out) { return file ? file->get_ConfigID(out) : bom->get_ConfigID(out); };

        ItmLinkType type{};
        LONG n = 0;
        IUnknown* connection = nullptr;
        // Not loaded.
        EXPECT_EQ(linkType(&type), E_INVALIDARG);
        EXPECT_EQ(configId(&n), E_INVALIDARG);
        EXPECT_EQ(linkType(nullptr), E_POINTER);
        EXPECT_EQ(configId(nullptr), E_POINTER);
        EXPECT_EQ(object->get_TavroskAPI(&connection), E_INVALIDARG);
        EXPECT_EQ(object->get_ParentID(&n), E_POINTER);
        if (bom) {
            EXPECT_EQ(bom->put_ParentProjectID(7), E_FAIL);
        }
        if (file) {
            VARIANT_BOOL cutlist = 0;
            EXPECT_EQ(file->get_IsCutlistItem(&cutlist), E_POINTER);
            EXPECT_EQ(file->get_IsCutlistItem(nullptr), E_OXN_NULL_VALUE);
        }

        SourceRecord source;
        source.d.meObjectType = file ? ItmObjectType_File : ItmObjectType_BOM;
        source.d.meLinkType = LinkType_Dynamic;
        source.d.mbIsCutlist = VARIANT_TRUE;
        ASSERT_EQ(object->Load(&source.d, nullptr), S_OK);
        EXPECT_EQ(linkType(&type), S_OK);
        EXPECT_EQ(type, LinkType_Dynamic);
        EXPECT_EQ(configId(&n), S_OK);
        EXPECT_EQ(n, 5);
        EXPECT_EQ(object->get_ParentID(&n), S_OK);
        EXPECT_EQ(n, 40);
        EXPECT_EQ(object->get_ParentID(nullptr), E_POINTER);

        // Parent ids: only of the owning item.
        struct ParentCase {
            ItmObjectType kind;
            HRESULT expected;
        } const parents[] = {
            {ItmObjectType_Item, S_OK},
            {ItmObjectType_ItemFolder, E_ITEM_INVALID_ITEM_TYPE},
            {ItmObjectType_File, E_ITEM_INVALID_ITEM_TYPE},
        };
        for (const ParentCase& p : parents) {
            n = -1;
            EXPECT_EQ(object->get_ParentIDOf(p.kind, &n), p.expected) << p.kind;
            if (p.expected == S_OK) {
                EXPECT_EQ(n, 40);
            }
        }
        EXPECT_EQ(object->get_ParentIDOf(ItmObjectType_Item, nullptr), E_POINTER);

        if (file) {
            VARIANT_BOOL cutlist = 0;
            EXPECT_EQ(file->get_IsCutlistItem(&cutlist), S_OK);
            EXPECT_EQ(cutlist, VARIANT_TRUE);
        }
        if (bom) {
            EXPECT_EQ(bom->put_ParentProjectID(77), S_OK);
            EXPECT_EQ(object->get_ParentProjectID(&n), S_OK);
            EXPECT_EQ(n, 77);
        }

        // The link record through the class's own interface.
        ItmLink* link = nullptr;
        EXPECT_EQ(file ? file->GetItmLink(&link) : bom->GetItmLink(&link), S_OK);
        ASSERT_NE(link, nullptr);
        EXPECT_EQ(link->mlObjectID, 41);
        EXPECT_EQ(link->meLinkType, LinkType_Dynamic);
        CoTaskMemFree(link);

        IItmLinkManager* linkManager = reinterpret_cast<IItmLinkManager*>(0x1);
        EXPECT_EQ(object->get_LinkManager(&linkManager), E_NOTIMPL);
        EXPECT_EQ(linkManager, nullptr);
        EXPECT_EQ(object->get_TavroskAPI(&connection), E_INVALIDARG);  // loaded, no connection

        if (file) file->Release();
        if (bom) bom->Release();
        EXPECT_EQ(object->Release(), 0u);
    }
}

// A file's record can be exchanged with a plain object's: the file has
// IItmObjectPrivate, the plain object does not.
TEST_F(ItmClassesTest, APlainObjectSwapsWithAFileButNotTheOtherWayRound) {
    IItmObject* plain = NewItmObject();
    IItmObject* file = New<CItmFile>();
    ASSERT_TRUE(plain && file);
    SourceRecord first;
    SourceRecord second;
    second.d.mlObjectID = 99;
    ASSERT_EQ(plain->Load(&first.d, nullptr), S_OK);
    ASSERT_EQ(file->Load(&second.d, nullptr), S_OK);
    EXPECT_EQ(file->Swap(plain, VARIANT_FALSE), E_ITEM_INVALID_OBJECT);
    EXPECT_EQ(plain->Swap(file, VARIANT_FALSE), S_OK);
    LONG id = 0;
    EXPECT_EQ(plain->get_ID(&id), S_OK);
    EXPECT_EQ(id, 99);
    EXPECT_EQ(file->get_ID(&id), S_OK);
    EXPECT_EQ(id, 41);
    EXPECT_EQ(file->Release(), 0u);
    EXPECT_EQ(plain->Release(), 0u);
}

// The registered item server creates the built classes by class id.
using ItmClassesByClassIdTest = RegisteredItemServerTest;

TEST_F(ItmClassesByClassIdTest, BuiltClassesAreCreatedByClassIdAndLoad) {
    for (const CLSID* clsid : {&CLSID_ItmObject, &CLSID_ItmItem, &CLSID_ItmFile, &CLSID_ItmBOM}) {
        IItmObject* object = nullptr;
        ASSERT_EQ(CoCreateInstance(*clsid, nullptr, CLSCTX_INPROC_SERVER, IItmObject::kIid,
                                   reinterpret_cast<void**>(&object)),
                  S_OK);
        ASSERT_NE(object, nullptr);
        SourceRecord source;
        ASSERT_EQ(object->Load(&source.d, nullptr), S_OK);
        BSTR name = nullptr;
        EXPECT_EQ(object->get_Name(&name), S_OK);
        EXPECT_EQ(Text(name), u"Pump.<item>");
        SysFreeString(name);
        EXPECT_EQ(object->Release(), 0u);
    }
}

}  // namespace
