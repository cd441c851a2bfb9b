// A new vault is its owner's alone: the database and the companions SQLite
// makes beside it, the archive's folders and files. Tests run under the
// common umask 022, which alone would leave every file readable by all.
#include "vault_test_fixture.h"

#include "vaultdb/archive.h"
#include "vaultdb/private_files.h"
#include "vaultdb/transaction.h"

#include <sys/stat.h>

#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// The permission bits of `path`, -1 when it does not exist.
int ModeOf(const fs::path& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? static_cast<int>(status.st_mode & 07777) : -1;
}

class PrivateFiles : public VaultTest {
protected:
    void SetUp() override { oldUmask_ = ::umask(022); }
    void TearDown() override { ::umask(oldUmask_); }

    mode_t oldUmask_ = 0;
};

TEST_F(PrivateFiles, ANewVaultsDatabaseCompanionsAndArchiveAreTheOwnersOnly) {
    for (vaultdb::OpenMode mode : {vaultdb::OpenMode::CreateNew, vaultdb::OpenMode::OpenOrCreate}) {
        SCOPED_TRACE(static_cast<int>(mode));
        const fs::path folder = machine_.root() / (mode == vaultdb::OpenMode::CreateNew ? "new" : "open-or-create");
        fs::create_directories(folder);  // the server folder is the caller's: 0755 here
        const fs::path file = folder / "Demo.vault";
        std::unique_ptr<vaultdb::Database> db;
        ASSERT_EQ(vaultdb::OpenVaultDatabase(file, mode, db), S_OK);
        // A committed version: the write-ahead log and its index exist while
        // the connection is open, the archive has a document folder and file.
        ASSERT_EQ(db->Execute("INSERT INTO users (name, name_key, password_hash) VALUES ('anne', 'anne', 'x');"
                              "INSERT INTO documents (folder_id, name, name_key, doc_type) "
                              "VALUES (1, 'a.prt', 'a.prt', 6)"),
                  S_OK)
            << db->LastErrorText();
        vaultdb::Transaction tx(*db);
        ASSERT_EQ(tx.Begin(), S_OK);
        vaultdb::NewDocumentVersion row;
        row.documentId = 1;
        row.version = 1;
        row.userId = 1;
        const char content[] = "secret";
        ASSERT_EQ(vaultdb::StoreDocumentVersion(*db, row, content, sizeof content), S_OK);
        ASSERT_EQ(tx.Commit(), S_OK);

        const fs::path archiveFile = db->ArchiveFolder() / vaultdb::ArchiveFileName(1, 1);
        EXPECT_EQ(ModeOf(file), 0600);
        EXPECT_EQ(ModeOf(file.string() + "-wal"), 0600);
        EXPECT_EQ(ModeOf(file.string() + "-shm"), 0600);
        EXPECT_EQ(ModeOf(db->ArchiveFolder()), 0700);
        for (fs::path at = archiveFile.parent_path(); at != db->ArchiveFolder(); at = at.parent_path())
            EXPECT_EQ(ModeOf(at), 0700) << at;
        EXPECT_EQ(ModeOf(archiveFile), 0600);
        EXPECT_EQ(ModeOf(folder), 0755);  // not the database's to change
    }
}

// A vault file that exists keeps the mode its administrator gave it.
TEST_F(PrivateFiles, AnExistingDatabaseKeepsItsMode) {
    fs::create_directories(DbFile().parent_path());
    { std::ofstream(DbFile()).flush(); }  // an empty file is an empty database
    fs::permissions(DbFile(), fs::perms(0640));
    std::unique_ptr<vaultdb::Database> db;
    ASSERT_EQ(vaultdb::OpenVaultDatabase(DbFile(), vaultdb::OpenMode::OpenOrCreate, db), S_OK);
    EXPECT_EQ(ModeOf(DbFile()), 0640);
    EXPECT_EQ(ModeOf(DbFile().string() + "-wal"), 0640);
}

TEST_F(PrivateFiles, MakePrivateFoldersMakesOnlyTheMissingOnesPrivate) {
    const fs::path shared = machine_.root() / "shared";
    fs::create_directories(shared);
    fs::permissions(shared, fs::perms(0755));

    EXPECT_FALSE(vaultdb::MakePrivateFolders(shared / "a" / "b/"));
    EXPECT_EQ(ModeOf(shared), 0755);
    EXPECT_EQ(ModeOf(shared / "a"), 0700);
    EXPECT_EQ(ModeOf(shared / "a" / "b"), 0700);
    EXPECT_FALSE(vaultdb::MakePrivateFolders(shared / "a" / "b"));  // there already: fine

    { std::ofstream(shared / "file").flush(); }
    EXPECT_EQ(vaultdb::MakePrivateFolders(shared / "file"), std::errc::not_a_directory);
    EXPECT_EQ(vaultdb::MakePrivateFolders(shared / "file" / "below"), std::errc::not_a_directory);
}

}  // namespace
