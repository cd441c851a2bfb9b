// The login class as its callers get it: created by class id from the
// registered login server library, and used through ILogin.
#include "login_fixture.h"

#include "dunmorrow/ids.h"
#include "dunmorrow/interfaces.h"

using namespace login_test;
using namespace DunmorrowLib;

namespace {

class LoginByClassIdTest : public LoginFixture {
protected:
    void SetUp() override {
        LoginFixture::SetUp();
        ASSERT_EQ(com_testing::RegisterServerLibrary(u"Dunmorrow.dll"), S_OK);
    }
};

TEST_F(LoginByClassIdTest, CreatedLoginLogsInDirectly) {
    ILogin* login = nullptr;
    ASSERT_EQ(
        CoCreateInstance(CLSID_Login, nullptr, CLSCTX_INPROC_SERVER, IID_ILogin, reinterpret_cast<void**>(&login)),
        S_OK);
    ASSERT_NE(login, nullptr);
    {
        Request request(kVault, true);
        HeldResult result;
        ASSERT_EQ(login->Login(request.info, &result.r), S_OK);
        ASSERT_NE(result.Connection(), nullptr);
        EXPECT_EQ(result.r.mlUserID, userId_);
        EXPECT_EQ(result.r.mlRootItemFolderID, rootItemFolder_);
        EXPECT_EQ(result.r.moVaultGUID, created_.vaultId);
        EXPECT_EQ(Text(result.r.moUsername), kUser);
    }
    EXPECT_EQ(login->Logout(), S_OK);
    EXPECT_FALSE(LoginTableExists());
    EXPECT_EQ(login->Release(), 0u);
}

}  // namespace
