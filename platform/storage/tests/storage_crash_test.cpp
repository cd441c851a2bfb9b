// Crash safety of commits: whatever write fails and wherever a committing
// process dies, the file holds exactly the content before or after one
// commit, opens cleanly, and no temporary file is left to confuse anyone.
#include "format/file.h"
#include "storage_on_disk.h"
#include "storage_test_support.h"
#include "testsupport/child_process.h"
#include "testsupport/fresh_machine.h"
#include "winapi/errors.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <chrono>
#include <random>
#include <thread>

namespace storage_test {
namespace {

// Large enough that the writer needs several writes for one commit.
constexpr size_t kLargeSize = 3 << 20;

class StorageCrashTest : public testsupport::FreshMachineTest {
protected:
    void TearDown() override { storage::format::SetWriteHook({}); }

    // The generation on disk, checked byte for byte, read past any holder.
    uint32_t GenerationOnDisk() {
        HRESULT hr = S_OK;
        auto tree = ReadOnDisk(file_, &hr);
        if (tree == nullptr) {
            ADD_FAILURE() << "the file does not read: 0x" << std::hex << hr;
            return 0;
        }
        uint32_t generation = static_cast<uint32_t>(std::stoul("0" + StreamOnDisk(*tree, "gen")));
        EXPECT_EQ(Pattern(generation, 100, kLargeSize), StreamOnDisk(*tree, "data/large"));
        EXPECT_EQ(Pattern(generation, 200, 5000), StreamOnDisk(*tree, "data/nested/leaf"));
        EXPECT_EQ(Pattern(generation, 0, 100), StreamOnDisk(*tree, "data/small0"));
        return generation;
    }

    // Opening the file as a storage finds exactly that generation.
    void ExpectOpensWith(uint32_t generation) {
        ComPtr<IStorage> root;
        ASSERT_EQ(S_OK, OpenFile(file_, kOpenTransacted, &root));
        std::string problem;
        EXPECT_EQ(generation, ReadGeneration(root, kLargeSize, &problem));
        EXPECT_EQ("", problem);
    }

    void CreateWithFirstGeneration(ULONG sectorSize) {
        ComPtr<IStorage> root;
        ASSERT_EQ(S_OK, CreateFile(file_, kCreateTransacted, &root, sectorSize));
        ASSERT_EQ(S_OK, WriteGeneration(root, 1, kLargeSize));
        ASSERT_EQ(S_OK, root->Commit(STGC_DEFAULT));
    }

    fs::path file_ = machine_.root() / "cache.Items";
};

TEST_F(StorageCrashTest, AFailedWriteAtAnyPointOfACommitLeavesTheOldFileAndCanBeRetried) {
    for (ULONG sectorSize : {4096u, 512u}) {
        SCOPED_TRACE(sectorSize);
        CreateWithFirstGeneration(sectorSize);
        ComPtr<IStorage> root;
        ASSERT_EQ(S_OK, OpenFile(file_, kOpenTransacted, &root));
        ASSERT_EQ(S_OK, WriteGeneration(root, 2, kLargeSize));

        int failing = 1;
        for (;; ++failing) {
            SCOPED_TRACE(failing);
            const int error = failing % 2 ? ENOSPC : EIO;
            int writes = 0;
            storage::format::SetWriteHook([&](uint64_t, size_t) { return ++writes == failing ? error : 0; });
            HRESULT hr = root->Commit(STGC_DEFAULT);
            storage::format::SetWriteHook({});
            if (writes < failing) {
                // Every write point has failed once: this is the retry
                // that goes through, with the changes all still there.
                ASSERT_EQ(S_OK, hr);
                break;
            }
            EXPECT_EQ(error == ENOSPC ? STG_E_MEDIUMFULL : STG_E_WRITEFAULT, hr);
            EXPECT_EQ(1u, GenerationOnDisk());
            EXPECT_TRUE(TemporaryFilesBeside(file_).empty());
        }
        EXPECT_GT(failing, 3);  // the commit really took several writes
        EXPECT_EQ(2u, GenerationOnDisk());
        root = nullptr;

        ASSERT_EQ(S_OK, OpenFile(file_, kOpenTransacted, &root));
        std::string problem;
        EXPECT_EQ(2u, ReadGeneration(root, kLargeSize, &problem));
        EXPECT_EQ("", problem);
    }
}

TEST_F(StorageCrashTest, AFailedCommitInDirectModeKeepsTheChangesPendingForTheNextCommit) {
    ComPtr<IStorage> root;
    ASSERT_EQ(S_OK, CreateFile(file_, kCreateDirect, &root));
    ASSERT_EQ(S_OK, WriteGeneration(root, 1, kLargeSize));
    storage::format::SetWriteHook([](uint64_t, size_t) { return ENOSPC; });
    EXPECT_EQ(STG_E_MEDIUMFULL, root->Commit(STGC_DEFAULT));
    storage::format::SetWriteHook({});
    HRESULT hr = S_OK;
    auto empty = ReadOnDisk(file_, &hr);
    ASSERT_NE(nullptr, empty);
    EXPECT_EQ(0u, empty->Root().ChildCount());
    // Nothing more to do: the last release writes what is pending.
    root = nullptr;
    EXPECT_EQ(1u, GenerationOnDisk());
}

TEST_F(StorageCrashTest, ACommitterDyingAtAnyWriteOfItsCommitLeavesTheOldGeneration) {
    CreateWithFirstGeneration(4096);
    uint32_t expected = 1;
    for (int fatalWrite = 1;; ++fatalWrite) {
        SCOPED_TRACE(fatalWrite);
        testsupport::ChildProcess committer(
            testsupport::SiblingProgram("storage_child"),
            {"die-at-write", file_.string(), std::to_string(kLargeSize), std::to_string(fatalWrite)});
        int exitCode = committer.Wait();
        if (exitCode == 0) {
            ++expected;
            EXPECT_EQ(expected, GenerationOnDisk());
            EXPECT_TRUE(TemporaryFilesBeside(file_).empty());
            EXPECT_GT(fatalWrite, 3);  // the commit really took several writes
            break;
        }
        ASSERT_EQ(128 + SIGKILL, exitCode);
        EXPECT_EQ(expected, GenerationOnDisk());
        // A commit writes into the file's free space: nothing is left beside it.
        EXPECT_TRUE(TemporaryFilesBeside(file_).empty());
        ExpectOpensWith(expected);
    }
}

// A committer holds its file throughout, commit after commit: no opener
// ever gets in between two commits or in the middle of one.
TEST_F(StorageCrashTest, OpenersNeverGetInWhileAnotherProcessCommitsAgainAndAgain) {
    CreateWithFirstGeneration(4096);
    testsupport::ChildProcess committer(testsupport::SiblingProgram("storage_child"),
                                        {"commit-loop", file_.string(), std::to_string(kLargeSize)});
    ASSERT_TRUE(committer.WaitForLine("ready"));
    int refused = 0;
    for (int attempt = 0; attempt < 20000; ++attempt) {
        ComPtr<IStorage> root;
        HRESULT hr = OpenFile(file_, STGM_SHARE_DENY_WRITE | STGM_READ, &root);
        if (hr != STG_E_SHAREVIOLATION) {
            ADD_FAILURE() << "attempt " << attempt << ": 0x" << std::hex << hr;
            break;
        }
        ++refused;
    }
    EXPECT_TRUE(committer.WaitForLine("committed 3"));
    committer.Kill();
    EXPECT_EQ(20000, refused);
}

TEST_F(StorageCrashTest, ACommitterKilledAtRandomPointsLeavesAWholeGeneration) {
    CreateWithFirstGeneration(4096);
    std::random_device seeder;
    const unsigned seed = seeder();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    uint32_t last = 1;
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        testsupport::ChildProcess committer(testsupport::SiblingProgram("storage_child"),
                                            {"commit-loop", file_.string(), std::to_string(kLargeSize)});
        ASSERT_TRUE(committer.WaitForLine("ready"));
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 100));
        committer.Kill();
        ASSERT_EQ(128 + SIGKILL, committer.Wait());

        EXPECT_TRUE(TemporaryFilesBeside(file_).empty());
        uint32_t generation = GenerationOnDisk();
        EXPECT_GE(generation, last);
        last = generation;
        // The next opener finds a whole generation.
        ExpectOpensWith(generation);
    }
    RecordProperty("generations", static_cast<int>(last));
}

}  // namespace
}  // namespace storage_test
