// The client back end's record conversions: item objects to ItmObjectData,
// to the outside libraries' records and to a new folder's link; local paths
// to ItmDbInfo; the check of new links; cache and link records; the result
// object of outside operations; the creation of outside classes.

#include "item_objects_support.h"

#include "gated_creation.h"
#include "operation_get_result.h"
#include "outside_libraries.h"
#include "record_conversions.h"
#include "registered_records_fixture.h"

#include "itemstore/item_cache_file.h"
#include "itemstore/itm_bom_class.h"
#include "itemstore/itm_file_class.h"
#include "itemstore/itm_folder_class.h"
#include "itemstore/itm_item_class.h"
#include "common/error_codes.h"
#include "itemstore/itm_link_manager_private.h"
#include "itemstore/itm_object_class.h"

#include "bellquist/ids.h"
#include "bellquist/type_library.h"
#include "com/record_info.h"
#include "com/runtime.h"
#include "com/task_memory.h"
#include "com_testing/bstr_text.h"
#include "com_testing/counting_class_factory.h"
#include "com_testing/counting_object.h"
#include "com_testing/leak_checked_test.h"
#include "common/record_array.h"
#include "coravent/records.h"
#include "tavrosk/link_record.h"
#include "testsupport/fresh_machine.h"
#include "winapi/files.h"
#include "winapi/path_mapping.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

using namespace BellquistLib;
using namespace conversion_test;
using com_testing::Text;

namespace {

constexpr HRESULT kNullValue = static_cast<HRESULT>(0x80040240);
constexpr HRESULT kNotInitialized = static_cast<HRESULT>(0x80040201);

ULONG References(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

using RecordConversionsTest = RegisteredRecordsTest;

// --- Item objects to ItmObjectData ----------------------------------------------

struct DataCase {
    const char* label;
    ObjectValues values;
    CComPtr<IItmObject> (*make)(const ObjectValues&, IUnknown*);
    ItmLinkType linkType;
    ItmLinkOperation linkOperation;
    LONG configID;
};

TEST_F(RecordConversionsTest, ItemObjectToDataTakesLinkPairAndConfigurationByType) {
    ObjectValues folder;
    folder.type = ItmObjectType_ItemFolder;
    folder.linkType = LinkType_Dynamic;  // not asked for a folder
    ObjectValues item;
    item.type = ItmObjectType_Item;
    item.linkType = LinkType_BOM;
    item.linkOperation = LinkOp_Remove;
    ObjectValues file;
    ObjectValues bom;
    bom.type = ItmObjectType_BOM;
    bom.configID = 11;
    bom.linkType = LinkType_BOM;
    const DataCase cases[] = {
        {"folder", folder, &Loaded<CItmFolder>, LinkType_BOM, LinkOp_None, -1},
        {"item", item, &Loaded<CItmItem>, LinkType_BOM, LinkOp_Remove, -1},
        {"file", file, &Loaded<CItmFile>, LinkType_Static, LinkOp_New, 5},
        {"BOM", bom, &Loaded<CItmBOM>, LinkType_BOM, LinkOp_New, 11},
    };
    com_testing::CountingObject connection;
    for (const DataCase& c : cases) {
        SCOPED_TRACE(c.label);
        CComPtr<IItmObject> object = c.make(c.values, connection.Unknown());
        ItmObjectData record;
        ASSERT_EQ(ghItmObjectToData(object, &record), S_OK);
        EXPECT_EQ(record.meObjectType, c.values.type);
        EXPECT_EQ(record.meLinkType, c.linkType);
        EXPECT_EQ(record.meLinkOperation, c.linkOperation);
        EXPECT_EQ(record.mlConfigID, c.configID);
        EXPECT_EQ(record.mlObjectID, c.values.id);
        EXPECT_EQ(record.mlParentProjectID, c.values.parentProjectID);
        EXPECT_EQ(record.mlAttachedVersion, c.values.attached);
        EXPECT_EQ(record.mlLatestVersion, c.values.latest);
        EXPECT_EQ(Text(record.moFilename), c.values.name);
        EXPECT_EQ(Text(record.moState), u"Released");
        EXPECT_EQ(Text(record.moLockedBy), u"ann");
        EXPECT_EQ(record.mlDynLinkedFileVersion, c.values.dynVersion);
        EXPECT_EQ(record.mbIsUpToDate, 1);
        EXPECT_EQ(record.mpoConnection, connection.Unknown());
        gvFreeItmObjectData(&record);
    }
}

TEST_F(RecordConversionsTest, ItemsToDataArrayFailsWholeOnAnElementWithoutObject) {
    com_testing::CountingObject connection;
    CComPtr<IItmObject> file = Loaded<CItmFile>({}, connection.Unknown());
    ObjectList list({file, nullptr});
    SAFEARRAY* records = nullptr;
    EXPECT_EQ(ghItemsToDataArray(list.get(), &records), kNullValue);
    EXPECT_EQ(records, nullptr);
    ObjectList good({file, file});
    ASSERT_EQ(ghItemsToDataArray(good.get(), &records), S_OK);
    {
        RecordArray<ItmObjectData> made(records);
        ASSERT_EQ(made.mlGetCount(), 2);
        EXPECT_EQ(made.mpoBegin()[1].mlObjectID, 61);
    }
    SafeArrayDestroy(records);
}

TEST_F(RecordConversionsTest, ObjectMapKeysFilesByTheirParentAndLaterObjectsReplaceEarlier) {
    ObjectValues underA;
    underA.parentObjectID = 70;
    ObjectValues underB = underA;
    underB.parentObjectID = 71;
    CComPtr<IItmObject> a = Loaded<CItmFile>(underA), b = Loaded<CItmFile>(underB), a2 = Loaded<CItmFile>(underA);
    ObjectList list({a, b, a2});
    ItmObjectMap map;
    ASSERT_EQ(ghItemsToObjectMap(list.get(), &map), S_OK);
    ASSERT_EQ(map.size(), 2u);
    EXPECT_EQ(map[goMakeUniqueID(ItmObjectType_File, 61, 70, 5)], a2);
    EXPECT_EQ(map[goMakeUniqueID(ItmObjectType_File, 61, 71, 5)], b);
}

// --- Outside records ----------------------------------------------------------------

struct OutsideCase {
    ItmObjectType type;
    LONG documentObjectType;  // UniqueDocument::mlObjectTypeID
    ObjectType rootType;      // XRefRootObject::meType
    bool folder;              // project = ID, document 0
};

const OutsideCase kOutsideCases[] = {
    {ItmObjectType_Undefined, 0, ObjectType{}, false}, {ItmObjectType_Root_ItemFolder, 0, Ot_ItemFolder, true},
    {ItmObjectType_Vault, 0, Ot_ItemFolder, true},     {ItmObjectType_ItemFolder, 0, Ot_ItemFolder, true},
    {ItmObjectType_Item, 4, Ot_Item, false},           {ItmObjectType_Project, 0, ObjectType{}, false},
    {ItmObjectType_File, 1, Ot_Document, false},       {ItmObjectType_BOM, 3, Ot_BOM, false},
};

TEST_F(RecordConversionsTest, OutsideRecordsTakeIdsAndKindByType) {
    for (const OutsideCase& c : kOutsideCases) {
        SCOPED_TRACE(c.type);
        ObjectValues v;
        v.type = c.type;
        CComPtr<IItmObject> object = Loaded<CItmObject>(v);
        ObjectList list({object});
        const LONG document = c.folder ? 0 : v.id;
        const LONG project = c.folder ? v.id : v.parentProjectID;

        SAFEARRAY* out = nullptr;
        ASSERT_EQ(ghItemsToUniqueDocuments(list.get(), &out), S_OK);
        {
            RecordArray<UniqueDocument> documents(out);
            const UniqueDocument& d = *documents.mpoBegin();
            // The root folder is not among the folder kinds of this record.
            const bool folder = c.folder && c.type != ItmObjectType_Root_ItemFolder;
            EXPECT_EQ(d.mlObjectTypeID, c.documentObjectType);
            EXPECT_EQ(d.mlDocumentID, folder ? 0 : v.id);
            EXPECT_EQ(d.mlParentProjectID, folder ? v.id : v.parentProjectID);
            EXPECT_EQ(d.mlVersion, v.attached);
        }
        SafeArrayDestroy(out);

        ASSERT_EQ(ghItemsToXRefRoots(list.get(), false, &out), S_OK);
        {
            RecordArray<XRefRootObject> roots(out);
            const XRefRootObject& r = *roots.mpoBegin();
            EXPECT_EQ(r.meType, c.rootType);
            EXPECT_EQ(r.mlDocumentID, document);
            EXPECT_EQ(r.mlProjectID, project);
            EXPECT_EQ(r.moFileDate.vt, VT_EMPTY);
        }
        SafeArrayDestroy(out);

        ASSERT_EQ(ghFileObjectsToItemData(list.get(), &out), S_OK);
        {
            RecordArray<CoraventLib::ItemData> items(out);
            const CoraventLib::ItemData& i = *items.mpoBegin();
            const bool isDocument =
                c.type == ItmObjectType_Item || c.type == ItmObjectType_File || c.type == ItmObjectType_BOM;
            EXPECT_EQ(i.mlDocumentID, isDocument ? v.id : 0);
            EXPECT_EQ(i.mlProjectID, v.parentProjectID);
            EXPECT_EQ(i.mlItemFolderID, 0);
            EXPECT_EQ(Text(i.mbsItemName), u"");
        }
        SafeArrayDestroy(out);
    }
}

TEST_F(RecordConversionsTest, OutsideListsRefuseEmptyAndNonVariantLists) {
    SAFEARRAY* empty = SafeArrayCreateVector(VT_VARIANT, 0, 0);
    SAFEARRAY* numbers = SafeArrayCreateVector(VT_I4, 0, 1);
    SAFEARRAY* out = reinterpret_cast<SAFEARRAY*>(1);
    EXPECT_EQ(ghItemsToUniqueDocuments(empty, &out), kNotInitialized);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(ghItemsToXRefRoots(empty, true, &out), kNotInitialized);
    EXPECT_EQ(ghFileObjectsToItemData(empty, &out), kNotInitialized);
    EXPECT_EQ(ghItemsToXRefRoots(numbers, false, &out), E_INVALIDARG);
    com_testing::ClearPendingErrorInfo();
    EXPECT_EQ(ghItemsToXRefRoots(nullptr, false, &out), kNullValue);
    EXPECT_EQ(out, nullptr);
    SafeArrayDestroy(empty);
    SafeArrayDestroy(numbers);
}

TEST_F(RecordConversionsTest, XRefSkipLeavesOutFlaggedItemsAndAllSkippedIsAnEmptyArray) {
    ObjectValues flagged;
    flagged.flags = 1;
    ObjectValues plain;
    plain.id = 90;
    CComPtr<IItmObject> a = Loaded<CItmFile>(flagged), b = Loaded<CItmFile>(plain);
    ObjectList mixed({a, b});
    ObjectList allFlagged({a, a});
    SAFEARRAY* out = nullptr;
    ASSERT_EQ(ghItemsToXRefRoots(mixed.get(), true, &out), S_OK);
    {
        RecordArray<XRefRootObject> roots(out);
        ASSERT_EQ(roots.mlGetCount(), 1);
        EXPECT_EQ(roots.mpoBegin()->mlDocumentID, 90);
    }
    SafeArrayDestroy(out);
    ASSERT_EQ(ghItemsToXRefRoots(allFlagged.get(), true, &out), S_OK);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(RecordArray<XRefRootObject>(out).mlGetCount(), 0);
    SafeArrayDestroy(out);
}

// --- Local paths to ItmDbInfo --------------------------------------------------------

class DbInfoTest : public RecordConversionsTest {
protected:
    void SetUp() override {
        RecordConversionsTest::SetUp();
        root_ = std::filesystem::temp_directory_path() / ("dbinfo-" + std::to_string(::getpid()));
        std::filesystem::create_directories(root_ / "View" / "Sub");
        std::filesystem::create_directories(root_ / "Other");
        std::ofstream(root_ / "View" / "top.part") << "x";
        std::ofstream(root_ / "View" / "Sub" / "low.part") << "x";
        std::ofstream(root_ / "Other" / "out.part") << "x";
        // A read-only folder still is a folder.
        std::filesystem::create_directories(root_ / "View" / "Locked");
        std::filesystem::permissions(root_ / "View" / "Locked", std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::remove);
    }
    void TearDown() override {
        std::filesystem::permissions(root_ / "View" / "Locked", std::filesystem::perms::owner_all);
        std::filesystem::remove_all(root_);
        RecordConversionsTest::TearDown();
    }
    // The root folder in the system's form, with backslashes.
    std::u16string Root() const {
        std::u16string text = winapi::FromPosixPath(root_.string());
        for (char16_t& c : text)
            if (c == u'/') c = u'\\';
        return text;
    }
    std::filesystem::path root_;
};

struct PathCase {
    const char16_t* path;  // below the root
    bool converts;
    ItmObjectType type;
    const char16_t* name;
    const char16_t* itemPath;
};

TEST_F(DbInfoTest, PathsConvertRelativeToTheViewFolder) {
    const PathCase cases[] = {
        {u"\\View\\top.part", true, ItmObjectType_File, u"top.part", u"\\"},
        {u"\\View\\Sub\\low.part", true, ItmObjectType_File, u"low.part", u"\\Sub\\"},
        {u"\\VIEW\\sub\\low.part", false, {}, nullptr, nullptr},  // names on disk keep their case
        {u"\\View\\Sub", true, ItmObjectType_Project, u"", u"\\Sub\\"},
        {u"\\View\\Sub\\", true, ItmObjectType_Project, u"", u"\\Sub\\"},
        {u"\\View\\Locked", true, ItmObjectType_Project, u"", u"\\Locked\\"},
        {u"\\View", true, ItmObjectType_Project, u"", u"\\"},
        {u"\\Other\\out.part", false, {}, nullptr, nullptr},
        {u"\\View\\missing.part", false, {}, nullptr, nullptr},
    };
    for (const std::u16string& view : {Root() + u"\\View", Root() + u"\\VIEW\\"}) {
        for (const PathCase& c : cases) {
            SCOPED_TRACE(winapi::ToUtf8(view + u" | " + c.path));
            const std::u16string path = Root() + c.path;
            SAFEARRAY* list = SafeArrayCreateVector(VT_VARIANT, 0, 1);
            LONG index = 0;
            VARIANT element;
            element.vt = VT_BSTR;
            element.bstrVal = SysAllocString(path.c_str());
            SafeArrayPutElement(list, &index, &element);
            SysFreeString(element.bstrVal);
            SAFEARRAY* out = reinterpret_cast<SAFEARRAY*>(1);
            ASSERT_EQ(gbPathsToItmDbInfo(list, view, &out), c.converts);
            if (c.converts) {
                RecordArray<ItmDbInfo> infos(out);
                const ItmDbInfo& info = *infos.mpoBegin();
                EXPECT_EQ(info.meItemType, c.type);
                EXPECT_EQ(Text(info.moItemName), c.name);
                EXPECT_EQ(Text(info.moItemPath), c.itemPath);
                EXPECT_EQ(info.mlDocumentID, 0);
                EXPECT_EQ(info.mlProjectID, 0);
            } else {
                EXPECT_EQ(out, nullptr);
            }
            if (out) SafeArrayDestroy(out);
            SafeArrayDestroy(list);
        }
    }
}

// --- Links -----------------------------------------------------------------------------

TEST_F(RecordConversionsTest, NewFolderLinkLeavesTheCallersReferenceAlone) {
    ObjectValues v;
    v.type = ItmObjectType_ItemFolder;
    CComPtr<IItmObject> folder = Loaded<CItmFolder>(v);
    const ULONG before = References(folder);
    ItmLink* link = nullptr;
    ASSERT_EQ(ghItmObjectToItmLink(folder, &link), S_OK);
    EXPECT_EQ(References(folder), before);
    EXPECT_EQ(link->meObjectType, ItmObjectType_ItemFolder);
    EXPECT_EQ(link->mlObjectID, 61);
    EXPECT_EQ(link->meLinkType, LinkType_BOM);
    EXPECT_EQ(link->meLinkOperation, LinkOp_None);
    CoTaskMemFree(link);
    EXPECT_EQ(ghItmObjectToItmLink(nullptr, &link), E_POINTER);
    EXPECT_EQ(ghItmObjectToItmLink(folder, nullptr), E_POINTER);
    EXPECT_EQ(References(folder), before);
}

// An item with a link manager over a cache file, holding one static file
// link (id 300) and, when asked, one dynamic link (id 301).
class LinkCheckTest : public RecordConversionsTest {
protected:
    void SetUp() override {
        RecordConversionsTest::SetUp();
        cache_ = new CItemCacheFile(winapi::FromPosixPath(std::filesystem::temp_directory_path().string()) +
                                    u"/link-check-" + winapi::ToUtf16(std::to_string(::getpid())) + u".cache");
    }
    void TearDown() override {
        item_ = nullptr;
        cache_ = nullptr;
        RecordConversionsTest::TearDown();
    }
    void MakeItem(bool withDynamic) {
        ObjectValues v;
        v.type = ItmObjectType_Item;
        CComObject<CItmItem>* created = nullptr;
        ASSERT_EQ(CComObject<CItmItem>::CreateInstance(&created), S_OK);
        item_ = static_cast<IItmItem*>(created);
        CComPtr<IItmObject> loaded = Loaded<CItmItem>(v);
        ItmObjectData* data = nullptr;
        CComPtr<IItmObjectPrivate>(loaded)->GetDataPtr(&data);
        ASSERT_EQ(created->mhLoadWithLinkManager(data, nullptr, cache_), S_OK);
        CComPtr<IItmLinkManager> manager;
        ASSERT_EQ(item_->get_LinkManager(&manager), S_OK);
        ItmLink fileLink{ItmObjectType_File, 300, 0, -1, LinkType_Static, LinkOp_None};
        ItmLink dynamicLink{ItmObjectType_File, 301, 0, -1, LinkType_Dynamic, LinkOp_None};
        ItmLink* links[] = {&fileLink, &dynamicLink};
        ASSERT_EQ(CComPtr<IPrivateItmLinkManager>(manager)->AddLinkPtrs(links, withDynamic ? 2 : 1), S_OK);
    }
    RefPtr<CItemCacheFile> cache_;
    CComPtr<IItmObject> item_;
};

struct LinkCase {
    const char* label;
    bool itemHasDynamic;
    std::vector<std::pair<LONG, ItmLinkType>> links;  // object id, link type
    HRESULT expected;
};

TEST_F(LinkCheckTest, NewLinksAreCheckedForDuplicatesTypesAndDynamicLinks) {
    const LinkCase cases[] = {
        {"static and BOM", false, {{400, LinkType_Static}, {401, LinkType_BOM}}, S_OK},
        {"one dynamic", false, {{400, LinkType_Dynamic}}, S_OK},
        {"two dynamic", false, {{400, LinkType_Dynamic}, {401, LinkType_Dynamic}}, E_ITEM_MANY_DYN_LINKS},
        {"dynamic beside one", true, {{400, LinkType_Dynamic}}, E_ITEM_MANY_DYN_LINKS},
        {"files link type", false, {{400, LinkType_Files}}, E_ITEM_INVALID_LINK_TYPE},
        {"invalid before many",
         false,
         {{400, LinkType_Dynamic}, {401, LinkType_Dynamic}, {402, LinkType_Undefined}},
         E_ITEM_INVALID_LINK_TYPE},
        {"duplicate first", false, {{400, LinkType_Files}, {300, LinkType_Static}}, E_ITEM_LINK_DUPLICATED},
    };
    for (const LinkCase& c : cases) {
        SCOPED_TRACE(c.label);
        MakeItem(c.itemHasDynamic);
        RecordArray<ItmObjectData> records;
        records.mvCreate(static_cast<ULONG>(c.links.size()), LIBID_BellquistLib, 1, 0);
        ItmObjectData* record = records.mpoBegin();
        for (const auto& [id, type] : c.links) {
            record->meObjectType = ItmObjectType_File;
            record->mlObjectID = id;
            record->mlConfigID = -1;
            record->meLinkType = type;
            ++record;
        }
        EXPECT_EQ(ghCheckNewLinks(records.mpoGetArray(), item_), c.expected);
    }
    EXPECT_EQ(ghCheckNewLinks(nullptr, item_), kNullValue);
}

// --- Cache and link records -------------------------------------------------------

TEST_F(RecordConversionsTest, CacheRecordsSkipChildrenAlreadyKeyedAndSetParentFields) {
    RefPtr<ItemObject> item(new ItemObject);
    item->meObjectType = ItmObjectType_Item;
    item->mlObjectID = 500;
    item->mvSetPath(u"C:\\View\\Pump.<item>");
    auto child = [](int32_t type, int32_t id, int32_t config) {
        RefPtr<ChildWithLink> c(new ChildWithLink);
        c->meObjectType = type;
        c->mlObjectID = id;
        c->mlConfigID = config;
        c->mlAttachedVersion = 7;
        c->meLinkType = LinkType_Static;
        c->meLinkOperation = LinkOp_New;
        c->mvSetPath(u"C:\\View\\a.part");
        return c;
    };
    std::vector<RefPtr<ChildWithLink>> children{child(6, 1, 2), child(6, 1, 3), child(6, 1, 2), child(7, 4, -1)};
    // Already made through another parent: the same file under this item.
    UniqueIDSet keys{goMakeUniqueID(ItmObjectType_BOM, 4, 500, -1)};
    DataRecordList records;
    com_testing::CountingObject client;
    ItmObjectData* own = nullptr;
    ASSERT_EQ(ghCacheRecordsToData(client.Unknown(), item, children, keys, records, &own), S_OK);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(keys.size(), 3u);
    EXPECT_EQ(records[1]->mlConfigID, 3);
    EXPECT_EQ(records[0]->mlParentObjectID, 500);
    EXPECT_EQ(records[0]->meParentDocType, ItmObjectType_Item);
    EXPECT_EQ(records[0]->meLinkType, LinkType_Static);
    EXPECT_EQ(records[0]->meLinkOperation, LinkOp_New);
    EXPECT_EQ(records[0]->mlLatestVersion, 7);
    EXPECT_EQ(Text(records[0]->moFilename), u"a.part");
    EXPECT_EQ(Text(records[0]->moConfigName), u"");
    EXPECT_EQ(own->mlObjectID, 500);
    EXPECT_EQ(own->mlParentObjectID, 0);
    EXPECT_EQ(Text(own->moFilename), u"Pump.<item>");
    EXPECT_EQ(client.References(), 4u);  // the test's own and three records'
    records.push_back(own);
    gvFreeDataRecords(records);
    EXPECT_EQ(client.References(), 1u);
    EXPECT_EQ(ghCacheRecordsToData(client.Unknown(), nullptr, children, keys, records, &own), E_POINTER);
}

TEST_F(RecordConversionsTest, LinkRecordGivesChildWithDirtyFlagFromAttachedVersion) {
    for (LONG attached : {4, -1}) {
        TavroskClientLib::LinkRecord record{};
        record.mlObjectID = 11;
        record.mlParentProjectID = 12;
        record.mlAttachedVersion = attached;
        record.mlConfigID = 14;
        record.meObjectType = ItmObjectType_File;
        record.moModified = 45000.25;
        record.moFilename = SysAllocString(u"a.part");
        record.moPath = SysAllocString(u"\\A\\");
        record.meLinkType = LinkType_Dynamic;
        record.meLinkOperation = LinkOp_New;
        record.meInitialLinkType = LinkType_Static;
        record.meInitialLinkOperation = LinkOp_None;
        RefPtr<ChildWithLink> child = gpoLinkRecordToChild(&record);
        EXPECT_EQ(child->mlObjectID, 11);
        EXPECT_EQ(child->mlParentProjectID, 12);
        EXPECT_EQ(child->mlConfigID, 14);
        EXPECT_EQ(child->meObjectType, ItmObjectType_File);
        EXPECT_EQ(child->mdModifiedDate, 45000.25);
        EXPECT_EQ(child->moFileName(), u"a.part");
        EXPECT_EQ(child->moPath(), u"\\A\\");
        EXPECT_EQ(child->meLinkType, LinkType_Dynamic);
        EXPECT_EQ(child->meLinkOperation, LinkOp_New);
        EXPECT_EQ(child->meInitialLinkType, LinkType_Static);
        EXPECT_EQ(child->meInitialLinkOperation, LinkOp_None);
        EXPECT_EQ(child->mlDirty, attached == -1 ? 1 : 0);
        SysFreeString(record.moFilename);
        SysFreeString(record.moPath);
    }
    EXPECT_FALSE(gpoLinkRecordToChild(nullptr));
}

// --- Result object and outside classes ---------------------------------------------

TEST_F(RecordConversionsTest, SetResultStoresOnlyLongValuesOfPropertyZero) {
    NsTavroskClient::COperationGetResult* result = nullptr;
    ASSERT_EQ(NsTavroskClient::COperationGetResult::mhCreate(&result), S_OK);
    VARIANT value;
    value.vt = VT_I4;
    value.lVal = 5;
    EXPECT_EQ(result->SetResult(0, &value), S_OK);
    EXPECT_EQ(result->mlGetResult(), 5);
    value.lVal = 7;
    EXPECT_EQ(result->SetResult(1, &value), S_FALSE);
    EXPECT_EQ(result->mlGetResult(), 5);
    VARIANT text;
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(u"7");
    EXPECT_EQ(result->SetResult(0, &text), E_INVALIDARG);
    EXPECT_EQ(result->SetResult(0, nullptr), E_INVALIDARG);
    EXPECT_EQ(result->mlGetResult(), 5);
    SysFreeString(text.bstrVal);
    EXPECT_EQ(result->Release(), 0u);
}

TEST_F(RecordConversionsTest, GatedCreationIsPlainCreationHere) {
    const CLSID clsid = com::MakeGuid("9D49E153-31ED-4DF1-AABF-C9E3C89A0D70");
    IUnknown* object = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(ghCreateGatedInstance(u"{9D49E153-31ED-4DF1-AABF-C9E3C89A0D70}", clsid, IID_IUnknown,
                                    reinterpret_cast<void**>(&object), nullptr, 23),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);

    com_testing::CountingClassFactory factory([] { return com_testing::CountingObject::Create()->Unknown(); });
    DWORD cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(clsid, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
    EXPECT_EQ(ghCreateGatedInstance(u"{9D49E153-31ED-4DF1-AABF-C9E3C89A0D70}", clsid, IID_IUnknown,
                                    reinterpret_cast<void**>(&object), nullptr, 23),
              S_OK);
    ASSERT_NE(object, nullptr);
    object->Release();
    CoRevokeClassObject(cookie);
}

}  // namespace
