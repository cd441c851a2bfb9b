#include "owner_process.h"

#include "process_id.h"
#include "wait_deadline.h"

#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>

namespace winapi::kernel {

namespace {

// The start time (field 22 of /proc/<pid>/stat, in clock ticks since boot);
// 0 when the process is gone or the entry cannot be read.
uint64_t StartTicksOf(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return 0;
    // The command name (field 2) may hold spaces and parentheses: the fields
    // after it start behind the last ')'.
    size_t close = line.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(line.substr(close + 1));
    std::string field;
    for (int number = 3; number < 22; ++number) fields >> field;
    uint64_t ticks = 0;
    fields >> ticks;
    return fields ? ticks : 0;
}

// The poll time-out for what is left of the wait: -1 for a wait without end.
int MillisecondsUntil(const WaitDeadline& deadline) {
    if (!deadline.when()) return -1;
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const timespec& end = *deadline.when();
    long long left = (end.tv_sec - now.tv_sec) * 1000LL + (end.tv_nsec - now.tv_nsec) / 1000000LL;
    return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

ProcessIdentity CurrentProcessIdentity() {
    // Read once per process; a forked child has a pid of its own and reads
    // its own start time. No system call once known.
    static std::atomic<pid_t> knownPid{0};
    static std::atomic<uint64_t> knownStart{0};
    pid_t self = CurrentProcessId();
    if (knownPid.load(std::memory_order_acquire) == self) return {self, knownStart.load(std::memory_order_relaxed)};
    ProcessIdentity identity{self, StartTicksOf(self)};
    // Threads that race here store the same values.
    knownStart.store(identity.startTicks, std::memory_order_relaxed);
    knownPid.store(self, std::memory_order_release);
    return identity;
}

void WaitForProcessEnd(const ProcessIdentity& owner, DWORD limitMs) {
    if (owner.pid <= 0 || owner.pid == CurrentProcessId()) return;
    int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, owner.pid, 0));
    if (pidfd < 0) return;  // gone and reaped
    // The pid may have passed to a new process before the open: only the
    // recorded process is waited for. A zombie still shows its start time.
    if (StartTicksOf(owner.pid) == owner.startTicks) {
        WaitDeadline deadline(limitMs);
        // Readable once the whole process has ended, after its files closed.
        pollfd ended{pidfd, POLLIN, 0};
        int rc;
        do rc = ::poll(&ended, 1, MillisecondsUntil(deadline));
        while (rc < 0 && errno == EINTR);
    }
    ::close(pidfd);
}

}  // namespace winapi::kernel
