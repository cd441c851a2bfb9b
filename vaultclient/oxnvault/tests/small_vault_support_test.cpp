// The small vault of small_vault.h (its definitions live in a *_test.cpp so
// they join the test program).
#include "small_vault.h"

#include "vaultdb/archive.h"
#include "vaultdb/schema.h"
#include "vaultdb/transaction.h"

#include <string>

namespace oxnvault_testing {

namespace {

std::unique_ptr<vaultdb::Statement> Bound(vaultdb::Database& db, const char* sql,
                                          std::initializer_list<int64_t> values) {
    std::unique_ptr<vaultdb::Statement> statement;
    EXPECT_EQ(db.Prepare(sql, statement), S_OK) << sql << ": " << db.LastErrorText();
    int index = 1;
    for (int64_t value : values) statement->BindInt64(index++, value);
    return statement;
}

}  // namespace

void SmallVaultTest::Exec(const char* sql, std::initializer_list<int64_t> values) {
    ASSERT_EQ(Bound(Db(), sql, values)->Execute(), S_OK) << sql << ": " << Db().LastErrorText();
}

int64_t SmallVaultTest::Scalar(const char* sql, std::initializer_list<int64_t> values) {
    auto statement = Bound(Db(), sql, values);
    return statement->Step() == S_OK ? statement->ColumnInt64(0) : 0;
}

std::u16string SmallVaultTest::Text(const char* sql, std::initializer_list<int64_t> values) {
    auto statement = Bound(Db(), sql, values);
    return statement->Step() == S_OK ? statement->ColumnText(0) : std::u16string();
}

void SmallVaultTest::Lock(LONG document, LONG user) {
    Exec(
        "INSERT INTO locks (document_id, user_id, view_guid, computer, locked_path) VALUES (?, ?, '{VIEW}', "
        "'PC', 'x')",
        {document, user});
}

void SmallVaultTest::SetUp() {
    LeakChecked::SetUp();
    session_ = std::make_shared<oxnvault::VaultSession>();
    std::unique_ptr<vaultdb::Database> database;
    ASSERT_EQ(vaultdb::OpenVaultDatabase(machine_.root() / "small.vault", vaultdb::OpenMode::CreateNew, database),
              S_OK);
    ASSERT_EQ(session_->Attach(database, u"small"), S_OK);
    session_->viewPath = u"C:\\View";
    session_->computer = u"PC";

    auto insert = [&](const char* sql, std::initializer_list<int64_t> values) { return LONG(Scalar(sql, values)); };
    me_ = insert("INSERT INTO users (name, name_key, password_hash) VALUES ('Me', 'me', '') RETURNING id", {});
    other_ = insert("INSERT INTO users (name, name_key, password_hash) VALUES ('Other', 'other', '') RETURNING id", {});
    session_->userId = me_;
    const LONG workflow =
        insert("INSERT INTO workflows (name, name_key) VALUES ('Release', 'release') RETURNING id", {});
    working_ = insert(
        "INSERT INTO workflow_states (workflow_id, name, name_key, is_initial) VALUES (?, 'Working', "
        "'working', 1) RETURNING id",
        {workflow});
    review_ = insert(
        "INSERT INTO workflow_states (workflow_id, name, name_key) VALUES (?, 'Review', 'review') "
        "RETURNING id",
        {workflow});
    approved_ = insert(
        "INSERT INTO workflow_states (workflow_id, name, name_key) VALUES (?, 'Approved', "
        "'approved') RETURNING id",
        {workflow});
    const char* transition =
        "INSERT INTO workflow_transitions (workflow_id, name, name_key, from_state_id, to_state_id, "
        "increments_revision) VALUES (?, ?, ?, ?, ?, ?)";
    auto addTransition = [&](const char16_t* name, LONG from, LONG to, bool revision) {
        auto statement = Bound(Db(), transition, {workflow});
        statement->BindText(2, std::u16string(name));
        statement->BindText(3, vaultdb::FoldKey(name));
        statement->BindInt32(4, from);
        statement->BindInt32(5, to);
        statement->BindInt32(6, revision);
        ASSERT_EQ(statement->Execute(), S_OK);
    };
    addTransition(u"Submit", working_, review_, false);
    addTransition(u"Approve", review_, approved_, true);
    addTransition(u"Reject", review_, working_, false);

    auto folder = [&](LONG parent, const char16_t* name, const char16_t* path) {
        auto statement = Bound(Db(),
                               "INSERT INTO folders (parent_id, name, vault_path, path_key) VALUES (?, ?, ?, ?) "
                               "RETURNING id",
                               {parent});
        statement->BindText(2, std::u16string(name));
        statement->BindText(3, std::u16string(path));
        statement->BindText(4, vaultdb::FoldKey(path));
        return statement->Step() == S_OK ? statement->ColumnInt32(0) : 0;
    };
    parts_ = folder(vaultdb::kRootFolderId, u"Parts", u"\\Parts\\");
    bolts_ = folder(parts_, u"Bolts", u"\\Parts\\Bolts\\");
    otherFolder_ = folder(vaultdb::kRootFolderId, u"Other", u"\\Other\\");

    vaultdb::Transaction transaction(Db());
    ASSERT_EQ(transaction.Begin(), S_OK);
    auto file = [&](LONG folderId, const char16_t* name) {
        auto statement = Bound(Db(),
                               "INSERT INTO documents (folder_id, name, name_key, doc_type, state_id, "
                               "latest_version) VALUES (?, ?, ?, 6, ?, 1) RETURNING id",
                               {folderId});
        statement->BindText(2, std::u16string(name));
        statement->BindText(3, vaultdb::FoldKey(name));
        statement->BindInt32(4, working_);
        const LONG id = statement->Step() == S_OK ? statement->ColumnInt32(0) : 0;
        statement.reset();
        const std::string contents = "contents of " + std::to_string(id);
        EXPECT_EQ(
            vaultdb::StoreDocumentVersion(Db(), {id, 1, 46000.0, u"first", me_}, contents.data(), contents.size()),
            S_OK);
        return id;
    };
    partA_ = file(parts_, u"a.prt");
    boltB_ = file(bolts_, u"b.prt");
    otherC_ = file(otherFolder_, u"c.prt");
    ASSERT_EQ(transaction.Commit(), S_OK);
    Exec("UPDATE document_versions SET state_id = ?", {working_});
}

void SmallVaultTest::TearDown() {
    session_.reset();
    LeakChecked::TearDown();
}

}  // namespace oxnvault_testing
