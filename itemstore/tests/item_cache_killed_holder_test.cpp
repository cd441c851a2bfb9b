// A process killed inside a lock scope, with the next scope opened at once:
// the dead holder's mutex passes to the next scope while the kernel is still
// tearing the holder down, and its file lock must not outlast that hand-over.
// Each round kills a fresh holder, so that a narrow window shows.
#include "itemstore/item_cache_lock.h"

#include "cache_processes_fixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using testsupport::ChildProcess;

constexpr int kRounds = 20;

class ItemCacheKilledHolderTest : public CacheProcessesTest {
protected:
    // A holder inside a scope of `mode`, killed once it says so.
    std::unique_ptr<ChildProcess> StartAndKillHolder(int mode) {
        auto holder = Start({"hold", std::to_string(mode)});
        EXPECT_TRUE(holder->WaitForLine("inside"));
        holder->Kill();  // not reaped: the next scope opens while it dies
        return holder;
    }
};

TEST_F(ItemCacheKilledHolderTest, AScopeOfThisProcessOpensTheFileAsSoonAsItTakesTheMutex) {
    RefPtr<CItemCacheFile> file(new CItemCacheFile(Path()));
    for (int mode : {kCacheLockDirect, kCacheLockTransacted}) {
        for (int round = 0; round < kRounds; ++round) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << ", round " << round);
            auto holder = StartAndKillHolder(mode);
            CItemCacheLock lock(file, kCacheLockDirect);
            EXPECT_TRUE(lock.mbHoldsMutex());
            ASSERT_NE(nullptr, lock.mpoChain());
        }
    }
}

TEST_F(ItemCacheKilledHolderTest, AProcessWaitingForTheMutexOpensTheFileWhenTheHolderIsKilled) {
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        auto holder = Start({"hold", std::to_string(kCacheLockDirect)});
        ASSERT_TRUE(holder->WaitForLine("inside"));
        auto opener = Start({"open"});
        // The opener waits for the mutex, or has not reached it yet: either
        // way it takes the mutex only from the dying holder.
        holder->Kill();
        EXPECT_EQ(0, opener->Wait());
        EXPECT_EQ(128 + 9, holder->Wait());
    }
}

}  // namespace
