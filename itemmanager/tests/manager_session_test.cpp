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
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

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

// Login2 hands the caller's password to the login server's direct login,
// which checks it against the vault: a wrong one (for any user, the
// administrator too) fails with E_OXN_LOGIN_FAILED and hands out nothing,
// and the manager logs in with the right one afterwards.
TEST_F(ManagerSessionTest, Login2RefusesAWrongPassword) {
    IItmManager2* manager = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_ItmManager, nullptr, CLSCTX_INPROC_SERVER, IItmManager2::kIid,
                               reinterpret_cast<void**>(&manager)),
              S_OK);
    InitData data{};
    data.meClientType = ClientType_Local_Client;
    data.moViewPath = SysAllocString(winapi::FromPosixPath((machine_.root() / "view").string()).c_str());
    data.moViewGUID = created_.viewId;
    data.moVaultGUID = created_.vaultId;
    ASSERT_EQ(manager->Init(data), S_OK);

    constexpr HRESULT kLoginFailed = static_cast<HRESULT>(0x80040200);
    struct Attempt {
        const char16_t* user;
        const char16_t* password;
        HRESULT expected;
    };
    const Attempt attempts[] = {
        {kUser, u"Wonderland", kLoginFailed},
        {kUser, u"", kLoginFailed},
        {u"Admin", u"anything", kLoginFailed},
        {kUser, kPassword, S_OK},
    };
    BSTR vault = SysAllocString(kVault);
    BSTR none = SysAllocString(u"");
    for (const Attempt& a : attempts) {
        SCOPED_TRACE(winapi::ToUtf8(std::u16string(a.user) + u"/" + a.password));
        BSTR user = SysAllocString(a.user), password = SysAllocString(a.password);
        LoginDataOut out{};
        EXPECT_EQ(manager->Login2(vault, user, password, none, none, 0, &out), a.expected);
        EXPECT_EQ(out.mpoSpMgr != 0, SUCCEEDED(a.expected));
        EXPECT_EQ(out.moUsername != nullptr, SUCCEEDED(a.expected));
        if (SUCCEEDED(a.expected)) {
            EXPECT_EQ(out.mlUserID, userId_);
        }
        if (auto* spMgr = reinterpret_cast<SpMgr*>(static_cast<uintptr_t>(out.mpoSpMgr))) spMgr->Release();
        SysFreeString(out.moUsername);
        SysFreeString(user);
        SysFreeString(password);
    }

    EXPECT_EQ(manager->LogOut(), S_OK);
    EXPECT_EQ(manager->Release(), 0u);
    for (BSTR text : {vault, none, data.moViewPath}) SysFreeString(text);
}

}  // namespace
