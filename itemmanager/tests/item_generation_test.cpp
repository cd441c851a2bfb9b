// The client back end's calls into the item generation server, against a
// fake ItemOperation served in this process, a fake client library that
// resolves local paths, and a spy of the vault-interface back end's
// check-out, over a real item cache: the start record of each driver, the
// order of the calls and where each answer ends them, the destination
// folder, the path resolution, and the linking of chosen files to an item.
// Every path releases the operation (counted) and the caller's objects.

#include "proxy_tavrosk_api.h"

#include "fake_client_library.h"
#include "fake_item_operation.h"
#include "item_objects_support.h"
#include "proxy_oxn_interface.h"
#include "registered_records_fixture.h"
#include "itemstore/itm_file_class.h"
#include "itemstore/itm_folder_class.h"
#include "itemstore/item_cache_lock.h"
#include "itemstore/itm_object_records.h"

#include "bellquist/enums.h"
#include "bellquist/item_interfaces.h"
#include "bellquist/manager_interfaces.h"
#include "com/bstr.h"
#include "com/ccom_ptr.h"
#include "com/runtime.h"
#include "com/safearray.h"
#include "com/server/com_object.h"
#include "com_testing/bstr_text.h"
#include "com_testing/counting_class_factory.h"
#include "com_testing/fake_parts.h"
#include "com_testing/pending_error_info.h"
#include "common/error_catalogue.h"
#include "common/error_codes.h"
#include "common/record_array.h"
#include "coravent/enums.h"
#include "tavrosk/client_interfaces.h"
#include "ui/message_box.h"
#include "ui_testing/scripted_prompter.h"
#include "vennacle/sp_mgr.h"
#include "winapi/path_mapping.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace BellquistLib;
using namespace fake_client;
using generation_fakes::OperationScript;
using generation_fakes::SelectionRow;

namespace {

constexpr ULONGLONG kParentWnd = 0x4321;
constexpr LONG kUserId = 17;
constexpr char16_t kComputer[] = u"PC-7";
constexpr char16_t kViewFolder[] = u"C:\\Views\\Pumps\\";

// What the library's path resolution knows of a local file, by name.
struct Known {
    ItmObjectType type;
    LONG document;
    LONG project;
};

struct LibraryScript {
    bool fileInfo = true;  // answers the file-info interface
    HRESULT resolve = S_OK;
    std::map<std::u16string, Known> known;
    int resolves = 0;
};

class FakeLibrary final : public FakeClientLibrary, public TavroskClientLib::ITavroskFileInfo {
public:
    explicit FakeLibrary(LibraryScript& script) : script_(script) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        IUnknown* answer = nullptr;
        if (iid == IID_IUnknown || iid == TavroskClientLib::ITavroskClient::kIid) answer = Unknown();
        if (iid == TavroskClientLib::ITavroskServices::kIid)
            answer = static_cast<TavroskClientLib::ITavroskServices*>(this);
        if (iid == TavroskClientLib::ITavroskFileInfo::kIid && script_.fileInfo)
            answer = static_cast<TavroskClientLib::ITavroskFileInfo*>(this);
        return com_testing::AnswerQuery(out, answer);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return references_.Release(); }
    ULONG References() const { return references_.Count(); }
    IUnknown* Unknown() { return static_cast<TavroskClientLib::ITavroskClient*>(this); }

    HRESULT STDMETHODCALLTYPE ResolvePaths(SAFEARRAY** records) override {
        ++script_.resolves;
        if (FAILED(script_.resolve)) return script_.resolve;
        RecordArray<ItmDbInfo> infos(*records);
        for (ItmDbInfo* info = infos.mpoBegin(); info != infos.mpoEnd(); ++info) {
            auto found = script_.known.find(Name(info->moItemName));
            if (found == script_.known.end()) continue;
            info->meItemType = found->second.type;
            info->mlDocumentID = found->second.document;
            info->mlProjectID = found->second.project;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetLocalVersions(SAFEARRAY**) override {
        return com_testing::UnexpectedCall("GetLocalVersions");
    }

private:
    LibraryScript& script_;
    com_testing::FakeReferenceCount references_{com_testing::FakeReferenceCount::Lifetime::kOwnedByTest};
};

// The client back end logged in as far as the drivers need.
class TestBackEnd : public BackEnd {
public:
    TestBackEnd(const RefPtr<CItemCacheFile>& cache, TavroskClientLib::ITavroskClient* client, SpMgr* spMgr)
        : BackEnd(cache, client) {
        mulParentWnd = kParentWnd;
        mlUserID = kUserId;
        moComputerName = _bstr_t(kComputer);
        spMgr->AddRef();
        mvTakeSpMgr(spMgr);
    }
    void SetParentWindow(ULONGLONG window) { mulParentWnd = window; }
};

// The vault-interface back end with its check-out recorded and scripted.
struct CheckOutScript {
    HRESULT result = S_OK;
    int calls = 0;
    std::vector<LONG> ids;
    VARIANT_BOOL silent = 0;
    IItmManager* manager = nullptr;
};

class SpyVaultBackEnd final : public CProxyOxnInterface {
public:
    SpyVaultBackEnd(const RefPtr<CItemCacheFile>& cache, CProxyTavroskAPI* client, CheckOutScript& script)
        : CProxyOxnInterface(cache, client), script_(script) {}
    HRESULT CheckOut(SAFEARRAY* items, VARIANT_BOOL silent, IItmManager* manager) override {
        ++script_.calls;
        script_.silent = silent;
        script_.manager = manager;
        VARIANT* elements = nullptr;
        EXPECT_EQ(SafeArrayAccessData(items, reinterpret_cast<void**>(&elements)), S_OK);
        for (ULONG i = 0; i < items->rgsabound[0].cElements; ++i) {
            CComQIPtr<IItmObject> object(elements[i].pdispVal);
            LONG id = 0;
            if (object) object->get_ID(&id);
            script_.ids.push_back(id);
        }
        SafeArrayUnaccessData(items);
        return script_.result;
    }

private:
    CheckOutScript& script_;
};

const Row kFolder{ItmObjectType_ItemFolder, 5, 2, ItmObjectType_Vault, u"Pumps"};
const Row kPump{ItmObjectType_Item, 10, 5, ItmObjectType_ItemFolder, u"Pump.<item>"};
const Row kPartA{ItmObjectType_File, 61, 10, ItmObjectType_Item, u"a.part", LinkType_Static};
const Row kPartB{ItmObjectType_File, 62, 10, ItmObjectType_Item, u"b.part", LinkType_Static};

using conversion_test::NewUnknown;

ULONG References(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

struct Seen {
    ItmObjectType type{};
    LONG id = 0;
    LONG parentId = 0;
    ItmObjectType parentType{};
    bool operator==(const Seen&) const = default;
};

std::vector<Seen> TakeSeen(SAFEARRAY* objects) {
    std::vector<Seen> seen;
    for (const CComPtr<IItmObject>& object : conversion_test::TakeObjects(objects)) {
        Seen s;
        object->get_Type(&s.type);
        object->get_ID(&s.id);
        object->get_ParentID(&s.parentId);
        object->get_ParentType(&s.parentType);
        seen.push_back(s);
    }
    return seen;
}

class ItemGenerationTest : public RegisteredRecordsTest {
protected:
    void SetUp() override {
        RegisteredRecordsTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(CoRegisterClassObject(CLSID_ItmFolder, &folderClass_, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                        &classCookies_[0]),
                  S_OK);
        ASSERT_EQ(CoRegisterClassObject(CLSID_ItmFile, &fileClass_, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                        &classCookies_[1]),
                  S_OK);
        cache_ = NewItemCache();
        spMgr_ = new SpMgr();
        library_.known = {{u"a.part", {ItmObjectType_File, 61, 7}},
                          {u"b.part", {ItmObjectType_File, 62, 8}},
                          {u"Gear.<item>", {ItmObjectType_Item, 11, 5}}};
        client_ = std::make_unique<FakeLibrary>(library_);
        backEnd_ = std::make_unique<TestBackEnd>(cache_, client_.get(), spMgr_);
        vaultBackEnd_ = std::make_unique<SpyVaultBackEnd>(cache_, backEnd_.get(), checkOut_);
        backEnd_->mvSetOxnInterface(vaultBackEnd_.get());
        served_ = std::make_unique<generation_fakes::ServedItemOperation>(operation_);
        for (const char16_t* name : {u"a.part", u"b.part", u"Gear.<item>"}) {
            const std::filesystem::path file = winapi::ToPosixPath(std::u16string(kViewFolder) + name);
            std::filesystem::create_directories(file.parent_path());
            std::ofstream(file) << "contents\n";
        }
        folder_.Attach(NewObject(*backEnd_, cache_, client_->Unknown(), kFolder));
        pump_ = CachedPump();
    }
    void TearDown() override {
        folder_ = nullptr;
        pump_ = nullptr;
        served_.reset();
        EXPECT_EQ(operation_.created, operation_.destroyed);
        backEnd_->mvSetOxnInterface(nullptr);
        vaultBackEnd_.reset();
        backEnd_.reset();
        EXPECT_EQ(client_->References(), 1u);
        EXPECT_EQ(spMgr_->Release(), 0u);
        cache_ = nullptr;
        for (DWORD cookie : classCookies_)
            if (cookie) CoRevokeClassObject(cookie);
        RegisteredRecordsTest::TearDown();
    }

    // Local paths in the view folder (VT_BSTR VARIANTs), for the caller.
    static SAFEARRAY* Paths(const std::vector<std::u16string>& names) {
        SAFEARRAY* paths = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(names.size()));
        for (LONG i = 0; i < static_cast<LONG>(names.size()); ++i) {
            VARIANT element;
            VariantInit(&element);
            element.vt = VT_BSTR;
            element.bstrVal = SysAllocString((std::u16string(kViewFolder) + names[i]).c_str());
            SafeArrayPutElement(paths, &i, &element);
            VariantClear(&element);
        }
        return paths;
    }
    SAFEARRAY* Objects(const std::vector<Row>& rows) { return NewItems(*backEnd_, cache_, client_->Unknown(), rows); }

    HRESULT GenerateFromFiles(const std::vector<Row>& files, std::vector<Seen>* generated = nullptr) {
        SAFEARRAY* list = Objects(files);
        SAFEARRAY* items = reinterpret_cast<SAFEARRAY*>(1);
        const HRESULT hr = backEnd_->GenerateItemFromFile(list, folder_, &items);
        SafeArrayDestroy(list);
        Take(items, generated);
        return hr;
    }
    HRESULT GenerateFromPaths(const std::vector<std::u16string>& names, std::vector<Seen>* generated = nullptr) {
        SAFEARRAY* paths = Paths(names);
        SAFEARRAY* items = reinterpret_cast<SAFEARRAY*>(1);
        const HRESULT hr = backEnd_->GenerateItemFromFilePath(paths, folder_, &items);
        SafeArrayDestroy(paths);
        Take(items, generated);
        return hr;
    }
    HRESULT Link(const std::vector<std::u16string>& names, std::vector<Seen>* linked = nullptr) {
        SAFEARRAY* paths = Paths(names);
        SAFEARRAY* items = reinterpret_cast<SAFEARRAY*>(1);
        IItmObject* parent = pump_;
        const HRESULT hr = backEnd_->LinkFileFromFilePath(paths, &parent, &items, Manager());
        EXPECT_EQ(parent, pump_.GetInterfacePtr());
        SafeArrayDestroy(paths);
        Take(items, linked);
        return hr;
    }
    static void Take(SAFEARRAY* items, std::vector<Seen>* seen) {
        std::vector<Seen> taken = TakeSeen(items);
        if (seen) {
            *seen = taken;
            if (!items) seen->push_back({});  // marks "no array"
        }
    }
    // The manager handed through to the check-out; never called here.
    IItmManager* Manager() { return reinterpret_cast<IItmManager*>(&managerTag_); }

    // A new object of the item kPump, written into the cache as a check-out
    // leaves an item (without links).
    CComPtr<IItmObject> CachedPump() {
        CComPtr<IItmObject> pump;
        pump.Attach(NewObject(*backEnd_, cache_, client_->Unknown(), kPump));
        CItemCacheLock lock(cache_, kCacheLockDirect);
        RefPtr<ChildWithLink> record = goMakeChildWithLink(pump, false);
        EXPECT_TRUE(record);
        if (record) {
            EXPECT_EQ(cache_->mhWriteItem(lock, RefPtr<ItemObject>(record.get())), S_OK);
        }
        return pump;
    }

    LONG PumpLinks() {
        CComPtr<IItmLinkManager> links;
        EXPECT_EQ(pump_->get_LinkManager(&links), S_OK);
        LONG count = -1;
        links->GetLinkCount(LinkType_All, &count);
        return count;
    }

    com_testing::CountingClassFactory folderClass_{&NewUnknown<CItmFolder>};
    com_testing::CountingClassFactory fileClass_{&NewUnknown<CItmFile>};
    DWORD classCookies_[2] = {};
    RefPtr<CItemCacheFile> cache_;
    SpMgr* spMgr_ = nullptr;
    LibraryScript library_;
    std::unique_ptr<FakeLibrary> client_;
    std::unique_ptr<TestBackEnd> backEnd_;
    CheckOutScript checkOut_;
    std::unique_ptr<SpyVaultBackEnd> vaultBackEnd_;
    OperationScript operation_;
    std::unique_ptr<generation_fakes::ServedItemOperation> served_;
    CComPtr<IItmObject> folder_;
    CComPtr<IItmObject> pump_;
    char managerTag_ = 0;
};

// A script whose call `failing` fails with `hr`.
std::function<HRESULT(const std::string&)> Failing(std::string failing, HRESULT hr) {
    return [failing, hr](const std::string& call) { return call == failing ? hr : S_OK; };
}

// --- The start record ----------------------------------------------------------

TEST_F(ItemGenerationTest, EachDriverStartsTheOperationWithTheSession) {
    struct Case {
        const char* what;
        std::function<HRESULT()> run;
        CoraventLib::TreeCreationType type;
        LONG flags;
        const char16_t* rootPath;
        const char16_t* computer;
    } const cases[] = {
        {"generate from files", [&] { return GenerateFromFiles({kPartA}); },
         CoraventLib::TreeCreationType_ItemGeneration, 0, u"C:\\Views\\Pumps", kComputer},
        {"generate from paths", [&] { return GenerateFromPaths({u"a.part"}); },
         CoraventLib::TreeCreationType_ItemGeneration, 0, u"C:\\Views\\Pumps", kComputer},
        {"add files, no dynamic link", [&] { return Link({u"a.part"}); }, CoraventLib::TreeCreationType_RetrieveFiles,
         1, u"<null>", u"<null>"},
        {"add files, a dynamic link",
         [&] {
             CComPtr<IItmObject> dynamic;
             Row row = kPartB;
             row.linkType = LinkType_Dynamic;
             dynamic.Attach(NewObject(*backEnd_, cache_, client_->Unknown(), row));
             CComPtr<IItmLinkManager> links;
             pump_->get_LinkManager(&links);
             ItmLink link{};
             EXPECT_EQ(ghMakeItmLink(dynamic, LinkOp_Undefined, &link), S_OK);
             EXPECT_EQ(links->AddLink(&link), S_OK);
             return Link({u"a.part"});
         },
         CoraventLib::TreeCreationType_RetrieveFiles, 3, u"<null>", u"<null>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        operation_.notEmpty = VARIANT_FALSE;  // the start is all this looks at
        EXPECT_EQ(SUCCEEDED(c.run()), true);
        const CoraventLib::InitData& init = operation_.init;
        EXPECT_EQ(init.mpoSpMgr, reinterpret_cast<uintptr_t>(spMgr_));
        EXPECT_EQ(std::memcmp(&init.moViewID, &kViewGUID, sizeof kViewGUID), 0);
        EXPECT_EQ(init.mlUserID, kUserId);
        EXPECT_EQ(init.mlSystemRights, 0);
        EXPECT_EQ(init.meTreeCreationType, c.type);
        EXPECT_EQ(init.mlCreationFlags, c.flags);
        EXPECT_EQ(operation_.rootPath, c.rootPath);
        EXPECT_EQ(operation_.computerName, c.computer);
        for (ULONGLONG window : operation_.windows) EXPECT_EQ(window, kParentWnd);
    }
}

// --- Generating items --------------------------------------------------------

// Each answer of the operation ends the generation where it says: nothing to
// show and a cancelled dialog give S_OK without items, as does a generation
// that made none; generated records come back as item objects. The items go
// into the caller's folder, whatever the dialog chose.
TEST_F(ItemGenerationTest, GenerationStopsWhereTheOperationSays) {
    const Row generatedItem{ItmObjectType_Item, 40, 5, ItmObjectType_ItemFolder, u"ITM-00040.<item>"};
    const Row generatedFile{ItmObjectType_File, 61, 40, ItmObjectType_Item, u"a.part", LinkType_Static};
    struct Case {
        const char* what;
        VARIANT_BOOL notEmpty;
        VARIANT_BOOL accepted;
        std::function<SAFEARRAY*()> generated;
        std::vector<std::string> calls;
        std::vector<Seen> objects;  // {{}}: no array
    } const cases[] = {
        {"nothing to show", VARIANT_FALSE, VARIANT_TRUE, nullptr, {"Init", "AddSelection", "InitTreeDlg"}, {{}}},
        {"cancelled", VARIANT_TRUE, VARIANT_FALSE, nullptr, {"Init", "AddSelection", "InitTreeDlg", "ShowDlg"}, {{}}},
        {"no array",
         VARIANT_TRUE,
         VARIANT_TRUE,
         nullptr,
         {"Init", "AddSelection", "InitTreeDlg", "ShowDlg", "DoGenerateItems"},
         {{}}},
        {"an empty array",
         VARIANT_TRUE,
         VARIANT_TRUE,
         [] { return NewRecords({}); },
         {"Init", "AddSelection", "InitTreeDlg", "ShowDlg", "DoGenerateItems"},
         {{}}},
        {"generated",
         VARIANT_TRUE,
         VARIANT_TRUE,
         [&] {
             return NewRecords({generatedItem, generatedFile});
         },
         {"Init", "AddSelection", "InitTreeDlg", "ShowDlg", "DoGenerateItems"},
         {{ItmObjectType_Item, 40, 5, ItmObjectType_ItemFolder}, {ItmObjectType_File, 61, 40, ItmObjectType_Item}}},
    };
    const ULONG folderReferences = References(folder_);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        operation_.calls.clear();
        operation_.notEmpty = c.notEmpty;
        operation_.accepted = c.accepted;
        operation_.generated = c.generated;
        std::vector<Seen> objects;
        EXPECT_EQ(GenerateFromFiles({kPartA, kPartB}, &objects), S_OK);
        EXPECT_EQ(operation_.calls, c.calls);
        EXPECT_EQ(objects, c.objects);
        EXPECT_EQ(References(folder_), folderReferences);
        EXPECT_EQ(operation_.created, operation_.destroyed);
    }
    // The dialog's start values, and the folder the generation got.
    EXPECT_EQ(operation_.showFlags, CoraventLib::Itemdf_Nothing);
    EXPECT_EQ(operation_.folderOnEntry, 0);
    EXPECT_EQ(operation_.acceptedOnEntry, VARIANT_FALSE);
    EXPECT_EQ(operation_.generateFolder, kFolder.id);
    // The files became the selection: their documents in their folders,
    // without item names.
    EXPECT_EQ(operation_.given, (std::vector<SelectionRow>{{61, 7, 0, u""}, {62, 7, 0, u""}}));
}

// A failing call of the operation ends the generation with its code and the
// error info the operation left; nothing comes back and nothing is held.
TEST_F(ItemGenerationTest, AFailingCallEndsTheGenerationWithItsErrorInfo) {
    for (const char* call : {"Init", "AddSelection", "InitTreeDlg", "ShowDlg", "DoGenerateItems"}) {
        SCOPED_TRACE(call);
        operation_.result = Failing(call, E_ACCESSDENIED);
        operation_.generated = [] { return NewRecords({kPump}); };
        const ULONG folderReferences = References(folder_);
        std::vector<Seen> objects;
        EXPECT_EQ(GenerateFromFiles({kPartA}, &objects), E_ACCESSDENIED);
        EXPECT_EQ(com_testing::TakePendingDescription(), std::u16string(call, call + std::strlen(call)) + u" failed");
        EXPECT_EQ(objects, (std::vector<Seen>{{}}));
        EXPECT_EQ(References(folder_), folderReferences);
        EXPECT_EQ(operation_.created, operation_.destroyed);
    }
}

TEST_F(ItemGenerationTest, GenerationChecksItsArgumentsAndTheServer) {
    SAFEARRAY* list = Objects({kPartA});
    SAFEARRAY* items = nullptr;
    EXPECT_EQ(backEnd_->GenerateItemFromFile(nullptr, folder_, &items), E_POINTER);
    EXPECT_EQ(backEnd_->GenerateItemFromFile(list, nullptr, &items), E_POINTER);
    EXPECT_EQ(backEnd_->GenerateItemFromFile(list, folder_, nullptr), E_POINTER);
    EXPECT_EQ(backEnd_->GenerateItemFromFilePath(list, nullptr, &items), E_POINTER);
    EXPECT_EQ(operation_.created, 0);
    // Without the server's class the creation's failure comes back.
    served_.reset();
    EXPECT_TRUE(FAILED(backEnd_->GenerateItemFromFile(list, folder_, &items)));
    EXPECT_EQ(items, nullptr);
    SafeArrayDestroy(list);
}

// --- The path resolution -------------------------------------------------------

TEST_F(ItemGenerationTest, PathsBecomeTheSelectionThroughTheLibrary) {
    EXPECT_EQ(GenerateFromPaths({u"a.part", u"b.part"}), S_OK);
    EXPECT_EQ(library_.resolves, 1);
    EXPECT_EQ(operation_.given, (std::vector<SelectionRow>{{61, 7, 0, u""}, {62, 8, 0, u""}}));
}

// What stops the resolution stops the driver before any dialog; the
// generation resolves before it makes its operation.
TEST_F(ItemGenerationTest, PathsThatCannotBeResolvedStopBeforeAnyDialog) {
    struct Case {
        const char* what;
        std::vector<std::u16string> names;
        bool fileInfo;
        HRESULT resolve;
        HRESULT expected;
        int resolves;
    } const cases[] = {
        {"no file-info interface", {u"a.part"}, false, S_OK, E_OXN_NULL_VALUE, 0},
        {"a missing file", {u"a.part", u"missing.part"}, true, S_OK, E_INVALIDARG, 0},
        {"the library fails", {u"a.part"}, true, E_ACCESSDENIED, E_ACCESSDENIED, 1},
        {"files and items", {u"a.part", u"Gear.<item>"}, true, S_OK, E_OXN_INVALID_TYPE, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        library_.fileInfo = c.fileInfo;
        library_.resolve = c.resolve;
        library_.resolves = 0;
        operation_.calls.clear();
        const int created = operation_.created;
        std::vector<Seen> objects;
        EXPECT_EQ(GenerateFromPaths(c.names, &objects), c.expected);
        EXPECT_EQ(library_.resolves, c.resolves);
        EXPECT_EQ(objects, (std::vector<Seen>{{}}));
        EXPECT_EQ(operation_.created, created);

        library_.resolves = 0;
        EXPECT_EQ(Link(c.names), c.expected);
        EXPECT_EQ(library_.resolves, c.resolves);
        EXPECT_EQ(operation_.calls, std::vector<std::string>{"Init"});
        EXPECT_EQ(checkOut_.calls, 0);
    }
}

// --- Adding files to an item ---------------------------------------------------

// Items are chosen from their tree (CreateTree, whose flag is not read),
// other files through the dialog; nothing to show, a cancelled dialog and
// nothing chosen link nothing, check nothing out and give S_OK.
TEST_F(ItemGenerationTest, AddingFilesStopsWhereTheOperationSays) {
    struct Case {
        const char* what;
        std::vector<std::u16string> names;
        VARIANT_BOOL notEmpty;
        VARIANT_BOOL accepted;
        bool chosen;
        std::vector<std::string> calls;
        int checkOuts;
    } const cases[] = {
        {"nothing to show",
         {u"a.part"},
         VARIANT_FALSE,
         VARIANT_TRUE,
         true,
         {"Init", "AddSelection", "InitTreeDlg2"},
         0},
        {"files, cancelled",
         {u"a.part"},
         VARIANT_TRUE,
         VARIANT_FALSE,
         true,
         {"Init", "AddSelection", "InitTreeDlg2", "ShowDlg"},
         0},
        {"files, nothing chosen",
         {u"a.part"},
         VARIANT_TRUE,
         VARIANT_TRUE,
         false,
         {"Init", "AddSelection", "InitTreeDlg2", "ShowDlg", "GetSelection"},
         0},
        {"files, chosen",
         {u"a.part", u"b.part"},
         VARIANT_TRUE,
         VARIANT_TRUE,
         true,
         {"Init", "AddSelection", "InitTreeDlg2", "ShowDlg", "GetSelection"},
         1},
        {"items, whatever the dialog's flag",
         {u"Gear.<item>"},
         VARIANT_TRUE,
         VARIANT_FALSE,
         true,
         {"Init", "AddSelection", "InitTreeDlg2", "CreateTree", "GetSelection"},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // A fresh item each time: what an earlier case linked stays linked.
        pump_ = CachedPump();
        operation_.calls.clear();
        operation_.acceptedOnEntry = 7;
        operation_.notEmpty = c.notEmpty;
        operation_.accepted = c.accepted;
        operation_.selection = c.chosen ? std::function<SAFEARRAY*()>([] { return NewRecords({kPartA}); }) : nullptr;
        checkOut_.calls = 0;
        std::vector<Seen> linked;
        EXPECT_EQ(Link(c.names, &linked), S_OK);
        EXPECT_EQ(operation_.calls, c.calls);
        EXPECT_EQ(checkOut_.calls, c.checkOuts);
        const std::vector<Seen> expected =
            c.checkOuts ? std::vector<Seen>{{ItmObjectType_File, 61, 10, ItmObjectType_Item}} : std::vector<Seen>{{}};
        EXPECT_EQ(linked, expected);
        if (c.calls.size() > 3) {
            EXPECT_EQ(operation_.acceptedOnEntry, VARIANT_FALSE);
        }
        EXPECT_EQ(operation_.currentLinks, 0);  // the item's links, none yet
        EXPECT_EQ(PumpLinks(), c.checkOuts);
    }
}

// The chosen files are checked against the item's links, checked out with
// the item (silently, with the caller's manager), become objects under the
// item and are linked to it as new links. A record of a kind that makes no
// object is left out instead of linked as an empty element.
TEST_F(ItemGenerationTest, ChosenFilesAreLinkedToTheCheckedOutItem) {
    const Row folderRecord{ItmObjectType_Project, 3, 0, ItmObjectType_Undefined, u"Sub", LinkType_Static};
    operation_.selection = [&] { return NewRecords({kPartA, folderRecord, kPartB}); };
    std::vector<Seen> linked;
    ASSERT_EQ(Link({u"a.part", u"b.part"}, &linked), S_OK);
    EXPECT_EQ(linked, (std::vector<Seen>{{ItmObjectType_File, 61, 10, ItmObjectType_Item},
                                         {ItmObjectType_File, 62, 10, ItmObjectType_Item}}));
    EXPECT_EQ(checkOut_.calls, 1);
    EXPECT_EQ(checkOut_.ids, std::vector<LONG>{kPump.id});
    EXPECT_EQ(checkOut_.silent, VARIANT_TRUE);
    EXPECT_EQ(checkOut_.manager, Manager());

    CComPtr<IItmLinkManager> links;
    ASSERT_EQ(pump_->get_LinkManager(&links), S_OK);
    EXPECT_EQ(PumpLinks(), 2);
    CComPtr<IItmObject> file;
    file.Attach(NewObject(*backEnd_, cache_, client_->Unknown(), kPartA));
    ItmLinkOperation operation = LinkOp_Undefined;
    EXPECT_EQ(links->GetLinkOperation(file, &operation), S_OK);
    EXPECT_EQ(operation, LinkOp_New);

    // Linking the same file again is refused by the link check, after the
    // check-out and before anything changes.
    operation_.selection = [&] { return NewRecords({kPartB}); };
    EXPECT_EQ(Link({u"b.part"}, &linked), E_ITEM_LINK_DUPLICATED);
    EXPECT_EQ(linked, (std::vector<Seen>{{}}));
    EXPECT_EQ(PumpLinks(), 2);
}

// A failed check-out is shown to the user (the catalogue's text, "Add Files
// to Item", a warning) and returned; nothing is linked.
TEST_F(ItemGenerationTest, AFailedCheckOutIsShownAndReturned) {
    operation_.selection = [] { return NewRecords({kPartA}); };
    checkOut_.result = E_OXN_LOCK_ERRORS;
    backEnd_->SetParentWindow(0);  // the message box needs a real owner or none
    ui_testing::ScriptedPrompter prompter;
    ui::MessageBoxQuestion asked;
    prompter.AnswerMessageBox(IDOK, [&](const ui::MessageBoxQuestion& q) { asked = q; });
    std::vector<Seen> linked;
    EXPECT_EQ(Link({u"a.part"}, &linked), E_OXN_LOCK_ERRORS);
    EXPECT_EQ(asked.text, ErrorText(E_OXN_LOCK_ERRORS));
    EXPECT_EQ(asked.caption, u"Add Files to Item");
    EXPECT_EQ(asked.style, static_cast<UINT>(MB_ICONWARNING));
    EXPECT_EQ(asked.owner, nullptr);
    EXPECT_EQ(linked, (std::vector<Seen>{{}}));
    EXPECT_EQ(PumpLinks(), 0);
}

// A record that no object can be made of ends the link with the creation's
// code, whether or not objects were made before it; nothing is linked.
TEST_F(ItemGenerationTest, AFailedObjectCreationLinksNothing) {
    Row broken = kPartB;
    broken.type = 12;  // no kind of object
    for (const std::vector<Row>& chosen : {std::vector<Row>{broken, kPartA}, std::vector<Row>{kPartA, broken}}) {
        operation_.selection = [&] { return NewRecords(chosen); };
        std::vector<Seen> linked;
        EXPECT_EQ(Link({u"a.part"}, &linked), E_ITEM_INVALID_ITEM_TYPE);
        EXPECT_EQ(linked, (std::vector<Seen>{{}}));
        EXPECT_EQ(PumpLinks(), 0);
    }
}

TEST_F(ItemGenerationTest, AddingFilesChecksItsArgumentsFirst) {
    SAFEARRAY* paths = Paths({u"a.part"});
    SAFEARRAY* empty = Paths({});
    SAFEARRAY* items = nullptr;
    IItmObject* parent = pump_;
    IItmObject* none = nullptr;
    IItmObject* folder = folder_;
    struct Case {
        const char* what;
        SAFEARRAY* paths;
        IItmObject** parent;
        SAFEARRAY** items;
        HRESULT expected;
    } const cases[] = {
        {"no paths", nullptr, &parent, &items, E_OXN_NULL_VALUE},
        {"no parent pointer", paths, nullptr, &items, E_OXN_NULL_VALUE},
        {"no parent", paths, &none, &items, E_OXN_NULL_VALUE},
        {"no out-pointer", paths, &parent, nullptr, E_OXN_NULL_VALUE},
        {"a folder", paths, &folder, &items, E_ITEM_INVALID_TARGET},
        {"no paths in the list", empty, &parent, &items, S_OK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(backEnd_->LinkFileFromFilePath(c.paths, c.parent, c.items, Manager()), c.expected);
        EXPECT_EQ(items, nullptr);
    }
    EXPECT_EQ(operation_.created, 0);

    // Chosen files without a vault-interface back end to check the item out.
    backEnd_->mvSetOxnInterface(nullptr);
    operation_.selection = [] { return NewRecords({kPartA}); };
    EXPECT_EQ(backEnd_->LinkFileFromFilePath(paths, &parent, &items, Manager()), E_POINTER);
    EXPECT_EQ(items, nullptr);
    EXPECT_EQ(PumpLinks(), 0);
    backEnd_->mvSetOxnInterface(vaultBackEnd_.get());
    SafeArrayDestroy(paths);
    SafeArrayDestroy(empty);
}

}  // namespace
