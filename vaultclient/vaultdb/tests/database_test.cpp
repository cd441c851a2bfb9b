// The vault database: creation, reopening and migrations, typed values, the
// rules the schema keeps, and the failure codes.
#include "vault_test_fixture.h"

#include "vaultdb/schema.h"
#include "winapi/text.h"

#include <fstream>
#include <limits>
#include <vector>

namespace {

using VaultDatabase = VaultTest;

std::u16string Text(vaultdb::Database& db, const std::string& sql) {
    std::unique_ptr<vaultdb::Statement> st;
    EXPECT_EQ(db.Prepare(sql, st), S_OK) << db.LastErrorText();
    if (!st || st->Step() != S_OK) return u"<no row>";
    return st->ColumnText(0);
}

TEST_F(VaultDatabase, CreatesTheSchemaOnceAndReopensIt) {
    {
        auto db = Open(vaultdb::OpenMode::CreateNew);
        ASSERT_TRUE(db);
        EXPECT_EQ(db->SchemaVersion(), vaultdb::LatestSchemaVersion());
        EXPECT_TRUE(std::filesystem::is_directory(db->ArchiveFolder()));
        EXPECT_EQ(db->ArchiveFolder(), DbFile().parent_path() / "Demo.archive");
        // The root project.
        EXPECT_EQ(Text(*db, "SELECT vault_path FROM folders WHERE id = 1"), u"\\");
        // Durability and integrity settings of the SQLite backend.
        EXPECT_EQ(Text(*db, "PRAGMA journal_mode"), u"wal");
        EXPECT_EQ(Scalar(*db, "PRAGMA foreign_keys"), 1);
        EXPECT_EQ(Scalar(*db, "PRAGMA synchronous"), 2);  // FULL
    }
    for (int reopen = 0; reopen < 2; ++reopen) {
        auto db = Open(vaultdb::OpenMode::OpenExisting);
        ASSERT_TRUE(db);
        EXPECT_EQ(db->SchemaVersion(), vaultdb::LatestSchemaVersion());
        EXPECT_EQ(Scalar(*db, "SELECT COUNT(*) FROM schema_version"), vaultdb::LatestSchemaVersion());
        EXPECT_EQ(Scalar(*db, "SELECT COUNT(*) FROM folders"), 1);
    }
    // Every table of the data model is there.
    auto db = Open();
    ASSERT_TRUE(db);
    for (const char* table : {"vault",
                              "views",
                              "users",
                              "user_system_rights",
                              "object_rights",
                              "sessions",
                              "folders",
                              "documents",
                              "document_versions",
                              "configurations",
                              "variables",
                              "variable_values",
                              "items",
                              "links",
                              "boms",
                              "bom_rows",
                              "cut_lists",
                              "cut_list_rows",
                              "workflows",
                              "workflow_states",
                              "workflow_transitions",
                              "locks",
                              "history",
                              "counters",
                              "deleted_objects",
                              "file_references"}) {
        EXPECT_EQ(Scalar(*db, std::string("SELECT COUNT(*) FROM ") + table), 0 + (std::string(table) == "folders"))
            << table;
    }
}

TEST(VaultDatabaseFile, TheNameIsAFileNameInTheServerFolderNeverAPath) {
    const std::filesystem::path server = "/srv/vaults";
    EXPECT_EQ(vaultdb::VaultDatabaseFile(server, u"Demo"), server / "Demo.vault");
    EXPECT_EQ(vaultdb::VaultDatabaseFile(server, u"Gr\u00f6\u00dfe"), server / "Gr\u00f6\u00dfe.vault");
    for (const char16_t* name : {u"", u"..\\Demo", u"a/b", u"C:Demo"}) {
        SCOPED_TRACE(winapi::ToUtf8(name));
        EXPECT_TRUE(vaultdb::VaultDatabaseFile(server, name).empty());
    }
}

TEST_F(VaultDatabase, OpenModesAndUnusableFilesFailClearly) {
    std::unique_ptr<vaultdb::Database> db;
    EXPECT_EQ(vaultdb::OpenVaultDatabase(DbFile(), vaultdb::OpenMode::OpenExisting, db), vaultdb::VDB_E_NOT_FOUND);
    EXPECT_FALSE(db);
    EXPECT_FALSE(std::filesystem::exists(DbFile()));
    Open(vaultdb::OpenMode::CreateNew);
    EXPECT_EQ(vaultdb::OpenVaultDatabase(DbFile(), vaultdb::OpenMode::CreateNew, db), vaultdb::VDB_E_EXISTS);

    // A vault of a newer program is left alone.
    {
        auto newer = Open();
        ASSERT_EQ(newer->Execute("INSERT INTO schema_version (version, applied_utc) VALUES (999, 0)"), S_OK);
    }
    EXPECT_EQ(vaultdb::OpenVaultDatabase(DbFile(), vaultdb::OpenMode::OpenExisting, db), vaultdb::VDB_E_SCHEMA_TOO_NEW);
    EXPECT_FALSE(db);

    const auto notADatabase = machine_.root() / "notes.vdb";
    std::ofstream(notADatabase) << std::string(8192, 'x');
    EXPECT_EQ(vaultdb::OpenVaultDatabase(notADatabase, vaultdb::OpenMode::OpenExisting, db), vaultdb::VDB_E_CORRUPT);
    EXPECT_FALSE(db);
}

TEST_F(VaultDatabase, TypedValuesRoundTrip) {
    auto db = Open();
    ASSERT_TRUE(db);
    ASSERT_EQ(db->Execute("CREATE TABLE sample (i INTEGER, b BIGINT, d DOUBLE PRECISION, t TEXT, x BLOB)"), S_OK);
    const std::vector<uint8_t> blob = {0, 1, 0xFF, 0, 0x80};
    const std::u16string texts[] = {
        u"",
        u"plain",
        u"Grüße, Ωμέγα, 日本語, \U0001F600",
        std::u16string(u"a\0b", 3),           // an inner NUL is kept
        std::u16string(1, char16_t(0xD800)),  // an unpaired surrogate is kept
        std::u16string(100000, u'ä'),
    };
    std::unique_ptr<vaultdb::Statement> insert, select;
    ASSERT_EQ(db->Prepare("INSERT INTO sample (i, b, d, t, x) VALUES (?, ?, ?, ?, ?)", insert), S_OK);
    ASSERT_EQ(db->Prepare("SELECT i, b, d, t, x FROM sample", select), S_OK);
    for (const std::u16string& text : texts) {
        SCOPED_TRACE(winapi::ToUtf8(text.substr(0, 20)));
        ASSERT_EQ(db->Execute("DELETE FROM sample"), S_OK);
        ASSERT_EQ(insert->Reset(), S_OK);
        EXPECT_EQ(insert->BindInt32(1, std::numeric_limits<int32_t>::min()), S_OK);
        EXPECT_EQ(insert->BindInt64(2, std::numeric_limits<int64_t>::max()), S_OK);
        EXPECT_EQ(insert->BindDouble(3, 45678.123456789), S_OK);
        EXPECT_EQ(insert->BindText(4, text), S_OK);
        EXPECT_EQ(insert->BindBlob(5, blob.data(), blob.size()), S_OK);
        ASSERT_EQ(insert->Execute(), S_OK) << db->LastErrorText();

        ASSERT_EQ(select->Reset(), S_OK);
        ASSERT_EQ(select->Step(), S_OK);
        EXPECT_EQ(select->ColumnCount(), 5);
        EXPECT_EQ(select->ColumnInt32(0), std::numeric_limits<int32_t>::min());
        EXPECT_EQ(select->ColumnInt64(1), std::numeric_limits<int64_t>::max());
        EXPECT_EQ(select->ColumnDouble(2), 45678.123456789);
        EXPECT_EQ(select->ColumnText(3), text);
        EXPECT_FALSE(select->ColumnIsNull(3));  // an empty text is not NULL
        EXPECT_EQ(select->ColumnBlob(4), blob);
        EXPECT_EQ(select->Step(), S_FALSE);
    }

    // NULLs, a null text pointer, and an empty blob that is not NULL.
    ASSERT_EQ(db->Execute("DELETE FROM sample"), S_OK);
    ASSERT_EQ(insert->Reset(), S_OK);
    insert->BindNull(1);
    insert->BindText(4, static_cast<const char16_t*>(nullptr));
    insert->BindBlob(5, nullptr, 0);
    ASSERT_EQ(insert->Execute(), S_OK);
    ASSERT_EQ(select->Reset(), S_OK);
    ASSERT_EQ(select->Step(), S_OK);
    for (int column : {0, 1, 2, 3}) EXPECT_TRUE(select->ColumnIsNull(column)) << column;
    EXPECT_EQ(select->ColumnInt32(0), 0);
    EXPECT_EQ(select->ColumnText(3), u"");
    EXPECT_FALSE(select->ColumnIsNull(4));
    EXPECT_TRUE(select->ColumnBlob(4).empty());
}

TEST_F(VaultDatabase, AFailedBindStopsTheStatementUntilReset) {
    auto db = Open();
    ASSERT_TRUE(db);
    std::unique_ptr<vaultdb::Statement> insert;
    ASSERT_EQ(db->Prepare("INSERT INTO counters (name, state) VALUES (?, ?)", insert), S_OK) << db->LastErrorText();
    ASSERT_EQ(insert->BindText(1, u"kept-bind"), S_OK);
    EXPECT_TRUE(FAILED(insert->BindInt64(7, 1))) << "there is no parameter 7";
    // Unchecked, the failure still reaches the step: nothing runs with NULL
    // in place of the value.
    EXPECT_TRUE(FAILED(insert->Execute()));
    EXPECT_EQ(Text(*db, "SELECT COUNT(*) FROM counters WHERE name = 'kept-bind'"), u"0");
    ASSERT_EQ(insert->Reset(), S_OK);
    ASSERT_EQ(insert->BindText(1, u"kept-bind"), S_OK);
    ASSERT_EQ(insert->BindInt64(2, 2), S_OK);
    EXPECT_EQ(insert->Execute(), S_OK) << db->LastErrorText();
    EXPECT_EQ(Text(*db, "SELECT state FROM counters WHERE name = 'kept-bind'"), u"2");
}

TEST_F(VaultDatabase, AReusedStatementIsResetWhenItsScopeEnds) {
    auto db = Open();
    ASSERT_TRUE(db);
    std::unique_ptr<vaultdb::Statement> query;
    ASSERT_EQ(db->Prepare("SELECT value FROM (SELECT 1 AS value UNION ALL SELECT 2) ORDER BY value", query), S_OK);
    {
        const vaultdb::ResetAtScopeEnd done(*query);
        ASSERT_EQ(query->Step(), S_OK);  // stops after the first row
    }
    // Reset: it runs from its first row again.
    ASSERT_EQ(query->Step(), S_OK);
    EXPECT_EQ(query->ColumnInt32(0), 1);
}

TEST_F(VaultDatabase, FailuresCarryACodeAndADescription) {
    auto db = Open();
    ASSERT_TRUE(db);
    std::unique_ptr<vaultdb::Statement> st;
    EXPECT_EQ(db->Prepare("SELEKT 1", st), vaultdb::VDB_E_FAIL);
    EXPECT_FALSE(st);
    EXPECT_NE(db->LastErrorText().find("SELEKT"), std::string::npos) << db->LastErrorText();
    EXPECT_EQ(db->Prepare("SELECT ?", st), S_OK);
    EXPECT_TRUE(db->LastErrorText().empty());
    EXPECT_EQ(st->BindInt32(2, 1), vaultdb::VDB_E_FAIL);  // no such parameter
    EXPECT_EQ(st->BindBlob(1, nullptr, 3), E_POINTER);
}

// The rules that the schema itself keeps, whatever the code above it does.
TEST_F(VaultDatabase, SchemaKeepsTheVaultsRules) {
    auto db = Open();
    ASSERT_TRUE(db);
    auto run = [&](const std::string& sql, std::initializer_list<std::u16string> texts = {}) {
        std::unique_ptr<vaultdb::Statement> st;
        HRESULT hr = db->Prepare(sql, st);
        if (FAILED(hr)) return hr;
        int index = 0;
        for (const std::u16string& text : texts) st->BindText(++index, text);
        return st->Execute();
    };
    const std::string addUser = "INSERT INTO users (name, name_key, password_hash) VALUES (?, ?, 'x')";
    ASSERT_EQ(run(addUser, {u"Änne", vaultdb::FoldKey(u"Änne")}), S_OK) << db->LastErrorText();
    const std::string addFolder = "INSERT INTO folders (parent_id, name, vault_path, path_key) VALUES (1, ?, ?, ?)";
    ASSERT_EQ(run(addFolder, {u"<items>", u"\\<items>\\", vaultdb::FoldKey(u"\\<items>\\")}), S_OK);
    const std::string addItem = "INSERT INTO documents (folder_id, name, name_key, doc_type) VALUES (2, ?, ?, 4)";
    ASSERT_EQ(run(addItem, {u"Pump.<item>", vaultdb::FoldKey(u"Pump.<item>")}), S_OK);
    ASSERT_EQ(run("INSERT INTO documents (folder_id, name, name_key, doc_type) VALUES (1, 'a.prt', 'a.prt', 6)"), S_OK);
    ASSERT_EQ(run("INSERT INTO documents (folder_id, name, name_key, doc_type) VALUES (1, 'b.prt', 'b.prt', 6)"), S_OK);

    struct Case {
        const char* rule;
        std::string sql;
        std::initializer_list<std::u16string> texts;
    } const refused[] = {
        {"user names are unique whatever their case", addUser, {u"äNNE", vaultdb::FoldKey(u"äNNE")}},
        {"folder paths are unique whatever their case",
         addFolder,
         {u"<ITEMS>", u"\\<ITEMS>\\", vaultdb::FoldKey(u"\\<ITEMS>\\")}},
        {"item names are unique in the vault",
         "INSERT INTO documents (folder_id, name, name_key, doc_type) "
         "VALUES (1, ?, ?, 4)",
         {u"PUMP.<item>", vaultdb::FoldKey(u"PUMP.<item>")}},
        {"a document belongs to an existing folder",
         "INSERT INTO documents (folder_id, name, name_key, doc_type) VALUES (99, 'x', 'x', 6)",
         {}},
        {"documents are files or items",
         "INSERT INTO documents (folder_id, name, name_key, doc_type) VALUES (1, 'y', 'y', 5)",
         {}},
        {"one dynamic link per item",
         "INSERT INTO links (parent_id, child_type, child_id, link_type) VALUES (1, 6, 2, 1), (1, 6, 3, 1)",
         {}},
        {"one vault row", "INSERT INTO vault (id, vault_guid, name, database_version) VALUES (2, 'g', 'n', 2801)", {}},
        {"counter states are free, reserved or spent", "INSERT INTO counters (name, state) VALUES ('c', 3)", {}},
        {"a document never references itself", "INSERT INTO file_references (parent_id, child_id) VALUES (2, 2)", {}},
        {"a reference names existing documents",
         "INSERT INTO file_references (parent_id, child_id) VALUES (2, 99)",
         {}},
        {"a reference is static or not",
         "INSERT INTO file_references (parent_id, child_id, is_static) VALUES (2, 3, 2)",
         {}},
    };
    for (const Case& c : refused) {
        EXPECT_EQ(run(c.sql, c.texts), vaultdb::VDB_E_CONSTRAINT) << c.rule;
        EXPECT_FALSE(db->LastErrorText().empty()) << c.rule;
    }
    // A deleted document frees its name; links to other children stay possible.
    EXPECT_EQ(run("UPDATE documents SET deleted = 1 WHERE id = 1"), S_OK);
    EXPECT_EQ(run(addItem, {u"pump.<ITEM>", vaultdb::FoldKey(u"pump.<ITEM>")}), S_OK) << db->LastErrorText();
    EXPECT_EQ(run("INSERT INTO links (parent_id, child_type, child_id, link_type) VALUES (1, 6, 2, 1), (1, 6, 3, 2)"),
              S_OK)
        << db->LastErrorText();
    // Lookups by path ignore case, non-ASCII letters included.
    EXPECT_EQ(Scalar(*db, "SELECT COUNT(*) FROM links WHERE parent_id = 1"), 2);
    std::unique_ptr<vaultdb::Statement> find;
    ASSERT_EQ(db->Prepare("SELECT id FROM users WHERE name_key = ?", find), S_OK);
    find->BindText(1, vaultdb::FoldKey(u"ÄNNE"));
    ASSERT_EQ(find->Step(), S_OK);
    EXPECT_EQ(find->ColumnInt32(0), 1);
    // A destroyed document takes its references, either side, with it.
    EXPECT_EQ(run("INSERT INTO file_references (parent_id, child_id, child_config_name) VALUES (2, 3, 'Long'), "
                  "(2, 3, NULL), (3, 2, NULL)"),
              S_OK)
        << db->LastErrorText();
    EXPECT_EQ(run("DELETE FROM documents WHERE id = 3"), S_OK) << db->LastErrorText();
    EXPECT_EQ(Scalar(*db, "SELECT COUNT(*) FROM file_references"), 0);
}

// A vault made before the file references gains them at its next opening,
// with everything it held kept.
TEST_F(VaultDatabase, AnOlderVaultIsBroughtUpToDateAtOpening) {
    {
        auto db = Open(vaultdb::OpenMode::CreateNew);
        ASSERT_TRUE(db);
        ASSERT_EQ(db->Execute("INSERT INTO documents (folder_id, name, name_key, doc_type) VALUES (1, 'a', 'a', 6);"
                              "DROP TABLE file_references;"
                              "DELETE FROM schema_version WHERE version > 1"),
                  S_OK)
            << db->LastErrorText();
    }
    auto db = Open(vaultdb::OpenMode::OpenExisting);
    ASSERT_TRUE(db);
    EXPECT_EQ(db->SchemaVersion(), vaultdb::LatestSchemaVersion());
    EXPECT_EQ(Scalar(*db, "SELECT MAX(version) FROM schema_version"), vaultdb::LatestSchemaVersion());
    EXPECT_EQ(Scalar(*db, "SELECT COUNT(*) FROM documents"), 1);
    EXPECT_EQ(db->Execute("INSERT INTO file_references (parent_id, child_id) VALUES (1, 1)"),
              vaultdb::VDB_E_CONSTRAINT);
    EXPECT_EQ(Scalar(*db, "SELECT COUNT(*) FROM file_references"), 0);
}

}  // namespace
