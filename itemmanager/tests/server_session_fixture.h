// A fresh machine as the set-up leaves it for a session of the item manager:
// the vault client's components and the servers registered from the build,
// and one empty vault, "Demo", registered on it.
#pragma once

#include "bellquist/ids.h"
#include "bellquist/manager_interfaces.h"
#include "com/ccom_ptr.h"
#include "com/runtime.h"
#include "com_testing/leak_checked_test.h"
#include "com_testing/register_server.h"
#include "testsupport/fresh_machine.h"
#include "vaultadmin/vault_creation.h"
#include "vennacle/sp_mgr.h"
#include "winapi/path_mapping.h"

#include <gtest/gtest.h>

class ServerSessionTest : public com_testing::LeakChecked<testsupport::FreshMachineTest> {
protected:
    static constexpr char16_t kVault[] = u"Demo";

    void SetUp() override {
        LeakChecked::SetUp();
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        for (const char16_t* server : {u"VaultServer.dll", u"Dunmorrow.dll", u"TavroskClient.dll", u"Bellquist.dll"})
            ASSERT_EQ(com_testing::RegisterServerLibrary(server), S_OK);
        vaultadmin::VaultCreation request;
        request.name = kVault;
        request.serverFolder = machine_.root() / "server";
        request.viewFolder = machine_.root() / "view";
        created_ = vaultadmin::CreateVault(request);
    }
    void TearDown() override {
        CoFreeUnusedLibraries();
        CoUninitialize();
        LeakChecked::TearDown();
    }

    vaultadmin::CreatedVault created_;
};

// A session of the item manager on that vault: made by class id, initialised
// for the view folder and logged in; logged out and released (its last
// reference) when the test ends.
class ManagerSessionTest : public ServerSessionTest {
protected:
    static constexpr char16_t kComputer[] = u"PC-7";

    void TearDown() override {
        if (manager_) {
            EXPECT_EQ(manager_->LogOut(), S_OK);
            EXPECT_EQ(manager_.Detach()->Release(), 0u);
        }
        ServerSessionTest::TearDown();
    }

    // Logs in as `user`; `oxnVault` (may be null) is the vault object the
    // manager's vault-interface back end works through.
    void LogIn(const char16_t* user, const char16_t* password, IUnknown* oxnVault = nullptr) {
        CreateManager();
        ASSERT_NE(manager_, nullptr);
        BellquistLib::InitData data{};
        data.meClientType = BellquistLib::ClientType_Local_Client;
        data.moDomainName = SysAllocString(u"WORK");
        data.moComputerName = SysAllocString(kComputer);
        data.moViewPath = SysAllocString(winapi::FromPosixPath((machine_.root() / "view").string()).c_str());
        data.moViewGUID = created_.viewId;
        data.moVaultGUID = created_.vaultId;
        data.mllOxnVault = reinterpret_cast<uintptr_t>(oxnVault);
        EXPECT_EQ(manager_->Init(data), S_OK);
        BSTR vault = SysAllocString(kVault), name = SysAllocString(user), secret = SysAllocString(password);
        BSTR none = SysAllocString(u"");
        BellquistLib::LoginDataOut out{};
        EXPECT_EQ(manager_->Login2(vault, name, secret, none, none, 0, &out), S_OK);
        rootFolderId_ = out.mlRootItemFolderID;
        // The receiver's reference to the stored-procedure layer.
        if (auto* spMgr = reinterpret_cast<SpMgr*>(static_cast<uintptr_t>(out.mpoSpMgr))) spMgr->Release();
        SysFreeString(out.moUsername);
        for (BSTR text : {vault, name, secret, none, data.moDomainName, data.moComputerName, data.moViewPath})
            SysFreeString(text);
    }

    // Makes manager_: by class id, from the registered server. A test that
    // must reach the manager's back ends makes it in its own process.
    virtual void CreateManager() {
        ASSERT_EQ(CoCreateInstance(BellquistLib::CLSID_ItmManager, nullptr, CLSCTX_INPROC_SERVER,
                                   BellquistLib::IItmManager2::kIid, reinterpret_cast<void**>(&manager_)),
                  S_OK);
    }

    CComPtr<BellquistLib::IItmManager2> manager_;
    LONG rootFolderId_ = 0;  // the root item folder's id, from the login
};
