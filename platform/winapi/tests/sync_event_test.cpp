#include "winapi/sync.h"

#include "sync_test_support.h"
#include "testsupport/fresh_machine.h"

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

using synctest::kGuard;
using synctest::kGuardMs;
using testsupport::ChildProcess;

using EventTest = testsupport::FreshMachineTest;

constexpr char kAddEvent[] = "LoginAddEvent_5F21BFC2-2968-11d3-9634-0004AC962A49";

// As the login table makes its events: a null-DACL descriptor.
HANDLE CreateSharedEvent(BOOL manualReset, const char* name) {
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
    return CreateEventW(&attributes, manualReset, FALSE, synctest::Wide(name).c_str());
}

std::unique_ptr<ChildProcess> StartBlockedWaiter(const char* name, unsigned milliseconds) {
    std::vector<std::string> args{"wait-event", name, std::to_string(milliseconds)};
    auto child = std::make_unique<ChildProcess>(synctest::KernelChild(), args);
    EXPECT_TRUE(child->WaitForLine("waiting", kGuard));
    EXPECT_TRUE(synctest::WaitUntilBlockedInFutex(child->pid()));
    return child;
}

TEST_F(EventTest, PulseWakesTheWaiterOfAnotherProcessButNotALaterOne) {
    HANDLE event = CreateSharedEvent(TRUE, kAddEvent);
    ASSERT_NE(event, nullptr);
    auto waiter = StartBlockedWaiter(kAddEvent, kGuardMs);
    ASSERT_TRUE(PulseEvent(event));
    EXPECT_TRUE(waiter->WaitForLine("signalled", kGuard));

    // The pulse left the event reset: a waiter that comes after it sleeps on.
    EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    ChildProcess late(synctest::KernelChild(), {"wait-event", kAddEvent, "300"});
    EXPECT_TRUE(late.WaitForLine("waiting", kGuard));
    EXPECT_TRUE(late.WaitForLine("timeout", kGuard));
    CloseHandle(event);
}

TEST_F(EventTest, ManualPulseReleasesEveryCurrentWaiter) {
    HANDLE event = CreateSharedEvent(TRUE, kAddEvent);
    auto first = StartBlockedWaiter(kAddEvent, kGuardMs);
    auto second = StartBlockedWaiter(kAddEvent, kGuardMs);
    ASSERT_TRUE(PulseEvent(event));
    EXPECT_TRUE(first->WaitForLine("signalled", kGuard));
    EXPECT_TRUE(second->WaitForLine("signalled", kGuard));
    CloseHandle(event);
}

TEST_F(EventTest, AutoResetSetReleasesExactlyOneWaiterPerSet) {
    HANDLE event = CreateSharedEvent(FALSE, "auto");
    ChildProcess a(synctest::KernelChild(), {"wait-event", "auto", std::to_string(kGuardMs)});
    ChildProcess b(synctest::KernelChild(), {"wait-event", "auto", std::to_string(kGuardMs)});
    ASSERT_TRUE(a.WaitForLine("waiting", kGuard));
    ASSERT_TRUE(b.WaitForLine("waiting", kGuard));

    // Whether or not they sleep yet, one set is taken by exactly one of them.
    ASSERT_TRUE(SetEvent(event));
    ChildProcess* woken = nullptr;
    auto deadline = std::chrono::steady_clock::now() + kGuard;
    while (!woken && std::chrono::steady_clock::now() < deadline) {
        if (a.WaitForLine("signalled", std::chrono::milliseconds(20)))
            woken = &a;
        else if (b.WaitForLine("signalled", std::chrono::milliseconds(20)))
            woken = &b;
    }
    ASSERT_NE(woken, nullptr);
    ChildProcess& other = woken == &a ? b : a;
    EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));  // taken, and reset
    EXPECT_FALSE(other.WaitForLine("signalled", std::chrono::milliseconds(200)));

    ASSERT_TRUE(SetEvent(event));
    EXPECT_TRUE(other.WaitForLine("signalled", kGuard));
    EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    CloseHandle(event);
}

TEST_F(EventTest, AutoResetPulseReleasesAtMostOneCurrentWaiter) {
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    ASSERT_TRUE(PulseEvent(event));  // nobody waits: nothing is kept for later
    EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));

    std::atomic<int> released{0};
    std::atomic<pid_t> tids[2] = {0, 0};
    std::vector<std::thread> waiters;
    for (auto& tid : tids) {
        waiters.emplace_back([&] {
            tid = static_cast<pid_t>(GetCurrentThreadId());
            if (WaitForSingleObject(event, kGuardMs) == WAIT_OBJECT_0) ++released;
        });
    }
    for (auto& tid : tids) {
        while (tid == 0) std::this_thread::yield();
        ASSERT_TRUE(synctest::WaitUntilBlockedInFutex(getpid(), tid));
    }
    ASSERT_TRUE(PulseEvent(event));
    for (auto deadline = std::chrono::steady_clock::now() + kGuard;
         released == 0 && std::chrono::steady_clock::now() < deadline;)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // room for a wrong second release
    EXPECT_EQ(released, 1);
    ASSERT_TRUE(PulseEvent(event));
    for (auto& waiter : waiters) waiter.join();
    EXPECT_EQ(released, 2);
    CloseHandle(event);
}

TEST_F(EventTest, SetAndResetFollowTheKindOfEvent) {
    struct Case {
        BOOL manualReset;
        BOOL initialState;
        DWORD firstWait, secondWait;
    };
    const Case cases[] = {
        {TRUE, TRUE, WAIT_OBJECT_0, WAIT_OBJECT_0},  // stays set
        {FALSE, TRUE, WAIT_OBJECT_0, WAIT_TIMEOUT},  // one waiter takes it
        {TRUE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
        {FALSE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "manual " << c.manualReset << ", initial " << c.initialState);
        HANDLE event = CreateEventW(nullptr, c.manualReset, c.initialState, u"state");
        ASSERT_NE(event, nullptr);
        EXPECT_EQ(WaitForSingleObject(event, 0), c.firstWait);
        EXPECT_EQ(WaitForSingleObject(event, 0), c.secondWait);
        EXPECT_TRUE(SetEvent(event));
        EXPECT_TRUE(ResetEvent(event));
        EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
        EXPECT_TRUE(SetEvent(event));
        EXPECT_TRUE(PulseEvent(event));  // ends reset, also when it was set
        EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
        CloseHandle(event);
    }
}

TEST_F(EventTest, ASetWhileAWaiterSleepsReleasesItEvenIfResetAtOnce) {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<pid_t> tid{0};
    DWORD result = WAIT_FAILED;
    std::thread waiter([&] {
        tid = static_cast<pid_t>(GetCurrentThreadId());
        result = WaitForSingleObject(event, kGuardMs);
    });
    while (tid == 0) std::this_thread::yield();
    ASSERT_TRUE(synctest::WaitUntilBlockedInFutex(getpid(), tid));
    SetEvent(event);
    ResetEvent(event);
    waiter.join();
    EXPECT_EQ(result, WAIT_OBJECT_0);
    CloseHandle(event);
}

TEST_F(EventTest, AKilledWaiterDoesNotSwallowTheSet) {
    HANDLE event = CreateSharedEvent(FALSE, "auto");
    auto waiter = StartBlockedWaiter("auto", kGuardMs);
    waiter->Kill();
    waiter->Wait();
    ASSERT_TRUE(SetEvent(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    CloseHandle(event);
}

TEST_F(EventTest, OpenChecksNameKindAndRights) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(OpenEventW(SYNCHRONIZE, FALSE, u"missing"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, u"shared");
    ASSERT_NE(event, nullptr);
    HANDLE again = CreateEventW(nullptr, FALSE, TRUE, u"shared");  // kind and state are the first creator's
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(WaitForSingleObject(again, 0), static_cast<DWORD>(WAIT_TIMEOUT));

    HANDLE waitOnly = OpenEventW(SYNCHRONIZE, FALSE, u"shared");
    ASSERT_NE(waitOnly, nullptr);
    EXPECT_FALSE(SetEvent(waitOnly));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    HANDLE modifyOnly = OpenEventW(EVENT_MODIFY_STATE, FALSE, u"shared");
    ASSERT_NE(modifyOnly, nullptr);
    EXPECT_TRUE(SetEvent(modifyOnly));
    EXPECT_EQ(WaitForSingleObject(modifyOnly, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(WaitForSingleObject(waitOnly, 0), WAIT_OBJECT_0);  // the set reached the one event

    HANDLE mutex = CreateMutexW(nullptr, FALSE, u"a mutex");
    EXPECT_FALSE(SetEvent(mutex));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    for (HANDLE h : {event, again, waitOnly, modifyOnly, mutex}) CloseHandle(h);
}

}  // namespace
