// The connection and the login procedures over a real vault database.
#include "vault_seed.h"

#include "common/error_codes.h"
#include "vennacle/sp_items.h"
#include "vennacle/sp_login_info.h"
#include "vennacle/sp_project.h"
#include "vennacle/sp_user.h"
#include "winapi/guid_text.h"

#include <vector>

namespace {

using namespace vennacle_test;

std::vector<unsigned int> Values(const Lst<unsigned int>& list) {
    std::vector<unsigned int> values;
    for (POSITION at = list.GetHeadPosition(); at;) values.push_back(list.GetNext(at));
    return values;
}

GUID VaultGuid() {
    GUID guid{};
    winapi::ParseGuid(kVaultGuid, &guid);
    return guid;
}

using SpMgrTest = VennacleTest;

TEST_F(SpMgrTest, ConnectsAndLivesUntilItsLastRelease) {
    SpMgr* mgr = new SpMgr();
    EXPECT_EQ(mgr->mpoGetUser(), nullptr);
    EXPECT_EQ(mgr->mpoGetProc(SpMgr::kLoginInfoProc), nullptr);

    ASSERT_EQ(mgr->mhCreate(SpDbType_Vault, ConnectInfo()), S_OK);
    EXPECT_NE(mgr->mpoGetUser(), nullptr);
    EXPECT_NE(mgr->mpoGetItems(), nullptr);
    EXPECT_NE(mgr->mpoGetProject(), nullptr);
    EXPECT_EQ(mgr->mpoGetProc(30), mgr->mpoGetLoginInfo());
    EXPECT_EQ(mgr->mpoGetProc(29), nullptr);
    EXPECT_EQ(mgr->mhCreate(SpDbType_Vault, ConnectInfo()), E_UNEXPECTED);

    mgr->AddRef();  // a second holder
    EXPECT_EQ(mgr->Release(), 1u);
    LONG folder = 0;  // still usable by the first holder
    EXPECT_EQ(mgr->mpoGetProject()->mhGetProjectIDFromDbPath(&folder, u"\\<items>\\"), S_OK);
    EXPECT_EQ(folder, vault_.itemsFolder);
    EXPECT_EQ(mgr->Release(), 0u);  // deleted: the leak checker would see it otherwise
}

TEST_F(SpMgrTest, CreateRefusesWhatItCannotOpen) {
    struct Case {
        const char* what;
        SpDbType type;
        std::u16string server, name, user, password;
        HRESULT expected;
    };
    const Case cases[] = {
        {"server with trailing backslash, user in any case", SpDbType_Vault, u"C:\\Vaults\\", u"Demo", u"VAULTDB",
         u"secret", S_OK},
        {"wrong database password", SpDbType_Vault, kDbServer, kDbName, u"vaultdb", u"Secret", E_OXN_LOGIN_FAILED},
        {"wrong database user", SpDbType_Vault, kDbServer, kDbName, u"sa", u"secret", E_OXN_LOGIN_FAILED},
        {"no such database", SpDbType_Vault, kDbServer, u"Other", u"vaultdb", u"secret", E_OXN_CANT_OPEN_DATABASE},
        {"no such server folder", SpDbType_Vault, u"D:\\Nowhere", kDbName, u"vaultdb", u"secret",
         E_OXN_CANT_OPEN_DATABASE},
        {"a name that climbs out of the folder", SpDbType_Vault, u"C:\\Vaults\\Sub", u"..\\Demo", u"vaultdb", u"secret",
         E_INVALIDARG},
        {"empty name", SpDbType_Vault, kDbServer, u"", u"vaultdb", u"secret", E_INVALIDARG},
        {"another database type", static_cast<SpDbType>(2), kDbServer, kDbName, u"vaultdb", u"secret", E_INVALIDARG},
    };
    for (const Case& c : cases) {
        SpConnectInfo info = ConnectInfo();
        info.moDbServer = c.server;
        info.moDbName = c.name;
        info.moDbUser = c.user;
        info.moDbPassword = c.password;
        SpMgr* mgr = new SpMgr(false);
        EXPECT_EQ(mgr->mhCreate(c.type, info), c.expected) << c.what;
        EXPECT_EQ(mgr->mpoGetUser() != nullptr, c.expected == S_OK) << c.what;
        mgr->Release();
    }
}

TEST_F(SpMgrTest, DunmorrowInfoDescribesUserAndVault) {
    LONG userId = 0, rootFolder = 0, dateFmt = 0;
    GUID guid{};
    Lst<unsigned int> rights;
    ASSERT_EQ(Mgr().mpoGetUser()->mhGetGetDunmorrowInfo(u"aLiCe", userId, rights, guid, rootFolder, dateFmt), S_OK);
    EXPECT_EQ(userId, vault_.alice);
    EXPECT_EQ(Values(rights), (std::vector<unsigned int>{1028u, 0x4000001u}));
    EXPECT_EQ(winapi::GuidToString(guid), kVaultGuid);
    EXPECT_EQ(rootFolder, vault_.itemsFolder);
    EXPECT_EQ(dateFmt, 3);

    LONG untouched = 77;
    EXPECT_EQ(Mgr().mpoGetUser()->mhGetGetDunmorrowInfo(u"Mallory", untouched, rights, guid, rootFolder, dateFmt),
              E_OXN_LOGIN_FAILED);
    EXPECT_EQ(untouched, 77);
    EXPECT_EQ(rights.GetCount(), 2);
}

TEST_F(SpMgrTest, SystemRightsAreReadByUserId) {
    Lst<unsigned int> rights;
    ASSERT_EQ(Mgr().mpoGetUser()->mhGetSystemRights(vault_.alice, rights), S_OK);
    EXPECT_EQ(Values(rights), (std::vector<unsigned int>{1028u, 0x4000001u}));
    Lst<unsigned int> none;
    ASSERT_EQ(Mgr().mpoGetUser()->mhGetSystemRights(vault_.bob, none), S_OK);
    EXPECT_EQ(none.GetCount(), 0);
}

TEST_F(SpMgrTest, LoginUserOpensANewSessionEachTime) {
    SpLoginInfo* login = Mgr().mpoGetProc(30);
    ASSERT_NE(login, nullptr);
    SpVaultInfo info;
    LONG userId = 0, loginValue = 0, firstValue = 0;
    Lst<unsigned int> rights;
    ASSERT_EQ(login->mhLoginUser(u"ALICE", u"demo", u"Demo", 0, &info, ProgramType_Explorer, &userId, &loginValue,
                                 &rights, nullptr, false, nullptr),
              S_OK);
    EXPECT_EQ(info.mlVersion, 2801);
    EXPECT_EQ(info.mlDateFmt, 3);
    EXPECT_EQ(winapi::GuidToString(info.moVaultGUID), kVaultGuid);
    EXPECT_EQ(userId, vault_.alice);
    EXPECT_EQ(Values(rights), (std::vector<unsigned int>{1028u, 0x4000001u}));
    EXPECT_EQ(Sql(*vault_.db, "SELECT user_id FROM sessions WHERE id = ?", {loginValue}), vault_.alice);
    firstValue = loginValue;

    ASSERT_EQ(login->mhLoginUser(u"Bob", u"Demo", u"Demo", 0, &info, ProgramType_Explorer, &userId, &loginValue,
                                 nullptr, nullptr, false, nullptr),
              S_OK);
    EXPECT_EQ(userId, vault_.bob);
    EXPECT_NE(loginValue, firstValue);
    EXPECT_EQ(Sql(*vault_.db, "SELECT COUNT(*) FROM sessions"), 2);
}

TEST_F(SpMgrTest, FailedLoginLeavesValuesNoCallerCanTakeForALogin) {
    SpLoginInfo* login = Mgr().mpoGetLoginInfo();
    struct Case {
        const char16_t* user;
        const char16_t* dbName;
        HRESULT expected;
    };
    for (const Case& c :
         {Case{u"Mallory", u"Demo", E_OXN_LOGIN_FAILED}, Case{u"Alice", u"Other", E_OXN_CANT_OPEN_DATABASE}}) {
        SpVaultInfo info{2801, 3, VaultGuid()};
        LONG userId = 5, loginValue = 5;
        Lst<unsigned int> rights;
        EXPECT_EQ(login->mhLoginUser(c.user, c.dbName, c.dbName, 0, &info, ProgramType_Explorer, &userId, &loginValue,
                                     &rights, nullptr, false, nullptr),
                  c.expected);
        EXPECT_EQ(info.mlVersion, 0);
        EXPECT_EQ(userId, -1);
        EXPECT_EQ(loginValue, -1);
        EXPECT_TRUE(rights.IsEmpty());
    }
    EXPECT_EQ(Sql(*vault_.db, "SELECT COUNT(*) FROM sessions"), 0);
    EXPECT_EQ(login->mhLoginUser(u"Alice", u"Demo", u"Demo", 0, nullptr, ProgramType_Explorer, nullptr, nullptr,
                                 nullptr, nullptr, false, nullptr),
              E_POINTER);
}

TEST_F(SpMgrTest, RefreshCacheOnLoginIsTheUsersSetting) {
    SpLoginInfo* login = Mgr().mpoGetProc(30);
    BOOL refresh = TRUE;
    EXPECT_EQ(login->mhDoRefreshCacheOnLogin(vault_.alice, refresh), S_OK);
    EXPECT_FALSE(refresh);
    EXPECT_EQ(login->mhDoRefreshCacheOnLogin(vault_.bob, refresh), S_OK);
    EXPECT_TRUE(refresh);
    EXPECT_EQ(login->mhDoRefreshCacheOnLogin(999, refresh), E_OXN_INVALID_ID);
    EXPECT_FALSE(refresh);
}

}  // namespace
