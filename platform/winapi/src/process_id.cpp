#include "process_id.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>

namespace winapi {

namespace {

std::atomic<pid_t> gProcessId{0};  // 0: not known yet
thread_local pid_t tThreadId = 0;  // 0: not known yet

// Runs in the child of fork(), in its one thread, before fork() returns there.
void ForgetInChild() {
    gProcessId.store(0, std::memory_order_relaxed);
    tThreadId = 0;
}

// Registered before any id is first kept, so that no fork can leave a child
// with its parent's ids. False when registering failed: ids are then asked
// for every time.
bool ForgottenInForkedChildren() {
    static const bool registered = ::pthread_atfork(nullptr, nullptr, ForgetInChild) == 0;
    return registered;
}

}  // namespace

pid_t CurrentProcessId() {
    pid_t known = gProcessId.load(std::memory_order_relaxed);
    if (known != 0) return known;
    pid_t self = ::getpid();
    if (ForgottenInForkedChildren()) gProcessId.store(self, std::memory_order_relaxed);
    return self;
}

pid_t CurrentThreadId() {
    if (tThreadId != 0) return tThreadId;
    pid_t self = ::gettid();
    if (ForgottenInForkedChildren()) tThreadId = self;
    return self;
}

}  // namespace winapi
