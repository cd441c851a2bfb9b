#include "testsupport/futex_wait.h"

#include <sys/syscall.h>

#include <fstream>
#include <string>
#include <thread>

namespace testsupport {

bool SleepsInFutex(pid_t pid, pid_t tid) {
    const std::string task = "/proc/" + std::to_string(pid) + "/task/" + std::to_string(tid);
    std::ifstream syscallFile(task + "/syscall");
    if (syscallFile) {
        long number = -1;
        return syscallFile >> number && number == SYS_futex;  // "running" while it runs
    }
    std::ifstream stat(task + "/stat");
    std::string line;
    std::getline(stat, line);
    size_t end = line.rfind(')');  // the state follows the parenthesised name
    return end != std::string::npos && line.compare(end, 3, ") S") == 0;
}

bool WaitUntilBlockedInFutex(pid_t pid, pid_t tid, std::chrono::milliseconds guard) {
    const auto deadline = std::chrono::steady_clock::now() + guard;
    while (std::chrono::steady_clock::now() < deadline) {
        if (SleepsInFutex(pid, tid)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

}  // namespace testsupport
