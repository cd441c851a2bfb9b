// The generation engine over the test vault: items generated for the folder
// items of the selection, the counter ids reserved by the tree and by
// "Generate new ID" (spent or freed by the vault, given back once), the cache
// write that may fail without failing the generation, the option "open
// generated items", and the reference dialog's outcome.
#include "handler_fixture.h"

#include "castavy/ids.h"
#include "com/runtime.h"
#include "com_testing/counting_class_factory.h"
#include "com_testing/pending_error_info.h"
#include "common/error_codes.h"
#include "common/record_array.h"
#include "coravent/ids.h"
#include "itemstore/cache_location.h"
#include "itemstore/item_cache_file.h"
#include "itemstore/item_cache_lock.h"
#include "vennacle/sp_items.h"
#include "vaultdb/schema.h"
#include "winapi/guid_text.h"
#include "winapi/path_mapping.h"
#include "winapi/profile.h"
#include "winapi/registry.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace coravent_test;
using namespace CoraventLib;

constexpr char16_t kRoot[] = u"C:\\Vault\\";
constexpr GUID kVaultId = com::MakeGuid("11223344-5566-4788-99AA-BBCCDDEEFF00");

// One item of the selection that is an item of a folder alone.
struct FolderItem {
    const char16_t* name;
    LONG folder;
};

class GenerationTest : public HandlerTest {
protected:
    void SetUp() override {
        HandlerTest::SetUp();
        // The view folder names its vault.
        std::filesystem::create_directories(winapi::ToPosixPath(kRoot));
        const std::u16string ini = std::u16string(kRoot) + u"desktop.ini";
        ASSERT_TRUE(
            WritePrivateProfileStringW(u"Tavrosk", u"VaultID", winapi::GuidToString(kVaultId).c_str(), ini.c_str()));
    }

    TestHandler& Handler() { return MakeHandler(TreeCreationType_ItemGeneration, kRoot); }

    void AddFolderItems(TestHandler& handler, const std::vector<FolderItem>& items) {
        RecordArray<ItemData> array;
        array.mvCreate(static_cast<ULONG>(items.size()), LIBID_CoraventLib, 1, 0);
        ItemData* data = array.mpoBegin();
        for (const FolderItem& item : items) {
            data->mbsItemName = item.name ? SysAllocString(item.name) : nullptr;
            data->mlItemFolderID = item.folder;
            ++data;
        }
        ASSERT_EQ(handler.AddSelection(array.mpoGetArray()), S_OK);
    }

    // New counter ids reserved in the vault, as a tree or "Generate new ID"
    // reserves them.
    std::vector<LONG> Reserve(LONG count) {
        Lst<SpStr> names;
        Lst<LONG> ids;
        EXPECT_EQ(Mgr().mpoGetItems()->mhGenerateItemIDs(count, names, ids), S_OK);
        std::vector<LONG> reserved;
        for (POSITION at = ids.GetHeadPosition(); at;) reserved.push_back(ids.GetNext(at));
        return reserved;
    }
    int CounterState(LONG id) {
        return static_cast<int>(
            vennacle_test::Sql(*vault_.db, "SELECT state FROM counters WHERE id = ?", {static_cast<int32_t>(id)}));
    }
    std::u16string ItemName(LONG id) {
        std::unique_ptr<vaultdb::Statement> row;
        EXPECT_EQ(vault_.db->Prepare("SELECT name FROM documents WHERE id = ?", row), S_OK);
        row->BindInt32(1, id);
        return row->Step() == S_OK ? row->ColumnText(0) : u"<none>";
    }
    int64_t ItemCount() { return vennacle_test::Sql(*vault_.db, "SELECT COUNT(*) FROM documents WHERE doc_type = 4"); }

    // A tree that reserved `ids`, and "Generate new ID" ids `fresh`.
    FakeTree& GiveReservations(TestHandler& handler, const std::vector<LONG>& ids, const std::vector<LONG>& fresh) {
        auto* tree = new FakeTree();
        for (LONG id : ids) tree->serials.push_back(SerialNoInfo{id, 99});
        GiveTree(tree);
        tree->Release();
        for (LONG id : fresh) handler.moNewIds[id] = SerialNoInfo{id, 0};
        return *tree;
    }

    std::vector<std::u16string> Names(SAFEARRAY* records) {
        std::vector<std::u16string> names;
        RecordArray<BellquistLib::ItmObjectData> array(records);
        for (const BellquistLib::ItmObjectData* record = array.mpoBegin(); record != array.mpoEnd(); ++record)
            names.emplace_back(com::BstrView(record->moFilename));
        return names;
    }
    std::filesystem::path CacheFile() {
        std::u16string path;
        EXPECT_EQ(ghItemCacheFilePath(kVaultId, path), S_OK);
        return winapi::ToPosixPath(path);
    }
    bool Cached(const std::u16string& name) {
        RefPtr<CItemCacheFile> cache(new CItemCacheFile(kVaultId));
        CItemCacheLock lock(cache, kCacheLockDirect);
        return cache->mhItemExists(lock, name) == S_OK;
    }
};

TEST_F(GenerationTest, FolderItemsAloneGenerateWithoutATree) {
    TestHandler& handler = Handler();
    AddFolderItems(handler, {{u"Widget", vault_.partsFolder}, {nullptr, 0}});
    EXPECT_EQ(handler.CreateXRefTree(nullptr), S_OK);  // no tree for folder items
    EXPECT_EQ(handler.mpoTree, nullptr);
    EXPECT_EQ(handler.CheckItemNames(), S_OK);  // the dialog's OK finds no rows to refuse

    SAFEARRAY* records = nullptr;
    VARIANT_BOOL open = VARIANT_FALSE;
    ASSERT_EQ(handler.DoGenerateItemsWithPushBack(vault_.itemsFolder, &records, &open), S_OK);
    ASSERT_NE(records, nullptr);
    const std::vector<std::u16string> names = Names(records);
    SafeArrayDestroy(records);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], u"Widget.<item>");
    EXPECT_TRUE(names[1].starts_with(u"ITM-")) << winapi::ToUtf8(names[1]);
    // Without the registry value the caller opens the new items.
    EXPECT_EQ(open, VARIANT_TRUE);
    EXPECT_EQ(ItemCount(), 2);
    EXPECT_TRUE(Cached(u"Widget.<item>"));
    EXPECT_TRUE(Cached(names[1]));
    // The selection was used up.
    EXPECT_TRUE(handler.moFolderItems.empty());
}

TEST_F(GenerationTest, NothingToGenerateLeavesTheResultAlone) {
    for (bool withTree : {false, true}) {
        TestHandler& handler = Handler();
        if (withTree) GiveReservations(handler, {}, {});
        SAFEARRAY* untouched = reinterpret_cast<SAFEARRAY*>(0x1);
        VARIANT_BOOL open = VARIANT_TRUE;
        EXPECT_EQ(handler.DoGenerateItemsWithPushBack(vault_.itemsFolder, &untouched, &open), S_OK);
        EXPECT_EQ(untouched, reinterpret_cast<SAFEARRAY*>(0x1));
        EXPECT_EQ(open, VARIANT_FALSE);
        EXPECT_EQ(handler.DoGenerateItems(vault_.itemsFolder, nullptr, nullptr), E_POINTER);
    }
    EXPECT_EQ(ItemCount(), 0);
}

TEST_F(GenerationTest, TheVaultSpendsOrFreesEveryHeldIdAndNoneGoesBackLater) {
    const std::vector<LONG> treeIds = Reserve(2);
    const std::vector<LONG> freshIds = Reserve(1);
    TestHandler& handler = Handler();
    GiveReservations(handler, treeIds, freshIds);
    AddFolderItems(handler, {{nullptr, vault_.partsFolder}});

    SAFEARRAY* records = nullptr;
    VARIANT_BOOL open = VARIANT_FALSE;
    ASSERT_EQ(handler.DoGenerateItemsWithPushBack(vault_.partsFolder, &records, &open), S_OK);
    const std::vector<std::u16string> names = Names(records);
    SafeArrayDestroy(records);
    // The unnamed item took one of the ids held; the others are free again.
    ASSERT_EQ(names.size(), 1u);
    int spent = 0;
    for (LONG id : {treeIds[0], treeIds[1], freshIds[0]}) {
        const int state = CounterState(id);
        EXPECT_NE(state, vaultdb::kCounterReserved) << id;
        spent += state == vaultdb::kCounterSpent;
    }
    EXPECT_EQ(spent, 1);
    EXPECT_TRUE(handler.mbTreeIdsReturned);
    EXPECT_TRUE(handler.moNewIds.empty());

    // Another user reserves the freed ids; nothing of this operation can
    // free them under that user.
    const std::vector<LONG> others = Reserve(2);
    EXPECT_EQ(handler.PushBackCounterIDs(), S_OK);
    for (LONG id : others) EXPECT_EQ(CounterState(id), vaultdb::kCounterReserved) << id;
}

TEST_F(GenerationTest, AnOperationEndingWithoutGenerationGivesItsIdsBack) {
    const std::vector<LONG> treeIds = Reserve(2);
    const std::vector<LONG> freshIds = Reserve(1);
    GiveReservations(Handler(), treeIds, freshIds);
    Handler();  // the first handler goes
    for (LONG id : {treeIds[0], treeIds[1], freshIds[0]}) EXPECT_EQ(CounterState(id), vaultdb::kCounterFree) << id;

    // After a generation nothing goes back: the vault settled every id.
    const std::vector<LONG> more = Reserve(2);
    TestHandler& generating = Handler();
    GiveReservations(generating, more, {});
    AddFolderItems(generating, {{nullptr, vault_.partsFolder}});
    VARIANT_BOOL open = VARIANT_FALSE;
    ASSERT_EQ(generating.DoGenerateItemsWithPushBack(vault_.partsFolder, nullptr, &open), S_OK);
    // Another user takes every free id, the one the generation freed among them.
    const std::vector<LONG> others = Reserve(4);
    EXPECT_NE(std::find(others.begin(), others.end(), more[1]), others.end());
    Handler();
    for (LONG id : others) EXPECT_EQ(CounterState(id), vaultdb::kCounterReserved) << id;
}

TEST_F(GenerationTest, AFailedCacheWriteKeepsTheItemsAndTheirIds) {
    std::filesystem::create_directories(CacheFile());  // the cache file cannot be opened
    const std::vector<LONG> treeIds = Reserve(1);
    TestHandler& handler = Handler();
    GiveReservations(handler, treeIds, {});
    AddFolderItems(handler, {{nullptr, vault_.partsFolder}});
    SAFEARRAY* records = nullptr;
    VARIANT_BOOL open = VARIANT_FALSE;
    ASSERT_EQ(handler.DoGenerateItemsWithPushBack(vault_.partsFolder, &records, &open), S_OK);
    const std::vector<std::u16string> first = Names(records);
    SafeArrayDestroy(records);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(open, VARIANT_TRUE);
    EXPECT_EQ(CounterState(treeIds[0]), vaultdb::kCounterSpent);

    // The next generation takes another number.
    TestHandler& next = Handler();
    AddFolderItems(next, {{nullptr, vault_.partsFolder}});
    ASSERT_EQ(next.DoGenerateItemsWithPushBack(vault_.partsFolder, &records, &open), S_OK);
    const std::vector<std::u16string> second = Names(records);
    SafeArrayDestroy(records);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_NE(second[0], first[0]);
    EXPECT_EQ(ItemCount(), 2);
}

TEST_F(GenerationTest, AViewThatDoesNotNameItsVaultStillGenerates) {
    TestHandler& handler = MakeHandler(TreeCreationType_ItemGeneration, u"C:\\Elsewhere\\");
    AddFolderItems(handler, {{u"Widget", vault_.partsFolder}});
    SAFEARRAY* records = nullptr;
    VARIANT_BOOL open = VARIANT_FALSE;
    // No error info is left behind (the fixture checks).
    ASSERT_EQ(handler.DoGenerateItemsWithPushBack(vault_.partsFolder, &records, &open), S_OK);
    EXPECT_EQ(Names(records), std::vector<std::u16string>{u"Widget.<item>"});
    SafeArrayDestroy(records);
    EXPECT_EQ(ItemCount(), 1);
}

TEST_F(GenerationTest, AGenerationTheVaultRefusesGivesTheIdsBackOnce) {
    const std::vector<LONG> treeIds = Reserve(2);
    const std::vector<LONG> freshIds = Reserve(1);
    TestHandler& handler = Handler();
    GiveReservations(handler, treeIds, freshIds);
    // Not an item folder: the vault generates nothing.
    AddFolderItems(handler, {{u"Widget", vault_.cadFolder}});
    SAFEARRAY* records = nullptr;
    VARIANT_BOOL open = VARIANT_TRUE;
    EXPECT_EQ(handler.DoGenerateItemsWithPushBack(vault_.partsFolder, &records, &open), E_OXN_FOLDER_NOT_FOUND);
    com_testing::TakePendingDescription();
    EXPECT_EQ(records, nullptr);
    EXPECT_EQ(open, VARIANT_FALSE);
    EXPECT_EQ(ItemCount(), 0);
    for (LONG id : {treeIds[0], treeIds[1], freshIds[0]}) EXPECT_EQ(CounterState(id), vaultdb::kCounterFree) << id;

    // Given back once: a second give-back leaves another user's reservations.
    const std::vector<LONG> others = Reserve(3);
    EXPECT_EQ(handler.PushBackCounterIDs(), S_OK);
    EXPECT_EQ(handler.DoGenerateItemsWithPushBack(vault_.partsFolder, &records, &open), E_OXN_FOLDER_NOT_FOUND);
    com_testing::TakePendingDescription();
    for (LONG id : others) EXPECT_EQ(CounterState(id), vaultdb::kCounterReserved) << id;
}

TEST_F(GenerationTest, TheOpenGeneratedItemsOption) {
    TestHandler& handler = Handler();
    LONG value = 0;
    EXPECT_EQ(handler.OpenGeneratedItemsOption(value, false), S_OK);
    EXPECT_EQ(value, 1);  // no key
    value = 0;
    EXPECT_EQ(handler.OpenGeneratedItemsOption(value, true), S_OK);
    value = 7;
    EXPECT_EQ(handler.OpenGeneratedItemsOption(value, false), S_OK);
    EXPECT_EQ(value, 0);

    AddFolderItems(handler, {{u"Widget", vault_.partsFolder}});
    VARIANT_BOOL open = VARIANT_TRUE;
    ASSERT_EQ(handler.DoGenerateItemsWithPushBack(vault_.partsFolder, nullptr, &open), S_OK);
    EXPECT_EQ(open, VARIANT_FALSE);
    EXPECT_EQ(ItemCount(), 1);
}

// The reference dialog as a test scripts it: what each step answers.
class ScriptedDialog : public FakeObject<CASTAVYLib::IFileCastavy> {
public:
    static inline HRESULT putTypeResult = S_OK;
    static inline HRESULT showResult = S_OK;
    static inline LONG chosenFolder = 0;  // what the user chose while it showed (0: none)
    static inline std::vector<LONG> flagWords;

    HRESULT STDMETHODCALLTYPE Show(LONG, IUnknown* poCommand, LONG, LONG, BSTR) override {
        CComQIPtr<CASTAVYLib::IFileRefCmd3> command(poCommand);
        SAFEARRAY* one = nullptr;
        SAFEARRAY* two = nullptr;
        LONG flags = 0;
        if (SUCCEEDED(command->GetColumns(&one, &two, &flags))) {
            flagWords.push_back(flags);
            SafeArrayDestroy(one);
            SafeArrayDestroy(two);
        }
        if (chosenFolder)
            static_cast<TestHandler*>(
                static_cast<coravent::CXRefTreeHandler*>(static_cast<CASTAVYLib::IFileRefCmd3*>(command)))
                ->mlDestFolderID = chosenFolder;
        return showResult;
    }
    HRESULT STDMETHODCALLTYPE PutTreeType(LONG lTreeType) override {
        EXPECT_EQ(lTreeType, CASTAVYLib::kTreeTypeReferences);
        return putTypeResult;
    }
    HRESULT STDMETHODCALLTYPE GetText(BSTR* pbsText) override {
        *pbsText = SysAllocString(u"comment");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetText(BSTR) override { return S_OK; }
};

class ShowDialogTest : public GenerationTest {
protected:
    void SetUp() override {
        GenerationTest::SetUp();
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        ScriptedDialog::putTypeResult = S_OK;
        ScriptedDialog::showResult = S_OK;
        ScriptedDialog::chosenFolder = 0;
        ScriptedDialog::flagWords.clear();
    }
    void TearDown() override {
        if (cookie_) CoRevokeClassObject(cookie_);
        CoUninitialize();
        GenerationTest::TearDown();
    }
    void RegisterDialog() {
        ASSERT_EQ(CoRegisterClassObject(CASTAVYLib::CLSID_FileCastavy, &dialogs_, CLSCTX_INPROC_SERVER,
                                        REGCLS_MULTIPLEUSE, &cookie_),
                  S_OK);
    }
    TestHandler& DialogHandler() {
        TestHandler& handler = Handler();
        SAFEARRAY* one = SafeArrayCreateVector(VT_I4, 0, 0);
        SAFEARRAY* two = SafeArrayCreateVector(VT_I4, 0, 0);
        EXPECT_EQ(handler.SetColumns(one, two, 0x20812), S_OK);
        SafeArrayDestroy(one);
        SafeArrayDestroy(two);
        return handler;
    }

    static IUnknown* MakeDialog() { return (new ScriptedDialog)->Identity(); }
    com_testing::CountingClassFactory dialogs_{&MakeDialog};
    DWORD cookie_ = 0;
};

TEST_F(ShowDialogTest, EachFailingStepHasItsMessage) {
    TestHandler& handler = DialogHandler();
    EXPECT_EQ(handler.ShowDlg(0, 0, nullptr), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(com_testing::TakePendingDescription(), u"Could not create an instance of IFileCastavy.");

    RegisterDialog();
    ScriptedDialog::putTypeResult = E_INVALIDARG;
    EXPECT_EQ(handler.ShowDlg(0, 0, nullptr), E_INVALIDARG);
    EXPECT_EQ(com_testing::TakePendingDescription(), u"Could not put tree type.");

    ScriptedDialog::putTypeResult = S_OK;
    ScriptedDialog::showResult = E_FAIL;
    EXPECT_EQ(handler.ShowDlg(0, 0, nullptr), E_FAIL);
    EXPECT_EQ(com_testing::TakePendingDescription(), u"Could not open xref dialog window.");
}

TEST_F(ShowDialogTest, OkHandsTheChosenFolderBackWithTheFlagsTheCallerAsked) {
    RegisterDialog();
    TestHandler& handler = DialogHandler();
    ScriptedDialog::chosenFolder = vault_.partsFolder;
    LONG folder = vault_.itemsFolder;
    EXPECT_EQ(handler.ShowDlg(0, Itemdf_ShowOpenCheckbox | Itemdf_MayChangeFolder, &folder), S_OK);
    EXPECT_EQ(folder, vault_.partsFolder);
    EXPECT_EQ(handler.ShowDlg(0, Itemdf_Nothing, nullptr), S_OK);
    EXPECT_EQ(ScriptedDialog::flagWords, (std::vector<LONG>{0x1E020812, 0x10020812}));
}

TEST_F(ShowDialogTest, CancelGivesTheTreesAndNewIdsBack) {
    RegisterDialog();
    const std::vector<LONG> treeIds = Reserve(2);
    const std::vector<LONG> freshIds = Reserve(1);
    TestHandler& handler = DialogHandler();
    GiveReservations(handler, treeIds, freshIds);
    ScriptedDialog::showResult = S_FALSE;
    LONG folder = vault_.itemsFolder;
    EXPECT_EQ(handler.ShowDlg(0, 0, &folder), E_OXN_CANCELLED_BY_USER);
    EXPECT_EQ(folder, vault_.itemsFolder);
    for (LONG id : {treeIds[0], treeIds[1], freshIds[0]}) EXPECT_EQ(CounterState(id), vaultdb::kCounterFree) << id;
    // A second cancel gives nothing back twice.
    const std::vector<LONG> others = Reserve(3);
    EXPECT_EQ(handler.ShowDlg(0, 0, &folder), E_OXN_CANCELLED_BY_USER);
    for (LONG id : others) EXPECT_EQ(CounterState(id), vaultdb::kCounterReserved) << id;
}

}  // namespace
