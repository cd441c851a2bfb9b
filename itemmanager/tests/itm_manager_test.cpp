// The item manager over spy back ends: its routing table, Init, the Rename
// check, CoCreateItem and BeginLocalTransaction.

#include "spy_back_ends.h"

#include "itemstore/itm_object_class.h"
#include "itemstore/itm_object_data.h"

#include "bellquist/item_interfaces.h"
#include "com/bstr.h"
#include "com/runtime.h"
#include "com/server/com_object.h"
#include "com_testing/counting_class_factory.h"
#include "com_testing/counting_object.h"
#include "com_testing/leak_checked_test.h"
#include "testsupport/fresh_machine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using namespace BellquistLib;
using itemmanager_test::Arg;
using itemmanager_test::SlotResult;
using itemmanager_test::SpyBackEndFactory;
using itemmanager_test::SpyCall;
using itemmanager_test::SpyScript;

namespace {

constexpr HRESULT kNotInitialized = static_cast<HRESULT>(0x80040201);

// Stand-ins the manager only passes on; it never looks behind them.
template <class T>
T Fake(uintptr_t value) {
    return reinterpret_cast<T>(value);
}

InitData LocalClientData() {
    InitData data{};
    data.meClientType = ClientType_Local_Client;
    data.hParentWndHandle = 0x2A;
    data.moVaultGUID = com::MakeGuid("6D2E4D1C-0F7B-4C39-9C1A-0D5B0E4A7F11");
    data.mllOxnVault = 0x5150;
    return data;
}

class ItmManagerTest : public com_testing::LeakChecked<testsupport::FreshMachineTest> {
protected:
    void SetUp() override {
        LeakChecked::SetUp();
        CComObject<CItmManager>* created = nullptr;
        ASSERT_EQ(CComObject<CItmManager>::CreateInstance(&created), S_OK);
        created->AddRef();
        created->mvSetBackEndFactory(&factory_);
        manager_ = created;
    }
    void TearDown() override {
        if (manager_) manager_->Release();
        LeakChecked::TearDown();
    }

    void InitSpies() {
        ASSERT_EQ(manager_->Init(LocalClientData()), S_OK);
        script_.calls.clear();
    }
    IItmManager* Self() const { return static_cast<IItmManager*>(manager_); }

    SpyScript script_;
    SpyBackEndFactory factory_{script_};
    CComObject<CItmManager>* manager_ = nullptr;
};

// One method of the manager called with stand-in arguments, and the call the
// right back end must get.
struct Route {
    const char* method;
    std::function<HRESULT(CItmManager&)> call;
    const char* backEnd;
    const char* operation;
    int slot;
    std::function<std::vector<uint64_t>(IItmManager* self)> args;
};

std::vector<Route> Routes(BSTR name) {
    const auto a = Fake<SAFEARRAY*>(0xA1), b = Fake<SAFEARRAY*>(0xA2);
    const auto out = Fake<SAFEARRAY**>(0xB1), out2 = Fake<SAFEARRAY**>(0xB2), out3 = Fake<SAFEARRAY**>(0xB3),
               out4 = Fake<SAFEARRAY**>(0xB4), out5 = Fake<SAFEARRAY**>(0xB5);
    const auto item = Fake<IItmObject*>(0xC1);
    const auto itemOut = Fake<IItmObject**>(0xC2);
    const auto folder = Fake<IItmFolder*>(0xC3);
    const auto ulongs = Fake<ULONG*>(0xD1), ulongs2 = Fake<ULONG*>(0xD2);
    const auto login = Fake<LoginDataOut*>(0xE1);
    const auto text = Fake<BSTR>(0xF1), text2 = Fake<BSTR>(0xF2), text3 = Fake<BSTR>(0xF3), text4 = Fake<BSTR>(0xF4);
    const auto none = [](IItmManager*) { return std::vector<uint64_t>{}; };
    return {
        {"Login", [=](CItmManager& m) { return m.Login(name, login); }, "client", "Login", 2,
         [=](IItmManager*) {
             return std::vector{Arg(name), Arg(login)};
         }},
        {"LogOut", [](CItmManager& m) { return m.LogOut(); }, "client", "LogOut", 3, none},
        {"EnumItemFolder", [=](CItmManager& m) { return m.EnumItemFolder(itemOut, out); }, "client", "EnumItemFolder",
         4,
         [=](IItmManager*) {
             return std::vector{Arg(itemOut), Arg(out)};
         }},
        {"GenerateItemFromFile", [=](CItmManager& m) { return m.GenerateItemFromFile(a, item, out); }, "client",
         "GenerateItemFromFile", 5,
         [=](IItmManager*) {
             return std::vector{Arg(a), Arg(item), Arg(out)};
         }},
        {"GenerateItemFromFilePath", [=](CItmManager& m) { return m.GenerateItemFromFilePath(a, item, out); }, "client",
         "GenerateItemFromFilePath", 6,
         [=](IItmManager*) {
             return std::vector{Arg(a), Arg(item), Arg(out)};
         }},
        {"CreateNewItem", [=](CItmManager& m) { return m.CreateNewItem(item, Fake<IItmItem**>(0xC4)); }, "client",
         "CreateNewItem", 7,
         [=](IItmManager*) {
             return std::vector{Arg(item), uint64_t{0xC4}};
         }},
        {"CreateNewItemFolder",
         [=](CItmManager& m) { return m.CreateNewItemFolder(item, text, Fake<IItmFolder**>(0xC5)); }, "client",
         "CreateNewItemFolder", 8,
         [=](IItmManager*) {
             return std::vector{Arg(item), Arg(text), uint64_t{0xC5}};
         }},
        // Reordered, the returned items dropped, the manager third.
        {"GetLatestVersion", [=](CItmManager& m) { return m.GetLatestVersion(a, out, VARIANT_TRUE, 7); }, "vault",
         "GetLatestVersion", 9,
         [=](IItmManager* self) {
             return std::vector{Arg(a), Arg(VARIANT_TRUE), Arg(self), uint64_t{7}};
         }},
        {"GetSpecificVersion", [=](CItmManager& m) { return m.GetSpecificVersion(item, 12, out); }, "vault",
         "GetSpecificVersion", 11,
         [=](IItmManager* self) {
             return std::vector{Arg(item), uint64_t{12}, Arg(out), Arg(self)};
         }},
        // A progress object of the manager's own, released after the call.
        {"CheckIn", [=](CItmManager& m) { return m.CheckIn(a, 77); }, "vault", "CheckIn", 12,
         [=](IItmManager*) {
             return std::vector{Arg(a), uint64_t{1}, uint64_t{1}};
         }},
        {"CheckOut", [=](CItmManager& m) { return m.CheckOut(a, VARIANT_TRUE); }, "vault", "CheckOut", 13,
         [=](IItmManager* self) {
             return std::vector{Arg(a), Arg(VARIANT_TRUE), Arg(self)};
         }},
        {"UndoCheckOut", [=](CItmManager& m) { return m.UndoCheckOut(a, 77); }, "vault", "UndoCheckOut", 14,
         [=](IItmManager*) {
             return std::vector{Arg(a), uint64_t{1}, uint64_t{1}};
         }},
        {"ChangeState", [=](CItmManager& m) { return m.ChangeState(a, text, out); }, "vault", "ChangeState", 15,
         [=](IItmManager*) {
             return std::vector{Arg(a), Arg(text), Arg(out)};
         }},
        {"LinkFileFromFilePath", [=](CItmManager& m) { return m.LinkFileFromFilePath(a, itemOut, out); }, "client",
         "LinkFileFromFilePath", 17,
         [=](IItmManager* self) {
             return std::vector{Arg(a), Arg(itemOut), Arg(out), Arg(self)};
         }},
        {"Delete", [=](CItmManager& m) { return m.Delete(VARIANT_TRUE, a); }, "vault", "Delete", 18,
         [=](IItmManager* self) {
             return std::vector{Arg(VARIANT_TRUE), Arg(a), Arg(self)};
         }},
        {"IncrRevision", [=](CItmManager& m) { return m.IncrRevision(a); }, "client", "IncrRevision", 19,
         [=](IItmManager*) { return std::vector{Arg(a)}; }},
        {"Move", [=](CItmManager& m) { return m.Move(a, folder); }, "client", "Move", 20,
         [=](IItmManager*) {
             return std::vector{Arg(a), Arg(folder)};
         }},
        {"Rename", [=](CItmManager& m) { return m.Rename(item, name); }, "client", "Rename", 21,
         [=](IItmManager*) {
             return std::vector{Arg(item), Arg(name)};
         }},
        {"GetMenuInfo", [=](CItmManager& m) { return m.GetMenuInfo(a, 0x3F, ulongs, ulongs2, out, out2, out3, out4); },
         "client", "GetMenuInfo", 25,
         [=](IItmManager*) {
             return std::vector{Arg(a),   uint64_t{0x3F}, Arg(ulongs), Arg(ulongs2),
                                Arg(out), Arg(out2),      Arg(out3),   Arg(out4)};
         }},
        {"BatchGetTrees", [=](CItmManager& m) { return m.BatchGetTrees(a, 5, 2, out, out2); }, "client",
         "BatchGetTrees", 22,
         [=](IItmManager*) {
             return std::vector{Arg(a), uint64_t{5}, uint64_t{2}, Arg(out), Arg(out2)};
         }},
        {"BatchRefreshTrees", [=](CItmManager& m) { return m.BatchRefreshTrees(a, 1, out, out2); }, "client",
         "BatchRefreshTrees", 23,
         [=](IItmManager*) {
             return std::vector{Arg(a), uint64_t{1}, Arg(out), Arg(out2)};
         }},
        {"UpdateItemsFromDynLink", [=](CItmManager& m) { return m.UpdateItemsFromDynLink(a); }, "client",
         "UpdateItemsFromDynLink", 24, [=](IItmManager*) { return std::vector{Arg(a)}; }},
        {"ExistInFileCache", [=](CItmManager& m) { return m.ExistInFileCache(item, Fake<VARIANT_BOOL*>(0xC6)); },
         "client", "ExistInFileCache", 26,
         [=](IItmManager*) {
             return std::vector{Arg(item), uint64_t{0xC6}};
         }},
        {"CheckCyclicReferences", [=](CItmManager& m) { return m.CheckCyclicReferences(a, b); }, "client",
         "CheckCyclicReferences", 27,
         [=](IItmManager*) {
             return std::vector{Arg(a), Arg(b)};
         }},
        {"BatchGetTrees2", [=](CItmManager& m) { return m.BatchGetTrees2(b, 9, 3, out, out5); }, "client",
         "BatchGetTrees2", 28,
         [=](IItmManager*) {
             return std::vector{Arg(b), uint64_t{9}, uint64_t{3}, Arg(out), Arg(out5)};
         }},
        {"Login2", [=](CItmManager& m) { return m.Login2(name, text, text2, text3, text4, 31, login); }, "client",
         "Login2", 29,
         [=](IItmManager*) {
             return std::vector{Arg(name), Arg(text), Arg(text2), Arg(text3), Arg(text4), uint64_t{31}, Arg(login)};
         }},
        {"GetItmInfoSupplement", [=](CItmManager& m) { return m.GetItmInfoSupplement(out); }, "client",
         "GetItmInfoSupplement", 30, [=](IItmManager*) { return std::vector{Arg(out)}; }},
        {"UpdateCache", [=](CItmManager& m) { return m.UpdateCache(b); }, "client", "UpdateCache", 31,
         [=](IItmManager*) { return std::vector{Arg(b)}; }},
        // Revoke only for VARIANT_TRUE itself.
        {"ChangeState2(-1)", [=](CItmManager& m) { return m.ChangeState2(a, text, VARIANT_TRUE, out); }, "vault",
         "ChangeState2", 16,
         [=](IItmManager*) {
             return std::vector{Arg(a), Arg(text), uint64_t{1}, Arg(out)};
         }},
        {"ChangeState2(1)", [=](CItmManager& m) { return m.ChangeState2(a, text, 1, out); }, "vault", "ChangeState2",
         16,
         [=](IItmManager*) {
             return std::vector{Arg(a), Arg(text), uint64_t{0}, Arg(out)};
         }},
        {"ChangeState2(0)", [=](CItmManager& m) { return m.ChangeState2(a, text, VARIANT_FALSE, out); }, "vault",
         "ChangeState2", 16,
         [=](IItmManager*) {
             return std::vector{Arg(a), Arg(text), uint64_t{0}, Arg(out)};
         }},
        {"RefreshLocalCache", [](CItmManager& m) { return m.RefreshLocalCache(); }, "vault", "RefreshLocalCache", 32,
         none},
    };
}

TEST_F(ItmManagerTest, EachMethodReachesItsBackEndSlotWithItsArgumentsAndResult) {
    InitSpies();
    BSTR name = SysAllocString(u"Pump.<item>");
    for (const Route& route : Routes(name)) {
        SCOPED_TRACE(route.method);
        script_.calls.clear();
        EXPECT_EQ(route.call(*manager_), SlotResult(route.slot));
        ASSERT_EQ(script_.calls.size(), 1u);
        const SpyCall& call = script_.calls[0];
        EXPECT_EQ(call.backEnd, route.backEnd);
        EXPECT_EQ(call.operation, route.operation);
        EXPECT_EQ(call.args, route.args(Self()));
    }
    SysFreeString(name);
}

TEST_F(ItmManagerTest, GetLatestVersionNeverWritesTheReturnedItems) {
    InitSpies();
    SAFEARRAY* returned = Fake<SAFEARRAY*>(0x99);
    EXPECT_EQ(manager_->GetLatestVersion(Fake<SAFEARRAY*>(0xA1), &returned, VARIANT_FALSE, VARIANT_FALSE),
              SlotResult(9));
    EXPECT_EQ(returned, Fake<SAFEARRAY*>(0x99));
}

TEST_F(ItmManagerTest, EveryMethodBeforeInitAnswersNotInitializedAndCallsNothing) {
    BSTR name = SysAllocString(u"Pump.<item>");
    for (const Route& route : Routes(name)) {
        SCOPED_TRACE(route.method);
        EXPECT_EQ(route.call(*manager_), kNotInitialized);
    }
    IUnknown* created = nullptr;
    ItmObjectData record{};
    record.meObjectType = ItmObjectType_Item;
    EXPECT_EQ(manager_->CoCreateItem(&record, &created), kNotInitialized);
    ILocalTransactionMgr* transaction = nullptr;
    EXPECT_EQ(manager_->BeginLocalTransaction(&transaction), kNotInitialized);
    EXPECT_EQ(transaction, nullptr);
    EXPECT_TRUE(script_.calls.empty());
    EXPECT_EQ(script_.clientsMade + script_.vaultsMade, 0);
    SysFreeString(name);
}

TEST_F(ItmManagerTest, InitRefusesEveryClientTypeButTheLocalClientAndMakesNoBackEnd) {
    for (ClientType type : {ClientType_Undefined, ClientType_Web_Client, static_cast<ClientType>(3)}) {
        InitData data = LocalClientData();
        data.meClientType = type;
        EXPECT_EQ(manager_->Init(data), E_NOTIMPL);
    }
    EXPECT_EQ(script_.clientsMade + script_.vaultsMade, 0);
    EXPECT_EQ(manager_->LogOut(), kNotInitialized);
}

TEST_F(ItmManagerTest, InitStartsTheVaultBackEndFirstThenTheClientBackEnd) {
    ASSERT_EQ(manager_->Init(LocalClientData()), S_OK);
    ASSERT_EQ(script_.calls.size(), 2u);
    EXPECT_EQ(script_.calls[0].backEnd, "vault");
    EXPECT_EQ(script_.calls[1].backEnd, "client");
    for (const SpyCall& call : script_.calls) {
        EXPECT_EQ(call.operation, "Init");
        EXPECT_EQ(call.args, (std::vector<uint64_t>{1, 0x2A, 0x5150}));
    }
}

TEST_F(ItmManagerTest, AFailingVaultInitIsReturnedAndLeavesTheClientUnstartedAndTheManagerUnusable) {
    script_.vaultInit = static_cast<HRESULT>(0x80040111);
    EXPECT_EQ(manager_->Init(LocalClientData()), static_cast<HRESULT>(0x80040111));
    ASSERT_EQ(script_.calls.size(), 1u);
    EXPECT_EQ(script_.calls[0].backEnd, "vault");
    EXPECT_EQ(manager_->LogOut(), kNotInitialized);
}

TEST_F(ItmManagerTest, AFailingClientInitIsReturnedAndLeavesTheManagerUnusable) {
    script_.clientInit = E_ACCESSDENIED;
    EXPECT_EQ(manager_->Init(LocalClientData()), E_ACCESSDENIED);
    EXPECT_EQ(manager_->RefreshLocalCache(), kNotInitialized);
    // A later successful Init makes it usable.
    script_.clientInit = S_OK;
    EXPECT_EQ(manager_->Init(LocalClientData()), S_OK);
    EXPECT_EQ(manager_->RefreshLocalCache(), SlotResult(32));
}

TEST_F(ItmManagerTest, ASecondInitDestroysTheFirstBackEndsAndUsesTheNewOnes) {
    InitSpies();
    ASSERT_EQ(manager_->Init(LocalClientData()), S_OK);
    std::vector<std::string> sequence;
    for (const SpyCall& call : script_.calls) sequence.push_back(call.backEnd + "." + call.operation);
    EXPECT_EQ(sequence, (std::vector<std::string>{"vault.~", "client.~", "vault.Init", "client.Init"}));
    EXPECT_EQ(script_.clientsMade, 2);
    EXPECT_EQ(script_.vaultsMade, 2);
}

TEST_F(ItmManagerTest, ReleasingTheManagerDestroysTheVaultBackEndThenTheClientBackEnd) {
    InitSpies();
    manager_->Release();
    manager_ = nullptr;
    ASSERT_EQ(script_.calls.size(), 2u);
    EXPECT_EQ(script_.calls[0].backEnd + script_.calls[0].operation, "vault~");
    EXPECT_EQ(script_.calls[1].backEnd + script_.calls[1].operation, "client~");
}

TEST_F(ItmManagerTest, RenameRefusesAStemWithOuterBlanksAndForwardsTheNameUnchanged) {
    InitSpies();
    struct Case {
        const char16_t* name;
        bool forwarded;
    } const cases[] = {
        {u"Foo.<item>", true}, {u" Foo.<item>", false}, {u"Foo .<item>", false}, {u"Foo. x", true},      {u"Foo", true},
        {u".<item>", true},    {u"\tFoo", false},       {u"Foo\n", false},       {u"Fo o.<item>", true}, {u"", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name)));
        script_.calls.clear();
        BSTR name = SysAllocString(c.name);
        EXPECT_EQ(manager_->Rename(Fake<IItmObject*>(0xC1), name), c.forwarded ? SlotResult(21) : E_INVALIDARG);
        EXPECT_EQ(script_.calls.size(), c.forwarded ? 1u : 0u);
        if (c.forwarded && !script_.calls.empty()) {
            EXPECT_EQ(script_.calls[0].args[1], Arg(name));
        }
        SysFreeString(name);
    }
    script_.calls.clear();
    EXPECT_EQ(manager_->Rename(nullptr, nullptr), SlotResult(21));  // null counts as empty
}

// CoCreateItem creates ItmObject by class id: the test serves the class.
class CoCreateItemTest : public ItmManagerTest {
protected:
    void SetUp() override {
        ItmManagerTest::SetUp();
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        ASSERT_EQ(CoRegisterClassObject(CLSID_ItmObject, &factory_, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_),
                  S_OK);
        InitSpies();
        script_.connection = connection_.Unknown();
    }
    void TearDown() override {
        CoRevokeClassObject(cookie_);
        if (manager_) manager_->Release();
        manager_ = nullptr;
        CoUninitialize();
        ItmManagerTest::TearDown();
    }

    com_testing::CountingClassFactory factory_{[] {
        CComObject<CItmObject>* created = nullptr;
        CComObject<CItmObject>::CreateInstance(&created);
        created->AddRef();
        return static_cast<IUnknown*>(static_cast<IItmObject*>(created));
    }};
    DWORD cookie_ = 0;
    com_testing::CountingObject connection_;
};

TEST_F(CoCreateItemTest, OnlyFoldersItemsAndBomsAreCreated) {
    for (LONG type = 0; type <= 9; ++type) {
        SCOPED_TRACE(type);
        bool accepted = type == 3 || type == 4 || type == 7;
        int before = factory_.Created();
        ItmObjectData record{};
        ASSERT_EQ(ghInitItmObjectData(&record, nullptr), S_OK);
        record.meObjectType = static_cast<ItmObjectType>(type);
        record.mlObjectID = 40 + type;
        IUnknown* created = nullptr;
        HRESULT hr = manager_->CoCreateItem(&record, &created);
        if (!accepted) {
            EXPECT_EQ(hr, CLASS_E_NOAGGREGATION);
            EXPECT_EQ(created, nullptr);
            EXPECT_EQ(factory_.Created(), before);
        } else {
            ASSERT_EQ(hr, S_OK);
            ASSERT_NE(created, nullptr);
            IItmObject* item = nullptr;
            ASSERT_EQ(created->QueryInterface(IItmObject::kIid, reinterpret_cast<void**>(&item)), S_OK);
            LONG id = 0;
            EXPECT_EQ(item->get_ID(&id), S_OK);
            EXPECT_EQ(id, 40 + type);
            IUnknown* itemConnection = nullptr;
            EXPECT_EQ(item->get_TavroskAPI(&itemConnection), S_OK);
            EXPECT_EQ(itemConnection, connection_.Unknown());
            if (itemConnection) itemConnection->Release();
            item->Release();
            created->Release();
        }
        gvFreeItmObjectData(&record);
    }
}

TEST_F(CoCreateItemTest, TheCallersRecordIsLeftAsItWas) {
    com_testing::CountingObject callersConnection;
    ItmObjectData record{};
    ASSERT_EQ(ghInitItmObjectData(&record, nullptr), S_OK);
    record.meObjectType = ItmObjectType_Item;
    record.moFilename = SysAllocString(u"Pump.<item>");
    record.mpoConnection = callersConnection.Unknown();
    callersConnection.Unknown()->AddRef();
    ItmObjectData before = record;

    IUnknown* created = nullptr;
    ASSERT_EQ(manager_->CoCreateItem(&record, &created), S_OK);
    EXPECT_EQ(std::memcmp(&record, &before, sizeof(record)), 0);
    EXPECT_EQ(callersConnection.References(), 2u);  // the test's and the record's
    created->Release();
    gvFreeItmObjectData(&record);
    EXPECT_EQ(callersConnection.References(), 1u);
}

TEST_F(CoCreateItemTest, NullArgumentsAreRefused) {
    IUnknown* created = nullptr;
    EXPECT_EQ(manager_->CoCreateItem(nullptr, &created), static_cast<HRESULT>(0x80040240));
    ItmObjectData record{};
    record.meObjectType = ItmObjectType_Item;
    EXPECT_EQ(manager_->CoCreateItem(&record, nullptr), E_POINTER);
    EXPECT_EQ(factory_.Created(), 0);
}

TEST_F(ItmManagerTest, BeginLocalTransactionGivesATransactionOverTheCacheFile) {
    InitSpies();
    ILocalTransactionMgr* transaction = nullptr;
    ASSERT_EQ(manager_->BeginLocalTransaction(&transaction), S_OK);
    ASSERT_NE(transaction, nullptr);
    EXPECT_EQ(transaction->BeginTransaction(), S_OK);
    LONGLONG* cacheFile = nullptr;
    EXPECT_EQ(transaction->GetCacheFile(&cacheFile), S_OK);
    EXPECT_NE(cacheFile, nullptr);
    EXPECT_EQ(transaction->Rollback(), S_OK);
    EXPECT_EQ(transaction->Release(), 0u);
    EXPECT_EQ(manager_->BeginLocalTransaction(nullptr), E_POINTER);
}

TEST_F(ItmManagerTest, TheManagerAnswersItsInterfacesWithOneIdentity) {
    IUnknown* identity = nullptr;
    ASSERT_EQ(manager_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    for (const IID* iid : {&IItmManager::kIid, &IItmManager2::kIid, &IDispatch::kIid, &IVaultUtils::kIid}) {
        IUnknown* answer = nullptr;
        ASSERT_EQ(manager_->QueryInterface(*iid, reinterpret_cast<void**>(&answer)), S_OK);
        IUnknown* again = nullptr;
        ASSERT_EQ(answer->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&again)), S_OK);
        EXPECT_EQ(again, identity);
        again->Release();
        answer->Release();
    }
    identity->Release();
}

}  // namespace
