// Version contents in the archive folder, written with their row.
#include "vault_test_fixture.h"

#include "vaultdb/archive.h"
#include "vaultdb/transaction.h"

#include <fstream>
#include <vector>

namespace {

class VaultArchive : public VaultTest {
protected:
    void SetUp() override {
        db_ = Open();
        ASSERT_TRUE(db_);
        ASSERT_EQ(db_->Execute("INSERT INTO users (name, name_key, password_hash) VALUES ('anne', 'anne', 'x');"
                               "INSERT INTO documents (folder_id, name, name_key, doc_type) "
                               "VALUES (1, 'a.prt', 'a.prt', 6)"),
                  S_OK)
            << db_->LastErrorText();
    }

    HRESULT Store(int32_t version, const std::vector<uint8_t>& data, bool commit = true) {
        vaultdb::Transaction tx(*db_);
        HRESULT hr = tx.Begin();
        if (FAILED(hr)) return hr;
        vaultdb::NewDocumentVersion row;
        row.documentId = 1;
        row.version = version;
        row.modifiedUtc = 46000.5;
        row.comment = u"Änderung";
        row.userId = 1;
        if (FAILED(hr = vaultdb::StoreDocumentVersion(*db_, row, data.data(), data.size()))) return hr;
        return commit ? tx.Commit() : S_OK;
    }

    std::filesystem::path FileOf(int32_t version) const {
        return db_->ArchiveFolder() / vaultdb::ArchiveFileName(1, version);
    }

    std::unique_ptr<vaultdb::Database> db_;
};

TEST_F(VaultArchive, StoresContentsWithTheirVersionRow) {
    const std::vector<uint8_t> first = {'v', '1', 0, 0xFF}, empty;
    ASSERT_EQ(Store(1, first), S_OK) << db_->LastErrorText();
    ASSERT_EQ(Store(2, empty), S_OK) << db_->LastErrorText();

    std::vector<uint8_t> read;
    ASSERT_EQ(vaultdb::ReadDocumentVersion(*db_, 1, 1, read), S_OK);
    EXPECT_EQ(read, first);
    ASSERT_EQ(vaultdb::ReadDocumentVersion(*db_, 1, 2, read), S_OK);
    EXPECT_TRUE(read.empty());
    EXPECT_EQ(Scalar(*db_, "SELECT size FROM document_versions WHERE document_id = 1 AND version = 1"), 4);
    EXPECT_EQ(vaultdb::ReadDocumentVersion(*db_, 1, 3, read), vaultdb::VDB_E_NOT_FOUND);
    // No temporary file is left behind.
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(db_->ArchiveFolder()))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 2);
}

TEST_F(VaultArchive, NeverOverwritesAStoredVersion) {
    ASSERT_EQ(Store(1, {'o', 'l', 'd'}), S_OK);
    EXPECT_EQ(Store(1, {'n', 'e', 'w'}), vaultdb::VDB_E_CONSTRAINT);
    std::vector<uint8_t> read;
    ASSERT_EQ(vaultdb::ReadDocumentVersion(*db_, 1, 1, read), S_OK);
    EXPECT_EQ(read, (std::vector<uint8_t>{'o', 'l', 'd'}));
}

TEST_F(VaultArchive, RolledBackStoreLeavesOnlyAHarmlessOrphan) {
    ASSERT_EQ(Store(1, {'x'}, /*commit=*/false), S_OK);
    EXPECT_TRUE(std::filesystem::exists(FileOf(1)));  // the orphan
    EXPECT_EQ(Scalar(*db_, "SELECT COUNT(*) FROM document_versions"), 0);
    std::vector<uint8_t> read;
    EXPECT_EQ(vaultdb::ReadDocumentVersion(*db_, 1, 1, read), vaultdb::VDB_E_NOT_FOUND);
    // Storing the version again replaces the orphan.
    ASSERT_EQ(Store(1, {'r', 'e', 'a', 'l'}), S_OK);
    ASSERT_EQ(vaultdb::ReadDocumentVersion(*db_, 1, 1, read), S_OK);
    EXPECT_EQ(read, (std::vector<uint8_t>{'r', 'e', 'a', 'l'}));
}

TEST_F(VaultArchive, RefusesToStoreOutsideATransactionOrForAnUnknownDocument) {
    const uint8_t byte = 1;
    vaultdb::NewDocumentVersion row;
    row.documentId = 1;
    row.version = 1;
    row.userId = 1;
    EXPECT_EQ(vaultdb::StoreDocumentVersion(*db_, row, &byte, 1), vaultdb::VDB_E_FAIL);
    EXPECT_FALSE(std::filesystem::exists(FileOf(1)));

    vaultdb::Transaction tx(*db_);
    ASSERT_EQ(tx.Begin(), S_OK);
    row.documentId = 77;
    EXPECT_EQ(vaultdb::StoreDocumentVersion(*db_, row, &byte, 1), vaultdb::VDB_E_CONSTRAINT);
    EXPECT_EQ(vaultdb::StoreDocumentVersion(*db_, row, nullptr, 1), E_POINTER);
}

}  // namespace
