#include "winapi/sync.h"

#include "sync_test_support.h"
#include "testsupport/fresh_machine.h"

#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

namespace {

using synctest::kGuard;
using synctest::kGuardMs;
using testsupport::ChildProcess;

using MutexTest = testsupport::FreshMachineTest;

constexpr char kCacheMutex[] = "804BF230-0F69-4525-ADF3-E15F2077A46E";

DWORD WaitFromOtherThread(HANDLE handle, DWORD milliseconds) {
    DWORD result = WAIT_FAILED;
    std::thread([&] { result = WaitForSingleObject(handle, milliseconds); }).join();
    return result;
}

TEST_F(MutexTest, HolderKilledLeavesItAbandonedToTheNextWaiter) {
    ChildProcess holder(synctest::KernelChild(), {"hold-mutex", kCacheMutex});
    ASSERT_TRUE(holder.WaitForLine("held", kGuard));

    // As the cache lock does it: open with SYNCHRONIZE | MUTEX_MODIFY_STATE.
    HANDLE mutex = OpenMutexW(0x100001, FALSE, synctest::Wide(kCacheMutex).c_str());
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(WaitForSingleObject(mutex, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(WaitForSingleObject(mutex, 200), static_cast<DWORD>(WAIT_TIMEOUT));

    holder.Kill();
    EXPECT_EQ(WaitForSingleObject(mutex, kGuardMs), WAIT_ABANDONED);
    // The waiter owns it now, re-entrantly, and another process sees it taken.
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    {
        ChildProcess taker(synctest::KernelChild(), {"take-mutex", kCacheMutex});
        EXPECT_TRUE(taker.WaitForLine("timeout", kGuard));
    }
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_TRUE(ReleaseMutex(mutex));
    // Released for good: never left locked.
    ChildProcess taker(synctest::KernelChild(), {"take-mutex", kCacheMutex});
    EXPECT_TRUE(taker.WaitForLine("signalled", kGuard));
    EXPECT_EQ(taker.Wait(), 0);
    CloseHandle(mutex);
}

TEST_F(MutexTest, ThreadEndingWhileOwningLeavesItAbandoned) {
    HANDLE mutex = CreateMutexW(nullptr, FALSE, u"HalvaranSameProc");
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(WaitFromOtherThread(mutex, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(mutex, kGuardMs), WAIT_ABANDONED);
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_EQ(WaitFromOtherThread(mutex, 0), WAIT_OBJECT_0);  // sound again after the release
    CloseHandle(mutex);
}

// A forked child is a process of its own, though it starts as a copy of its
// parent's memory: it names itself by its own ids, the parent's hold is not
// its own, and dying while holding the mutex leaves it abandoned.
TEST_F(MutexTest, AForkedChildIsItselfAndItsDeathAbandonsTheMutex) {
    HANDLE mutex = CreateMutexW(nullptr, FALSE, u"forked");
    ASSERT_NE(mutex, nullptr);
    // The parent knows its own ids and holds the mutex when it forks.
    EXPECT_EQ(GetCurrentProcessId(), static_cast<DWORD>(::getpid()));
    EXPECT_EQ(GetCurrentThreadId(), static_cast<DWORD>(::syscall(SYS_gettid)));
    ASSERT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);

    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int failures = 0;
        if (GetCurrentProcessId() != static_cast<DWORD>(::syscall(SYS_getpid))) failures |= 1;
        if (GetCurrentThreadId() != static_cast<DWORD>(::syscall(SYS_gettid))) failures |= 2;
        if (ReleaseMutex(mutex) || GetLastError() != ERROR_NOT_OWNER) failures |= 4;
        if (WaitForSingleObject(mutex, kGuardMs) != WAIT_OBJECT_0) failures |= 8;  // once the parent lets go
        ::_exit(failures);                                                         // still holding it
    }
    EXPECT_TRUE(ReleaseMutex(mutex));
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: process id, 2: thread id, 4: released the parent's hold, 8: no wait";
    EXPECT_EQ(WaitForSingleObject(mutex, kGuardMs), WAIT_ABANDONED);
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_FALSE(ReleaseMutex(mutex));
    CloseHandle(mutex);
}

TEST_F(MutexTest, OwnerMayReenterAndOnlyTheOwnerReleases) {
    HANDLE mutex = CreateMutexW(nullptr, TRUE, u"5F21BFC2-2968-11d3-9634-0004AC962A49");
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(WaitForSingleObject(mutex, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    // Held three times: another thread neither gets nor releases it.
    EXPECT_EQ(WaitFromOtherThread(mutex, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    BOOL releasedByOther = TRUE;
    DWORD otherError = 0;
    std::thread([&] {
        releasedByOther = ReleaseMutex(mutex);
        otherError = GetLastError();
    }).join();
    EXPECT_FALSE(releasedByOther);
    EXPECT_EQ(otherError, static_cast<DWORD>(ERROR_NOT_OWNER));

    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_EQ(WaitFromOtherThread(mutex, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_FALSE(ReleaseMutex(mutex));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_OWNER));
    EXPECT_EQ(WaitFromOtherThread(mutex, 0), WAIT_OBJECT_0);
    CloseHandle(mutex);
}

TEST_F(MutexTest, CreatingAnExistingNameOpensItWithoutTakingOwnership) {
    HANDLE first = CreateMutexW(nullptr, FALSE, u"login");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));

    SetLastError(ERROR_SUCCESS);
    HANDLE second = CreateMutexW(nullptr, TRUE, u"login");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_NE(second, first);
    EXPECT_FALSE(ReleaseMutex(second));  // initial ownership applies to a new mutex only
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_OWNER));

    // Both handles name one mutex.
    EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitFromOtherThread(second, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(ReleaseMutex(second));
    CloseHandle(first);
    CloseHandle(second);
}

TEST_F(MutexTest, OpenFailsForMissingNamesAndWithoutSynchronizeRight) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(OpenMutexW(SYNCHRONIZE, FALSE, u"missing"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(OpenMutexW(SYNCHRONIZE, FALSE, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    HANDLE mutex = CreateMutexW(nullptr, FALSE, u"rights");
    HANDLE modifyOnly = OpenMutexW(MUTEX_MODIFY_STATE, FALSE, u"rights");
    ASSERT_NE(modifyOnly, nullptr);
    EXPECT_EQ(WaitForSingleObject(modifyOnly, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    CloseHandle(modifyOnly);
    CloseHandle(mutex);
}

TEST_F(MutexTest, UnnamedMutexesAreDistinct) {
    HANDLE a = CreateMutexW(nullptr, TRUE, nullptr);
    HANDLE b = CreateMutexW(nullptr, FALSE, u"");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(WaitFromOtherThread(a, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(WaitFromOtherThread(b, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(b, 0), WAIT_ABANDONED);  // that thread ended holding it
    EXPECT_TRUE(ReleaseMutex(a));
    EXPECT_TRUE(ReleaseMutex(b));
    CloseHandle(a);
    CloseHandle(b);
}

// The memory of a mutex that a thread still owns must stay in place after
// its last handle is closed: the thread's other robust mutexes and its exit
// still reach it. Closing while owning must neither crash nor keep the name.
TEST_F(MutexTest, ClosingTheLastHandleWhileOwningIsSafe) {
    std::thread([] {
        HANDLE first = CreateMutexW(nullptr, TRUE, u"first");
        HANDLE second = CreateMutexW(nullptr, TRUE, u"second");
        ASSERT_NE(first, nullptr);
        ASSERT_NE(second, nullptr);
        EXPECT_TRUE(CloseHandle(first));
        EXPECT_TRUE(ReleaseMutex(second));
        EXPECT_TRUE(CloseHandle(second));
        HANDLE again = CreateMutexW(nullptr, FALSE, u"first");
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));  // a fresh mutex
        EXPECT_EQ(WaitForSingleObject(again, 0), WAIT_OBJECT_0);
        EXPECT_TRUE(ReleaseMutex(again));
        CloseHandle(again);
    }).join();  // the thread ends still owning the closed "first"
    HANDLE first = CreateMutexW(nullptr, FALSE, u"first");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_OBJECT_0);
    CloseHandle(first);
}

}  // namespace
