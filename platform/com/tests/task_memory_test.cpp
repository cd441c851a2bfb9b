#include "com/task_memory.h"

#include "winapi/shell_folders.h"

#include "testsupport/fresh_machine.h"

#include <gtest/gtest.h>

#include <barrier>
#include <cstring>
#include <thread>
#include <vector>

namespace {

using com::testing::LiveTaskAllocations;

TEST(TaskMemoryTest, CountsLiveBlocksThroughAllocReallocAndFree) {
    long long before = LiveTaskAllocations();
    void* empty = CoTaskMemAlloc(0);
    EXPECT_NE(empty, nullptr);  // a block of 0 bytes is a block
    auto* block = static_cast<char*>(CoTaskMemAlloc(16));
    ASSERT_NE(block, nullptr);
    std::memcpy(block, "0123456789abcdef", 16);
    EXPECT_EQ(LiveTaskAllocations(), before + 2);

    block = static_cast<char*>(CoTaskMemRealloc(block, 1 << 20));  // moves: still one block
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(std::memcmp(block, "0123456789abcdef", 16), 0);
    EXPECT_EQ(LiveTaskAllocations(), before + 2);

    EXPECT_EQ(CoTaskMemRealloc(empty, 0), nullptr);  // frees
    EXPECT_EQ(LiveTaskAllocations(), before + 1);
    void* fresh = CoTaskMemRealloc(nullptr, 8);  // allocates
    EXPECT_EQ(LiveTaskAllocations(), before + 2);

    CoTaskMemFree(nullptr);
    CoTaskMemFree(fresh);
    CoTaskMemFree(block);
    EXPECT_EQ(LiveTaskAllocations(), before);
}

TEST(TaskMemoryTest, CountsExactlyUnderConcurrentUse) {
    constexpr int kThreads = 4, kBlocks = 2000;
    long long before = LiveTaskAllocations();
    std::barrier allAllocated(kThreads + 1), mayFree(kThreads + 1);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&] {
            std::vector<void*> blocks;
            for (int i = 0; i < kBlocks; ++i) blocks.push_back(CoTaskMemAlloc(8));
            allAllocated.arrive_and_wait();
            mayFree.arrive_and_wait();
            for (void* block : blocks) CoTaskMemFree(block);
        });
    allAllocated.arrive_and_wait();
    EXPECT_EQ(LiveTaskAllocations(), before + kThreads * kBlocks);
    mayFree.arrive_and_wait();
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(LiveTaskAllocations(), before);
}

TEST(TaskMemoryTest, TheTaskAllocatorIsOneObjectOverTheSameHeap) {
    IMalloc* allocator = nullptr;
    ASSERT_EQ(CoGetMalloc(MEMCTX_TASK, &allocator), S_OK);
    IMalloc* shell = nullptr;
    ASSERT_EQ(SHGetMalloc(&shell), S_OK);
    EXPECT_EQ(shell, allocator);
    IMalloc* queried = nullptr;
    ASSERT_EQ(allocator->QueryInterface(IID_PPV_ARGS(&queried)), S_OK);
    EXPECT_EQ(queried, allocator);
    queried->Release();
    IUnknown* unknown = nullptr;
    ASSERT_EQ(allocator->QueryInterface(IID_PPV_ARGS(&unknown)), S_OK);
    unknown->Release();

    long long before = LiveTaskAllocations();
    void* block = allocator->Alloc(100);
    ASSERT_NE(block, nullptr);
    EXPECT_GE(allocator->GetSize(block), 100u);
    EXPECT_EQ(allocator->GetSize(nullptr), static_cast<SIZE_T>(-1));
    EXPECT_EQ(allocator->DidAlloc(block), -1);
    block = allocator->Realloc(block, 300);
    EXPECT_GE(allocator->GetSize(block), 300u);
    EXPECT_EQ(LiveTaskAllocations(), before + 1);
    CoTaskMemFree(block);  // a block of the object, freed by the function
    void* other = CoTaskMemAlloc(10);
    allocator->Free(other);  // and the other way round
    EXPECT_EQ(LiveTaskAllocations(), before);
    allocator->HeapMinimize();
    shell->Release();
    allocator->Release();

    IMalloc* none = reinterpret_cast<IMalloc*>(0x1);
    EXPECT_EQ(CoGetMalloc(0, &none), E_INVALIDARG);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(CoGetMalloc(MEMCTX_TASK, nullptr), E_INVALIDARG);
    EXPECT_EQ(SHGetMalloc(nullptr), E_INVALIDARG);
}

class TaskMemoryShellTest : public testsupport::FreshMachineTest {};

// Item id lists come from the special-folder layer's malloc; the shell's
// callers free them through the task allocator (AddressSanitizer checks
// that the two agree on the heap).
TEST_F(TaskMemoryShellTest, FreesItemIdListsOfTheSpecialFolders) {
    PIDLIST_ABSOLUTE pidl = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_APPDATA, &pidl), S_OK);
    IMalloc* allocator = nullptr;
    ASSERT_EQ(SHGetMalloc(&allocator), S_OK);
    long long before = LiveTaskAllocations();
    allocator->Free(pidl);
    EXPECT_EQ(LiveTaskAllocations(), before - 1);  // not counted when made
    allocator->Release();
}

}  // namespace
