#include "vaultserver/vault_server_component.h"

#include "com/ccom_bstr.h"
#include "com/com_ptr.h"
#include "com/runtime.h"
#include "com_testing/bstr_text.h"
#include "com_testing/leak_checked_test.h"
#include "com_testing/register_server.h"
#include "common/settings_light.h"
#include "testsupport/fresh_machine.h"
#include "vaultadmin/vault_creation.h"
#include "vaultadmin/vault_opening.h"
#include "vaultdb/database.h"
#include "vaultdb/password_hash.h"
#include "vaultdb/statement.h"
#include "winapi/modules.h"
#include "winapi/registry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace {

constexpr HRESULT kLoginFailed = static_cast<HRESULT>(0x80040200);
constexpr HRESULT kNotLoggedIn = static_cast<HRESULT>(0x80040204);
constexpr HRESULT kCannotOpenDatabase = static_cast<HRESULT>(0x80040206);
constexpr HRESULT kVaultNotRegistered = static_cast<HRESULT>(0x8004024C);

void SetVaultValue(const char16_t* name, const std::u16string& value) {
    HKEY key = nullptr;
    const std::u16string path = std::u16string(kProductKeyPath) + u"\\Databases\\Demo";
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(char16_t))),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// A machine with the object registered (by its own DllRegisterServer, as the
// set-up does) and a created vault "Demo" whose users are Admin ("admin"),
// Carol ("c4rol") and the deleted Gone ("gone").
class VaultServerTest : public com_testing::LeakChecked<testsupport::FreshMachineTest> {
protected:
    void SetUp() override {
        LeakChecked::SetUp();
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        ASSERT_EQ(com_testing::RegisterServerLibrary(u"VaultServer.dll"), S_OK);

        vaultadmin::VaultCreation request;
        request.name = u"Demo";
        request.serverFolder = machine_.root() / "server";
        request.viewFolder = machine_.root() / "view";
        created_ = vaultadmin::CreateVault(request);
        std::unique_ptr<vaultdb::Database> database = vaultadmin::OpenRegisteredVault(u"Demo");
        AddUser(*database, u"Carol", u"carol", u"c4rol", false);
        AddUser(*database, u"Gone", u"gone", u"gone", true);
    }
    void TearDown() override {
        server_ = nullptr;
        CoUninitialize();
        LeakChecked::TearDown();
    }

    // Few hash iterations: the tests check many passwords.
    static void AddUser(vaultdb::Database& database, const std::u16string& name, const std::u16string& key,
                        const std::u16string& password, bool deleted) {
        const std::string hash = vaultdb::HashPassword(password, 1000);
        std::unique_ptr<vaultdb::Statement> statement;
        ASSERT_EQ(database.Prepare("INSERT INTO users (name, name_key, password_hash, deleted) VALUES (?, ?, ?, ?)",
                                   statement),
                  S_OK);
        statement->BindText(1, std::u16string_view(name));
        statement->BindText(2, std::u16string_view(key));
        statement->BindText(3, std::u16string_view(std::u16string(hash.begin(), hash.end())));
        statement->BindInt32(4, deleted ? 1 : 0);
        ASSERT_TRUE(SUCCEEDED(statement->Step()));
    }

    IVaultServer& Server() {
        if (!server_) {
            EXPECT_EQ(CoCreateInstance(CLSID_VaultServer, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&server_)), S_OK);
        }
        return *server_;
    }

    HRESULT Check(const char16_t* vault, const char16_t* user, const char16_t* password,
                  std::u16string* dbUser = nullptr, std::u16string* dbPassword = nullptr) {
        CComBSTR serverLoc(created_.registration.serverLoc.c_str()), vaultName(vault), userName(user),
            userPassword(password), dbUserText, dbPasswordText;
        const HRESULT hr = Server().GetDatabaseCredentials(serverLoc, 3030, vaultName, userName, userPassword,
                                                           &dbUserText, &dbPasswordText);
        if (FAILED(hr)) {
            EXPECT_EQ(dbUserText.m_str, nullptr);
            EXPECT_EQ(dbPasswordText.m_str, nullptr);
        }
        if (dbUser) *dbUser = com_testing::Text(dbUserText);
        if (dbPassword) *dbPassword = com_testing::Text(dbPasswordText);
        return hr;
    }

    LONG VerifiedToken(HRESULT expected) {
        LONG token = -1;
        EXPECT_EQ(Server().Verify(&token), expected);
        return token;
    }

    vaultadmin::CreatedVault created_;
    com::ComPtr<IVaultServer> server_;
};

TEST_F(VaultServerTest, ChecksUserNameAndPasswordAgainstTheVaultsHashes) {
    struct Case {
        const char16_t* user;
        const char16_t* password;
        HRESULT expected;
    } const cases[] = {
        {u"Admin", u"admin", S_OK},         {u"carol", u"c4rol", S_OK},  // user names without regard to case
        {u"Carol", u"C4ROL", kLoginFailed},                              // passwords exactly
        {u"Carol", u"", kLoginFailed},      {u"Nobody", u"admin", kLoginFailed},
        {u"Gone", u"gone", kLoginFailed},  // a deleted user logs in no more
        {u"", u"", kLoginFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "user "
                                        << std::string(c.user, c.user + std::char_traits<char16_t>::length(c.user)));
        EXPECT_EQ(Check(u"Demo", c.user, c.password), c.expected);
        const LONG token = VerifiedToken(c.expected == S_OK ? S_OK : kNotLoggedIn);
        if (c.expected == S_OK)
            EXPECT_NE(token, 0);
        else
            EXPECT_EQ(token, 0);
    }
}

TEST_F(VaultServerTest, VerifyNeedsASuccessfulCheckAndAFailedOneForgetsIt) {
    EXPECT_EQ(VerifiedToken(kNotLoggedIn), 0);
    ASSERT_EQ(Check(u"Demo", u"Carol", u"c4rol"), S_OK);
    const LONG first = VerifiedToken(S_OK);
    EXPECT_NE(first, 0);
    EXPECT_EQ(VerifiedToken(S_OK), first);  // the same login, the same token
    EXPECT_EQ(Check(u"Demo", u"Carol", u"wrong"), kLoginFailed);
    EXPECT_EQ(VerifiedToken(kNotLoggedIn), 0);
}

TEST_F(VaultServerTest, GivesTheDatabaseLoginKeptForTheVault) {
    std::u16string dbUser = u"x", dbPassword = u"x";
    ASSERT_EQ(Check(u"Demo", u"Carol", u"c4rol", &dbUser, &dbPassword), S_OK);
    EXPECT_EQ(dbUser, u"");  // a created vault's database has no login of its own
    EXPECT_EQ(dbPassword, u"");

    SetVaultValue(u"DbUser", u"vaultdb");
    SetVaultValue(u"DbPassword", u"s3cret");
    ASSERT_EQ(Check(u"Demo", u"Carol", u"c4rol", &dbUser, &dbPassword), S_OK);
    EXPECT_EQ(dbUser, u"vaultdb");
    EXPECT_EQ(dbPassword, u"s3cret");
}

TEST_F(VaultServerTest, AnUnknownVaultOrAMissingDatabaseIsNoLoginFailure) {
    EXPECT_EQ(Check(u"Elsewhere", u"Admin", u"admin"), kVaultNotRegistered);
    EXPECT_EQ(Check(u"", u"Admin", u"admin"), kVaultNotRegistered);
    std::filesystem::remove(created_.databaseFile);
    EXPECT_EQ(Check(u"Demo", u"Carol", u"c4rol"), kCannotOpenDatabase);
    EXPECT_EQ(VerifiedToken(kNotLoggedIn), 0);
}

TEST_F(VaultServerTest, NullOutputsAreRefused) {
    CComBSTR vault(u"Demo"), user(u"Admin"), password(u"admin"), out;
    EXPECT_EQ(Server().GetDatabaseCredentials(nullptr, 0, vault, user, password, nullptr, &out), E_POINTER);
    EXPECT_EQ(Server().GetDatabaseCredentials(nullptr, 0, vault, user, password, &out, nullptr), E_POINTER);
    EXPECT_EQ(Server().Verify(nullptr), E_POINTER);
}

}  // namespace
