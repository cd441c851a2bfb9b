// Helpers of the tests of named kernel objects.
#pragma once

#include "testsupport/child_process.h"
#include "testsupport/futex_wait.h"

#include <sys/syscall.h>
#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

namespace synctest {

// Only a guard against a hung test, never a measure of speed.
constexpr auto kGuard = std::chrono::seconds(60);
constexpr unsigned kGuardMs = 60000;

inline std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

inline std::filesystem::path KernelChild() { return testsupport::SiblingProgram("kernel_child"); }

// Blocks until thread `tid` of process `pid` sleeps in a futex wait, which is
// where a waiter on an event or a mutex sleeps: a pulse sent after that
// reaches it. False when the guard time passes first.
inline bool WaitUntilBlockedInFutex(pid_t pid, pid_t tid) {
    return testsupport::WaitUntilBlockedInFutex(pid, tid, kGuard);
}
inline bool WaitUntilBlockedInFutex(pid_t pid) { return WaitUntilBlockedInFutex(pid, pid); }

}  // namespace synctest
