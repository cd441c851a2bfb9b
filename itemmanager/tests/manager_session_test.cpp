// The item manager as the explorer uses it, end to end: the servers
// registered on a fresh machine, ItmManager created by class id, Init for a
// vault, a direct login through the login server and the client library,
// the login's data, and the logout.

#include "server_session_fixture.h"

#include "bellquist/ids.h"
#include "bellquist/manager_interfaces.h"
#include "com/bstr.h"
#include "com/runtime.h"
#include "com_testing/bstr_text.h"
#include "com_testing/leak_checked_test.h"
#include "testsupport/fresh_machine.h"
#include "vaultadmin/user_admin.h"
#include "vaultadmin/vault_creation.h"
#include "vaultadmin/vault_opening.h"
#include "vennacle/sp_mgr.h"
#include "winapi/modules.h"
#include "winapi/path_mapping.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace BellquistLib;
using com_testing::Text;

namespace {

constexpr char16_t kUser[] = u"Alice";
constexpr char16_t kPassword[] = u"wonderland";

class ManagerSessionTest : public ServerSessionTest {
protected:
    void SetUp() override {
        ServerSessionTest::SetUp();
        if (HasFatalFailure()) return;
        userId_ = vaultadmin::AddUser(*vaultadmin::OpenRegisteredVault(kVault), kUser, kPassword, {4});
    }
    void TearDown() override { ServerSessionTest::TearDown(); }

    LONG userId_ = 0;
};

TEST_F(ManagerSessionTest, InitLoginAndLogOutOfAVault) {
    IItmManager2* manager = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_ItmManager, nullptr, CLSCTX_INPROC_SERVER, IItmManager2::kIid,
                               reinterpret_cast<void**>(&manager)),
              S_OK);
    BSTR vault = SysAllocString(kVault);
    LoginDataOut out{};
    EXPECT_EQ(manager->Login(vault, &out), static_cast<HRESULT>(0x80040201));  // before Init

    InitData data{};
    data.meClientType = ClientType_Web_Client;
    EXPECT_EQ(manager->Init(data), E_NOTIMPL);
    data.meClientType = ClientType_Local_Client;
    data.moDomainName = SysAllocString(u"WORK");
    data.moComputerName = SysAllocString(u"PC-7");
    data.moViewPath = SysAllocString(winapi::FromPosixPath((machine_.root() / "view").string()).c_str());
    data.moViewGUID = created_.viewId;
    data.moVaultGUID = created_.vaultId;
    ASSERT_EQ(manager->Init(data), S_OK);

    BSTR user = SysAllocString(kUser), password = SysAllocString(kPassword);
    BSTR none = SysAllocString(u"");
    ASSERT_EQ(manager->Login2(vault, user, password, none, none, 0, &out), S_OK);
    EXPECT_EQ(out.mlUserID, userId_);
    EXPECT_EQ(Text(out.moUsername), kUser);
    EXPECT_EQ(out.moVaultGUID, created_.vaultId);
    EXPECT_NE(out.mlRootItemFolderID, 0);
    auto* spMgr = reinterpret_cast<SpMgr*>(static_cast<uintptr_t>(out.mpoSpMgr));
    ASSERT_NE(spMgr, nullptr);
    EXPECT_NE(spMgr->mpoGetUser(), nullptr);  // open and logged in
    // The receiver gives its reference back; the manager and the client
    // library keep theirs.
    EXPECT_EQ(spMgr->Release(), 2u);

    EXPECT_EQ(manager->LogOut(), S_OK);
    EXPECT_EQ(manager->Release(), 0u);

    SysFreeString(out.moUsername);
    for (BSTR text : {vault, user, password, none, data.moDomainName, data.moComputerName, data.moViewPath})
        SysFreeString(text);
}

}  // namespace
