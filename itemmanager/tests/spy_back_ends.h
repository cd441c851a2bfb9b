// Spy back ends for the item manager's tests: each operation records which
// back end got it with which arguments and answers a code of its own (a
// success code carrying the slot number), so a test sees the manager's
// routing, argument order and forwarding of results. Init answers what the
// test scripts; destruction is recorded too.
#pragma once

#include "itm_manager.h"
#include "proxy_oxn_interface.h"
#include "proxy_tavrosk_api.h"
#include "itemstore/progress/itm_progress.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace itemmanager_test {

struct SpyCall {
    std::string backEnd;  // "client" or "vault"
    std::string operation;
    std::vector<uint64_t> args;
};

// The shared log and script of one test.
struct SpyScript {
    std::vector<SpyCall> calls;
    HRESULT clientInit = S_OK;
    HRESULT vaultInit = S_OK;
    int clientsMade = 0;
    int vaultsMade = 0;
    // What the client spy's SetItemConnection writes into a record.
    IUnknown* connection = nullptr;
};

// The code a spy answers for slot `slot`: a success code the manager must
// pass on unchanged.
constexpr HRESULT SlotResult(int slot) { return static_cast<HRESULT>(0x00040100 + slot); }

template <class T>
uint64_t Arg(T value) {
    if constexpr (std::is_pointer_v<T>)
        return reinterpret_cast<uintptr_t>(value);
    else
        return static_cast<uint64_t>(static_cast<int64_t>(value));
}

template <class Base>
class Spy : public Base {
public:
    template <class... A>
    Spy(SpyScript& script, const char* name, A&&... baseArgs)
        : Base(std::forward<A>(baseArgs)...), script_(script), name_(name) {}
    ~Spy() override { script_.calls.push_back({name_, "~", {}}); }

    HRESULT Init(const BellquistLib::InitData& data) override {
        this->mulParentWnd = data.hParentWndHandle;
        Record("Init", {Arg(data.meClientType), Arg(data.hParentWndHandle), Arg(data.mllOxnVault)});
        return name_ == std::string("client") ? script_.clientInit : script_.vaultInit;
    }
    HRESULT SetItemConnection(BellquistLib::ItmObjectData* record) override {
        record->mpoConnection = script_.connection;
        return Record("SetItemConnection", {Arg(record)}, 1);
    }
    HRESULT Login(BSTR v, BellquistLib::LoginDataOut* r) override { return Record("Login", {Arg(v), Arg(r)}, 2); }
    HRESULT LogOut() override { return Record("LogOut", {}, 3); }
    HRESULT EnumItemFolder(BellquistLib::IItmObject** f, SAFEARRAY** i) override {
        return Record("EnumItemFolder", {Arg(f), Arg(i)}, 4);
    }
    HRESULT GenerateItemFromFile(SAFEARRAY* f, BellquistLib::IItmObject* d, SAFEARRAY** i) override {
        return Record("GenerateItemFromFile", {Arg(f), Arg(d), Arg(i)}, 5);
    }
    HRESULT GenerateItemFromFilePath(SAFEARRAY* f, BellquistLib::IItmObject* d, SAFEARRAY** i) override {
        return Record("GenerateItemFromFilePath", {Arg(f), Arg(d), Arg(i)}, 6);
    }
    HRESULT CreateNewItem(BellquistLib::IItmObject* p, BellquistLib::IItmItem** n) override {
        return Record("CreateNewItem", {Arg(p), Arg(n)}, 7);
    }
    HRESULT CreateNewItemFolder(BellquistLib::IItmObject* p, BSTR n, BellquistLib::IItmFolder** f) override {
        return Record("CreateNewItemFolder", {Arg(p), Arg(n), Arg(f)}, 8);
    }
    HRESULT GetLatestVersion(SAFEARRAY* i, VARIANT_BOOL s, BellquistLib::IItmManager* m, VARIANT_BOOL c) override {
        return Record("GetLatestVersion", {Arg(i), Arg(s), Arg(m), Arg(c)}, 9);
    }
    HRESULT GetLatestItems(SAFEARRAY* i, SAFEARRAY** r, bool s, bool c, BellquistLib::IItmManager* m) override {
        return Record("GetLatestItems", {Arg(i), Arg(r), Arg(s), Arg(c), Arg(m)}, 10);
    }
    HRESULT GetSpecificVersion(BellquistLib::IItmObject* i, LONG v, SAFEARRAY** r,
                               BellquistLib::IItmManager* m) override {
        return Record("GetSpecificVersion", {Arg(i), Arg(v), Arg(r), Arg(m)}, 11);
    }
    // The progress object is recorded as whether there is one and how many
    // references it has during the call.
    HRESULT CheckIn(SAFEARRAY* i, IItmProgress* p) override {
        return Record("CheckIn", {Arg(i), Arg(p != nullptr), Arg(References(p))}, 12);
    }
    HRESULT CheckOut(SAFEARRAY* i, VARIANT_BOOL s, BellquistLib::IItmManager* m) override {
        return Record("CheckOut", {Arg(i), Arg(s), Arg(m)}, 13);
    }
    HRESULT UndoCheckOut(SAFEARRAY* i, IItmProgress* p) override {
        return Record("UndoCheckOut", {Arg(i), Arg(p != nullptr), Arg(References(p))}, 14);
    }
    HRESULT ChangeState(SAFEARRAY* i, BSTR t, SAFEARRAY** c) override {
        return Record("ChangeState", {Arg(i), Arg(t), Arg(c)}, 15);
    }
    HRESULT ChangeState2(SAFEARRAY* i, BSTR t, bool r, SAFEARRAY** c) override {
        return Record("ChangeState2", {Arg(i), Arg(t), Arg(r), Arg(c)}, 16);
    }
    HRESULT LinkFileFromFilePath(SAFEARRAY* f, BellquistLib::IItmObject** p, SAFEARRAY** i,
                                 BellquistLib::IItmManager* m) override {
        return Record("LinkFileFromFilePath", {Arg(f), Arg(p), Arg(i), Arg(m)}, 17);
    }
    HRESULT Delete(VARIANT_BOOL d, SAFEARRAY* i, BellquistLib::IItmManager* m) override {
        return Record("Delete", {Arg(d), Arg(i), Arg(m)}, 18);
    }
    HRESULT IncrRevision(SAFEARRAY* i) override { return Record("IncrRevision", {Arg(i)}, 19); }
    HRESULT Move(SAFEARRAY* i, BellquistLib::IItmFolder* d) override { return Record("Move", {Arg(i), Arg(d)}, 20); }
    HRESULT Rename(BellquistLib::IItmObject* o, BSTR n) override { return Record("Rename", {Arg(o), Arg(n)}, 21); }
    HRESULT BatchGetTrees(SAFEARRAY* i, LONG f, LONG l, SAFEARRAY** o, SAFEARRAY** d) override {
        return Record("BatchGetTrees", {Arg(i), Arg(f), Arg(l), Arg(o), Arg(d)}, 22);
    }
    HRESULT BatchRefreshTrees(SAFEARRAY* i, LONG l, SAFEARRAY** o, SAFEARRAY** d) override {
        return Record("BatchRefreshTrees", {Arg(i), Arg(l), Arg(o), Arg(d)}, 23);
    }
    HRESULT UpdateItemsFromDynLink(SAFEARRAY* i) override { return Record("UpdateItemsFromDynLink", {Arg(i)}, 24); }
    HRESULT GetMenuInfo(SAFEARRAY* d, ULONG w, ULONG* e, ULONG* u, SAFEARRAY** s, SAFEARRAY** v, SAFEARRAY** t,
                        SAFEARRAY** n) override {
        return Record("GetMenuInfo", {Arg(d), Arg(w), Arg(e), Arg(u), Arg(s), Arg(v), Arg(t), Arg(n)}, 25);
    }
    HRESULT ExistInFileCache(BellquistLib::IItmObject* i, VARIANT_BOOL* e) override {
        return Record("ExistInFileCache", {Arg(i), Arg(e)}, 26);
    }
    HRESULT CheckCyclicReferences(SAFEARRAY* l, SAFEARRAY* r) override {
        return Record("CheckCyclicReferences", {Arg(l), Arg(r)}, 27);
    }
    HRESULT BatchGetTrees2(SAFEARRAY* i, LONG f, LONG l, SAFEARRAY** o, SAFEARRAY** d) override {
        return Record("BatchGetTrees2", {Arg(i), Arg(f), Arg(l), Arg(o), Arg(d)}, 28);
    }
    HRESULT Login2(BSTR v, BSTR u, BSTR p, BSTR su, BSTR sp, ULONG id, BellquistLib::LoginDataOut* r) override {
        return Record("Login2", {Arg(v), Arg(u), Arg(p), Arg(su), Arg(sp), Arg(id), Arg(r)}, 29);
    }
    HRESULT GetItmInfoSupplement(SAFEARRAY** s) override { return Record("GetItmInfoSupplement", {Arg(s)}, 30); }
    HRESULT UpdateCache(SAFEARRAY* u) override { return Record("UpdateCache", {Arg(u)}, 31); }
    HRESULT RefreshLocalCache() override { return Record("RefreshLocalCache", {}, 32); }

private:
    static ULONG References(IItmProgress* progress) {
        if (!progress) return 0;
        progress->AddRef();
        return progress->Release();
    }
    HRESULT Record(const char* operation, std::vector<uint64_t> args, int slot = 0) {
        script_.calls.push_back({name_, operation, std::move(args)});
        return SlotResult(slot);
    }

    SpyScript& script_;
    const char* name_;
};

// Makes spies in place of the real back ends.
class SpyBackEndFactory : public CItmBackEndFactory {
public:
    explicit SpyBackEndFactory(SpyScript& script) : script_(script) {}

    std::unique_ptr<CProxyTavroskAPI> mpoCreateClientBackEnd(const RefPtr<CItemCacheFile>& cacheFile) const override {
        ++script_.clientsMade;
        return std::make_unique<Spy<CProxyTavroskAPI>>(script_, "client", cacheFile);
    }
    std::unique_ptr<CProxyOxnInterface> mpoCreateVaultBackEnd(const RefPtr<CItemCacheFile>& cacheFile,
                                                              CProxyTavroskAPI* client) const override {
        ++script_.vaultsMade;
        return std::make_unique<Spy<CProxyOxnInterface>>(script_, "vault", cacheFile, client);
    }

private:
    SpyScript& script_;
};

}  // namespace itemmanager_test
