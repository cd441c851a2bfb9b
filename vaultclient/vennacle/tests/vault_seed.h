// A small vault for the tests of the stored-procedure layer: the database
// "C:\Vaults\Demo.vault" of a fresh machine (DbServer "C:\Vaults", DbName
// "Demo"), with users, rights, folders, files and variables.
#pragma once

#include "testsupport/fresh_machine.h"
#include "vennacle/sp_mgr.h"
#include "vaultdb/database.h"
#include "vaultdb/password_hash.h"
#include "vaultdb/schema.h"
#include "vaultdb/statement.h"
#include "winapi/errors.h"
#include "winapi/path_mapping.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <variant>

namespace vennacle_test {

inline constexpr char16_t kDbServer[] = u"C:\\Vaults";
inline constexpr char16_t kDbName[] = u"Demo";
inline constexpr char16_t kVaultGuid[] = u"{0B5E6A7C-1D2E-4F30-8A9B-C0D1E2F30415}";

// One SQL statement with its parameters (ints, doubles or texts); fails the
// test when it does not run. Returns the first column of the first row, or -1.
using SqlValue = std::variant<int32_t, double, std::u16string>;
inline int64_t Sql(vaultdb::Database& db, const std::string& sql, std::initializer_list<SqlValue> values = {}) {
    std::unique_ptr<vaultdb::Statement> st;
    EXPECT_EQ(db.Prepare(sql, st), S_OK) << sql << ": " << db.LastErrorText();
    if (!st) return -1;
    int index = 1;
    for (const SqlValue& value : values) {
        if (auto* i = std::get_if<int32_t>(&value)) st->BindInt32(index, *i);
        if (auto* d = std::get_if<double>(&value)) st->BindDouble(index, *d);
        if (auto* t = std::get_if<std::u16string>(&value)) st->BindText(index, std::u16string_view(*t));
        ++index;
    }
    const HRESULT hr = st->Step();
    EXPECT_TRUE(SUCCEEDED(hr)) << sql << ": " << db.LastErrorText();
    return hr == S_OK ? st->ColumnInt64(0) : -1;
}

struct SeededVault {
    std::unique_ptr<vaultdb::Database> db;  // a second connection for the test's own checks
    int32_t alice = 0;                      // user "Alice", rights 1028 and 0x4000001
    int32_t bob = 0;                        // user "Bob", no rights, refreshes his cache at login
    int32_t itemsFolder = 0;                // "\<items>\"
    int32_t partsFolder = 0;                // "\<items>\Parts\"
    int32_t cadFolder = 0;                  // "\Cad\", not an item folder
    int32_t bracket = 0;                    // file "\Cad\bracket.zvkprt", version 2, configuration "Default"
    int32_t plate = 0;                      // file "\Cad\plate.zvkprt", version 1
    int32_t defaultConfig = 0;
    int32_t description = 0;  // variable "Description"
};

inline int32_t AddFolder(vaultdb::Database& db, int32_t parent, const std::u16string& name,
                         const std::u16string& path) {
    return static_cast<int32_t>(Sql(db,
                                    "INSERT INTO folders (parent_id, name, vault_path, path_key) VALUES (?, ?, ?, ?)"
                                    " RETURNING id",
                                    {parent, name, path, vaultdb::FoldKey(path)}));
}

inline int32_t AddFile(vaultdb::Database& db, int32_t folder, const std::u16string& name, int32_t versions,
                       int32_t user) {
    const int32_t id = static_cast<int32_t>(Sql(db,
                                                "INSERT INTO documents (folder_id, name, name_key, doc_type,"
                                                " latest_version) VALUES (?, ?, ?, 6, ?) RETURNING id",
                                                {folder, name, vaultdb::FoldKey(name), versions}));
    for (int32_t v = 1; v <= versions; ++v)
        Sql(db, "INSERT INTO document_versions (document_id, version, modified_utc, user_id) VALUES (?, ?, ?, ?)",
            {id, v, 46000.5 + v, user});
    return id;
}

// Creates and fills the vault; `withItemsFolder` false leaves "\<items>\" out.
// The database credentials are "vaultdb" / "secret".
inline SeededVault SeedVault(bool withItemsFolder = true) {
    SeededVault vault;
    const std::filesystem::path file = winapi::ToPosixPath(std::u16string(kDbServer) + u"\\" + kDbName + u".vault");
    std::filesystem::create_directories(file.parent_path());
    EXPECT_EQ(vaultdb::OpenVaultDatabase(file, vaultdb::OpenMode::CreateNew, vault.db), S_OK);
    vaultdb::Database& db = *vault.db;
    const std::u16string hash = [] {
        const std::string text = vaultdb::HashPassword(u"secret", 1000);
        return std::u16string(text.begin(), text.end());
    }();
    Sql(db,
        "INSERT INTO vault (id, vault_guid, name, database_version, date_format, db_user, db_password_hash)"
        " VALUES (1, ?, 'Demo', ?, 3, 'vaultdb', ?)",
        {std::u16string(kVaultGuid), int32_t{vaultdb::kVaultDatabaseVersion}, hash});
    const std::u16string userHash = hash;  // the users' passwords are not read by the layer
    vault.alice = static_cast<int32_t>(Sql(
        db, "INSERT INTO users (name, name_key, password_hash) VALUES ('Alice', 'alice', ?) RETURNING id", {userHash}));
    vault.bob = static_cast<int32_t>(Sql(db,
                                         "INSERT INTO users (name, name_key, password_hash, refresh_cache_on_login)"
                                         " VALUES ('Bob', 'bob', ?, 1) RETURNING id",
                                         {userHash}));
    Sql(db, "INSERT INTO user_system_rights (user_id, right_value) VALUES (?, 1028), (?, 67108865)",
        {vault.alice, vault.alice});
    if (withItemsFolder) {
        vault.itemsFolder = AddFolder(db, vaultdb::kRootFolderId, u"<items>", u"\\<items>\\");
        vault.partsFolder = AddFolder(db, vault.itemsFolder, u"Parts", u"\\<items>\\Parts\\");
        Sql(db, "UPDATE vault SET root_item_folder_id = ?", {vault.itemsFolder});
    }
    vault.cadFolder = AddFolder(db, vaultdb::kRootFolderId, u"Cad", u"\\Cad\\");
    vault.bracket = AddFile(db, vault.cadFolder, u"bracket.zvkprt", 2, vault.alice);
    vault.plate = AddFile(db, vault.cadFolder, u"plate.zvkprt", 1, vault.alice);
    vault.defaultConfig = static_cast<int32_t>(
        Sql(db, "INSERT INTO configurations (document_id, name) VALUES (?, 'Default') RETURNING id", {vault.bracket}));
    vault.description = static_cast<int32_t>(
        Sql(db, "INSERT INTO variables (name, name_key) VALUES ('Description', 'description') RETURNING id"));
    return vault;
}

// A fresh machine with the seeded vault and a connection to it.
class VennacleTest : public testsupport::FreshMachineTest {
protected:
    ~VennacleTest() override {
        if (mgr_) mgr_->Release();
    }

    static SpConnectInfo ConnectInfo() {
        SpConnectInfo info;
        info.moDbServer = kDbServer;
        info.moDbName = kDbName;
        info.moDbUser = u"vaultdb";
        info.moDbPassword = u"secret";
        info.moVaultName = u"Demo Vault";
        info.moUserName = u"Alice";
        info.mlCaller = -1;
        return info;
    }

    // The test's connection, opened on first use.
    SpMgr& Mgr() {
        if (!mgr_) {
            mgr_ = new SpMgr(false);
            EXPECT_EQ(mgr_->mhCreate(SpDbType_Vault, ConnectInfo()), S_OK);
        }
        return *mgr_;
    }

    SeededVault vault_ = SeedVault();

private:
    SpMgr* mgr_ = nullptr;
};

}  // namespace vennacle_test
