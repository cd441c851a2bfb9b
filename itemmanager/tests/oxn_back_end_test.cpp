// The vault-interface back end through the item manager, against a fake of
// the vault's public interface: what the vault is told, in which order, when
// it is not asked at all, and how its answers become the manager's result.

#include "spy_back_ends.h"

#include "item_objects_support.h"
#include "fake_oxn_vault.h"

#include "itemstore/itm_bom_class.h"
#include "itemstore/itm_file_class.h"
#include "itemstore/itm_folder_class.h"
#include "itemstore/itm_item_class.h"

#include "com/bstr_t.h"
#include "com/ccom_ptr.h"
#include "com/error_info.h"
#include "com/server/com_object.h"
#include "com_testing/leak_checked_test.h"
#include "oxnvault/type_library.h"
#include "testsupport/fresh_machine.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace BellquistLib;
using conversion_test::Loaded;
using conversion_test::ObjectList;
using conversion_test::ObjectValues;
using oxn_test::FakeOxnProgress;
using oxn_test::FakeOxnVault;
using oxn_test::ListEntry;
using oxn_test::OxnLog;

namespace {

constexpr HRESULT kNotInitialized = static_cast<HRESULT>(0x80040201);
constexpr HRESULT kCancelled = static_cast<HRESULT>(0x80040226);
constexpr HRESULT kNullValue = static_cast<HRESULT>(0x80040240);
constexpr HRESULT kLockErrors = static_cast<HRESULT>(0x80040266);
constexpr HRESULT kInvalidSource = static_cast<HRESULT>(0x800402B5);
constexpr HRESULT kDatabaseAccess = static_cast<HRESULT>(0x80040207);
constexpr ULONGLONG kParent = 42;
constexpr LONG kViewServer = 9;

using Strings = std::vector<std::string>;

// The real vault-interface back end with the fake progress object in place
// of the vault client's (none while `progress` is null).
class ScriptedProgressBackEnd : public CProxyOxnInterface {
public:
    ScriptedProgressBackEnd(const RefPtr<CItemCacheFile>& cacheFile, CProxyTavroskAPI* client,
                            FakeOxnProgress*& progress)
        : CProxyOxnInterface(cacheFile, client), progress_(progress) {}

protected:
    HRESULT mhCreateProgress(OxnVaultLib::IOxnProgress** progress) override {
        if (!progress_) return REGDB_E_CLASSNOTREG;
        *progress = progress_;
        progress_->AddRef();
        return S_OK;
    }

private:
    FakeOxnProgress*& progress_;
};

class OxnBackEndFactory : public CItmBackEndFactory {
public:
    OxnBackEndFactory(itemmanager_test::SpyScript& script, FakeOxnProgress*& progress)
        : script_(script), progress_(progress) {}
    std::unique_ptr<CProxyTavroskAPI> mpoCreateClientBackEnd(const RefPtr<CItemCacheFile>& cacheFile) const override {
        return std::make_unique<itemmanager_test::Spy<CProxyTavroskAPI>>(script_, "client", cacheFile);
    }
    std::unique_ptr<CProxyOxnInterface> mpoCreateVaultBackEnd(const RefPtr<CItemCacheFile>& cacheFile,
                                                              CProxyTavroskAPI* client) const override {
        return std::make_unique<ScriptedProgressBackEnd>(cacheFile, client, progress_);
    }

private:
    itemmanager_test::SpyScript& script_;
    FakeOxnProgress*& progress_;
};

ObjectValues Values(ItmObjectType type, LONG id, LONG parentProjectID, const char16_t* name = u"a.part") {
    ObjectValues v;
    v.type = type;
    v.id = id;
    v.parentProjectID = parentProjectID;
    v.name = name;
    return v;
}

// The description of the thread's error info, taken.
std::u16string TakeErrorDescription() {
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || !info) return u"<none>";
    BSTR description = nullptr;
    info->GetDescription(&description);
    std::u16string text = com::BstrText(description);
    SysFreeString(description);
    info->Release();
    return text;
}

class OxnBackEndTest : public com_testing::LeakChecked<testsupport::FreshMachineTest> {
protected:
    void SetUp() override {
        LeakChecked::SetUp();
        OxnVaultLib::RegisterRecords();
        CComObject<CItmManager>* created = nullptr;
        ASSERT_EQ(CComObject<CItmManager>::CreateInstance(&created), S_OK);
        created->AddRef();
        created->mvSetBackEndFactory(&factory_);
        manager_ = created;
        folder_ = Loaded<CItmFolder>(Values(ItmObjectType_ItemFolder, 5, 0, u"Pumps"));
        item_ = Loaded<CItmItem>(Values(ItmObjectType_Item, 12, 3, u"pump.item"));
        bom_ = Loaded<CItmBOM>(Values(ItmObjectType_BOM, 20, 3, u"pump.bom"));
        file_ = Loaded<CItmFile>(Values(ItmObjectType_File, 30, 3, u"pump.part"));
        root_ = Loaded<CItmFolder>(Values(ItmObjectType_Root_ItemFolder, 1, 0, u"Root"));
        vaultFolder_ = Loaded<CItmFolder>(Values(ItmObjectType_Vault, 2, 0, u"Vault"));
    }
    void TearDown() override {
        folder_ = item_ = bom_ = file_ = root_ = vaultFolder_ = nullptr;
        if (manager_) manager_->Release();
        LeakChecked::TearDown();
    }

    // Init with the fake vault object (or none).
    void Init(bool withVault = true) {
        InitData data{};
        data.meClientType = ClientType_Local_Client;
        data.hParentWndHandle = kParent;
        data.mlViewServerID = kViewServer;
        data.mllOxnVault = withVault ? reinterpret_cast<uintptr_t>(static_cast<OxnVaultLib::IOxnVault11*>(&vault_)) : 0;
        ASSERT_EQ(manager_->Init(data), S_OK);
    }
    IItmManager2* Manager() const { return manager_; }
    Strings Taken() { return std::exchange(log_.calls, {}); }

    OxnLog log_;
    FakeOxnVault vault_{log_};
    FakeOxnProgress progress_{log_};
    FakeOxnProgress* progressServed_ = &progress_;
    itemmanager_test::SpyScript script_;
    OxnBackEndFactory factory_{script_, progressServed_};
    CComObject<CItmManager>* manager_ = nullptr;
    CComPtr<IItmObject> folder_, item_, bom_, file_, root_, vaultFolder_;
};

// The batch operations as the explorer calls them, over one items array.
struct Operation {
    const char* name;
    std::function<HRESULT(IItmManager2*, SAFEARRAY*)> call;
};
std::vector<Operation> BatchOperations() {
    _bstr_t name(u"Release");
    return {
        {"GetLatestVersion",
         [](IItmManager2* m, SAFEARRAY* items) {
             return m->GetLatestVersion(items, nullptr, VARIANT_TRUE, VARIANT_FALSE);
         }},
        {"CheckOut", [](IItmManager2* m, SAFEARRAY* items) { return m->CheckOut(items, VARIANT_TRUE); }},
        {"ChangeState", [name](IItmManager2* m, SAFEARRAY* items) { return m->ChangeState(items, name, nullptr); }},
        {"ChangeState2",
         [name](IItmManager2* m, SAFEARRAY* items) { return m->ChangeState2(items, name, VARIANT_TRUE, nullptr); }},
        {"Delete", [](IItmManager2* m, SAFEARRAY* items) { return m->Delete(VARIANT_FALSE, items); }},
    };
}

TEST_F(OxnBackEndTest, NoItemsOrNoVaultObjectNeverReachTheVault) {
    Init();
    ObjectList empty({});
    ObjectList one({item_});
    for (const Operation& op : BatchOperations()) {
        SCOPED_TRACE(op.name);
        EXPECT_EQ(op.call(Manager(), empty.get()), kCancelled);
        EXPECT_EQ(op.call(Manager(), nullptr), kNullValue);
    }
    EXPECT_EQ(Taken(), Strings{});

    Init(false);
    for (const Operation& op : BatchOperations()) {
        SCOPED_TRACE(op.name);
        EXPECT_EQ(op.call(Manager(), one.get()), kNotInitialized);
    }
    SAFEARRAY* returned = nullptr;
    EXPECT_EQ(Manager()->GetSpecificVersion(item_, 2, &returned), kNotInitialized);
    EXPECT_EQ(Manager()->RefreshLocalCache(), kNotInitialized);
    EXPECT_EQ(Taken(), Strings{});
}

// Folders go to the vault by their id, items and BOMs by id and project,
// anything else as (0, 0); a silent get never shows the vault's dialog.
TEST_F(OxnBackEndTest, GetAndCheckOutTellTheVaultTheSelectionAndTheTree) {
    Init();
    ObjectList items({folder_, item_, bom_, file_, root_});
    struct Case {
        const char* name;
        std::function<HRESULT(IItmManager2*, SAFEARRAY*)> call;
        const char* tree;
        bool dialog;
    } const cases[] = {
        {"get latest", [](IItmManager2* m, SAFEARRAY* a) { return m->GetLatestVersion(a, nullptr, VARIANT_TRUE, 0); },
         "get9 42 0x301", false},
        {"get latest, asking",
         [](IItmManager2* m, SAFEARRAY* a) { return m->GetLatestVersion(a, nullptr, VARIANT_FALSE, 0); },
         "get9 42 0x301", true},
        {"check out", [](IItmManager2* m, SAFEARRAY* a) { return m->CheckOut(a, VARIANT_TRUE); }, "get9 42 0x303",
         false},
        {"check out, asking", [](IItmManager2* m, SAFEARRAY* a) { return m->CheckOut(a, VARIANT_FALSE); },
         "get9 42 0x303", true},
    };
    vault_.get.fileCount = 3;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.call(Manager(), items.get()), S_OK);
        Strings expected{"vault34 12", "get7 0/5 12/3 20/3 0/0 0/1", c.tree};
        if (c.dialog) expected.push_back("get10 42");
        for (const char* call : {"get12", "get11 42", "get13 4", "done7", "get13 8", "problems7"})
            expected.push_back(call);
        EXPECT_EQ(Taken(), expected);
    }

    // The dialog refused, or nothing to get: cancelled before the run.
    vault_.get.dialogOk = false;
    EXPECT_EQ(Manager()->GetLatestVersion(items.get(), nullptr, VARIANT_FALSE, 0), kCancelled);
    EXPECT_EQ(Taken().back(), "get10 42");
    vault_.get.dialogOk = true;
    vault_.get.fileCount = 0;
    EXPECT_EQ(Manager()->CheckOut(items.get(), VARIANT_TRUE), kCancelled);
    EXPECT_EQ(Taken().back(), "get12");
}

// A file the vault could not get (list 8) counts unless it was got after
// all (list 4) - and a get of a single file counts its problem anyway.
TEST_F(OxnBackEndTest, LockErrorsCountFilesNotGotAfterAll) {
    Init();
    ObjectList items({item_});
    struct Case {
        LONG count;
        bool alsoDone;
        HRESULT expected;
    } const cases[] = {
        {1, false, kLockErrors},
        {1, true, kLockErrors},
        {2, false, kLockErrors},
        {2, true, S_OK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << " files, also done " << c.alsoDone);
        vault_.get.fileCount = c.count;
        vault_.get.problems.entries = {{u"C:\\View\\P\\pump.part", 12, 3}};
        vault_.get.done.entries = {{u"C:\\View\\P\\other.part", 13, 3}};
        if (c.alsoDone) vault_.get.done.entries.push_back({u"C:\\View\\P\\pump.part", 12, 3});
        EXPECT_EQ(Manager()->GetLatestVersion(items.get(), nullptr, VARIANT_TRUE, 0), c.expected);
    }
    vault_.get.problems.entries.clear();
    EXPECT_EQ(Manager()->CheckOut(items.get(), VARIANT_TRUE), S_OK);
}

TEST_F(OxnBackEndTest, ASpecificVersionIsOneItemAtThatVersionAlwaysWithTheDialog) {
    Init();
    SAFEARRAY* const untouched = reinterpret_cast<SAFEARRAY*>(0x5A);
    SAFEARRAY* returned = untouched;
    EXPECT_EQ(Manager()->GetSpecificVersion(item_, 4, &returned), S_OK);
    EXPECT_EQ(returned, untouched);
    EXPECT_EQ(Taken(), (Strings{"vault34 12", "get8 12/3 v4", "get9 42 0x301", "get10 42", "get12", "get11 42",
                                "get13 4", "done7", "get13 8", "problems7"}));

    EXPECT_EQ(Manager()->GetSpecificVersion(folder_, 4, &returned), kInvalidSource);
    EXPECT_EQ(Manager()->GetSpecificVersion(bom_, 4, &returned), kInvalidSource);
    EXPECT_EQ(Manager()->GetSpecificVersion(nullptr, 4, &returned), kNullValue);
    EXPECT_EQ(Manager()->GetSpecificVersion(item_, 4, nullptr), kNullValue);
    EXPECT_EQ(Taken(), Strings{});
    vault_.get.dialogOk = false;
    EXPECT_EQ(Manager()->GetSpecificVersion(item_, 4, &returned), kCancelled);
}

TEST_F(OxnBackEndTest, ChangeStateReturnsTheGivenObjectsAndNewOnesForOtherFiles) {
    Init();
    CComPtr<IItmObject> otherFolder = Loaded<CItmFolder>(Values(ItmObjectType_ItemFolder, 6, 0, u"Valves"));
    ObjectList items({item_, folder_, otherFolder});
    // Two folders, both with file id 0: each comes back as itself.
    vault_.change.changed.entries = {{u"C:\\View\\Pumps\\pump.item", 12, 3},
                                     {u"C:\\View\\Valves\\new valve.item", 44, 6},
                                     {u"C:\\View\\Valves", 0, 6},
                                     {u"C:\\View\\Pumps", 0, 5}};
    _bstr_t release(u"Release");
    SAFEARRAY* changed = nullptr;
    ASSERT_EQ(Manager()->ChangeState(items.get(), release, &changed), S_OK);
    EXPECT_EQ(Taken(), (Strings{"vault34 22", "cs14 0 1", "cs7 12/3", "cs7 0/5", "cs7 0/6", "cs8 Release", "cs9 42",
                                "cs10 42 0", "cs13 4", "changed7"}));
    ASSERT_NE(changed, nullptr);
    LONG upper = -1;
    SafeArrayGetUBound(changed, 1, &upper);
    ASSERT_EQ(upper, 3);
    std::vector<CComPtr<IItmObject>> objects;
    for (LONG i = 0; i <= upper; ++i) {
        VARIANT element;
        VariantInit(&element);
        SafeArrayGetElement(changed, &i, &element);
        EXPECT_EQ(element.vt, VT_DISPATCH);
        objects.emplace_back(CComPtr<IItmObject>(static_cast<IItmObject*>(element.pdispVal)));
        VariantClear(&element);
    }
    SafeArrayDestroy(changed);
    EXPECT_EQ(objects[0], item_);
    EXPECT_EQ(objects[2], otherFolder);
    EXPECT_EQ(objects[3], folder_);
    // The new one: an item in the folder, named by the path's last part.
    IItmObject* made = objects[1];
    LONG id = 0, project = 0;
    ItmObjectType type = ItmObjectType_Undefined;
    BSTR name = nullptr;
    EXPECT_EQ(made->get_ID(&id), S_OK);
    made->get_ParentProjectID(&project);
    made->get_Type(&type);
    made->get_Name(&name);
    EXPECT_EQ(id, 44);
    EXPECT_EQ(project, 6);
    EXPECT_EQ(type, ItmObjectType_Item);
    EXPECT_EQ(com::BstrText(name), u"new valve.item");
    SysFreeString(name);
}

TEST_F(OxnBackEndTest, ChangeStateRevokesThroughTheExtensionAndStopsWhenRefused) {
    Init();
    ObjectList items({item_});
    _bstr_t release(u"Release");
    // Revoke, without the changed items: the list is not asked for.
    EXPECT_EQ(Manager()->ChangeState2(items.get(), release, VARIANT_TRUE, nullptr), S_OK);
    EXPECT_EQ(Taken(), (Strings{"vault34 22", "cs14 0 1", "cs7 12/3", "cs15 Release", "cs9 42", "cs10 42 0"}));

    // Nothing changed: the out-array stays as it was.
    SAFEARRAY* const untouched = reinterpret_cast<SAFEARRAY*>(0x5A);
    SAFEARRAY* changed = untouched;
    EXPECT_EQ(Manager()->ChangeState2(items.get(), release, VARIANT_FALSE, &changed), S_OK);
    EXPECT_EQ(changed, untouched);
    EXPECT_EQ(Taken().back(), "changed7");

    vault_.change.transitionFound = false;
    EXPECT_EQ(Manager()->ChangeState(items.get(), release, &changed), kCancelled);
    EXPECT_EQ(Taken().back(), "cs8 Release");
    vault_.change.transitionFound = true;
    vault_.change.dialogOk = false;
    EXPECT_EQ(Manager()->ChangeState(items.get(), release, &changed), kCancelled);
    EXPECT_EQ(Taken().back(), "cs9 42");
    vault_.change.dialogOk = true;
    vault_.change.revokes = false;
    EXPECT_EQ(Manager()->ChangeState2(items.get(), release, VARIANT_TRUE, &changed), kNullValue);
    EXPECT_EQ(Taken().back(), "cs7 12/3");
    EXPECT_EQ(changed, untouched);
}

TEST_F(OxnBackEndTest, DeleteRoutesByTypeAndReportsARefusedRunAfterShowingIt) {
    Init();
    ObjectList items({root_, vaultFolder_, folder_, item_, file_, bom_});
    EXPECT_EQ(Manager()->Delete(VARIANT_TRUE, items.get()), S_OK);
    EXPECT_EQ(Taken(), (Strings{"vault34 20", "src4 0 9", "del7 2", "del7 5", "del8 12/3", "del8 20/3", "del10 -1 0",
                                "del11 42", "del12 42 0"}));

    // A refused run shows its errors; the explorer's refresh shows the rest.
    vault_.remove.runSucceeds = false;
    vault_.remove.hasSource = false;
    EXPECT_EQ(Manager()->Delete(VARIANT_FALSE, items.get()), S_OK);
    EXPECT_EQ(Taken(), (Strings{"vault34 20", "del7 2", "del7 5", "del8 12/3", "del8 20/3", "del10 0 0", "del11 42",
                                "del12 42 0", "del13 42"}));

    vault_.remove.dialogOk = false;
    EXPECT_EQ(Manager()->Delete(VARIANT_FALSE, items.get()), kCancelled);
    EXPECT_EQ(Taken().back(), "del11 42");
}

TEST_F(OxnBackEndTest, RefreshLocalCacheGetsEveryLocalFileUnderTheProgressWindow) {
    Init();
    vault_.get.onRun = [](OxnVaultLib::IOxnGetOpCallback* callback) {
        CComPtr<OxnVaultLib::IOxnGetOpCallback3> third;
        ASSERT_EQ(callback->QueryInterface(OxnVaultLib::IOxnGetOpCallback3::kIid, reinterpret_cast<void**>(&third)),
                  S_OK);
        third->BeginPhase(2, 3);
    };
    EXPECT_EQ(Manager()->RefreshLocalCache(), S_OK);
    EXPECT_EQ(Taken(),
              (Strings{"p20", "vault34 12", "p18 'Get Latest Version' 'Calculating...' 0 0 0 7", "get9 0 0x901", "p19",
                       "get12", "p15", "get11 4242", "p47 'Getting Latest Version of files'", "p12 ' ' 1", "p44 3"}));
}

// Without its progress object the refresh does not start; a progress
// window that cannot be named stops it before the run.
TEST_F(OxnBackEndTest, RefreshLocalCacheWithoutProgressTouchesNoVault) {
    Init();
    progressServed_ = nullptr;
    EXPECT_EQ(Manager()->RefreshLocalCache(), E_POINTER);
    EXPECT_EQ(Taken(), Strings{});
    progressServed_ = &progress_;
    progress_.ownerFailure = E_INVALIDARG;
    EXPECT_EQ(Manager()->RefreshLocalCache(), E_POINTER);
    EXPECT_EQ(Taken(), Strings{"p20"});
    progress_.ownerFailure = S_OK;
    progress_.windowFailure = kNotInitialized;
    EXPECT_EQ(Manager()->RefreshLocalCache(), kNotInitialized);
    EXPECT_EQ(Taken().back(), "p15");
}

// A vault call that fails raises; the manager answers its HRESULT with the
// vault's error info, and the operation stops there.
TEST_F(OxnBackEndTest, AFailingVaultCallSurfacesAsItsResultWithItsErrorInfo) {
    Init();
    ObjectList items({item_});
    _bstr_t release(u"Release");
    struct Case {
        const char* name;
        std::function<void()> script;
        std::function<HRESULT()> call;
        const char16_t* description;
        const char* lastCall;
    } const cases[] = {
        {"factory", [&] { vault_.createFailure = kDatabaseAccess; },
         [&] { return Manager()->CheckOut(items.get(), VARIANT_TRUE); }, u"No utility today.", "vault34 12"},
        {"tree",
         [&] {
             vault_.get.failure = {9, kDatabaseAccess};
         },
         [&] { return Manager()->GetLatestVersion(items.get(), nullptr, VARIANT_TRUE, 0); }, u"The vault refused.",
         "get9 42 0x301"},
        {"change run",
         [&] {
             vault_.change.failure = {10, kDatabaseAccess};
         },
         [&] { return Manager()->ChangeState(items.get(), release, nullptr); }, u"The vault refused.", "cs10 42 0"},
        {"delete run",
         [&] {
             vault_.remove.failure = {12, kDatabaseAccess};
         },
         [&] { return Manager()->Delete(VARIANT_FALSE, items.get()); }, u"The vault refused.", "del12 42 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.script();
        EXPECT_EQ(c.call(), kDatabaseAccess);
        EXPECT_EQ(TakeErrorDescription(), c.description);
        EXPECT_EQ(Taken().back(), c.lastCall);
        vault_.createFailure = S_OK;
        vault_.get.failure = vault_.change.failure = vault_.remove.failure = {};
    }
    // The get's own run answers for itself, without raising.
    vault_.get.runResult = kCancelled;
    EXPECT_EQ(Manager()->GetLatestVersion(items.get(), nullptr, VARIANT_TRUE, 0), kCancelled);
    EXPECT_EQ(Taken().back(), "get11 42");
}

}  // namespace
