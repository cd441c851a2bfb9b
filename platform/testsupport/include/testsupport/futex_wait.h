// Whether a thread sleeps in a futex wait: where a waiter on a mutex or an
// event of the platform layer sleeps. Tests use it to act only once another
// thread or process really waits (a pulse sent after that reaches it),
// instead of sleeping for a while.
#pragma once

#include <sys/types.h>

#include <chrono>

namespace testsupport {

// True when thread `tid` of process `pid` sleeps in a futex wait; where the
// system call a thread is in cannot be read, when it sleeps at all.
bool SleepsInFutex(pid_t pid, pid_t tid);

// Blocks until thread `tid` of process `pid` sleeps in a futex wait; false
// when `guard` passes first (a guard against a hung test, not a measure).
bool WaitUntilBlockedInFutex(pid_t pid, pid_t tid, std::chrono::milliseconds guard = std::chrono::minutes(1));
inline bool WaitUntilBlockedInFutex(pid_t pid) { return WaitUntilBlockedInFutex(pid, pid); }

}  // namespace testsupport
