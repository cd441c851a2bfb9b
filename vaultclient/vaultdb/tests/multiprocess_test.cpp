// Real processes writing one vault: concurrent writers lose nothing, and a
// writer killed inside its transaction leaves the vault as it was.
#include "vault_test_fixture.h"

#include "testsupport/child_process.h"
#include "vaultdb/schema.h"
#include "vaultdb/transaction.h"

#include <csignal>

#include <string>
#include <thread>

namespace {

using VaultProcesses = VaultTest;

TEST_F(VaultProcesses, TwoWritersOnANewVaultLoseNothing) {
    // Both children create the vault at once (migration race) and then run
    // read-modify-write transactions against the same row.
    std::filesystem::create_directories(DbFile().parent_path());
    constexpr int kPerChild = 150;
    const auto program = testsupport::SiblingProgram("vaultdb_writer_child");
    testsupport::ChildProcess a(program, {DbFile().string(), "count", std::to_string(kPerChild), "a"});
    testsupport::ChildProcess b(program, {DbFile().string(), "count", std::to_string(kPerChild), "b"});
    EXPECT_EQ(a.Wait(std::chrono::minutes(5)), 0);
    EXPECT_EQ(b.Wait(std::chrono::minutes(5)), 0);

    auto db = Open(vaultdb::OpenMode::OpenExisting);
    ASSERT_TRUE(db);
    EXPECT_EQ(Scalar(*db, "SELECT COUNT(*) FROM counters"), 2 * kPerChild);
    EXPECT_EQ(Scalar(*db, "SELECT COUNT(*) FROM counters WHERE name LIKE 'a-%'"), kPerChild);
    EXPECT_EQ(Scalar(*db, "SELECT value FROM tally WHERE id = 1"), 2 * kPerChild);
    EXPECT_EQ(Scalar(*db, "SELECT COUNT(*) FROM schema_version"), vaultdb::LatestSchemaVersion());
}

TEST_F(VaultProcesses, WriterKilledInsideItsTransactionChangesNothing) {
    struct Case {
        const char* name;
        int rows;
        int blobBytes;  // large rows spill uncommitted pages into the log
    } const cases[] = {
        {"few small rows", 3, 10},
        {"pages spilled to the log", 400, 64 * 1024},
    };
    {
        auto db = Open();
        ASSERT_TRUE(db);
        ASSERT_EQ(db->Execute("INSERT INTO vault (id, vault_guid, name, database_version, date_format) "
                              "VALUES (1, '{00000000-0000-0000-0000-000000000001}', 'Demo', 2801, 7)"),
                  S_OK)
            << db->LastErrorText();
        ASSERT_EQ(db->Execute("INSERT INTO counters (name) VALUES ('kept')"), S_OK);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::ChildProcess child(
            testsupport::SiblingProgram("vaultdb_writer_child"),
            {DbFile().string(), "hold", std::to_string(c.rows), std::to_string(c.blobBytes)});
        ASSERT_TRUE(child.WaitForLine("written", std::chrono::minutes(2)));
        child.Kill();
        EXPECT_EQ(child.Wait(), 128 + SIGKILL);

        auto db = Open(vaultdb::OpenMode::OpenExisting);
        ASSERT_TRUE(db);
        std::string report;
        ASSERT_EQ(db->CheckIntegrity(report), S_OK) << db->LastErrorText();
        EXPECT_EQ(report, "ok");
        EXPECT_EQ(Scalar(*db, "SELECT COUNT(*) FROM counters"), 1);
        EXPECT_EQ(Scalar(*db, "SELECT date_format FROM vault"), 7);
        // The dead writer's lock is gone: a new transaction starts at once.
        vaultdb::Transaction tx(*db);
        ASSERT_EQ(tx.Begin(), S_OK) << db->LastErrorText();
        EXPECT_EQ(db->Execute("INSERT INTO counters (name) VALUES ('after')"), S_OK);
        EXPECT_EQ(tx.Rollback(), S_OK);
    }
}

TEST_F(VaultProcesses, WriterKilledAtAnyPointLeavesWholeTransactions) {
    // Each transaction adds one counter row and raises the tally by one, so a
    // sound vault always has as many rows as its tally says. The child dies
    // wherever it happens to be: in a write, a commit or between them.
    std::filesystem::create_directories(DbFile().parent_path());
    const auto program = testsupport::SiblingProgram("vaultdb_writer_child");
    for (int delayMs : {0, 3, 10, 30, 60}) {
        SCOPED_TRACE(delayMs);
        testsupport::ChildProcess child(program,
                                        {DbFile().string(), "count", "1000000", "run" + std::to_string(delayMs)});
        ASSERT_TRUE(child.WaitForLine("first", std::chrono::minutes(2)));
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        child.Kill();
        EXPECT_EQ(child.Wait(), 128 + SIGKILL);

        auto db = Open(vaultdb::OpenMode::OpenExisting);
        ASSERT_TRUE(db);
        std::string report;
        ASSERT_EQ(db->CheckIntegrity(report), S_OK) << db->LastErrorText();
        EXPECT_EQ(report, "ok");
        const int64_t rows = Scalar(*db, "SELECT COUNT(*) FROM counters");
        EXPECT_GE(rows, 1);
        EXPECT_EQ(Scalar(*db, "SELECT value FROM tally WHERE id = 1"), rows);
    }
}

}  // namespace
