// Critical sections, interlocked operations and security descriptors.
#include "winapi/sync.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

constexpr int kThreads = 4;
constexpr int kRounds = 20000;

TEST(CriticalSectionTest, IsReentrantAndExcludesOtherThreads) {
    CRITICAL_SECTION section;
    ASSERT_TRUE(InitializeCriticalSectionAndSpinCount(&section, 0));
    EnterCriticalSection(&section);
    EXPECT_TRUE(TryEnterCriticalSection(&section));  // the holder enters again
    BOOL enteredByOther = TRUE;
    std::thread([&] { enteredByOther = TryEnterCriticalSection(&section); }).join();
    EXPECT_FALSE(enteredByOther);
    LeaveCriticalSection(&section);
    LeaveCriticalSection(&section);
    std::thread([&] {
        enteredByOther = TryEnterCriticalSection(&section);
        if (enteredByOther) LeaveCriticalSection(&section);
    }).join();
    EXPECT_TRUE(enteredByOther);

    int counter = 0;  // guarded by the section only
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
                EnterCriticalSection(&section);
                ++counter;
                LeaveCriticalSection(&section);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(counter, kThreads * kRounds);
    DeleteCriticalSection(&section);
}

TEST(InterlockedTest, ReturnValuesAreThoseOfThePlatform) {
    volatile LONG value = 5;
    EXPECT_EQ(InterlockedIncrement(&value), 6);  // the new value
    EXPECT_EQ(InterlockedDecrement(&value), 5);
    EXPECT_EQ(InterlockedExchange(&value, 9), 5);  // the old value
    EXPECT_EQ(InterlockedExchangeAdd(&value, 3), 9);
    EXPECT_EQ(value, 12);
    EXPECT_EQ(InterlockedCompareExchange(&value, 1, 7), 12);  // no match: unchanged
    EXPECT_EQ(value, 12);
    EXPECT_EQ(InterlockedCompareExchange(&value, 1, 12), 12);
    EXPECT_EQ(value, 1);
    value = 0x7FFFFFFF;
    EXPECT_EQ(InterlockedIncrement(&value), static_cast<LONG>(0x80000000u));  // wraps, as 32 bits do
}

TEST(InterlockedTest, ConcurrentCountsLoseNothing) {
    volatile LONG count = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
                InterlockedIncrement(&count);
                InterlockedIncrement(&count);
                InterlockedDecrement(&count);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(count, kThreads * kRounds);
}

TEST(SecurityDescriptorTest, IsCheckedAndRecorded) {
    SECURITY_DESCRIPTOR descriptor{};
    EXPECT_FALSE(SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE));  // not initialised
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_SECURITY_DESCR));
    EXPECT_FALSE(InitializeSecurityDescriptor(&descriptor, 2));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_REVISION));

    ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE));  // the null DACL callers set
    EXPECT_EQ(descriptor.control, SE_DACL_PRESENT);
    EXPECT_EQ(descriptor.dacl, nullptr);
    ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, FALSE, nullptr, TRUE));
    EXPECT_EQ(descriptor.control, 0);
}

TEST(ThreadIdTest, DiffersBetweenThreadsOfOneProcess) {
    DWORD mine = GetCurrentThreadId();
    DWORD other = 0;
    DWORD otherProcess = 0;
    std::thread([&] {
        other = GetCurrentThreadId();
        otherProcess = GetCurrentProcessId();
    }).join();
    EXPECT_NE(mine, other);
    EXPECT_EQ(otherProcess, GetCurrentProcessId());
}

}  // namespace
