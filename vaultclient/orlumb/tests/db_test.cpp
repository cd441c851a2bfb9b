// The database library over a vault made by the administration tool on a
// fresh machine: the login checked against the vault's users, the vault's
// type read from its database, and the failures an open reports.
#include "orlumb/db.h"

#include "common/error_codes.h"
#include "testsupport/fresh_machine.h"
#include "testsupport/registry_values.h"
#include "vaultadmin/user_admin.h"
#include "vaultadmin/vault_creation.h"
#include "vaultadmin/vault_opening.h"
#include "vaultdb/database.h"
#include "winapi/errors.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

constexpr char16_t kVault[] = u"Demo";
constexpr char16_t kUser[] = u"Alice";
constexpr char16_t kPassword[] = u"wonderland";

class DbTest : public testsupport::FreshMachineTest {
protected:
    void SetUp() override { created_ = Create(kVault, vaultadmin::RegistryScope::Machine); }

    vaultadmin::CreatedVault Create(const std::u16string& name, vaultadmin::RegistryScope scope) {
        vaultadmin::VaultCreation request;
        request.name = name;
        request.serverFolder = machine_.root() / "server";
        request.viewFolder = machine_.root() / winapi::ToUtf8(u"view " + name);
        request.scope = scope;
        vaultadmin::CreatedVault created = vaultadmin::CreateVault(request);
        vaultadmin::AddUser(*vaultadmin::OpenRegisteredVault(name), kUser, kPassword, {});
        return created;
    }
    static void Execute(const std::u16string& vault, const char* sql) {
        ASSERT_EQ(vaultadmin::OpenRegisteredVault(vault)->Execute(sql), S_OK) << sql;
    }

    // Opens as the explorer does, with the login given; the connection's
    // facts in `connection` on success.
    static DWORD Open(const char16_t* vault, const char16_t* user, const char16_t* password,
                      DbConnectionData* connection = nullptr, std::u16string* errorText = nullptr) {
        Db* db = new Db(vault, true);
        db->mvSetLogin(user);
        db->mvSetPassword(password);
        const DWORD result = db->mdwOpen(vault, false, true, false, false, false, false, false, errorText, false);
        if (connection) *connection = db->Connection();
        EXPECT_EQ(db->mbIsOpen(), result == 0);
        EXPECT_EQ(db->Release(), 0u);
        return result;
    }

    vaultadmin::CreatedVault created_;
};

TEST_F(DbTest, AnAcceptedLoginOpensTheVaultAndTellsItsType) {
    DbConnectionData connection;
    std::u16string errorText = u"stale";
    ASSERT_EQ(Open(kVault, kUser, kPassword, &connection, &errorText), 0u);
    EXPECT_EQ(connection.mlVaultType, 0);
    EXPECT_EQ(connection.moServer, created_.registration.dbServer);
    EXPECT_EQ(connection.moDatabase, created_.registration.dbName);
    EXPECT_EQ(connection.moLogin, kUser);
    EXPECT_TRUE(errorText.empty());

    // User names are the vault's, without regard to case.
    EXPECT_EQ(Open(kVault, u"ALICE", kPassword), 0u);
    // A vault registered for the user only is found as well.
    Create(u"Mine", vaultadmin::RegistryScope::User);
    EXPECT_EQ(Open(u"Mine", kUser, kPassword), 0u);
}

TEST_F(DbTest, TheVaultTypeIsTheVaultTables) {
    for (LONG type : {2, 7, -1}) {
        Execute(kVault, ("UPDATE vault SET vault_type = " + std::to_string(type)).c_str());
        DbConnectionData connection;
        ASSERT_EQ(Open(kVault, kUser, kPassword, &connection), 0u);
        EXPECT_EQ(connection.mlVaultType, type);
    }
}

TEST_F(DbTest, ALoginTheVaultDoesNotAcceptFails) {
    vaultadmin::AddUser(*vaultadmin::OpenRegisteredVault(kVault), u"Gone", kPassword, {});
    Execute(kVault, "UPDATE users SET deleted = 1 WHERE name = 'Gone'");
    struct Case {
        const char16_t* user;
        const char16_t* password;
    };
    for (const Case& login : {Case{kUser, u"guess"}, Case{kUser, u""}, Case{u"Bob", kPassword}, Case{u"", kPassword},
                              Case{u"Gone", kPassword}, Case{nullptr, nullptr}}) {
        std::u16string errorText;
        EXPECT_EQ(Open(kVault, login.user, login.password, nullptr, &errorText), DWORD(E_OXN_LOGIN_FAILED))
            << winapi::ToUtf8(login.user ? login.user : u"(null)");
        EXPECT_FALSE(errorText.empty());
    }
}

TEST_F(DbTest, AVaultWithoutItsDatabaseFails) {
    EXPECT_EQ(Open(u"Elsewhere", kUser, kPassword), DWORD(E_OXN_MISSING_VIEW_INFO));
    EXPECT_EQ(Open(u"", kUser, kPassword), DWORD(E_OXN_MISSING_VIEW_INFO));

    // A key without its database name.
    const std::u16string key = vaultadmin::VaultListPath(vaultadmin::RegistryScope::Machine) + u"\\Half";
    testsupport::WriteText(HKEY_LOCAL_MACHINE, key, u"ShellRoot", created_.registration.shellRoot);
    testsupport::WriteText(HKEY_LOCAL_MACHINE, key, u"DbServer", created_.registration.dbServer);
    EXPECT_EQ(Open(u"Half", kUser, kPassword), DWORD(E_OXN_MISSING_VIEW_INFO));
    // A database name that is a path is refused, not followed.
    testsupport::WriteText(HKEY_LOCAL_MACHINE, key, u"DbName", u"..\\server\\Demo");
    EXPECT_EQ(Open(u"Half", kUser, kPassword), DWORD(E_OXN_CANT_OPEN_DATABASE));

    std::filesystem::remove(created_.databaseFile);
    std::u16string errorText;
    EXPECT_EQ(Open(kVault, kUser, kPassword, nullptr, &errorText), DWORD(E_OXN_CANT_OPEN_DATABASE));
    EXPECT_NE(errorText.find(u"Demo"), std::u16string::npos);
}

TEST_F(DbTest, OnlyTheExplorersWayOfOpeningIsOffered) {
    // Each flag that asks for more than a checked, shared open.
    for (int flag = 0; flag < 7; ++flag) {
        Db* db = new Db(kVault, true);
        db->mvSetLogin(kUser);
        db->mvSetPassword(kPassword);
        bool set[7] = {};
        set[flag] = true;
        EXPECT_EQ(db->mdwOpen(kVault, set[0], true, set[1], set[2], set[3], set[4], set[5], nullptr, set[6]),
                  DWORD(E_INVALIDARG))
            << flag;
        EXPECT_FALSE(db->mbIsOpen());
        db->Release();
    }
    Db* unregistered = new Db(kVault, false);
    EXPECT_EQ(unregistered->mdwOpen(kVault, false, false, false, false, false, false, false, nullptr, false),
              DWORD(E_INVALIDARG));
    unregistered->Release();
}

TEST_F(DbTest, TheConnectionOpensOnceAndForgetsThePassword) {
    Db* db = new Db(kVault, true);
    db->AddRef();
    db->mvSetLogin(kUser);
    db->mvSetPassword(kPassword);
    // Without a name, the vault the connection was made for.
    ASSERT_EQ(db->mdwOpen(nullptr, false, true, false, false, false, false, false, nullptr, false), 0u);
    EXPECT_EQ(db->mdwOpen(kVault, false, true, false, false, false, false, false, nullptr, false), DWORD(E_UNEXPECTED));
    EXPECT_TRUE(db->mbIsOpen());
    EXPECT_EQ(db->Release(), 1u);
    EXPECT_EQ(db->Release(), 0u);

    Db* again = new Db(kVault, true);
    again->mvSetLogin(kUser);
    again->mvSetPassword(u"guess");
    EXPECT_EQ(again->mdwOpen(kVault, false, true, false, false, false, false, false, nullptr, false),
              DWORD(E_OXN_LOGIN_FAILED));
    again->mvSetPassword(kPassword);
    ASSERT_EQ(again->mdwOpen(kVault, false, true, false, false, false, false, false, nullptr, false), 0u);
    again->Release();

    // Without the login check the vault opens for its facts alone.
    Db* unchecked = new Db(kVault, true);
    ASSERT_EQ(unchecked->mdwOpen(kVault, false, false, false, false, false, false, false, nullptr, false), 0u);
    EXPECT_TRUE(unchecked->Connection().moLogin.empty());
    unchecked->Release();
}

}  // namespace
