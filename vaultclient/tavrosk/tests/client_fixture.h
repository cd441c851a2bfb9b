// A fresh machine with the client library registered, the stored-procedure
// layer's seeded vault (users "Alice" and "Bob"), and what a login to it
// hands the library: a vault connection (SpMgr) and the 120-byte login record
// made for that connection.
#pragma once

#include "com/ccom_bstr.h"
#include "com/com_ptr.h"
#include "com/runnable.h"
#include "com/runtime.h"
#include "com_testing/leak_checked_test.h"
#include "com_testing/register_server.h"
#include "tavrosk/client_interfaces.h"
#include "tavrosk/ids.h"
#include "tavrosk/login_record.h"
#include "testsupport/fresh_machine.h"
#include "vault_seed.h"
#include "vennacle/sp_mgr.h"
#include "winapi/guid_text.h"
#include "winapi/modules.h"

#include <gtest/gtest.h>

#include <memory>

namespace tavrosk_test {

// The rights bits a login gives Alice.
inline constexpr LONG kAliceRights = 1028 | 0x4000000;

// The strings of a login record, owned by the test, and the record over them.
struct LoginStrings {
    CComBSTR viewPath{u"C:\\Views\\Demo\\"};
    CComBSTR computer{u"WORKSTATION"};
    CComBSTR domain{u"OFFICE"};
    CComBSTR user{u"Alice"};
    CComBSTR password{u"alice-pw"};
    CComBSTR vaultName{u"Demo"};
    CComBSTR archiveServer{u"archive"};
};

class ClientTest : public com_testing::LeakChecked<testsupport::FreshMachineTest> {
protected:
    void SetUp() override {
        LeakChecked::SetUp();
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        RegisterLibrary();
        vault_ = vennacle_test::SeedVault();
        ASSERT_TRUE(winapi::ParseGuid(vennacle_test::kVaultGuid, &vaultGuid_));
        connection_ = OpenConnection();
    }
    void TearDown() override {
        if (connection_) {
            EXPECT_EQ(connection_->Release(), 0u) << "a reference on the connection was kept";
        }
        CoUninitialize();
        LeakChecked::TearDown();
    }

    // Registers the library by its own DllRegisterServer, as the set-up does.
    static void RegisterLibrary() { ASSERT_EQ(com_testing::RegisterServerLibrary(u"TavroskClient.dll"), S_OK); }

    // A new connection to the vault (one reference, the caller's).
    SpMgr* OpenConnection() {
        SpConnectInfo info;
        info.moDbServer = vennacle_test::kDbServer;
        info.moDbName = vennacle_test::kDbName;
        info.moDbUser = u"vaultdb";
        info.moDbPassword = u"secret";
        info.moVaultName = u"Demo";
        info.moUserName = u"Alice";
        info.mlCaller = -1;
        SpMgr* connection = new SpMgr(false);
        EXPECT_EQ(connection->mhCreate(SpDbType_Vault, info), S_OK);
        return connection;
    }

    // The references on `connection` besides the one the caller holds.
    static ULONG OtherReferences(SpMgr* connection) {
        connection->AddRef();
        return connection->Release() - 1;
    }

    // Alice's login to the vault over `connection` (the test's by default).
    TavroskClientLib::LoginRecord AliceLogin(const LoginStrings& strings, SpMgr* connection = nullptr) const {
        TavroskClientLib::LoginRecord record{};
        record.mpoSpMgr = connection ? connection : connection_;
        record.moVaultGUID = vaultGuid_;
        record.moViewGUID = kViewGuid;
        record.moViewPath = strings.viewPath;
        record.moComputerName = strings.computer;
        record.moDomainName = strings.domain;
        record.moUsername = strings.user;
        record.moUserPwd = strings.password;
        record.moVaultName = strings.vaultName;
        record.mbsAServer = strings.archiveServer;
        record.musPort = 3030;
        record.mlUserID = vault_.alice;
        record.mlArchiveServerID = 0;
        record.mlDateFmt = 3;
        record.mlSystemRights = kAliceRights;
        return record;
    }

    // The main object, created as the item server creates it.
    com::ComPtr<TavroskClientLib::ITavroskClient> CreateClient() {
        com::ComPtr<IUnknown> unknown;
        EXPECT_EQ(CoCreateInstance(TavroskClientLib::CLSID_TavroskClient, nullptr, 23, IID_IUnknown,
                                   reinterpret_cast<void**>(&unknown)),
                  S_OK);
        com::ComPtr<TavroskClientLib::ITavroskClient> client;
        if (unknown) {
            EXPECT_EQ(OleRun(unknown), S_OK);
            EXPECT_EQ(unknown->QueryInterface(IID_PPV_ARGS(&client)), S_OK);
        }
        return client;
    }
    static com::ComPtr<TavroskClientLib::ITavroskServices> Services(TavroskClientLib::ITavroskClient* client) {
        com::ComPtr<TavroskClientLib::ITavroskServices> services;
        EXPECT_EQ(client->QueryInterface(IID_PPV_ARGS(&services)), S_OK);
        return services;
    }

    static constexpr GUID kViewGuid = com::MakeGuid("5D1C0B2A-3E4F-4A5B-8C6D-7E8F90A1B2C3");

    vennacle_test::SeededVault vault_;
    GUID vaultGuid_{};
    SpMgr* connection_ = nullptr;  // the test's reference
};

}  // namespace tavrosk_test
