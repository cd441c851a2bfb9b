// The client back end's item object conversion: the object created for each
// record type, the record of a cached item, and the refresh of the files'
// local versions through the client library (a fake of its file-info
// interface here).

#include "item_objects_support.h"

#include "item_object_conversion.h"
#include "proxy_tavrosk_api.h"

#include "itemstore/item_cache_file.h"
#include "itemstore/itm_bom_class.h"
#include "itemstore/itm_file_class.h"
#include "itemstore/itm_folder_class.h"
#include "itemstore/itm_item_class.h"

#include "bellquist/ids.h"
#include "bellquist/type_library.h"
#include "com/ole_date.h"
#include "com/runtime.h"
#include "com_testing/bstr_text.h"
#include "com_testing/counting_class_factory.h"
#include "com_testing/counting_object.h"
#include "com_testing/fake_parts.h"
#include "com_testing/leak_checked_test.h"
#include "common/record_array.h"
#include "tavrosk/client_interfaces.h"
#include "testsupport/fresh_machine.h"
#include "winapi/path_mapping.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace BellquistLib;
using namespace conversion_test;
using com_testing::Text;
using TavroskClientLib::ITavroskFileInfo;

namespace {

constexpr HRESULT kNullValue = static_cast<HRESULT>(0x80040240);

// The client library's object as the refresh sees it: its file-info
// interface (unless told to lack it) answering each record's local version
// from a table by object id, and remembering what it was sent.
class FakeClient final : public ITavroskFileInfo {
public:
    bool hasFileInfo = true;
    std::map<LONG, LONG> versions;  // object id -> local version
    int calls = 0;
    std::vector<std::pair<LONG, DATE>> sent;  // object id, modified

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || (hasFileInfo && iid == ITavroskFileInfo::kIid))
            return com_testing::AnswerQuery(out, this);
        return com_testing::AnswerQuery(out, nullptr);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return references_.Release(); }
    HRESULT STDMETHODCALLTYPE ResolvePaths(SAFEARRAY**) override { return com_testing::UnexpectedCall("ResolvePaths"); }
    HRESULT STDMETHODCALLTYPE GetLocalVersions(SAFEARRAY** items) override {
        ++calls;
        RecordArray<ItmObjectData> records(*items);
        for (ItmObjectData* r = records.mpoBegin(); r != records.mpoEnd(); ++r) {
            sent.emplace_back(r->mlObjectID, r->moModified);
            if (auto found = versions.find(r->mlObjectID); found != versions.end()) r->mlLocalVersion = found->second;
        }
        return S_OK;
    }

private:
    com_testing::FakeReferenceCount references_{com_testing::FakeReferenceCount::Lifetime::kOwnedByTest};
};

// The back end with a view folder set, as Init leaves it.
class ViewBackEnd : public CProxyTavroskAPI {
public:
    using CProxyTavroskAPI::CProxyTavroskAPI;
    void SetViewPath(const char16_t* path) { moViewPath = path; }
};

class ItemObjectConversionTest : public com_testing::LeakChecked<testsupport::FreshMachineTest> {
protected:
    void SetUp() override {
        LeakChecked::SetUp();
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        RegisterRecords();
        folder_ = std::filesystem::temp_directory_path() / ("item-conversion-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override {
        std::filesystem::remove_all(folder_);
        CoUninitialize();
        LeakChecked::TearDown();
    }

    // A file below the test folder written at `date` (UTC, with
    // milliseconds), as the system names it.
    std::u16string WriteFile(const std::string& name, int hour, int minute, int second, int millisecond) {
        const std::filesystem::path file = folder_ / name;
        std::ofstream(file) << "content";
        struct tm when {};
        when.tm_year = 2024 - 1900;
        when.tm_mon = 2;
        when.tm_mday = 5;
        when.tm_hour = hour;
        when.tm_min = minute;
        when.tm_sec = second;
        const timespec times[2] = {{timegm(&when), millisecond * 1000000L}, {timegm(&when), millisecond * 1000000L}};
        EXPECT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
        return winapi::FromPosixPath(file.string());
    }
    static DATE Date(int hour, int minute, int second) {
        SYSTEMTIME time{2024, 3, 0, 5, static_cast<WORD>(hour), static_cast<WORD>(minute), static_cast<WORD>(second),
                        0};
        DATE date = 0;
        SystemTimeToVariantTime(&time, &date);
        return date;
    }
    static LONG LocalVersion(IItmObject* object) {
        LONG version = 0;
        EXPECT_EQ(object->get_LocalVersion(&version), S_OK);
        return version;
    }

    std::filesystem::path folder_;
};

// --- Item objects for records -------------------------------------------------------

TEST_F(ItemObjectConversionTest, EachRecordTypeGivesItsClassOrNothing) {
    com_testing::CountingClassFactory folders(&NewUnknown<CItmFolder>);
    com_testing::CountingClassFactory files(&NewUnknown<CItmFile>);
    com_testing::CountingClassFactory boms(&NewUnknown<CItmBOM>);
    DWORD cookies[3] = {};
    ASSERT_EQ(CoRegisterClassObject(CLSID_ItmFolder, &folders, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookies[0]),
              S_OK);
    ASSERT_EQ(CoRegisterClassObject(CLSID_ItmFile, &files, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookies[1]),
              S_OK);
    ASSERT_EQ(CoRegisterClassObject(CLSID_ItmBOM, &boms, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookies[2]), S_OK);

    RefPtr<CItemCacheFile> cache(new CItemCacheFile(winapi::FromPosixPath((folder_ / "cache").string())));
    {
        ViewBackEnd backEnd(cache);
        backEnd.SetViewPath(u"C:\\View\\");
        struct Case {
            ItmObjectType type;
            const IID* iid;  // null: no object
            const char16_t* includePath;
        };
        const Case cases[] = {
            {ItmObjectType_Undefined, nullptr, nullptr},
            {ItmObjectType_Root_ItemFolder, &IItmFolder::kIid, u"C:\\View\\Sub\\"},
            {ItmObjectType_Vault, &IItmFolder::kIid, u"C:\\View\\Sub\\"},
            {ItmObjectType_ItemFolder, &IItmFolder::kIid, u"C:\\View\\Sub\\"},
            {ItmObjectType_Item, &IItmItem::kIid, u"C:\\View\\Sub\\a.part"},
            {ItmObjectType_Project, nullptr, nullptr},
            {ItmObjectType_File, &IItmFile::kIid, u"C:\\View\\Sub\\a.part"},
            {ItmObjectType_BOM, &IItmBOM::kIid, u"C:\\View\\Sub\\a.part"},
            {ItmObjectType_Cutlist, nullptr, nullptr},
            {ItmObjectType_All, nullptr, nullptr},
        };
        com_testing::CountingObject connection;
        for (const Case& c : cases) {
            SCOPED_TRACE(c.type);
            ItmObjectData record{};
            ghInitItmObjectData(&record, nullptr);
            record.meObjectType = c.type;
            record.mlObjectID = 33;
            record.moFilename = SysAllocString(u"a.part");
            record.moPath = SysAllocString(u"\\Sub\\");
            for (BSTR* text : {&record.moConfigName, &record.moLockedBy, &record.moLockedPath, &record.moState,
                               &record.moDomain, &record.moAlternateName})
                *text = SysAllocString(u"");
            IItmObject* object = reinterpret_cast<IItmObject*>(1);
            ASSERT_EQ(backEnd.mhCreateItmObject(&record, &object, cache, nullptr, connection.Unknown()), S_OK);
            if (!c.iid) {
                EXPECT_EQ(object, nullptr);
            } else {
                ASSERT_NE(object, nullptr);
                IUnknown* typed = nullptr;
                EXPECT_EQ(object->QueryInterface(*c.iid, reinterpret_cast<void**>(&typed)), S_OK);
                if (typed) typed->Release();
                LONG id = 0;
                EXPECT_EQ(object->get_ID(&id), S_OK);
                EXPECT_EQ(id, 33);
                BSTR path = nullptr;
                EXPECT_EQ(object->get_Path(&path), S_OK);
                EXPECT_EQ(Text(path), c.includePath);
                SysFreeString(path);
                IUnknown* api = nullptr;
                EXPECT_EQ(object->get_TavroskAPI(&api), S_OK);
                EXPECT_EQ(api, connection.Unknown());
                if (api) api->Release();
                if (c.type == ItmObjectType_Item) {
                    CComPtr<IItmLinkManager> manager;
                    EXPECT_EQ(object->get_LinkManager(&manager), S_OK);
                }
                object->Release();
            }
            gvFreeItmObjectData(&record);
        }
        EXPECT_EQ(connection.References(), 1u);  // the load's reference given back
        EXPECT_EQ(folders.Created(), 3);
        EXPECT_EQ(files.Created(), 1);
        EXPECT_EQ(boms.Created(), 1);

        IItmObject* object = nullptr;
        EXPECT_EQ(backEnd.mhCreateItmObject(nullptr, &object, cache, nullptr, nullptr), kNullValue);
    }
    for (DWORD cookie : cookies) CoRevokeClassObject(cookie);
}

TEST_F(ItemObjectConversionTest, CacheRecordGivesFileNameFromPathAndAttachedAsLatest) {
    RefPtr<ItemObject> cached(new ItemObject);
    cached->meObjectType = ItmObjectType_File;
    cached->mlObjectID = 5;
    cached->mlParentProjectID = 6;
    cached->mlAttachedVersion = 7;
    cached->mlConfigID = 8;
    cached->mdModifiedDate = 45000.5;
    cached->mvSetPath(u"C:\\View\\Sub\\a.part");
    ItmObjectData record{};
    record.mlLocalVersion = 99;  // not the conversion's
    ASSERT_EQ(ghCacheRecordToData(cached, &record), S_OK);
    EXPECT_EQ(record.meObjectType, ItmObjectType_File);
    EXPECT_EQ(record.mlObjectID, 5);
    EXPECT_EQ(record.mlParentProjectID, 6);
    EXPECT_EQ(record.mlAttachedVersion, 7);
    EXPECT_EQ(record.mlLatestVersion, 7);
    EXPECT_EQ(record.mlConfigID, 8);
    EXPECT_EQ(record.moModified, 45000.5);
    EXPECT_EQ(record.mbIsUpToDate, 1);
    EXPECT_EQ(record.mlLocalVersion, 99);
    EXPECT_EQ(Text(record.moFilename), u"a.part");
    EXPECT_EQ(Text(record.moConfigName), u"");
    gvFreeItmObjectData(&record);

    cached->mvSetPath(u"");
    ItmObjectData bare{};
    ASSERT_EQ(ghCacheRecordToData(cached, &bare), S_OK);
    EXPECT_EQ(bare.moFilename, nullptr);
    gvFreeItmObjectData(&bare);
}

// --- Local versions ----------------------------------------------------------------

TEST_F(ItemObjectConversionTest, FilesAreSentWithEvenSecondTimesAndGetTheLibrarysVersion) {
    FakeClient client;  // also the objects' connection
    ObjectValues timed;
    timed.id = 1;
    timed.path = WriteFile("a.part", 10, 15, 7, 800);
    ObjectValues missing;
    missing.id = 2;
    missing.path = winapi::FromPosixPath((folder_ / "gone.part").string());
    ObjectValues linked;
    linked.id = 3;
    linked.flags = 0x2;
    linked.path = winapi::FromPosixPath((folder_ / "absent.part").string());
    linked.linkedFile = u"linked.part";
    WriteFile("linked.part", 9, 0, 4, 0);
    ObjectValues unknown;  // the library does not know it
    unknown.id = 4;
    unknown.path = timed.path;
    ObjectValues item;
    item.type = ItmObjectType_Item;
    item.local = 6;
    CComPtr<IItmObject> a = Loaded<CItmFile>(timed, &client), b = Loaded<CItmFile>(missing, &client);
    CComPtr<IItmObject> c = Loaded<CItmFile>(linked, &client), d = Loaded<CItmFile>(unknown, &client);
    CComPtr<IItmObject> e = Loaded<CItmItem>(item, &client);
    ObjectList list({a, nullptr, b, c, d, e});
    client.versions = {{1, 11}, {3, 13}, {2, 12}};
    gvRefreshFileLocalVersions(&client, list.get());
    ASSERT_EQ(client.calls, 1);
    const std::vector<std::pair<LONG, DATE>> sent{{1, Date(10, 15, 6)}, {3, Date(9, 0, 4)}, {4, Date(10, 15, 6)}};
    EXPECT_EQ(client.sent, sent);
    EXPECT_EQ(LocalVersion(a), 11);
    EXPECT_EQ(LocalVersion(b), -1);  // not sent, though the library knows it
    EXPECT_EQ(LocalVersion(c), 13);
    EXPECT_EQ(LocalVersion(d), -1);
}

TEST_F(ItemObjectConversionTest, NoFileToSendMeansNoLibraryCall) {
    FakeClient client;  // also the objects' connection
    ObjectValues missing;
    missing.path = winapi::FromPosixPath((folder_ / "gone.part").string());
    ObjectValues folder;
    folder.type = ItmObjectType_ItemFolder;
    CComPtr<IItmObject> a = Loaded<CItmFile>(missing, &client), f = Loaded<CItmFolder>(folder, &client);
    ObjectList list({f, a});
    gvRefreshFileLocalVersions(&client, list.get());
    EXPECT_EQ(client.calls, 0);
    EXPECT_EQ(LocalVersion(a), -1);
}

TEST_F(ItemObjectConversionTest, LibraryWithoutFileInfoLeavesFilesAtMinusOne) {
    FakeClient client;  // also the objects' connection
    ObjectValues timed;
    timed.id = 1;
    timed.path = WriteFile("a.part", 10, 0, 0, 0);
    CComPtr<IItmObject> a = Loaded<CItmFile>(timed, &client);
    ObjectList list({a});
    client.hasFileInfo = false;
    client.versions = {{1, 11}};
    gvRefreshFileLocalVersions(&client, list.get());
    EXPECT_EQ(client.calls, 0);
    EXPECT_EQ(LocalVersion(a), -1);
}

TEST_F(ItemObjectConversionTest, FailureMidwayEndsTheRefreshAndIsSwallowed) {
    FakeClient client;  // also the objects' connection
    ObjectValues timed;
    timed.id = 1;
    timed.local = 5;
    timed.path = WriteFile("a.part", 10, 0, 0, 0);
    CComPtr<IItmObject> first = Loaded<CItmFile>(timed, &client), last = Loaded<CItmFile>(timed, &client);
    // A file object never loaded: its properties fail.
    CComPtr<IItmObject> broken;
    NewUnknown<CItmFile>()->QueryInterface(IItmObject::kIid, reinterpret_cast<void**>(&broken));
    broken->Release();  // the creation's reference
    ObjectList list({first, broken, last});
    client.versions = {{1, 11}};
    gvRefreshFileLocalVersions(&client, list.get());
    EXPECT_EQ(client.calls, 0);
    EXPECT_EQ(LocalVersion(first), -1);  // handled before the failure
    EXPECT_EQ(LocalVersion(last), 5);    // never reached
}

}  // namespace
