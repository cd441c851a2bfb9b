// Helpers of the tests of named kernel objects.
#pragma once

#include "testsupport/child_process.h"

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

// True when the thread sleeps in a futex wait; where the system call a thread
// is in cannot be read, when it sleeps at all.
inline bool SleepsInFutex(const std::string& task) {
    std::ifstream syscall(task + "/syscall");
    if (syscall) {
        long number = -1;
        return syscall >> number && number == SYS_futex;  // "running" when it runs
    }
    std::ifstream stat(task + "/stat");
    std::string line;
    std::getline(stat, line);
    size_t end = line.rfind(')');  // the state follows the parenthesised name
    return end != std::string::npos && line.compare(end, 3, ") S") == 0;
}

// Blocks until thread `tid` of process `pid` sleeps in a futex wait, which is
// where a waiter on an event or a mutex sleeps: a pulse sent after that
// reaches it. False when the guard time passes first.
inline bool WaitUntilBlockedInFutex(pid_t pid, pid_t tid) {
    std::string task = "/proc/" + std::to_string(pid) + "/task/" + std::to_string(tid);
    auto deadline = std::chrono::steady_clock::now() + kGuard;
    while (std::chrono::steady_clock::now() < deadline) {
        if (SleepsInFutex(task)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

inline bool WaitUntilBlockedInFutex(pid_t pid) { return WaitUntilBlockedInFutex(pid, pid); }

}  // namespace synctest
