// The unlock driver of both back ends against a fake unlock component served
// in this process, a fake data provider, a scripted progress object and a
// real item cache: what the command and the dialog are given and in which
// order, where the driver stops, and which items the run's callback sends to
// the cache refresh afterwards.

#include "unlock_driver.h"

#include "fake_client_library.h"
#include "fake_unlock_component.h"
#include "item_objects_support.h"
#include "proxy_oxn_interface.h"
#include "proxy_tavrosk_api.h"
#include "registered_records_fixture.h"
#include "scripted_item_progress.h"

#include "itemstore/item_cache_lock.h"
#include "itemstore/item_object.h"
#include "itemstore/itm_bom_class.h"
#include "itemstore/itm_file_class.h"
#include "itemstore/itm_folder_class.h"
#include "itemstore/itm_item_class.h"

#include "brevanne/records.h"
#include "com/bstr_t.h"
#include "com/ccom_ptr.h"
#include "com/safearray.h"
#include "com_testing/pending_error_info.h"
#include "common/error_codes.h"
#include "tavrosk/client_interfaces.h"
#include "winapi/errors.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace BellquistLib;
using BrevanneLib::IUnlockOpCallback;
using conversion_test::Loaded;
using conversion_test::ObjectList;
using conversion_test::ObjectValues;
using itemmanager_test::ScriptedItemProgress;
using unlock_fakes::FakeUnlockProvider;
using unlock_fakes::FileRecord;
using unlock_fakes::ProviderScript;
using unlock_fakes::ServedUnlockComponent;
using unlock_fakes::UnlockScript;

namespace {

using Log = std::vector<std::string>;

const GUID kVaultGUID = com::MakeGuid("10111213-2021-3031-4041-505152535455");
const GUID kViewGUID = com::MakeGuid("A0A1A2A3-B0B1-C0C1-D0D1-E0E1E2E3E4E5");
constexpr LONG kUserId = 17;
constexpr LONG kDateFormat = 3;
constexpr LONG kClientRights = 0x40;

// The calls of a run that was confirmed, up to the run.
Log ConfirmedRun(LONG command, const char* caption, const char* run = "Run callback") {
    return {"Start",
            "SetCommand " + std::to_string(command) + " 0",
            "GetText",
            "Dialog.SetText 'for the dialog'",
            std::string("Show 0 300 '") + caption + "'",
            "Dialog.GetText",
            "SetText 'Bracket widened'",
            run};
}

// The client library's object: the tree fetch of the cache refresh (the
// records it is given come back as fetched), and IUnlockOpDb handed on from
// the data provider.
class FakeClient final : public FakeClientLibrary {
public:
    explicit FakeClient(FakeUnlockProvider& provider) : provider_(provider) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == BrevanneLib::IUnlockOpDb::kIid) return provider_.QueryInterface(iid, out);
        IUnknown* answer = nullptr;
        if (iid == IID_IUnknown || iid == TavroskClientLib::ITavroskClient::kIid)
            answer = static_cast<TavroskClientLib::ITavroskClient*>(this);
        if (iid == TavroskClientLib::ITavroskServices::kIid)
            answer = static_cast<TavroskClientLib::ITavroskServices*>(this);
        return com_testing::AnswerQuery(out, answer);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return references_.Release(); }

    HRESULT STDMETHODCALLTYPE FetchTrees(VARIANT_BOOL, LONG, VARIANT_BOOL, LONG, SAFEARRAY* input, SAFEARRAY** fetched,
                                         SAFEARRAY*, SAFEARRAY** deleted) override {
        const std::vector<fake_client::Row> rows = fake_client::Rows(input);
        for (const fake_client::Row& row : rows) refetched.push_back(row.name);
        *fetched = fake_client::NewRecords(rows);
        *deleted = nullptr;
        return S_OK;
    }

    // The names of the items the cache refresh fetched again.
    std::vector<std::u16string> refetched;

private:
    FakeUnlockProvider& provider_;
    com_testing::FakeReferenceCount references_{com_testing::FakeReferenceCount::Lifetime::kOwnedByTest};
};

// The client back end logged in as far as the driver needs, with the fake
// client in place of the library it creates, for a view path with trailing
// backslashes.
class ClientBackEnd : public CProxyTavroskAPI {
public:
    ClientBackEnd(const RefPtr<CItemCacheFile>& cache, FakeClient& client) : CProxyTavroskAPI(cache) {
        mpoClient = &client;
        client.AddRef();
        InitData data{};
        data.moViewPath = SysAllocString(u"C:\\Views\\Pumps\\\\");
        data.moViewGUID = kViewGUID;
        data.moVaultGUID = kVaultGUID;
        mvKeepInitData(data);
        SysFreeString(data.moViewPath);
        mlUserID = kUserId;
        mlDateFormat = kDateFormat;
        mlSystemRights = kClientRights;
    }
};

class UnlockDriverTest : public RegisteredRecordsTest {
protected:
    void SetUp() override {
        RegisteredRecordsTest::SetUp();
        if (HasFatalFailure()) return;
        BrevanneLib::RegisterRecords();
        cache_ = NewItemCache();
        client_ = std::make_unique<ClientBackEnd>(cache_, fakeClient_);
        vault_ = std::make_unique<CProxyOxnInterface>(cache_, client_.get());
        InitData data{};
        data.moViewPath = SysAllocString(u"C:\\Views\\Pumps\\");
        data.moViewGUID = kViewGUID;
        data.moVaultGUID = kVaultGUID;
        data.mllOxnVault =
            reinterpret_cast<uintptr_t>(static_cast<IUnknown*>(static_cast<BrevanneLib::IUnlockOpDb*>(&provider_)));
        ASSERT_EQ(vault_->Init(data), S_OK);
        SysFreeString(data.moViewPath);
        served_ = std::make_unique<ServedUnlockComponent>(script_);
        script_.commandText = u"for the dialog";
        item_ = Loaded<CItmItem>(Item(ItmObjectType_Item, 12, 3, u"Pump.<item>"));
    }
    void TearDown() override {
        served_.reset();
        item_ = nullptr;
        vault_.reset();
        client_.reset();
        cache_ = nullptr;
        EXPECT_EQ(provider_.References(), 1u);
        RegisteredRecordsTest::TearDown();
    }

    static ObjectValues Item(ItmObjectType type, LONG id, LONG parentProjectID, const char16_t* name) {
        ObjectValues v;
        v.type = type;
        v.id = id;
        v.parentProjectID = parentProjectID;
        v.name = name;
        return v;
    }
    void Cache(const std::u16string& name, LONG id) {
        CItemCacheLock lock(cache_, kCacheLockDirect);
        RefPtr<ItemObject> item(new ItemObject());
        item->meObjectType = kObjectTypeItem;
        item->mlObjectID = id;
        item->mlParentProjectID = 7;
        item->mvSetFileName(name);
        ASSERT_EQ(cache_->mhWriteItem(lock, item), S_OK);
    }

    ScriptedItemProgress progress_;
    ProviderScript providerScript_;
    FakeUnlockProvider provider_{providerScript_};
    FakeClient fakeClient_{provider_};
    RefPtr<CItemCacheFile> cache_;
    std::unique_ptr<ClientBackEnd> client_;
    std::unique_ptr<CProxyOxnInterface> vault_;
    UnlockScript script_;
    std::unique_ptr<ServedUnlockComponent> served_;
    CComPtr<IItmObject> item_;
};

// Each item becomes one file record: folders by their id, items and BOMs by
// id and project, anything else (0, 0), every name empty. The start record
// carries the vault, the view folder without its trailing backslashes, the
// login's user, the view, the rights and the date format.
TEST_F(UnlockDriverTest, TheCommandGetsOneRecordPerItemAndTheLoginAndView) {
    CComPtr<IItmObject> folder = Loaded<CItmFolder>(Item(ItmObjectType_ItemFolder, 5, 0, u"Pumps"));
    CComPtr<IItmObject> bom = Loaded<CItmBOM>(Item(ItmObjectType_BOM, 20, 3, u"pump.bom"));
    CComPtr<IItmObject> file = Loaded<CItmFile>(Item(ItmObjectType_File, 30, 3, u"pump.part"));
    CComPtr<IItmObject> root = Loaded<CItmFolder>(Item(ItmObjectType_Root_ItemFolder, 1, 0, u"Root"));
    CComPtr<IItmObject> vaultFolder = Loaded<CItmFolder>(Item(ItmObjectType_Vault, 2, 0, u"Vault"));
    ObjectList items({item_, folder, file, bom, root, vaultFolder});

    EXPECT_EQ(client_->CheckIn(items.get(), &progress_), S_OK);
    const std::vector<FileRecord> expected = {{12, 3, u""}, {0, 5, u""}, {0, 0, u""},
                                              {20, 3, u""}, {0, 1, u""}, {0, 2, u""}};
    EXPECT_EQ(script_.files, expected);
    EXPECT_TRUE(script_.dbGiven);
    EXPECT_EQ(script_.viewPath, u"C:\\Views\\Pumps");
    EXPECT_EQ(script_.record.vaultGuid, kVaultGUID);
    EXPECT_EQ(script_.record.userId, kUserId);
    EXPECT_EQ(script_.record.viewGuid, kViewGUID);
    EXPECT_EQ(script_.record.systemRights, kClientRights);
    EXPECT_EQ(script_.record.dateFormat, kDateFormat);
    EXPECT_TRUE(script_.showGotSource) << "the dialog reads the command's own interface";
}

// Check-in sends 137, undo check-out 142. The client back end's dialog is
// captioned "Unlock"; the vault object's "UndoCheckout" exactly when the
// command reports an undo, whatever was asked. The dialog gets the command's
// text and the command the dialog's, before the run.
TEST_F(UnlockDriverTest, CommandIdsCaptionsAndTheTextsOfTheDialog) {
    struct Case {
        const char* what;
        bool vault;
        bool checkIn;
        bool commandKind;
        LONG undo;
        LONG command;
        const char* caption;
    };
    const Case cases[] = {
        {"client check-in", false, true, true, 1, 137, "Unlock"},
        {"client undo", false, false, false, 0, 142, "Unlock"},
        {"vault check-in", true, true, false, 0, 137, "Unlock"},
        {"vault undo, no kind interface", true, false, false, 0, 142, "Unlock"},
        {"vault undo reported", true, false, true, 1, 142, "UndoCheckout"},
        {"vault check-in reported as undo", true, true, true, 1, 137, "UndoCheckout"},
        {"vault undo reported 0", true, false, true, 0, 142, "Unlock"},
        {"vault undo reported 2", true, false, true, 2, 142, "Unlock"},
    };
    ObjectList items({item_});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        script_.log.clear();
        script_.commandKind = c.commandKind;
        script_.undoCheckOut = c.undo;
        CProxy& backEnd = c.vault ? static_cast<CProxy&>(*vault_) : *client_;
        const HRESULT hr =
            c.checkIn ? backEnd.CheckIn(items.get(), &progress_) : backEnd.UndoCheckOut(items.get(), &progress_);
        EXPECT_EQ(hr, S_OK);
        EXPECT_EQ(script_.log, ConfirmedRun(c.command, c.caption));
    }
}

// The vault back end takes the user's system rights from the vault object
// when it answers IVaultRapper (and keeps them), else its own; a failing
// call ends the driver with the vault object's error before the start.
TEST_F(UnlockDriverTest, TheVaultObjectGivesTheSystemRights) {
    ObjectList items({item_});
    EXPECT_EQ(vault_->CheckIn(items.get(), &progress_), S_OK);
    EXPECT_EQ(script_.record.systemRights, 0);
    EXPECT_EQ(script_.record.userId, kUserId) << "the client back end's login";
    EXPECT_EQ(script_.record.dateFormat, 0) << "the vault back end's own";

    providerScript_.vaultRapper = true;
    providerScript_.systemRights = 0x2A;
    EXPECT_EQ(vault_->CheckIn(items.get(), &progress_), S_OK);
    EXPECT_EQ(script_.record.systemRights, 0x2A);
    EXPECT_EQ(vault_->mlGetSystemRights(), 0x2A);

    EXPECT_EQ(client_->CheckIn(items.get(), &progress_), S_OK);
    EXPECT_EQ(script_.record.systemRights, kClientRights) << "the client back end never asks";
    EXPECT_EQ(providerScript_.userInfoCalls, 1);

    providerScript_.userInfo = E_OXN_NOT_LOGGED_IN;
    script_.log.clear();
    EXPECT_EQ(vault_->CheckIn(items.get(), &progress_), E_OXN_NOT_LOGGED_IN);
    EXPECT_EQ(com_testing::TakePendingDescription(), u"No session.");
    EXPECT_EQ(script_.log, Log{});
}

// Where the driver stops, and what it answers: nothing is created for an
// empty list or without a data provider, a cancelled dialog never runs the
// command, and E_OXN_NOT_INITIALIZED raised by a call counts as success.
TEST_F(UnlockDriverTest, WhereTheDriverStops) {
    struct Case {
        const char* what;
        std::function<void(UnlockScript&, ProviderScript&)> arrange;
        HRESULT expected;
        Log log;
        int commandsMade = 1;
        int dialogsMade = 1;
    };
    const Log confirmed = ConfirmedRun(137, "Unlock");
    const Log shown(confirmed.begin(), confirmed.begin() + 5);
    const Case cases[] = {
        {"no IUnlockOpDb", [](UnlockScript&, ProviderScript& p) { p.unlockDb = false; }, E_OXN_NULL_VALUE, {}, 0, 0},
        {"no start interface", [](UnlockScript& s, ProviderScript&) { s.startInterface = false; }, E_POINTER, {}, 1, 0},
        {"start fails",
         [](UnlockScript& s, ProviderScript&) { s.start = E_OXN_DATABASE_ACCESS; },
         E_OXN_DATABASE_ACCESS,
         {"Start"},
         1,
         0},
        {"no dialog interface",
         [](UnlockScript& s, ProviderScript&) { s.dialogSource = false; },
         E_OXN_NULL_VALUE,
         {"Start", "SetCommand 137 0"},
         1,
         0},
        {"dialog cancelled", [](UnlockScript& s, ProviderScript&) { s.show = S_FALSE; }, E_OXN_CANCELLED_BY_USER,
         shown},
        {"dialog fails", [](UnlockScript& s, ProviderScript&) { s.show = E_FAIL; }, E_FAIL, shown},
        {"run fails",
         [](UnlockScript& s, ProviderScript&) { s.run = [](IUnlockOpCallback*) { return E_OXN_LOCK_ERRORS; }; },
         E_OXN_LOCK_ERRORS, confirmed},
        {"not initialised raised",
         [](UnlockScript& s, ProviderScript&) { s.setCommand = E_OXN_NOT_INITIALIZED; },
         S_OK,
         {"Start", "SetCommand 137 0"},
         1,
         0},
        {"not initialised returned by the run",
         [](UnlockScript& s, ProviderScript&) { s.run = [](IUnlockOpCallback*) { return E_OXN_NOT_INITIALIZED; }; },
         E_OXN_NOT_INITIALIZED, confirmed},
    };
    ObjectList items({item_});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        script_ = UnlockScript();
        script_.commandText = u"for the dialog";
        providerScript_ = ProviderScript();
        c.arrange(script_, providerScript_);
        EXPECT_EQ(client_->CheckIn(items.get(), &progress_), c.expected);
        EXPECT_EQ(script_.log, c.log);
        EXPECT_EQ(script_.commandsMade, c.commandsMade);
        EXPECT_EQ(script_.dialogsMade, c.dialogsMade);
        const std::u16string error = com_testing::TakePendingDescription();
        if (c.expected == E_FAIL) {
            EXPECT_EQ(error, u"The dialog cannot be shown.");
        }
    }
}

// Arguments the driver refuses before anything is created, and components
// that are not there.
TEST_F(UnlockDriverTest, ListsAndComponentsTheDriverRefuses) {
    ObjectList empty({});
    EXPECT_EQ(client_->CheckIn(empty.get(), &progress_), S_OK);
    EXPECT_EQ(vault_->UndoCheckOut(empty.get(), &progress_), S_OK);
    EXPECT_EQ(client_->CheckIn(nullptr, &progress_), E_OXN_NULL_VALUE);
    EXPECT_EQ(vault_->UndoCheckOut(nullptr, &progress_), E_OXN_NULL_VALUE);
    EXPECT_EQ(script_.commandsMade, 0);

    SAFEARRAY* longs = SafeArrayCreateVector(VT_I4, 0, 1);
    EXPECT_EQ(client_->CheckIn(longs, &progress_), E_INVALIDARG);
    SafeArrayDestroy(longs);
    ObjectList withEmptyElement({item_, nullptr});
    EXPECT_EQ(client_->CheckIn(withEmptyElement.get(), &progress_), E_OXN_NULL_VALUE);
    EXPECT_EQ(script_.log, Log{}) << "nothing started";
    com_testing::TakePendingDescription();

    ObjectList items({item_});
    CProxyOxnInterface withoutVault(cache_, client_.get());
    EXPECT_EQ(withoutVault.CheckIn(items.get(), &progress_), E_OXN_NULL_VALUE);
    EXPECT_EQ(script_.commandsMade, 2) << "the two refused lists' commands, none for the missing vault";

    served_.reset();
    served_ = std::make_unique<ServedUnlockComponent>(script_, false, true);
    EXPECT_EQ(client_->CheckIn(items.get(), &progress_), REGDB_E_CLASSNOTREG);
    served_.reset();
    served_ = std::make_unique<ServedUnlockComponent>(script_, true, false);
    script_.log.clear();
    EXPECT_EQ(client_->CheckIn(items.get(), &progress_), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(script_.log, (Log{"Start", "SetCommand 137 0"}));
}

// After a successful run the items the callback was told of are refreshed
// in the cache: an item the cache does not hold is skipped (S_OK), a file
// the user chose to leave alone is not refreshed, and neither is anything
// when the run had no callback or failed.
TEST_F(UnlockDriverTest, TheRunsItemsAreRefreshedInTheCacheAfterwards) {
    Cache(u"Pump.<item>", 12);
    Cache(u"Gear.<item>", 13);
    Cache(u"Seal.<item>", 14);
    script_.run = [](IUnlockOpCallback* callback) -> HRESULT {
        if (!callback) return S_OK;
        EXPECT_EQ(callback->Start(0, 4), S_OK);
        EXPECT_EQ(callback->NextFile(_bstr_t(u"C:\\Views\\Pumps\\<items>\\A\\Pump.<item>")), S_OK);
        EXPECT_EQ(callback->NextFile(_bstr_t(u"C:\\Views\\Pumps\\<items>\\A\\Valve.<item>")), S_OK);
        EXPECT_EQ(callback->NextFile(_bstr_t(u"C:\\Views\\Pumps\\<items>\\A\\Seal.<item>")), S_OK);
        LONG reply = -7;
        EXPECT_EQ(callback->Question(BrevanneLib::kQuestionUnknownFormat, 14, 1,
                                     _bstr_t(u"C:\\Views\\Pumps\\<items>\\A\\Seal.<item>"), nullptr, &reply),
                  S_OK);
        EXPECT_EQ(reply, BrevanneLib::kReplySkipFile);
        EXPECT_EQ(callback->NextFile(_bstr_t(u"C:\\Views\\Pumps\\<items>\\A\\pump.part")), S_OK);
        return S_OK;
    };
    progress_.answers = {ItmProgBtn_No};
    ObjectList items({item_});
    EXPECT_EQ(vault_->CheckIn(items.get(), &progress_), S_OK);
    EXPECT_EQ(fakeClient_.refetched, std::vector<std::u16string>{u"Pump.<item>"});

    fakeClient_.refetched.clear();
    EXPECT_EQ(client_->UndoCheckOut(items.get(), nullptr), S_OK);
    EXPECT_EQ(script_.log.back(), "Run null");
    EXPECT_TRUE(fakeClient_.refetched.empty());

    script_.run = [](IUnlockOpCallback* callback) {
        callback->Start(0, 1);
        callback->NextFile(_bstr_t(u"C:\\Views\\Pumps\\<items>\\A\\Gear.<item>"));
        return E_OXN_CANCELLED_BY_USER;
    };
    EXPECT_EQ(vault_->UndoCheckOut(items.get(), &progress_), E_OXN_CANCELLED_BY_USER);
    EXPECT_TRUE(fakeClient_.refetched.empty());
    EXPECT_TRUE(progress_.answers.empty());
}

}  // namespace
