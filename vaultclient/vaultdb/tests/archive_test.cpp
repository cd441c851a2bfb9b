// Version contents in the archive folder, written with their row.
#include "vault_test_fixture.h"

#include "vaultdb/archive.h"
#include "vaultdb/archive_sweep.h"
#include "vaultdb/errors.h"
#include "vaultdb/transaction.h"
#include "winapi/save_file.h"
#include "winapi/unique_fd.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using winapi::SaveStep;

// The save step the hook counts, the call that fails (1-based, 0 for none)
// and with which errno value.
SaveStep gCountedStep;
int gCalls = 0;
int gFailingCall = 0;
int gFailure = 0;
int CountAndFail(SaveStep step) {
    if (step != gCountedStep) return 0;
    return ++gCalls == gFailingCall ? gFailure : 0;
}

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

    void TearDown() override { winapi::SetSaveFaultHook(nullptr); }

    std::filesystem::path FileOf(int32_t version) const {
        return db_->ArchiveFolder() / vaultdb::ArchiveFileName(1, version);
    }

    // A batch: versions 1 to 3 of documents 1 and 2, each version's contents
    // given by Contents, in one transaction.
    static std::vector<uint8_t> Contents(int32_t documentId, int32_t version) {
        const std::string text = "document " + std::to_string(documentId) + " version " + std::to_string(version);
        std::vector<uint8_t> bytes(100000, static_cast<uint8_t>(documentId * 16 + version));
        bytes.insert(bytes.begin(), text.begin(), text.end());
        return bytes;
    }
    HRESULT StoreBatch(const std::function<void()>& beforeCommit = [] {}) {
        vaultdb::Transaction tx(*db_);
        HRESULT hr = tx.Begin();
        for (int32_t documentId : {1, 2}) {
            for (int32_t version = 1; SUCCEEDED(hr) && version <= 3; ++version) {
                vaultdb::NewDocumentVersion row;
                row.documentId = documentId;
                row.version = version;
                row.userId = 1;
                const std::vector<uint8_t> data = Contents(documentId, version);
                hr = vaultdb::StoreDocumentVersion(*db_, row, data.data(), data.size());
            }
        }
        if (FAILED(hr)) return hr;
        beforeCommit();
        return tx.Commit();
    }
    void AddSecondDocument() {
        ASSERT_EQ(db_->Execute("INSERT INTO documents (folder_id, name, name_key, doc_type) "
                               "VALUES (1, 'b.prt', 'b.prt', 6)"),
                  S_OK)
            << db_->LastErrorText();
    }
    // Every regular file below the archive folder, by its path there.
    std::vector<std::string> ArchiveFiles() const {
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(db_->ArchiveFolder()))
            if (entry.is_regular_file()) files.push_back(entry.path().lexically_relative(db_->ArchiveFolder()));
        return files;
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

// The folder entries of a batch are flushed when it commits, once for each
// folder (the two document folders and the archive folder that names them),
// not once for each file as it is stored.
TEST_F(VaultArchive, ABatchFlushesEachFolderOnceWhenItCommits) {
    AddSecondDocument();
    gCountedStep = SaveStep::kFlushFolder;
    gCalls = 0;
    gFailingCall = 0;
    winapi::SetSaveFaultHook(CountAndFail);
    int flushesBeforeCommit = -1;
    ASSERT_EQ(StoreBatch([&] { flushesBeforeCommit = gCalls; }), S_OK) << db_->LastErrorText();
    EXPECT_EQ(flushesBeforeCommit, 0);
    EXPECT_EQ(gCalls, 3);
    // A transaction that stores nothing flushes nothing.
    vaultdb::Transaction empty(*db_);
    ASSERT_EQ(empty.Begin(), S_OK);
    ASSERT_EQ(empty.Commit(), S_OK);
    EXPECT_EQ(gCalls, 3);
    EXPECT_EQ(Scalar(*db_, "SELECT COUNT(*) FROM document_versions"), 6);
}

// A batch that fails at any step of any file, or at the folder flush of its
// commit, commits no row and leaves no part of a file and no temporary: at
// most whole orphans, which the next batch replaces.
TEST_F(VaultArchive, AFailedBatchLeavesNoPartOfAFile) {
    AddSecondDocument();
    struct Case {
        SaveStep step;
        int failingCall;
        int failure;
        HRESULT expected;
    };
    const Case cases[] = {
        {SaveStep::kCreate, 4, EIO, vaultdb::VDB_E_FAIL},
        {SaveStep::kWrite, 5, ENOSPC, HRESULT_FROM_WIN32(ERROR_DISK_FULL)},
        {SaveStep::kFlushData, 2, EIO, vaultdb::VDB_E_FAIL},
        {SaveStep::kRename, 6, EIO, vaultdb::VDB_E_FAIL},
        {SaveStep::kFlushFolder, 1, EIO, vaultdb::VDB_E_FAIL},
        {SaveStep::kFlushFolder, 3, ENOSPC, HRESULT_FROM_WIN32(ERROR_DISK_FULL)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "step " << static_cast<int>(c.step) << ", call " << c.failingCall);
        gCountedStep = c.step;
        gCalls = 0;
        gFailingCall = c.failingCall;
        gFailure = c.failure;
        winapi::SetSaveFaultHook(CountAndFail);
        EXPECT_EQ(StoreBatch(), c.expected);
        winapi::SetSaveFaultHook(nullptr);
        EXPECT_FALSE(db_->InTransaction());
        EXPECT_EQ(Scalar(*db_, "SELECT COUNT(*) FROM document_versions"), 0);
        for (const std::string& file : ArchiveFiles()) {
            SCOPED_TRACE(file);
            int32_t documentId = 0, version = 0;
            ASSERT_EQ(std::sscanf(file.c_str(), "%d/%d.ver", &documentId, &version), 2) << "not a version file";
            std::ifstream in(db_->ArchiveFolder() / file, std::ios::binary);
            EXPECT_TRUE(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}) == Contents(documentId, version))
                << "not the whole contents";
        }
    }
    ASSERT_EQ(StoreBatch(), S_OK) << db_->LastErrorText();
    EXPECT_EQ(ArchiveFiles().size(), 6u);
    std::vector<uint8_t> read;
    ASSERT_EQ(vaultdb::ReadDocumentVersion(*db_, 2, 3, read), S_OK);
    EXPECT_TRUE(read == Contents(2, 3));
}

// Contents streamed from a descriptor arrive whole, with their size in the
// row, also when they span many reads (several 64 KiB chunks and a tail).
TEST_F(VaultArchive, ContentsStreamedFromADescriptorArriveWhole) {
    std::vector<uint8_t> data(3 * 65536 + 123);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + i / 65536);
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    std::thread writer([&] {
        size_t done = 0;
        while (done < data.size()) {
            const ssize_t put = ::write(pipeFds[1], data.data() + done, data.size() - done);
            if (put <= 0) break;
            done += static_cast<size_t>(put);
        }
        ::close(pipeFds[1]);
    });
    vaultdb::Transaction tx(*db_);
    ASSERT_EQ(tx.Begin(), S_OK);
    vaultdb::NewDocumentVersion row;
    row.documentId = 1;
    row.version = 1;
    row.userId = 1;
    const HRESULT hr = vaultdb::StoreDocumentVersionFrom(*db_, row, pipeFds[0]);
    writer.join();
    ::close(pipeFds[0]);
    ASSERT_EQ(hr, S_OK) << db_->LastErrorText();
    ASSERT_EQ(tx.Commit(), S_OK);

    std::vector<uint8_t> read;
    ASSERT_EQ(vaultdb::ReadDocumentVersion(*db_, 1, 1, read), S_OK);
    EXPECT_EQ(read, data);
    std::unique_ptr<vaultdb::Statement> size;
    ASSERT_EQ(db_->Prepare("SELECT size FROM document_versions WHERE document_id = 1 AND version = 1", size), S_OK);
    ASSERT_EQ(size->Step(), S_OK);
    EXPECT_EQ(size->ColumnInt64(0), static_cast<int64_t>(data.size()));
}

// What killed writers left is swept: a placed version whose row never
// committed and an unlocked temporary file go; committed versions, a
// temporary file a live save holds and files the archive never makes stay.
TEST_F(VaultArchive, SweepRemovesOrphanVersionsAndStaleTemporaries) {
    ASSERT_EQ(Store(1, {1, 2, 3}), S_OK);
    ASSERT_EQ(Store(2, {4, 5}, /*commit=*/false), S_OK);  // rolled back: its file stays behind
    ASSERT_TRUE(std::filesystem::exists(FileOf(2)));
    const auto folder = FileOf(1).parent_path();
    const auto write = [](const std::filesystem::path& file) { std::ofstream(file) << "x"; };
    write(folder / "3.ver.tmp-dead01");
    write(folder / "3.ver.tmp-live01");
    write(folder / "notes.txt");
    write(folder / "007.ver");  // not a name the archive makes
    std::filesystem::create_directories(db_->ArchiveFolder() / "9");
    write(db_->ArchiveFolder() / "9" / "1.ver");  // a document without rows
    winapi::UniqueFd live(::open((folder / "3.ver.tmp-live01").c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_EQ(::flock(live.Get(), LOCK_EX | LOCK_NB), 0);

    vaultdb::ArchiveSweep sweep;
    ASSERT_EQ(vaultdb::SweepArchive(*db_, &sweep), S_OK) << db_->LastErrorText();
    EXPECT_EQ(sweep.orphanVersions, 2u);
    EXPECT_EQ(sweep.staleTemporaries, 1u);
    EXPECT_FALSE(std::filesystem::exists(FileOf(2)));
    EXPECT_FALSE(std::filesystem::exists(db_->ArchiveFolder() / "9" / "1.ver"));
    EXPECT_FALSE(std::filesystem::exists(folder / "3.ver.tmp-dead01"));
    for (const char* kept : {"1.ver", "3.ver.tmp-live01", "notes.txt", "007.ver"})
        EXPECT_TRUE(std::filesystem::exists(folder / kept)) << kept;
    std::vector<uint8_t> read;
    ASSERT_EQ(vaultdb::ReadDocumentVersion(*db_, 1, 1, read), S_OK);
    EXPECT_EQ(read, (std::vector<uint8_t>{1, 2, 3}));
    // The version whose file was swept can be stored again.
    EXPECT_EQ(Store(2, {6}), S_OK);

    // Inside a transaction it refuses: it needs the write lock to itself.
    vaultdb::Transaction tx(*db_);
    ASSERT_EQ(tx.Begin(), S_OK);
    EXPECT_EQ(vaultdb::SweepArchive(*db_), vaultdb::VDB_E_FAIL);
}

}  // namespace
