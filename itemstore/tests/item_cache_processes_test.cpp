// Lock scopes of several real processes on one cache file.
#include "itemstore/item_cache_lock.h"

#include "cache_file_probe.h"
#include "cache_processes_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using testsupport::ChildProcess;

using ItemCacheProcessesTest = CacheProcessesTest;

TEST_F(ItemCacheProcessesTest, SeveralProcessesWritingAtOnceLoseNoRecord) {
    constexpr int kWriters = 4;
    constexpr int kScopes = 15;
    std::vector<std::unique_ptr<ChildProcess>> writers;
    for (int w = 0; w < kWriters; ++w) {
        int mode = w % 2 ? kCacheLockTransacted : kCacheLockDirect;
        writers.push_back(Start({"write", "w" + std::to_string(w), std::to_string(kScopes), std::to_string(mode)}));
    }
    for (auto& writer : writers) EXPECT_EQ(0, writer->Wait(std::chrono::minutes(3)));

    std::vector<std::string> tree = ElementTree(Path());
    const std::string storage = std::string(30, 'r') + "F/";
    for (int w = 0; w < kWriters; ++w) {
        for (int i = 0; i < kScopes; ++i) {
            std::string record = storage + "w" + std::to_string(w) + "-" + std::to_string(i) + "S";
            EXPECT_TRUE(std::find(tree.begin(), tree.end(), record) != tree.end()) << record;
        }
    }
    EXPECT_EQ(2u + kWriters * kScopes, tree.size());  // the header, the storage and the records
}

TEST_F(ItemCacheProcessesTest, AProcessKilledInsideAScopeLeavesACacheTheNextScopeOpens) {
    for (int mode : {kCacheLockDirect, kCacheLockTransacted}) {
        SCOPED_TRACE(mode);
        {
            RefPtr<CItemCacheFile> file(new CItemCacheFile(Path()));
            CItemCacheLock lock(file, kCacheLockDirect);
            ASSERT_EQ(S_OK, WriteThroughChain(*lock.mpoChain(), u"before"));
        }
        auto holder = Start({"hold", std::to_string(mode)});
        ASSERT_TRUE(holder->WaitForLine("inside"));
        holder->Kill();
        holder->Wait();

        // The dead holder's mutex is taken as released, and its file lock is gone.
        EXPECT_EQ(0, Start({"open"})->Wait(std::chrono::minutes(1)));
        RefPtr<CItemCacheFile> file(new CItemCacheFile(Path()));
        {
            CItemCacheLock lock(file, kCacheLockTransacted);
            ASSERT_NE(nullptr, lock.mpoChain());
        }
        std::vector<std::string> tree = ElementTree(Path());
        EXPECT_TRUE(std::find(tree.begin(), tree.end(), "beforeS") != tree.end());
        // A transacted scope that never ended committed nothing.
        if (mode == kCacheLockTransacted) {
            EXPECT_TRUE(std::find(tree.begin(), tree.end(), "held4S") == tree.end());
        }
    }
}

}  // namespace
